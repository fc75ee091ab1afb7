#include "disk/core/inventory/disk_layout.h"

#include <algorithm>

#include "disk/core/stack/reserved_partition.h"

namespace norvale {

namespace {

constexpr std::int64_t kMiB = 1 << 20;
constexpr std::size_t kOlderLayoutSlots = 4;
constexpr std::uint32_t kHighestPartitionNumber = 15;

DiskSegment Segment(std::int32_t number, std::int64_t start, std::int64_t length) {
    return DiskSegment{number, start, length, start + length, false};
}

void SortByStart(std::vector<DiskSegment>& segments) {
    std::stable_sort(segments.begin(), segments.end(),
                     [](const DiskSegment& a, const DiskSegment& b) { return a.start < b.start; });
}

void AddFreeArea(std::vector<DiskSegment>& free, std::int64_t start, std::int64_t end) {
    if (end - start >= kSmallestFreeArea) free.push_back(Segment(0, start, end - start));
}

// A bar holds kMaxDiskSegments spans. A table with many small gaps could
// give more; the smallest free areas go first, as they matter least.
void KeepWhatFits(std::vector<DiskSegment>& segments) {
    while (segments.size() > kMaxDiskSegments) {
        auto smallest = segments.end();
        for (auto it = segments.begin(); it != segments.end(); ++it) {
            if (it->IsFree() && (smallest == segments.end() || it->length < smallest->length)) smallest = it;
        }
        if (smallest == segments.end()) break;
        segments.erase(smallest);
    }
    if (segments.size() > kMaxDiskSegments) segments.resize(kMaxDiskSegments);
}

}  // namespace

std::optional<DiskGeometry> ReadDiskGeometry(DiskPort& disks, std::uint32_t disk) {
    auto opened = disks.Open(PhysicalDrivePath(disk), disk_access::kGenericRead,
                             disk_access::kShareRead | disk_access::kShareWrite);
    if (!opened.Ok() || !opened.value) return std::nullopt;
    const auto geometry = opened.value->GetDriveGeometry();
    if (!geometry.Returned(ioctl_bytes::kDiskGeometry)) return std::nullopt;
    return geometry.value;
}

std::int64_t DiskSizeOf(DiskPort& disks, std::uint32_t disk) {
    const auto geometry = ReadDiskGeometry(disks, disk);
    return geometry ? geometry->Bytes() / kMiB * kMiB : 0;
}

DiskLayout BuildDiskLayout(DiskPort& disks, std::uint32_t disk, bool olderWindows) {
    DiskLayout layout;
    layout.diskNumber = disk;
    auto opened = disks.Open(PhysicalDrivePath(disk), disk_access::kGenericRead | disk_access::kGenericWrite,
                             disk_access::kShareRead | disk_access::kShareWrite);
    if (!opened.Ok() || !opened.value) return layout;
    DiskDevice& device = *opened.value;
    const auto geometry = device.GetDriveGeometry();
    if (!geometry.Returned(ioctl_bytes::kDiskGeometry) || geometry.value.bytesPerSector == 0) return layout;
    layout.diskSize = geometry.value.Bytes() / kMiB * kMiB;
    const std::int64_t firstTrackEnd = kFirstTrackSectors * geometry.value.bytesPerSector;

    const auto table = olderWindows ? device.GetDriveLayout() : device.GetDriveLayoutEx();
    layout.tableRead = table.Ok();
    std::vector<DiskSegment> partitions;
    const std::size_t slots = olderWindows ? std::min(table.value.entries.size(), kOlderLayoutSlots)
                                           : table.value.entries.size();
    for (std::size_t slot = 0; slot < slots; ++slot) {
        const PartitionEntry& entry = table.value.entries[slot];
        if (entry.partitionNumber < 1 || entry.partitionNumber > kHighestPartitionNumber) continue;
        partitions.push_back(Segment(static_cast<std::int32_t>(entry.partitionNumber), entry.startingOffset,
                                     entry.partitionLength));
        partitions.back().reserved = IsReservedPartition(entry);
    }
    SortByStart(partitions);

    // Free areas: after the first track, between neighbours, and up to the
    // disk size. An empty disk is free from the first track to its end.
    std::vector<DiskSegment> free;
    if (partitions.empty()) {
        AddFreeArea(free, firstTrackEnd, layout.diskSize);
    } else {
        const bool startsAfterFirstTrack = std::any_of(
            partitions.begin(), partitions.end(), [&](const DiskSegment& p) { return p.start == firstTrackEnd; });
        if (!startsAfterFirstTrack) AddFreeArea(free, firstTrackEnd, partitions.front().start);
        for (std::size_t i = 1; i < partitions.size(); ++i) {
            AddFreeArea(free, partitions[i - 1].end, partitions[i].start);
        }
        AddFreeArea(free, partitions.back().end, layout.diskSize);
    }

    layout.segments = partitions;
    layout.segments.insert(layout.segments.end(), free.begin(), free.end());
    SortByStart(layout.segments);
    KeepWhatFits(layout.segments);
    return layout;
}

}  // namespace norvale
