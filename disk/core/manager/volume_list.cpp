#include "disk/core/manager/volume_list.h"

#include <cwchar>

#include "disk/core/inventory/volume_names.h"
#include "disk/core/manager/disk_manager_texts.h"
#include "platform/core/texts/norvale_texts.h"

namespace norvale {
namespace {

bool IsApplianceAddress(const std::wstring& address, const std::wstring& ip, const std::wstring& otherIp) {
    // A record without a session tag has no address; it must not match an
    // appliance that has only one port.
    if (address.empty()) return false;
    return SameName(address, ip) || SameName(address, otherIp);
}

}  // namespace

std::wstring ShortTargetName(const std::wstring& targetName) {
    const auto colon = targetName.find(L':');
    return colon == std::wstring::npos ? targetName : targetName.substr(colon + 1);
}

VolumeListContent BuildVolumeList(const VolumeInventory& inventory, const std::wstring& ip,
                                  const std::wstring& otherIp) {
    VolumeListContent content;
    const std::wstring* lastDisk = nullptr;
    for (std::size_t index = 0; index < inventory.size(); ++index) {
        const VolumeRecord& record = inventory[index];
        if (!IsApplianceAddress(record.targetAddress, ip, otherIp)) continue;
        const bool firstOfDisk = lastDisk == nullptr || *lastDisk != record.diskText;
        lastDisk = &record.diskText;
        if (firstOfDisk && content.disks.size() < kMaxShownDisks) {
            content.disks.push_back(ShownDisk{record.diskNumber, record.targetName});
        }
        content.rows.push_back(VolumeRow{{firstOfDisk ? record.diskText : std::wstring(), record.partitionText,
                                          record.driveLetter, record.fileSystem, record.sizeText,
                                          ShortTargetName(record.targetName)},
                                         firstOfDisk ? kFirstRowOfDisk : kOtherRowOfDisk,
                                         index});
    }
    return content;
}

DiskView BuildDiskView(const DiskLayout& layout, const VolumeInventory& inventory) {
    DiskView view;
    view.diskNumber = static_cast<std::int32_t>(layout.diskNumber);
    const std::size_t count = std::min<std::size_t>(layout.segments.size(), kMaxDiskSlots);
    view.slotCount = static_cast<std::int32_t>(count);
    for (std::size_t index = 0; index < count; ++index) {
        const DiskSegment& segment = layout.segments[index];
        DiskSlot& slot = view.slots[index];
        slot.partitionNumber = segment.partitionNumber;
        slot.partitionFlag = segment.partitionNumber != 0 ? 1 : 0;
        slot.length = segment.length > 0 ? static_cast<std::uint64_t>(segment.length) : 0;
        if (segment.IsFree()) continue;
        if (segment.reserved) {
            slot.reserved = true;
            slot.fileSystem = UiText(disk_manager_text::kReserved);
            continue;
        }
        for (const VolumeRecord& record : inventory) {
            if (record.diskNumber == view.diskNumber && record.partitionNumber == segment.partitionNumber) {
                slot.driveLetter = record.driveLetter;
                slot.fileSystem = record.fileSystem;
                break;
            }
        }
    }
    return view;
}

std::wstring SegmentSizeText(const DiskSegment& segment, const std::wstring& occupied,
                             const std::wstring& available) {
    const std::wstring reserved = segment.reserved ? UiText(disk_manager_text::kReserved) : std::wstring();
    constexpr double kMiB = 1048576.0;
    wchar_t text[160];
    std::swprintf(text, sizeof text / sizeof text[0], L"[ %ls ] start=%2f, len=%2f  end=%2f",
                  (segment.reserved ? reserved : segment.IsFree() ? available : occupied).c_str(), static_cast<double>(segment.start) / kMiB,
                  static_cast<double>(segment.length) / kMiB, static_cast<double>(segment.end) / kMiB);
    return text;
}

}  // namespace norvale
