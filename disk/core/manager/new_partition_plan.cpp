#include "disk/core/manager/new_partition_plan.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "disk/core/partition/aligned_extent.h"

namespace norvale {
namespace {

constexpr int kMbrEntries = 4;
constexpr int kGptEntries = 16;

bool EntryUnused(const PartitionEntry& entry) {
    return entry.partitionNumber == 0 && entry.partitionLength == 0 && entry.mbrType == mbr_type::kUnused &&
           entry.gptType.IsZero();
}

}  // namespace

int CountPartitions(const DiskLayout& layout) {
    return static_cast<int>(std::count_if(layout.segments.begin(), layout.segments.end(),
                                          [](const DiskSegment& s) { return !s.IsFree(); }));
}

bool TableHoldsAnything(const DriveLayout& table) {
    return std::any_of(table.entries.begin(), table.entries.end(),
                       [](const PartitionEntry& e) { return !EntryUnused(e); });
}

std::optional<int> FreeSlot(const DriveLayout& table) {
    const int entries = table.style == PartitionStyle::Gpt ? kGptEntries : kMbrEntries;
    for (int slot = 0; slot < entries; ++slot) {
        // Entries past the count the system returned are what a zeroed buffer holds: unused.
        if (static_cast<std::size_t>(slot) >= table.entries.size()) return slot;
        if (EntryUnused(table.entries[static_cast<std::size_t>(slot)])) return slot;
    }
    return std::nullopt;
}

int ExpectedPartitionNumber(bool diskHasPartitions, int slot, int segmentIndex) {
    if (!diskHasPartitions) return 1;
    return slot >= segmentIndex ? slot + 1 : slot;
}

bool InitialiseAsGpt(int osClass, std::int64_t freeAreaBytes) {
    const bool gptAware = osClass == 1 || osClass == 2 || osClass == 3 || osClass == 5 || osClass == 6 ||
                          osClass == 7;
    return gptAware && freeAreaBytes >= kLargeDiskBytes;
}

std::optional<DiskSegment> UsableFreeArea(const DiskSegment& free, PartitionStyle style, std::int64_t diskBytes,
                                          std::uint32_t bytesPerSector, const DriveLayout* table, bool aligned) {
    const std::int64_t sector = bytesPerSector != 0 ? bytesPerSector : 512;
    std::int64_t start = free.start;
    std::int64_t end = std::min(free.end, diskBytes);
    if (style == PartitionStyle::Gpt) {
        if (table != nullptr && table->style == PartitionStyle::Gpt && table->usableLength > 0) {
            start = std::max(start, table->startingUsableOffset);
            end = std::min(end, table->startingUsableOffset + table->usableLength);
        } else {
            start = std::max(start, kGptPrimarySectors * sector);
            end = std::min(end, diskBytes - kGptBackupSectors * sector);
        }
    } else {
        start = std::max(start, sector);
        end = std::min(end, kMbrAddressableSectors * sector);
    }
    // Nothing of the area may lie under an entry the table holds.
    if (table != nullptr) {
        std::vector<PartitionEntry> used;
        std::copy_if(table->entries.begin(), table->entries.end(), std::back_inserter(used),
                     [](const PartitionEntry& entry) { return entry.Used(); });
        std::sort(used.begin(), used.end(),
                  [](const PartitionEntry& a, const PartitionEntry& b) { return a.startingOffset < b.startingOffset; });
        for (const PartitionEntry& entry : used) {
            if (entry.startingOffset <= start && entry.End() > start) start = entry.End();
            if (entry.startingOffset > start && entry.startingOffset < end) end = entry.startingOffset;
        }
    }
    if (aligned) start = AlignedExtent(start, end, 0).start;
    if (sector > 512) {
        start = (start + sector - 1) / sector * sector;
        end = end / sector * sector;
    }
    if (end - start < kSmallestFreeArea) return std::nullopt;
    return DiskSegment{0, start, end - start, end};
}

}  // namespace norvale
