// The Microsoft Reserved partition of a GPT disk. When a disk is initialised
// as GPT, Windows adds this partition by itself a moment after the request
// returned, and a layout written before it arrived would be built on a table
// that is about to change. So after an initialisation the table is read again
// until the partition is there, for a bounded time, and new partitions go
// after it: it is never dropped or overlapped.
#pragma once

#include <chrono>
#include <cstdint>

#include "disk/core/stack/disk_port.h"
#include "platform/core/clock_port.h"

namespace norvale {

// Windows adds the partition within a second or two; past this the table is
// taken as it is, without one, and nothing more is written.
inline constexpr std::chrono::milliseconds kReservedPartitionWait{10000};
inline constexpr std::chrono::milliseconds kReservedPartitionPoll{500};

bool IsReservedPartition(const PartitionEntry& entry);
bool HoldsReservedPartition(const DriveLayout& layout);

struct ReservedPartitionWait {
    IoctlResult<DriveLayout> table;  // the last table read
    bool arrived = false;
};

// Reads the table again (properties updated first) until it holds the
// reserved partition or the wait is over; a read that fails ends the wait.
ReservedPartitionWait WaitForReservedPartition(DiskDevice& device, ClockPort& clock);

// The first byte at or after `from` that no used entry of the table covers
// up to its end: where a partition after all existing ones may start.
std::int64_t EndOfUsedEntries(const DriveLayout& layout, std::int64_t from);

}  // namespace norvale
