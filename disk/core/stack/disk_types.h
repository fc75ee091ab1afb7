// What Windows answers about disks and partitions, in portable terms: the
// drive geometry, partition entries and drive layouts of both partition
// styles, volume extents and the parameters of a new partition table. Field
// meanings and units are Windows' own (bytes, not sectors).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/core/stack/guid.h"

namespace norvale {

// MEDIA_TYPE values the program looks at.
namespace media_type {
inline constexpr std::uint32_t kUnknown = 0;
inline constexpr std::uint32_t kRemovableMedia = 11;
inline constexpr std::uint32_t kFixedMedia = 12;
}  // namespace media_type

struct DiskGeometry {
    std::int64_t cylinders = 0;
    std::uint32_t mediaType = media_type::kUnknown;
    std::uint32_t tracksPerCylinder = 0;
    std::uint32_t sectorsPerTrack = 0;
    std::uint32_t bytesPerSector = 0;

    // The size the geometry describes (smaller than the disk: whole cylinders).
    std::int64_t Bytes() const {
        return cylinders * tracksPerCylinder * sectorsPerTrack * static_cast<std::int64_t>(bytesPerSector);
    }
};

struct DiskGeometryEx {
    DiskGeometry geometry;
    std::int64_t diskSize = 0;  // the exact length in bytes
};

enum class PartitionStyle : std::uint32_t { Mbr = 0, Gpt = 1, Raw = 2 };

// MBR partition types the program writes or meets.
namespace mbr_type {
inline constexpr std::uint8_t kUnused = 0x00;
inline constexpr std::uint8_t kFat12 = 0x01;
inline constexpr std::uint8_t kFat16Small = 0x04;
inline constexpr std::uint8_t kExtended = 0x05;
inline constexpr std::uint8_t kFat16 = 0x06;
inline constexpr std::uint8_t kIfs = 0x07;  // NTFS and exFAT
inline constexpr std::uint8_t kFat32 = 0x0B;
inline constexpr std::uint8_t kFat32Lba = 0x0C;
inline constexpr std::uint8_t kFat16Lba = 0x0E;
inline constexpr std::uint8_t kExtendedLba = 0x0F;
inline constexpr std::uint8_t kGptProtective = 0xEE;
}  // namespace mbr_type

// GPT attribute bits.
namespace gpt_attribute {
inline constexpr std::uint64_t kPlatformRequired = 0x1;
}

// One entry of a drive layout, or the answer about one partition
// (PARTITION_INFORMATION_EX; the older PARTITION_INFORMATION is its MBR part).
struct PartitionEntry {
    PartitionStyle style = PartitionStyle::Mbr;
    std::int64_t startingOffset = 0;
    std::int64_t partitionLength = 0;
    std::uint32_t partitionNumber = 0;  // given by the system on reads; 0 for empty slots and containers
    bool rewritePartition = false;
    // MBR
    std::uint8_t mbrType = mbr_type::kUnused;
    bool bootIndicator = false;
    bool recognizedPartition = false;
    std::uint32_t hiddenSectors = 0;
    // GPT
    Guid gptType;
    Guid gptId;
    std::uint64_t gptAttributes = 0;
    std::wstring gptName;  // at most 36 characters

    std::int64_t End() const { return startingOffset + partitionLength; }
    // It holds a partition: a length and a type of its style.
    bool Used() const {
        return partitionLength > 0 && (style == PartitionStyle::Gpt ? !gptType.IsZero() : mbrType != mbr_type::kUnused);
    }
};

// A drive layout (DRIVE_LAYOUT_INFORMATION_EX); `entries` holds
// PartitionCount entries. The older DRIVE_LAYOUT_INFORMATION reads as an MBR
// layout. A value-initialised layout is what a zeroed buffer reads as: MBR
// with no entries.
struct DriveLayout {
    PartitionStyle style = PartitionStyle::Mbr;
    std::uint32_t mbrSignature = 0;
    Guid gptDiskId;
    std::int64_t startingUsableOffset = 0;
    std::int64_t usableLength = 0;
    std::uint32_t maxPartitionCount = 0;
    std::vector<PartitionEntry> entries;
};

struct DiskExtent {
    std::uint32_t diskNumber = 0;
    std::int64_t startingOffset = 0;
    std::int64_t extentLength = 0;
};

// The parameters of a new, empty partition table (CREATE_DISK).
struct CreateDiskParams {
    PartitionStyle style = PartitionStyle::Mbr;
    std::uint32_t mbrSignature = 0;
    Guid gptDiskId;
    std::uint32_t maxPartitionCount = 128;
};

struct VolumeInformation {
    std::wstring fileSystemName;
    std::wstring volumeLabel;
};

struct DiskFreeSpace {
    std::uint64_t freeBytesAvailable = 0;
    std::uint64_t totalBytes = 0;
    std::uint64_t totalFreeBytes = 0;
};

}  // namespace norvale
