// What one disk bar shows: the partitions and free areas of one disk, in
// the order they lie on the disk. The disk manager builds it from a disk's
// layout and the volume inventory and hands a copy to the disk's bar.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace norvale {

inline constexpr int kMaxDiskSlots = 16;

struct DiskSlot {
    std::int32_t partitionNumber = 0;  // 0: free space
    std::int32_t partitionFlag = 0;    // 1 when partitionNumber is not 0
    std::wstring driveLetter;          // as the inventory shows it, e.g. "E:\"
    std::uint64_t length = 0;          // bytes
    std::wstring fileSystem;         // for a reserved partition, the text that names it
    bool reserved = false;           // a partition the system keeps: nothing is offered on it

    bool IsPartition() const { return partitionFlag != 0; }
};

struct DiskView {
    std::int32_t diskNumber = -1;
    std::int32_t slotCount = 0;  // used slots, 0 .. kMaxDiskSlots
    std::array<DiskSlot, kMaxDiskSlots> slots{};

    // The used slots; a count outside the array is taken at its bound.
    int UsedSlots() const {
        return slotCount < 0 ? 0 : slotCount > kMaxDiskSlots ? kMaxDiskSlots : slotCount;
    }
};

}  // namespace norvale
