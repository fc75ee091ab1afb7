// Where a new partition lies in the room it may take. Since Vista, Windows'
// own tools start partitions on 1 MiB boundaries (sector 2048 of a 512-byte
// disk): a multiple of every sector size and of the 4 KiB physical blocks
// iSCSI LUNs report, so no cluster of the volume straddles two blocks. Older
// Windows keep their own offsets, which their tools expect.
#pragma once

#include <cstdint>

namespace norvale {

inline constexpr std::int64_t kPartitionAlignment = 1LL << 20;

// The version classes (os_class.h) whose tools align: 6.0 and later.
bool AlignsPartitions(int osClass);

struct PartitionExtent {
    std::int64_t start = 0;
    std::int64_t length = 0;  // 0: no room at all
};

// In the room [roomStart, roomEnd): the first boundary at or after
// roomStart, and from there `requested` bytes when they fit, else the
// largest whole number of MiB that does. Length 0 when not one MiB fits.
PartitionExtent AlignedExtent(std::int64_t roomStart, std::int64_t roomEnd, std::int64_t requested);

// The whole MiB an aligned partition can have in the room: what a dialog
// offers as available.
std::int64_t AlignedRoomMiB(std::int64_t roomStart, std::int64_t roomEnd);

}  // namespace norvale
