// What the disk manager hands the partition manager when the user adds a
// partition on a free area: which disk, which table entry the new partition
// takes, and the disk's segments as they were read, so that the partition
// manager creates exactly inside the free area the user clicked.
#pragma once

#include <cstdint>
#include <vector>

#include "disk/core/inventory/disk_identity.h"
#include "disk/core/inventory/disk_layout.h"

namespace norvale {

enum class PartitionJobMode : std::int32_t {
    OlderWindows = 0,  // Windows 2000 and NT 4: the older table requests, MBR only
    XpOrLater = 1,
};

struct PartitionJob {
    PartitionJobMode mode = PartitionJobMode::XpOrLater;
    std::int64_t availableMiB = 0;  // the free area's size
    std::int32_t diskNumber = -1;
    std::int32_t slot = 0;             // table entry of the new partition (0..3 MBR, 0..15 GPT)
    std::int32_t partitionNumber = 0;  // expected; the system reports the real one after the write
    std::int32_t segmentIndex = 0;     // into segments: the free area
    bool gpt = false;
    std::vector<DiskSegment> segments;
    // Whose disk this is: every write first checks that the disk number still
    // belongs to this target (disk numbers move when disks come and go).
    ExpectedTarget owner;

    // The free area the job is about; nullptr when the index is out of range
    // or names a partition rather than free space.
    const DiskSegment* FreeArea() const {
        if (segmentIndex < 0 || static_cast<std::size_t>(segmentIndex) >= segments.size()) return nullptr;
        const DiskSegment& segment = segments[static_cast<std::size_t>(segmentIndex)];
        return segment.IsFree() ? &segment : nullptr;
    }
};

}  // namespace norvale
