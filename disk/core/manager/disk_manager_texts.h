// String-table ids of the disk manager's texts.
#pragma once

namespace norvale::disk_manager_text {

inline constexpr unsigned kColumnDisk = 110;
inline constexpr unsigned kColumnPartition = 111;
inline constexpr unsigned kColumnVolume = 112;
inline constexpr unsigned kColumnFileSystem = 113;
inline constexpr unsigned kColumnCapacity = 114;
inline constexpr unsigned kColumnSize = 115;
inline constexpr unsigned kGroupCaption = 120;  // "Disk Management"
inline constexpr unsigned kTitle = 152;         // "Management"
inline constexpr unsigned kFourPartitions = 162;
inline constexpr unsigned kUninitialized = 163;
inline constexpr unsigned kUnknownPartitioning = 164;
inline constexpr unsigned kColumnTarget = 240;
inline constexpr unsigned kOccupied = 241;
inline constexpr unsigned kAvailable = 242;
inline constexpr unsigned kReserved = 293;  // Windows' reserved partition of a GPT disk
inline constexpr unsigned kConfirmDelete = 249;
// The free space lies past what the partition table can address.
inline constexpr unsigned kBeyondTable = 269;
// The bar was drawn without the partition table: its free space is not known.
inline constexpr unsigned kTableNotRead = 275;
// A new GPT table's reserved partition never arrived.
inline constexpr unsigned kNoReservedPartition = 277;
// The bar's popup menu: "Add", "Delete", "UnMount", "Mount".
inline constexpr unsigned kMenuAdd = 341;
inline constexpr unsigned kMenuDelete = 342;
inline constexpr unsigned kMenuUnMount = 343;
inline constexpr unsigned kMenuMount = 344;

}  // namespace norvale::disk_manager_text
