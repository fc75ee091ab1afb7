#include "tools/disksim/fs_probe.h"

#include <array>
#include <cstring>
#include <vector>

#include "tools/disksim/bytes.h"

namespace norvale::disksim {

namespace {

using Boot = std::array<std::uint8_t, 512>;

bool IsPowerOfTwo(std::uint64_t value) { return value != 0 && (value & (value - 1)) == 0; }

std::wstring Latin1(const std::uint8_t* p, std::size_t size) {
    std::wstring text(p, p + size);
    while (!text.empty() && (text.back() == L' ' || text.back() == 0)) text.pop_back();
    return text;
}

class Region {
public:
    Region(const ByteReader& read, std::int64_t size) : read_(read), size_(size) {}
    bool Read(std::int64_t offset, std::uint8_t* buffer, std::size_t size) const {
        if (offset < 0 || offset > size_ || static_cast<std::int64_t>(size) > size_ - offset) return false;
        return read_(offset, buffer, size);
    }

private:
    const ByteReader& read_;
    std::int64_t size_;
};

// The $Volume file's name attribute (0x60) in MFT record 3.
std::wstring NtfsLabel(const Region& region, const Boot& boot) {
    const std::uint32_t bytesPerSector = Load16(&boot[11]);
    const std::uint8_t rawSectorsPerCluster = boot[13];
    if (!IsPowerOfTwo(bytesPerSector) || bytesPerSector < 256 || bytesPerSector > 4096) return {};
    // Above 0x80 the byte is a negative power of two (large clusters).
    const int clusterShift = rawSectorsPerCluster <= 0x80 ? -1 : 256 - rawSectorsPerCluster;
    if (clusterShift > 16) return {};
    const std::uint64_t sectorsPerCluster = clusterShift < 0 ? rawSectorsPerCluster : (1ull << clusterShift);
    if (!IsPowerOfTwo(sectorsPerCluster)) return {};
    const std::uint64_t clusterBytes = sectorsPerCluster * bytesPerSector;
    const auto perRecord = static_cast<std::int8_t>(boot[64]);
    std::uint64_t recordBytes = 0;
    if (perRecord < 0) {
        if (-perRecord > 16) return {};
        recordBytes = 1ull << -perRecord;
    } else {
        recordBytes = perRecord * clusterBytes;
    }
    if (recordBytes < 512 || recordBytes > 65536) return {};
    const std::uint64_t mftCluster = Load64(&boot[48]);
    if (mftCluster >= (1ull << 60) / clusterBytes) return {};
    std::vector<std::uint8_t> record(recordBytes);
    const auto offset = static_cast<std::int64_t>(mftCluster * clusterBytes + 3 * recordBytes);
    if (!region.Read(offset, record.data(), record.size()) || std::memcmp(record.data(), "FILE", 4) != 0) return {};
    // Undo the update sequence: the last two bytes of every sector stand in
    // the array and must match its first value.
    const std::size_t usaOffset = Load16(&record[4]);
    const std::size_t usaCount = Load16(&record[6]);
    if (usaCount < 1 || usaOffset + 2 * usaCount > record.size() || (usaCount - 1) * bytesPerSector > record.size()) {
        return {};
    }
    for (std::size_t i = 1; i < usaCount; ++i) {
        const std::size_t end = i * bytesPerSector - 2;
        if (Load16(&record[end]) != Load16(&record[usaOffset])) return {};
        std::memcpy(&record[end], &record[usaOffset + 2 * i], 2);
    }
    std::size_t at = Load16(&record[20]);
    while (at + 24 <= record.size()) {
        const std::uint32_t type = Load32(&record[at]);
        const std::uint32_t length = Load32(&record[at + 4]);
        if (type == 0xFFFFFFFFu || length < 24 || length > record.size() - at) break;
        if (type == 0x60 && record[at + 8] == 0) {
            const std::uint32_t valueLength = Load32(&record[at + 16]);
            const std::uint16_t valueOffset = Load16(&record[at + 20]);
            if (valueOffset > length || valueLength > length - valueOffset) return {};
            std::wstring label;
            for (std::uint32_t i = 0; i + 1 < valueLength; i += 2) {
                label.push_back(static_cast<wchar_t>(Load16(&record[at + valueOffset + i])));
            }
            return label;
        }
        at += length;
    }
    return {};
}

// The volume-label entry of the FAT32 root directory's first cluster.
std::wstring Fat32Label(const Region& region, const Boot& boot) {
    const std::uint32_t bytesPerSector = Load16(&boot[11]);
    const std::uint32_t sectorsPerCluster = boot[13];
    if (!IsPowerOfTwo(bytesPerSector) || bytesPerSector < 512 || !IsPowerOfTwo(sectorsPerCluster)) return {};
    const std::uint64_t firstDataSector = Load16(&boot[14]) + std::uint64_t{boot[16]} * Load32(&boot[36]);
    const std::uint32_t rootCluster = Load32(&boot[44]);
    if (rootCluster < 2) return {};
    const std::uint64_t clusterBytes = std::uint64_t{bytesPerSector} * sectorsPerCluster;
    std::vector<std::uint8_t> root(clusterBytes);
    const auto offset = static_cast<std::int64_t>((firstDataSector + (rootCluster - 2ull) * sectorsPerCluster) *
                                                  bytesPerSector);
    if (!region.Read(offset, root.data(), root.size())) return {};
    for (std::size_t at = 0; at + 32 <= root.size(); at += 32) {
        if (root[at] == 0) break;
        const std::uint8_t attributes = root[at + 11];
        if (root[at] != 0xE5 && (attributes & 0x0F) == 0x08) return Latin1(&root[at], 11);
    }
    return {};
}

}  // namespace

std::optional<FileSystemFound> ProbeFileSystem(const ByteReader& read, std::int64_t partitionBytes) {
    const Region region(read, partitionBytes);
    Boot boot{};
    if (!region.Read(0, boot.data(), boot.size())) return std::nullopt;
    if (std::memcmp(&boot[3], "NTFS    ", 8) == 0) return FileSystemFound{L"NTFS", NtfsLabel(region, boot)};
    if (boot[510] != 0x55 || boot[511] != 0xAA) return std::nullopt;
    if (std::memcmp(&boot[82], "FAT32   ", 8) == 0) return FileSystemFound{L"FAT32", Fat32Label(region, boot)};
    if (std::memcmp(&boot[54], "FAT1", 4) == 0) return FileSystemFound{L"FAT", Latin1(&boot[43], 11)};
    return std::nullopt;
}

}  // namespace norvale::disksim
