#include "disk/core/stack/reserved_partition.h"

#include <algorithm>

namespace norvale {

bool IsReservedPartition(const PartitionEntry& entry) {
    return entry.style == PartitionStyle::Gpt && entry.partitionLength > 0 && entry.gptType == kReservedPartitionType;
}

bool HoldsReservedPartition(const DriveLayout& layout) {
    return std::any_of(layout.entries.begin(), layout.entries.end(), IsReservedPartition);
}

ReservedPartitionWait WaitForReservedPartition(DiskDevice& device, ClockPort& clock) {
    ReservedPartitionWait wait;
    const auto start = clock.Now();
    for (;;) {
        device.UpdateProperties();
        wait.table = device.GetDriveLayoutEx();
        if (!wait.table.Ok()) return wait;
        wait.arrived = HoldsReservedPartition(wait.table.value);
        if (wait.arrived || clock.Now() - start >= kReservedPartitionWait) return wait;
        clock.Sleep(kReservedPartitionPoll);
    }
}

std::int64_t EndOfUsedEntries(const DriveLayout& layout, std::int64_t from) {
    std::int64_t end = from;
    for (const PartitionEntry& entry : layout.entries) {
        if (entry.Used()) end = std::max(end, entry.End());
    }
    return end;
}

}  // namespace norvale
