// MBR and GPT partition tables in a disk's bytes: reading them as Windows
// reports a drive layout, checking a layout as strictly as Windows does before
// it writes, and planning the sector writes that put a layout or a new empty
// table on the disk. Plans are made whole before anything is written, so a
// refused request leaves the disk as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "disk/core/stack/disk_types.h"

namespace norvale::disksim {

// Disks have sectors of 512 bytes unless told otherwise (4096 for a native
// 4K disk); every offset of a table is in whole sectors of the disk.
inline constexpr std::int64_t kSectorBytes = 512;

// Reads `size` bytes at `offset`; false when they cannot be read.
using ByteReader = std::function<bool(std::int64_t offset, std::uint8_t* buffer, std::size_t size)>;

// Where the partitions of a GPT disk may lie, and the size of its entry array.
struct GptArea {
    std::int64_t firstUsableLba = 0;
    std::int64_t lastUsableLba = 0;  // inclusive
    std::uint32_t entryCount = 128;

    std::int64_t EntrySectors(std::int64_t bps = kSectorBytes) const {
        return (static_cast<std::int64_t>(entryCount) * 128 + bps - 1) / bps;
    }
    // The area a new table gets on a disk of that many bytes.
    static GptArea Fresh(std::int64_t diskBytes, std::uint32_t entryCount, std::int64_t bps = kSectorBytes);
};

struct TableOnDisk {
    // Numbered as Windows numbers partitions: 1, 2, ... over the used entries
    // in table order. MBR: always the four slots; GPT: the used entries only;
    // RAW: no entries.
    DriveLayout layout;
    std::optional<GptArea> gpt;
    bool backupGptValid = false;
};

TableOnDisk ReadPartitionTable(const ByteReader& read, std::int64_t diskBytes, std::int64_t bps = kSectorBytes);

// Types Windows mounts as volumes (FAT, NTFS; GPT basic data).
bool IsRecognizedMbrType(std::uint8_t type);
bool IsRecognizedPartition(const PartitionEntry& entry);
// A used entry: a type and a length.
bool IsUsedEntry(PartitionStyle style, const PartitionEntry& entry);

// One write of whole sectors.
struct SectorWrite {
    std::int64_t offset = 0;
    std::vector<std::uint8_t> bytes;
};
using WritePlan = std::vector<SectorWrite>;

// A layout to write, checked against the disk: win32_error::kInvalidParameter
// for a style other than MBR or GPT, entries not on whole sectors, overlapping,
// beyond the disk or (GPT) outside its usable area, more used MBR entries than
// four, or container types; kSuccess and the plan otherwise. A GPT layout keeps
// the usable area and entry array of the table on the disk (a new table's when
// the disk has none): the request cannot move them.
struct LayoutPlan {
    std::uint32_t error = 0;
    WritePlan writes;
};
LayoutPlan PlanLayoutWrite(const DriveLayout& layout, const TableOnDisk& current, const ByteReader& read,
                           std::int64_t diskBytes, std::int64_t bps = kSectorBytes);

// A new, empty table (CREATE_DISK). A GPT array has at least 128 entries.
LayoutPlan PlanCreateDisk(const CreateDiskParams& params, std::int64_t diskBytes, std::int64_t bps = kSectorBytes);

// The Microsoft Reserved partition Windows adds to a disk it initialises as
// GPT, at the table's first usable sector. XP x64 and Server 2003 SP1
// through Windows 8.1 and Server 2012 R2: 32 MiB on a disk below 16 GiB,
// 128 MiB from 16 GiB on. Windows 10 and Server 2016 on: 16 MB ("Beginning
// in Windows 10, the size of the MSR is 16 MB", Microsoft's UEFI/GPT-based
// hard drive partitions page), ending on the 16 MiB boundary, where diskpart
// lists it as "Reserved 15 MB" at offset 17 KB and the first data partition
// at 16 MB.
enum class ReservedSize { BySize, SixteenMiB };
std::int64_t ReservedPartitionBytes(std::int64_t diskBytes);
PartitionEntry ReservedPartitionEntry(const GptArea& area, std::int64_t diskBytes, const Guid& id,
                                      std::int64_t bps = kSectorBytes, ReservedSize size = ReservedSize::BySize);

}  // namespace norvale::disksim
