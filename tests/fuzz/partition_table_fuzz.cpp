// Disk images made by others: the partition table reader and the file-system
// probe of the disk simulation over arbitrary bytes, and the write planner
// over whatever layout they read.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tools/disksim/bytes.h"

#include "tools/disksim/fs_probe.h"
#include "tools/disksim/partition_table.h"

using namespace norvale;
using namespace norvale::disksim;

namespace {

// Random bytes almost never carry a right CRC; with the first byte odd the
// primary GPT header and its entry array get theirs, so that the fuzzer
// reaches the entries and the file systems behind them.
void FixGptCrcs(std::vector<std::uint8_t>& image) {
    if (image.size() < 34 * 512 || (image[0] & 1) == 0) return;
    std::uint8_t* header = &image[512];
    const std::uint32_t headerSize = std::clamp<std::uint32_t>(Load32(header + 12), 92, 512);
    const std::uint64_t entriesLba = Load64(header + 72);
    const std::uint64_t bytes = std::uint64_t{Load32(header + 80)} * Load32(header + 84);
    if (entriesLba < image.size() / 512 && bytes <= image.size() - entriesLba * 512) {
        Store32(header + 88, Crc32(&image[entriesLba * 512], static_cast<std::size_t>(bytes)));
    }
    Store32(header + 16, 0);
    Store32(header + 16, Crc32(header, headerSize));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    std::vector<std::uint8_t> image(input, input + size);
    FixGptCrcs(image);
    const std::uint8_t* data = image.data();
    // The image is the input, so the backup GPT header sits at its last sector.
    const auto diskBytes = static_cast<std::int64_t>(size / 512 * 512);
    const ByteReader read = [&](std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
        std::memset(buffer, 0, count);
        if (offset < 0) return false;
        if (offset < diskBytes) {
            std::memcpy(buffer, data + offset, static_cast<std::size_t>(std::min<std::int64_t>(count, diskBytes - offset)));
        }
        return true;
    };
    const TableOnDisk table = ReadPartitionTable(read, diskBytes);
    for (const auto& entry : table.layout.entries) {
        if (entry.partitionLength <= 0) continue;
        const std::int64_t start = entry.startingOffset;
        const ByteReader inPartition = [&](std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
            return read(start + offset, buffer, count);
        };
        ProbeFileSystem(inPartition, entry.partitionLength);
    }
    // The region itself as a volume.
    ProbeFileSystem(read, diskBytes);
    if (diskBytes > 0) PlanLayoutWrite(table.layout, table, read, diskBytes);
    return 0;
}
