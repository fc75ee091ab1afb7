#include "platform/core/text_pack.h"

#include <cstring>

#include "platform/core/inflate.h"
#include "platform/core/utf8.h"

namespace norvale {
namespace {

constexpr std::size_t kSizeBytes = 4;
constexpr std::size_t kCountBytes = 2;

unsigned ReadLe16(const std::uint8_t* bytes) { return bytes[0] | (bytes[1] << 8); }

}  // namespace

std::optional<std::wstring> ReadTextPackEntry(const std::uint8_t* bytes, std::size_t size, unsigned stringId) {
    if (bytes == nullptr || size < kSizeBytes) return std::nullopt;
    const std::size_t inflatedSize = ReadLe16(bytes) | (static_cast<std::size_t>(ReadLe16(bytes + 2)) << 16);
    if (inflatedSize > kMaxTextPackBytes) return std::nullopt;
    const auto contents = Inflate(bytes + kSizeBytes, size - kSizeBytes, inflatedSize);
    if (!contents || contents->size() != inflatedSize || inflatedSize < kCountBytes) return std::nullopt;
    const std::uint8_t* const begin = contents->data();
    const std::uint8_t* const end = begin + contents->size();
    const std::size_t count = ReadLe16(begin);
    if (count > inflatedSize - kCountBytes) return std::nullopt;
    const std::uint8_t* const distances = begin + kCountBytes;
    std::size_t index = 0;
    unsigned id = 0;
    for (; index < count; ++index) {
        id += distances[index];
        if (id >= stringId) break;
    }
    if (index == count || id != stringId) return std::nullopt;
    const char* text = reinterpret_cast<const char*>(distances + count);
    for (;;) {
        const void* nul = std::memchr(text, 0, static_cast<std::size_t>(reinterpret_cast<const char*>(end) - text));
        if (nul == nullptr) return std::nullopt;
        const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
        if (index-- == 0) {
            if (length == 0) return std::nullopt;
            return Utf8ToWide(text, length);
        }
        text += length + 1;
    }
}

std::optional<std::wstring> FindPackedText(const ResourcePort& resources, unsigned stringId,
                                           std::uint16_t languageId) {
    if (stringId > 0xFFFF) return std::nullopt;
    const auto pack = resources.Find(kResourceTypeRcData, kTextPackName, languageId);
    if (!pack) return std::nullopt;
    return ReadTextPackEntry(pack->data, pack->size, stringId);
}

}  // namespace norvale
