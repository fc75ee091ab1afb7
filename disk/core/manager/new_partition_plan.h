// The decisions of Add before the partition manager opens: may the disk take
// another partition, which table entry the new one gets, which table an
// uninitialised disk gets, and how much of the free area a partition may
// really use.
#pragma once

#include <cstdint>
#include <optional>

#include "disk/core/inventory/disk_layout.h"
#include "disk/core/partition/new_partition.h"
#include "disk/core/stack/disk_types.h"

namespace norvale {

// 2 190 445 895 682 bytes: a disk below this size keeps to four partitions
// (it is partitioned MBR), and a free area this long gets a GPT table where
// the system can boot GPT-aware tools.
inline constexpr std::int64_t kLargeDiskBytes = 0x1FE00BFE002;
// What an MBR entry can address with 32-bit sector numbers.
inline constexpr std::int64_t kMbrAddressableSectors = 0x100000000;
// The primary GPT (protective MBR, header, entries) at the disk's start.
inline constexpr std::int64_t kGptPrimarySectors = 34;

int CountPartitions(const DiskLayout& layout);

// Whether a table read holds anything at all: a partition, a container or
// an entry of a type the system does not number. Only a table with nothing
// in it may be initialised.
bool TableHoldsAnything(const DriveLayout& table);

// The first entry of the table (4 for MBR, 16 for GPT) that is unused; an
// extended container has no number but is not free. nullopt when full.
std::optional<int> FreeSlot(const DriveLayout& table);

// The partition number the new partition is expected to get.
int ExpectedPartitionNumber(bool diskHasPartitions, int slot, int segmentIndex);

// GPT where the system handles it and the free area is too large for MBR.
bool InitialiseAsGpt(int osClass, std::int64_t freeAreaBytes);

// The part of a free area a partition may take: up to the backup GPT, or for
// MBR up to the disk's end and no further than 32-bit sectors reach, never
// over the primary GPT. nullopt when less than the smallest useful area is left.
// With the table read just now, a GPT area is kept inside the usable area it
// reports and after every entry it holds before the free area (a reserved
// partition that arrived after an initialisation). On sectors larger than
// 512 bytes the start is rounded up and the end down to whole sectors; where
// `aligned` (Vista and later), the start goes up to the next 1 MiB boundary.
std::optional<DiskSegment> UsableFreeArea(const DiskSegment& free, PartitionStyle style, std::int64_t diskBytes,
                                          std::uint32_t bytesPerSector, const DriveLayout* table = nullptr,
                                          bool aligned = false);

}  // namespace norvale
