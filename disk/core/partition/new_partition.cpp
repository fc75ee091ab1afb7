#include "disk/core/partition/new_partition.h"

#include <algorithm>

namespace norvale {

std::int64_t UsableEnd(std::int64_t diskBytes, bool gpt, std::uint32_t bytesPerSector) {
    const std::int64_t sector = bytesPerSector == 0 ? 512 : bytesPerSector;
    const std::int64_t whole = diskBytes / sector * sector;
    return gpt ? whole - kGptBackupSectors * sector : whole;
}

std::int64_t ClampedLength(std::int64_t start, std::int64_t requested, std::int64_t limitEnd,
                           std::uint32_t bytesPerSector) {
    const std::int64_t sector = bytesPerSector == 0 ? 512 : bytesPerSector;
    const std::int64_t room = std::min(requested, limitEnd - start);
    return room <= 0 ? 0 : room / sector * sector;
}

bool EntryUsed(const PartitionEntry& entry) { return entry.Used(); }

namespace {

// Room for the slot, refusing a slot that holds a partition.
bool OpenSlot(DriveLayout& layout, std::int32_t slot, std::size_t minimumCount) {
    if (slot < 0) return false;
    const auto index = static_cast<std::size_t>(slot);
    if (index < layout.entries.size() && EntryUsed(layout.entries[index])) return false;
    layout.entries.resize(std::max({layout.entries.size(), index + 1, minimumCount}));
    return true;
}

bool AnyUsed(const DriveLayout& layout) {
    return std::any_of(layout.entries.begin(), layout.entries.end(), EntryUsed);
}

}  // namespace

std::optional<DriveLayout> WithMbrEntry(DriveLayout read, const NewPartition& partition, IdSourcePort& ids) {
    if (partition.slot > 3) return std::nullopt;
    const bool fresh = !AnyUsed(read) || read.mbrSignature == 0;
    if (!OpenSlot(read, partition.slot, 4)) return std::nullopt;
    read.style = PartitionStyle::Mbr;
    if (fresh) read.mbrSignature = ids.NewMbrSignature();
    PartitionEntry& entry = read.entries[static_cast<std::size_t>(partition.slot)];
    entry = PartitionEntry{};
    entry.style = PartitionStyle::Mbr;
    entry.startingOffset = partition.start;
    entry.partitionLength = partition.length;
    entry.partitionNumber = partition.partitionNumber;
    entry.rewritePartition = true;
    entry.mbrType = mbr_type::kIfs;
    entry.recognizedPartition = true;
    entry.hiddenSectors = static_cast<std::uint32_t>(partition.start / std::max<std::uint32_t>(partition.bytesPerSector, 1));
    return read;
}

std::optional<DriveLayout> WithGptEntry(DriveLayout read, const NewPartition& partition, IdSourcePort& ids,
                                        std::uint64_t attributes) {
    if (partition.slot >= 128) return std::nullopt;
    const bool fresh = !AnyUsed(read) || read.gptDiskId.IsZero();
    if (!OpenSlot(read, partition.slot, 0)) return std::nullopt;
    read.style = PartitionStyle::Gpt;
    if (fresh) read.gptDiskId = ids.NewGuid();
    read.maxPartitionCount = 128;
    PartitionEntry& entry = read.entries[static_cast<std::size_t>(partition.slot)];
    entry = PartitionEntry{};
    entry.style = PartitionStyle::Gpt;
    entry.startingOffset = partition.start;
    entry.partitionLength = partition.length;
    entry.partitionNumber = partition.partitionNumber;
    entry.rewritePartition = true;
    entry.gptType = *Guid::Parse(kBasicDataType);
    entry.gptId = ids.NewGuid();
    entry.gptAttributes = attributes;
    entry.gptName = kNewGptPartitionName;
    // An entry below the slot that is empty stays out of a GPT table.
    for (std::size_t i = 0; i < read.entries.size(); ++i) {
        if (read.entries[i].style == PartitionStyle::Mbr && !EntryUsed(read.entries[i])) {
            read.entries[i].style = PartitionStyle::Gpt;
        }
    }
    return read;
}

bool FitsTable(const DriveLayout& table, const NewPartition& partition, std::int64_t diskBytes) {
    const std::int64_t sector = partition.bytesPerSector == 0 ? 512 : partition.bytesPerSector;
    const std::int64_t start = partition.start;
    const std::int64_t end = partition.start + partition.length;
    if (partition.length <= 0 || start % sector != 0 || partition.length % sector != 0) return false;
    std::int64_t first = sector;
    std::int64_t last = std::min(diskBytes / sector * sector, (std::int64_t{1} << 32) * sector);
    if (table.style == PartitionStyle::Gpt) {
        first = table.startingUsableOffset;
        last = table.startingUsableOffset + table.usableLength;
        if (table.usableLength <= 0) return false;
    }
    if (start < first || end > last) return false;
    return std::none_of(table.entries.begin(), table.entries.end(), [&](const PartitionEntry& entry) {
        return EntryUsed(entry) && start < entry.End() && entry.startingOffset < end;
    });
}

std::uint32_t NumberOfPartitionAt(const DriveLayout& reread, std::int64_t start) {
    for (const PartitionEntry& entry : reread.entries) {
        if (EntryUsed(entry) && entry.startingOffset == start) return entry.partitionNumber;
    }
    return 0;
}

}  // namespace norvale
