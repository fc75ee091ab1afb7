#include "platform/core/string_block.h"

namespace norvale {
namespace {

constexpr std::size_t kLengthBytes = 2;
constexpr std::size_t kUnitBytes = 2;

// Resources are little-endian whatever the host.
std::uint16_t ReadUnit(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Where wchar_t has 16 bits the code units are the text; where it has 32,
// surrogate pairs become one code point and a lone surrogate U+FFFD.
std::wstring WideFromUtf16(const std::uint8_t* units, std::size_t count) {
    std::wstring text;
    text.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t unit = ReadUnit(units + i * kUnitBytes);
        if constexpr (sizeof(wchar_t) == 2) {
            text.push_back(static_cast<wchar_t>(unit));
        } else if (IsHighSurrogate(unit) && i + 1 < count &&
                   IsLowSurrogate(ReadUnit(units + (i + 1) * kUnitBytes))) {
            const std::uint32_t low = ReadUnit(units + (i + 1) * kUnitBytes);
            text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            text.push_back(static_cast<wchar_t>(0xFFFD));
        } else {
            text.push_back(static_cast<wchar_t>(unit));
        }
    }
    return text;
}

}  // namespace

std::optional<std::uint16_t> StringBlockName(unsigned stringId) {
    if (stringId > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(stringId / kStringsPerBlock + 1);
}

std::optional<std::wstring> ReadStringBlockEntry(const std::uint8_t* block, std::size_t size,
                                                 unsigned position) {
    if (block == nullptr || position >= kStringsPerBlock) return std::nullopt;
    std::size_t offset = 0;
    for (unsigned index = 0;; ++index) {
        if (size - offset < kLengthBytes) return std::nullopt;
        const std::size_t length = ReadUnit(block + offset);
        offset += kLengthBytes;
        if ((size - offset) / kUnitBytes < length) return std::nullopt;
        if (index == position) {
            if (length == 0) return std::nullopt;
            return WideFromUtf16(block + offset, length);
        }
        offset += length * kUnitBytes;
    }
}

std::optional<std::wstring> FindStringResource(const ResourcePort& resources, unsigned stringId,
                                               std::uint16_t languageId) {
    const auto blockName = StringBlockName(stringId);
    if (!blockName) return std::nullopt;
    const auto block = resources.Find(kResourceTypeString, *blockName, languageId);
    if (!block) return std::nullopt;
    return ReadStringBlockEntry(block->data, block->size, StringBlockPosition(stringId));
}

}  // namespace norvale
