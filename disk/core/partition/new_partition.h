// The entry a new partition adds to a disk's table, and where it may end.
// Both partition dialogs build on the table they have just read, so the
// partitions already on the disk are written back exactly as they were.
#pragma once

#include <cstdint>
#include <optional>

#include "disk/core/stack/disk_types.h"
#include "disk/core/partition/id_source_port.h"

namespace norvale {

inline constexpr std::int64_t kMiB = 1LL << 20;
// A GPT disk keeps its backup header and entry array in its last 33 sectors.
inline constexpr std::int64_t kGptBackupSectors = 33;
// The basic-data type every new partition gets on a GPT disk.
inline constexpr wchar_t kBasicDataType[] = L"{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}";
inline constexpr wchar_t kNewGptPartitionName[] = L"microsoft reserved partition";

// The first byte past the area partitions may use.
std::int64_t UsableEnd(std::int64_t diskBytes, bool gpt, std::uint32_t bytesPerSector);

// The requested length cut so that the partition ends by `limitEnd`, in
// whole sectors; 0 when nothing fits.
std::int64_t ClampedLength(std::int64_t start, std::int64_t requested, std::int64_t limitEnd,
                           std::uint32_t bytesPerSector);

struct NewPartition {
    std::int32_t slot = 0;
    std::int64_t start = 0;   // bytes
    std::int64_t length = 0;  // bytes, clamped already
    std::uint32_t partitionNumber = 0;
    std::uint32_t bytesPerSector = 512;
};

// An entry of this table is in use.
bool EntryUsed(const PartitionEntry& entry);

// The table read just now with the new entry at its slot. Refused (nullopt)
// when the slot is out of range or holds a partition, so that no write can
// replace an existing one. A table without partitions (or without an
// identity) gets a fresh signature or disk id; a disk that has partitions
// keeps its own, which Windows keys their drive letters to.
std::optional<DriveLayout> WithMbrEntry(DriveLayout read, const NewPartition& partition, IdSourcePort& ids);
std::optional<DriveLayout> WithGptEntry(DriveLayout read, const NewPartition& partition, IdSourcePort& ids,
                                        std::uint64_t attributes);

// The new entry fits the table read just now: on whole sectors, inside the
// area the table may use (a GPT table's usable area as the system reports
// it; an MBR table's from its second sector to the disk's end and no further
// than 32-bit sector numbers reach) and over no used entry. Checked before
// the write, because not every Windows refuses an overlap itself.
bool FitsTable(const DriveLayout& table, const NewPartition& partition, std::int64_t diskBytes);

// The slot's partition after the system read the table again: the entry
// that starts where the new one does (0 when none).
std::uint32_t NumberOfPartitionAt(const DriveLayout& reread, std::int64_t start);

}  // namespace norvale
