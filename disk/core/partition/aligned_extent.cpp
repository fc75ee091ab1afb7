#include "disk/core/partition/aligned_extent.h"

#include <algorithm>

namespace norvale {

bool AlignsPartitions(int osClass) { return osClass == 6 || osClass == 7; }

PartitionExtent AlignedExtent(std::int64_t roomStart, std::int64_t roomEnd, std::int64_t requested) {
    PartitionExtent extent;
    extent.start = (std::max<std::int64_t>(roomStart, 0) + kPartitionAlignment - 1) / kPartitionAlignment *
                   kPartitionAlignment;
    const std::int64_t room = roomEnd - extent.start;
    if (room < kPartitionAlignment || requested <= 0) return extent;
    extent.length = requested <= room ? requested : room / kPartitionAlignment * kPartitionAlignment;
    return extent;
}

std::int64_t AlignedRoomMiB(std::int64_t roomStart, std::int64_t roomEnd) {
    const std::int64_t room = roomEnd - AlignedExtent(roomStart, roomEnd, 0).start;
    return room > 0 ? room / kPartitionAlignment : 0;
}

}  // namespace norvale
