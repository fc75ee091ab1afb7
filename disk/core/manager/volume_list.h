// What the disk manager shows of the inventory: the rows of its volume list
// (only the volumes of this appliance's targets, the first row of each disk
// carrying the disk number and its own colour), the disks that get a bar,
// and what one bar draws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/core/dialog_types.h"
#include "controls/core/disk_view.h"
#include "disk/core/inventory/disk_layout.h"
#include "disk/core/inventory/volume_record.h"

namespace norvale {

// The row colours, as the list receives them (COLORREF 0xCDEBFF and
// 0xDCF8FF, which Windows reads as 0x00BBGGRR).
inline constexpr Color kFirstRowOfDisk{0xFF, 0xEB, 0xCD};
inline constexpr Color kOtherRowOfDisk{0xFF, 0xF8, 0xDC};
// Both stripes of the volume list (COLORREF 0xFAFAFF).
inline constexpr Color kVolumeListStripe{0xFF, 0xFA, 0xFA};

// The dialog shows at most this many disks.
inline constexpr std::size_t kMaxShownDisks = 4096;

enum VolumeListColumn { kDiskColumn, kPartitionColumn, kVolumeColumn, kFileSystemColumn, kCapacityColumn, kTargetColumn };

struct VolumeRow {
    std::vector<std::wstring> cells;  // disk, partition, volume, file system, capacity, target
    Color color;
    std::size_t record = 0;  // index into the inventory
};

struct ShownDisk {
    std::int32_t number = -1;
    std::wstring targetName;  // whose disk it is, for the identity check
};

struct VolumeListContent {
    std::vector<VolumeRow> rows;
    std::vector<ShownDisk> disks;  // in list order
};

// The records whose portal address is one of the appliance's addresses
// (ignoring case; an empty address matches nothing).
VolumeListContent BuildVolumeList(const VolumeInventory& inventory, const std::wstring& ip,
                                  const std::wstring& otherIp);

// The target column: the name after its first colon ("archive.data" of
// "iqn.2026-12.com.orrin:archive.data"), the whole name when it has none.
std::wstring ShortTargetName(const std::wstring& targetName);

// The bar's view of a disk: one slot per segment, the letter and file
// system of each partition from the inventory.
DiskView BuildDiskView(const DiskLayout& layout, const VolumeInventory& inventory);

// The hidden segment list's size column: "[ OCCUPIED ] start=..., len=...  end=..." in MiB.
std::wstring SegmentSizeText(const DiskSegment& segment, const std::wstring& occupied,
                             const std::wstring& available);

}  // namespace norvale
