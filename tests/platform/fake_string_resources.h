// An in-memory module of string-table resources for the language table's
// tests: texts are laid out in RT_STRING blocks byte for byte as the resource
// compiler lays them out, so the product code walks real block bytes.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/core/resource_port.h"
#include "platform/core/string_block.h"

namespace norvale::test {

// UTF-16 code units of a wide text (surrogate pairs where wchar_t has 32 bits).
inline std::u16string Utf16(const std::wstring& text) {
    std::u16string units;
    for (wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(c);
        if (code > 0xFFFF) {
            units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
    }
    return units;
}

// One block: for each of its 16 positions a little-endian length, then the
// code units. An empty text is stored as length 0, as for an unused id.
inline std::vector<std::uint8_t> EncodeStringBlock(const std::array<std::u16string, kStringsPerBlock>& texts) {
    std::vector<std::uint8_t> bytes;
    auto put = [&bytes](std::uint16_t unit) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (const std::u16string& text : texts) {
        put(static_cast<std::uint16_t>(text.size()));
        for (char16_t unit : text) put(static_cast<std::uint16_t>(unit));
    }
    return bytes;
}

class FakeStringResources final : public ResourcePort {
public:
    // Adds texts in one language, creating the blocks they fall in.
    FakeStringResources& Add(std::uint16_t languageId,
                             std::initializer_list<std::pair<unsigned, std::wstring>> texts) {
        for (const auto& [id, text] : texts) {
            const std::uint16_t block = *StringBlockName(id);
            texts_[{languageId, block}][StringBlockPosition(id)] = Utf16(text);
            Store(kResourceTypeString, block, languageId, EncodeStringBlock(texts_[{languageId, block}]));
        }
        return *this;
    }

    // Stores a resource as given, for damaged blocks.
    void Store(std::uint16_t type, std::uint16_t name, std::uint16_t languageId,
               std::vector<std::uint8_t> bytes) {
        resources_[{type, name, languageId}] = std::move(bytes);
    }

    std::optional<ResourceBytes> Find(std::uint16_t type, std::uint16_t name,
                                      std::uint16_t languageId) const override {
        const auto found = resources_.find({type, name, languageId});
        if (found == resources_.end()) return std::nullopt;
        return ResourceBytes{found->second.data(), found->second.size()};
    }

private:
    std::map<std::pair<std::uint16_t, std::uint16_t>, std::array<std::u16string, kStringsPerBlock>> texts_;
    std::map<std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>, std::vector<std::uint8_t>> resources_;
};

}  // namespace norvale::test
