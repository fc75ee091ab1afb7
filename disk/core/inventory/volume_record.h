// VolumeRecord: one row of the disk inventory, a volume on an iSCSI disk or
// an iSCSI disk that carries no volume, tagged with the target it came from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace norvale {

// The text of a field that has no value: a bare disk's partition, file
// system and letter, a size that could not be read.
inline constexpr wchar_t kNoValueText[] = L"*";

struct VolumeRecord {
    std::uint64_t length = 0;     // bytes
    std::uint32_t lengthMiB = 0;  // length >> 20
    std::int32_t diskNumber = 0;  // N of \\.\PhysicalDriveN
    std::int32_t partitionNumber = -1;  // 0 for a disk without volume
    std::wstring volumeName;  // "\\?\Volume{...}\", or the disk's legacy name for a bare disk
    std::wstring diskText;
    std::wstring partitionText;  // "*" for a bare disk
    std::wstring driveLetter;    // "E:\", or "*"
    std::wstring fileSystem;     // "NTFS", "Unknown" when unreadable, "*" for a bare disk
    std::wstring sizeText;       // SizeText of the length, or "*"
    std::wstring targetName;
    std::wstring targetAddress;  // the portal address of the session

    bool HasLetter() const { return driveLetter != kNoValueText && !driveLetter.empty(); }
    bool IsBareDisk() const { return driveLetter == kNoValueText && fileSystem == kNoValueText; }
};

// Sorted by disk number × 1000 + partition number.
using VolumeInventory = std::vector<VolumeRecord>;

}  // namespace norvale
