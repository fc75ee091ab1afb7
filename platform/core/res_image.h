// A compiled resource file (.res, as windres -O res writes it): a sequence of
// entries, each a header (DataSize, HeaderSize, TYPE, NAME, DataVersion,
// MemoryFlags, LanguageId, Version, Characteristics) followed by the data,
// every header and every data block starting on a 4-byte boundary. TYPE and
// NAME are either 0xFFFF and a 16-bit ordinal, or a 0-terminated UTF-16 name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvale {

struct ResourceKey {
    std::optional<std::uint16_t> ordinal;  // set for a numeric type or name
    std::u16string name;                   // otherwise the name, without terminator

    bool IsOrdinal(std::uint16_t value) const { return ordinal == value; }
};

struct ResImageEntry {
    ResourceKey type;
    ResourceKey name;
    std::uint32_t dataVersion = 0;
    std::uint16_t memoryFlags = 0;
    std::uint16_t languageId = 0;
    std::uint32_t version = 0;
    std::uint32_t characteristics = 0;
    const std::uint8_t* data = nullptr;  // points into the parsed image
    std::size_t size = 0;
};

// Every entry of the image in file order, including the empty entry that
// opens a .res file. nullopt when any header is malformed or any size points
// past the image: a damaged image is refused whole, never read out of bounds.
std::optional<std::vector<ResImageEntry>> ParseResImage(const std::uint8_t* image, std::size_t size);

}  // namespace norvale
