#include "platform/core/res_image.h"

namespace norvale {
namespace {

constexpr std::uint16_t kOrdinalMark = 0xFFFF;
// DataSize and HeaderSize, which come before anything else of a header.
constexpr std::size_t kSizeFieldsBytes = 8;
// DataVersion, MemoryFlags, LanguageId, Version and Characteristics.
constexpr std::size_t kTrailingFieldsBytes = 16;

std::size_t AlignedToDword(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

// Reads little-endian fields from [begin, end) and refuses to step past end.
class FieldReader {
public:
    FieldReader(const std::uint8_t* begin, std::size_t size) : begin_(begin), size_(size) {}

    std::optional<std::uint16_t> Word() {
        if (size_ - offset_ < 2) return std::nullopt;
        const std::uint8_t* p = begin_ + offset_;
        offset_ += 2;
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }

    std::optional<std::uint32_t> Dword() {
        const auto low = Word();
        if (!low) return std::nullopt;
        const auto high = Word();
        if (!high) return std::nullopt;
        return static_cast<std::uint32_t>(*low | (static_cast<std::uint32_t>(*high) << 16));
    }

    std::optional<ResourceKey> Key() {
        const auto first = Word();
        if (!first) return std::nullopt;
        ResourceKey key;
        if (*first == kOrdinalMark) {
            const auto ordinal = Word();
            if (!ordinal) return std::nullopt;
            key.ordinal = *ordinal;
            return key;
        }
        for (auto unit = first; *unit != 0;) {
            key.name.push_back(static_cast<char16_t>(*unit));
            unit = Word();
            if (!unit) return std::nullopt;  // no terminator inside the header
        }
        return key;
    }

    void Skip(std::size_t bytes) { offset_ = bytes < size_ - offset_ ? offset_ + bytes : size_; }

    bool AlignToDword() {
        const std::size_t aligned = AlignedToDword(offset_);
        if (aligned > size_) return false;
        offset_ = aligned;
        return true;
    }

private:
    const std::uint8_t* begin_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

// Parses the header at the start of [header, header + headerSize).
std::optional<ResImageEntry> ParseHeader(const std::uint8_t* header, std::size_t headerSize) {
    FieldReader fields(header, headerSize);
    fields.Skip(kSizeFieldsBytes);  // the caller has read and checked them
    auto type = fields.Key();
    if (!type) return std::nullopt;
    auto name = fields.Key();
    if (!name || !fields.AlignToDword()) return std::nullopt;
    const auto dataVersion = fields.Dword();
    const auto memoryFlags = fields.Word();
    const auto languageId = fields.Word();
    const auto version = fields.Dword();
    const auto characteristics = fields.Dword();
    if (!dataVersion || !memoryFlags || !languageId || !version || !characteristics) {
        return std::nullopt;
    }
    ResImageEntry entry;
    entry.type = std::move(*type);
    entry.name = std::move(*name);
    entry.dataVersion = *dataVersion;
    entry.memoryFlags = *memoryFlags;
    entry.languageId = *languageId;
    entry.version = *version;
    entry.characteristics = *characteristics;
    return entry;
}

}  // namespace

std::optional<std::vector<ResImageEntry>> ParseResImage(const std::uint8_t* image, std::size_t size) {
    if (image == nullptr && size != 0) return std::nullopt;
    std::vector<ResImageEntry> entries;
    std::size_t offset = 0;
    while (offset < size) {
        const std::size_t remaining = size - offset;
        FieldReader sizes(image + offset, remaining);
        const auto dataSize = sizes.Dword();
        const auto headerSize = sizes.Dword();
        if (!headerSize) return std::nullopt;
        if (*headerSize < kSizeFieldsBytes + kTrailingFieldsBytes || *headerSize > remaining ||
            *dataSize > remaining - *headerSize) {
            return std::nullopt;
        }
        auto entry = ParseHeader(image + offset, *headerSize);
        if (!entry) return std::nullopt;
        entry->data = image + offset + *headerSize;
        entry->size = *dataSize;
        entries.push_back(std::move(*entry));
        // The padding after the last entry's data may be missing.
        const std::size_t end = offset + *headerSize + *dataSize;
        offset = end >= size ? size : AlignedToDword(end);
    }
    return entries;
}

}  // namespace norvale
