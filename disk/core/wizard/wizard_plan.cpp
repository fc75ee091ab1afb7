#include "disk/core/wizard/wizard_plan.h"

#include <algorithm>
#include <limits>

#include "disk/core/partition/new_partition.h"
#include "disk/core/wizard/wizard_texts.h"

namespace norvale {
namespace {

constexpr std::int64_t kSmallestMiB = 11;
constexpr std::int64_t kFat32SmallestMiB = 512;
constexpr std::int64_t kFat32LargestMiB = 32768;
constexpr std::int64_t kMbrMaxSectors = 0xFFFFFFFFLL;

// XP clients (32-bit) and XP-family servers without a service pack cannot
// use GPT: their disks stay MBR and NTFS stops below 2 TB.
bool MbrOnlyClass(int osClass) { return osClass == 0 || osClass == 4; }

WizardSizing Refuse(unsigned stringId, std::int64_t number = 0) {
    WizardSizing sizing;
    sizing.refusal = stringId;
    sizing.refusalMiB = number;
    return sizing;
}

// Digits only; nullopt for anything else, an empty text included, and for a
// number no disk could hold.
std::optional<std::int64_t> ParseSize(const std::wstring& text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    std::int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    return value;
}

unsigned Fat32Refusal(const WizardChoice& choice, std::int64_t sizeMiB) {
    if (!choice.fat32) return 0;
    if (sizeMiB < kFat32SmallestMiB) return wizard_text::kFat32TooSmall;
    if (sizeMiB > kFat32LargestMiB) return wizard_text::kFat32TooLarge;
    return 0;
}

}  // namespace

bool WizardUsesGpt(std::int64_t diskMiB, int osClass) { return !MbrOnlyClass(osClass) && diskMiB >= kMbrLimitMiB; }

WizardSizing CheckWizardSize(const WizardChoice& choice, std::int64_t diskMiB, int osClass,
                             std::int64_t availableMiB) {
    std::int64_t size = availableMiB;
    if (choice.maximumSpace) {
        if (size < kSmallestMiB) return Refuse(wizard_text::kSizeTooSmall);
    } else {
        const auto parsed = ParseSize(choice.sizeText);
        if (!parsed) return Refuse(wizard_text::kNotASize);
        size = *parsed;
        if (size >= kSmallestMiB && size > availableMiB) return Refuse(wizard_text::kSizeAboveDisk, availableMiB);
    }
    if (const unsigned refusal = Fat32Refusal(choice, size)) return Refuse(refusal);
    WizardSizing sizing;
    sizing.sizeMiB = size;
    // A disk too large for MBR becomes GPT wherever Windows can use it;
    // elsewhere only a partition that MBR can hold is allowed.
    if (!MbrOnlyClass(osClass)) {
        sizing.gpt = WizardUsesGpt(diskMiB, osClass);
    } else if (choice.ntfs && size >= kMbrLimitMiB) {
        return Refuse(wizard_text::kOver2Tb);
    }
    if (size < kSmallestMiB) return Refuse(wizard_text::kSizeTooSmall);
    return sizing;
}

PartitionExtent PlanWizardExtent(std::int64_t sizeMiB, bool gpt, int osClass, const WizardDisk& disk) {
    const std::int64_t sector = disk.bytesPerSector != 0 ? disk.bytesPerSector : 512;
    const std::int64_t exact = disk.diskBytes > 0 ? disk.diskBytes : disk.geometryBytes;
    PartitionExtent extent;
    std::int64_t end = 0;
    std::int64_t longest = std::numeric_limits<std::int64_t>::max();
    std::int64_t firstUsable = sector;  // an MBR table takes the first sector
    if (gpt) {
        firstUsable = disk.gptFirstUsable > 0 ? disk.gptFirstUsable : kGptFirstUsable;
        extent.start = std::max(kGptFirstUsable, disk.firstFree);
        end = disk.gptUsableEnd > 0 ? std::min(disk.gptUsableEnd, exact) : exact - kGptBackupSectors * sector;
    } else {
        extent.start = osClass == 7 ? kMbrStartWindows7 : kMbrStartOlder;
        // The geometry ends before the disk does: whole cylinders only.
        end = disk.geometryBytes > 0 ? std::min(disk.geometryBytes, exact) : exact;
        longest = kMbrMaxSectors * sector;
    }
    const std::int64_t wanted = sizeMiB > 0 ? sizeMiB * kMiB : 0;
    // Vista and later: on a 1 MiB boundary, but for the 64 KiB of an MBR
    // disk from 6.1 on (a multiple of 4 KiB already).
    if (AlignsPartitions(osClass) && (gpt || osClass == 6)) {
        const std::int64_t from = std::max(firstUsable, gpt ? extent.start : sector);
        const std::int64_t alignedStart = AlignedExtent(from, end, 0).start;
        return AlignedExtent(from, gpt ? end : std::min(end, alignedStart + longest), wanted);
    }
    // 512-byte disks keep the offsets above; larger sectors start on a whole
    // sector at or after the first usable byte and end on one.
    if (sector > 512) {
        extent.start = (std::max(extent.start, firstUsable) + sector - 1) / sector * sector;
        end = end / sector * sector;
    }
    const std::int64_t room = std::min(end - extent.start, longest);
    extent.length = std::max<std::int64_t>(0, std::min(wanted, room));
    extent.length -= extent.length % sector;
    return extent;
}

std::int64_t WizardAvailableMiB(std::int64_t diskMiB, int osClass, const WizardDisk& disk) {
    if (!AlignsPartitions(osClass)) return diskMiB;
    const std::int64_t everything = std::numeric_limits<std::int64_t>::max() / kMiB;
    return PlanWizardExtent(everything, WizardUsesGpt(diskMiB, osClass), osClass, disk).length / kMiB;
}

DriveLayout WizardGptLayout(const PartitionExtent& extent, const Guid& diskId, const Guid& partitionId,
                            const std::optional<PartitionEntry>& reserved) {
    DriveLayout layout;
    layout.style = PartitionStyle::Gpt;
    layout.gptDiskId = diskId;
    layout.startingUsableOffset = kGptFirstUsable;
    layout.usableLength = extent.length;
    layout.maxPartitionCount = 128;
    PartitionEntry entry;
    entry.style = PartitionStyle::Gpt;
    entry.startingOffset = extent.start;
    entry.partitionLength = extent.length;
    entry.partitionNumber = 1;
    entry.rewritePartition = true;
    entry.gptType = kBasicDataPartitionType;
    entry.gptId = partitionId;
    entry.gptName = L"microsoft reserved partition";
    if (reserved) {
        PartitionEntry kept = *reserved;
        kept.partitionNumber = 1;
        kept.rewritePartition = true;
        layout.entries.push_back(kept);
        entry.partitionNumber = 2;
    }
    layout.entries.push_back(entry);
    return layout;
}

DriveLayout WizardMbrLayout(const PartitionExtent& extent, std::uint32_t signature, std::uint32_t bytesPerSector) {
    DriveLayout layout;
    layout.style = PartitionStyle::Mbr;
    layout.mbrSignature = signature;
    layout.entries.resize(4);
    PartitionEntry& entry = layout.entries.front();
    entry.startingOffset = extent.start;
    entry.partitionLength = extent.length;
    entry.partitionNumber = 1;
    entry.rewritePartition = true;
    entry.mbrType = mbr_type::kIfs;
    entry.recognizedPartition = true;
    entry.hiddenSectors = static_cast<std::uint32_t>(extent.start / (bytesPerSector != 0 ? bytesPerSector : 512));
    return layout;
}

}  // namespace norvale
