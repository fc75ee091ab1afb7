// The partitions and free areas of one physical disk, as the disk manager
// draws them and the partition dialog takes its free space from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "disk/core/stack/disk_port.h"

namespace norvale {

// One span of a disk: a partition (numbers 1..15) or a free area (0).
struct DiskSegment {
    std::int32_t partitionNumber = 0;
    std::int64_t start = 0;   // bytes
    std::int64_t length = 0;  // bytes
    std::int64_t end = 0;     // start + length
    // Windows' reserved partition of a GPT disk: shown for what it is,
    // never offered for Add, Delete, Mount or UnMount.
    bool reserved = false;

    bool IsFree() const { return partitionNumber == 0; }
    friend bool operator==(const DiskSegment& a, const DiskSegment& b) {
        return a.partitionNumber == b.partitionNumber && a.start == b.start && a.length == b.length &&
               a.end == b.end && a.reserved == b.reserved;
    }
};

// A disk bar has room for this many segments.
inline constexpr std::size_t kMaxDiskSegments = 16;
// The first track (63 sectors) is where the first partition of an older
// disk begins; free space is counted from there.
inline constexpr std::int64_t kFirstTrackSectors = 63;
// Free areas this small are not offered: room for nothing useful.
inline constexpr std::int64_t kSmallestFreeArea = 0x800000;  // 8 MiB

struct DiskLayout {
    std::uint32_t diskNumber = 0;
    std::int64_t diskSize = 0;  // geometry size in whole MiB; 0 when unreadable
    std::vector<DiskSegment> segments;  // ascending by start, at most kMaxDiskSegments
    // False when the partition table could not be read: the segments then
    // show the disk as free, which a step about to write the disk must not
    // take for "no partitions".
    bool tableRead = false;
};

// The geometry of physical drive `disk`, nullopt when the drive cannot be
// opened or does not answer with the whole structure.
std::optional<DiskGeometry> ReadDiskGeometry(DiskPort& disks, std::uint32_t disk);

// Cylinders × heads × sectors × sector size, rounded down to whole MiB; 0
// when the geometry cannot be read.
std::int64_t DiskSizeOf(DiskPort& disks, std::uint32_t disk);

// The layout of `disk`: partitions from the drive layout (only the four MBR
// slots of the older request on older Windows) and the free areas between
// them, from the end of the first track to the disk size.
DiskLayout BuildDiskLayout(DiskPort& disks, std::uint32_t disk, bool olderWindows);

}  // namespace norvale
