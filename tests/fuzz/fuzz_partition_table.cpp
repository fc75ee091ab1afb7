// Disk images made by others: the partition table reader and the file-system
// probe of the disk simulation over arbitrary bytes, and the write planner
// over whatever layout they read.
#include <cstdint>
#include <cstring>

#include "tools/disksim/fs_probe.h"
#include "tools/disksim/partition_table.h"

using namespace norvale;
using namespace norvale::disksim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
