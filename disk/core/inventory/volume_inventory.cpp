#include "disk/core/inventory/volume_inventory.h"

#include <array>
#include <cwchar>
#include <utility>

#include "disk/core/inventory/size_text.h"
#include "disk/core/inventory/volume_names.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_reader.h"

namespace norvale {

namespace {

constexpr int kLetterCount = 26;

const wchar_t* DriveTypeName(DriveType type) {
    switch (type) {
        case DriveType::NoRootDirectory: return L"NoRoot";
        case DriveType::Removable: return L"Removable";
        case DriveType::Fixed: return L"Fixed";
        case DriveType::Remote: return L"Remote";
        case DriveType::CdRom: return L"CdRom";
        case DriveType::RamDisk: return L"RamDisk";
        case DriveType::Unknown: break;
    }
    return L"Unknown";
}

std::wstring Hex(std::uint64_t value) {
    wchar_t text[24];
    std::swprintf(text, sizeof text / sizeof text[0], L"0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::wstring Decimal(std::int64_t value) { return std::to_wstring(value); }

// The DOS devices of the 26 letters, read once per refresh: a refresh walks
// every volume, and the letters do not change under it.
class LetterDevices {
public:
    explicit LetterDevices(DiskPort& disks) : disks_(disks) {}

    // The letter whose device is `ntDevice`, 0 when none.
    wchar_t LetterOf(const std::wstring& ntDevice) {
        if (ntDevice.empty()) return 0;
        Read();
        for (int i = 0; i < kLetterCount; ++i) {
            if (devices_[i] && SameName(*devices_[i], ntDevice)) return static_cast<wchar_t>(L'A' + i);
        }
        return 0;
    }

private:
    void Read() {
        if (read_) return;
        read_ = true;
        for (int i = 0; i < kLetterCount; ++i) {
            const auto target = disks_.DosDeviceTarget(DriveNameOf(static_cast<wchar_t>(L'A' + i)));
            if (target.Ok() && !target.value.empty()) devices_[i] = target.value;
        }
    }

    DiskPort& disks_;
    bool read_ = false;
    std::array<std::optional<std::wstring>, kLetterCount> devices_;
};

void SetLength(VolumeRecord& record, std::int64_t length) {
    record.length = length < 0 ? 0 : static_cast<std::uint64_t>(length);
    record.lengthMiB = static_cast<std::uint32_t>(record.length >> 20);
    record.sizeText = SizeText(record.length);
}

void SetNoLength(VolumeRecord& record) {
    record.length = 0;
    record.lengthMiB = 0;
    record.sizeText = kNoValueText;
}

bool IsSessionDisk(const std::wstring& diskText, const std::vector<SessionInfo>& sessions) {
    if (diskText.empty()) return false;
    for (const SessionInfo& session : sessions) {
        for (const SessionDevice& device : session.Devices) {
            if (diskText == std::to_wstring(device.deviceNumber)) return true;
        }
    }
    return false;
}

// Ascending by disk × 1000 + partition; of equal keys the later record
// comes first, as the selection sort that always took the last minimum did.
void SortInventory(VolumeInventory& inventory) {
    const auto key = [](const VolumeRecord& r) {
        return static_cast<std::int64_t>(r.diskNumber) * 1000 + r.partitionNumber;
    };
    for (std::size_t i = 0; i < inventory.size(); ++i) {
        std::size_t least = i;
        for (std::size_t j = i + 1; j < inventory.size(); ++j) {
            if (key(inventory[j]) <= key(inventory[least])) least = j;
        }
        if (least != i) std::swap(inventory[i], inventory[least]);
    }
}

// Reads one volume (steps 3 to 8 of the walk); nullopt when it is left out.
class VolumeWalk {
public:
    VolumeWalk(DiskPort& disks, TracePort& trace, LetterDevices& letters, bool older)
        : disks_(disks), trace_(trace), letters_(letters), older_(older) {}

    std::optional<VolumeRecord> Read(const std::wstring& name) {
        if (name.empty()) {
            trace_.Trace(L"Impossible!\n");
            return std::nullopt;
        }
        trace_.Trace(name + L"\n");
        const DriveType type = disks_.DriveTypeOf(name);
        // A record of its own for every volume: values of the volume before
        // must never stand in for a request that failed on this one.
        VolumeRecord record;
        record.volumeName = name;
        const auto info = disks_.VolumeInfo(name);
        record.fileSystem = info.Ok() ? info.value.fileSystemName : L"Unknown";
        trace_.Trace(L" FileSystem : " + record.fileSystem + L"\n");
        trace_.Trace(L" Label : " + (info.Ok() ? info.value.volumeLabel : std::wstring()) + L"\n");
        trace_.Trace(std::wstring(L" DriveType : ") + DriveTypeName(type) + L"\n");
        if (type != DriveType::Fixed) return std::nullopt;

        FindLetter(record);
        TraceMountPoints(record);

        const auto dosName = DosNameOfVolume(name);
        if (!dosName) return std::nullopt;
        auto opened = disks_.Open(name.substr(0, name.size() - 1), disk_access::kMaximumAllowed,
                                  disk_access::kShareRead | disk_access::kShareWrite);
        if (!opened.Ok() || !opened.value) return std::nullopt;
        DiskDevice& volume = *opened.value;
        const bool fixedMedia = IsFixedMedia(volume);
        ReadLength(volume, record);
        ReadPartition(volume, record);
        ReadExtents(volume, record);
        if (!fixedMedia) return std::nullopt;
        return record;
    }

private:
    void FindLetter(VolumeRecord& record) {
        record.driveLetter = kNoValueText;
        std::wstring ntDevice;
        if (const auto dosName = DosNameOfVolume(record.volumeName)) {
            const auto target = disks_.DosDeviceTarget(*dosName);
            if (target.Ok()) ntDevice = target.value;
        }
        std::wstring links = L" Links : ";
        if (!ntDevice.empty()) links += L" " + ntDevice + L",";
        if (const wchar_t letter = letters_.LetterOf(ntDevice); letter != 0) {
            record.driveLetter = DriveRootOf(letter);
            links += std::wstring(L" ") + letter + L":";
        }
        trace_.Trace(links + L"\n");
    }

    void TraceMountPoints(const VolumeRecord& record) {
        const auto mountPoints = disks_.FindVolumeMountPoints(record.volumeName);
        if (!mountPoints.Ok() || mountPoints.value.empty() || !record.HasLetter()) return;
        trace_.Trace(L"This volume contains mount points:\n");
        for (const std::wstring& relative : mountPoints.value) {
            const std::wstring path = record.driveLetter + relative;
            const auto target = disks_.VolumeNameForMountPoint(path);
            trace_.Trace(L" " + path + L" => " + (target.Ok() ? target.value : L"\"Unknown\"") + L"\n");
        }
    }

    bool IsFixedMedia(DiskDevice& volume) {
        std::uint32_t media = media_type::kUnknown;
        if (older_) {
            const auto geometry = volume.GetDriveGeometry();
            if (geometry.Returned(ioctl_bytes::kDiskGeometry)) media = geometry.value.mediaType;
        } else {
            const auto geometry = volume.GetDriveGeometryEx();
            if (geometry.Returned(ioctl_bytes::kDiskGeometryEx)) media = geometry.value.geometry.mediaType;
        }
        const wchar_t* name = media == media_type::kFixedMedia       ? L"Fixed hard disk"
                              : media == media_type::kRemovableMedia ? L"Removable media other than floppy"
                                                                     : L"Unknown";
        trace_.Trace(std::wstring(L" Media type :! ") + name + L"\n");
        return media == media_type::kFixedMedia;
    }

    void ReadLength(DiskDevice& volume, VolumeRecord& record) {
        if (!older_) {
            const auto length = volume.GetLengthInfo();
            if (length.Returned(ioctl_bytes::kLengthInfo)) {
                SetLength(record, length.value);
                trace_.Trace(L" Length : " + record.sizeText + L"\n");
                return;
            }
        }
        if (record.HasLetter()) {
            const auto space = disks_.DiskFreeSpaceOf(record.driveLetter);
            if (space.Ok()) {
                SetLength(record, static_cast<std::int64_t>(space.value.totalBytes));
                trace_.Trace(L" Length : " + record.sizeText + L"\n");
                return;
            }
        }
        SetNoLength(record);
    }

    void ReadPartition(DiskDevice& volume, VolumeRecord& record) {
        const auto partition = older_ ? volume.GetPartitionInfo() : volume.GetPartitionInfoEx();
        if (!partition.Returned(older_ ? ioctl_bytes::kPartitionInfo : ioctl_bytes::kPartitionInfoEx)) return;
        const PartitionEntry& entry = partition.value;
        record.partitionNumber = static_cast<std::int32_t>(entry.partitionNumber);
        record.partitionText = Decimal(record.partitionNumber);
        const std::uint64_t length = entry.partitionLength < 0 ? 0 : static_cast<std::uint64_t>(entry.partitionLength);
        trace_.Trace(L" Partition : type " + Hex(entry.mbrType) + L", number " + Decimal(entry.partitionNumber) +
                     L", length " + SizeText(length) + L", boot \"" + (entry.bootIndicator ? L"yes" : L"no") +
                     L"\"\n");
    }

    void ReadExtents(DiskDevice& volume, VolumeRecord& record) {
        const auto extents = volume.GetVolumeDiskExtents();
        if (!extents.Returned(ioctl_bytes::kVolumeDiskExtentsOne) || extents.value.empty()) return;
        trace_.Trace(L" Volume consists of " + Decimal(static_cast<std::int64_t>(extents.value.size())) +
                     L" extent(s)\n");
        for (std::size_t i = 0; i < extents.value.size(); ++i) {
            const DiskExtent& extent = extents.value[i];
            const auto start = static_cast<std::uint64_t>(extent.startingOffset);
            const auto end = start + static_cast<std::uint64_t>(extent.extentLength);
            trace_.Trace(L" " + Decimal(static_cast<std::int64_t>(i)) + L": disk " + Decimal(extent.diskNumber) +
                         L", [" + Hex(start) + L" " + Hex(end) + L") bytes = [" + Hex(start >> 9) + L" " +
                         Hex(end >> 9) + L") sectors\n");
        }
        record.diskNumber = static_cast<std::int32_t>(extents.value.front().diskNumber);
        record.diskText = Decimal(record.diskNumber);
    }

    DiskPort& disks_;
    TracePort& trace_;
    LetterDevices& letters_;
    bool older_;
};

}  // namespace

DiskInventory::DiskInventory(const InventoryPorts& ports) : ports_(ports) {}

bool DiskInventory::OlderWindows() {
    const auto version = ReadWindowsVersion(ports_.version);
    return version && IsOlderNt(*version);
}

std::optional<std::vector<SessionInfo>> DiskInventory::Sessions() {
    std::vector<SessionInfo> sessions;
    if (ports_.wmi.For(WmiSite::InventorySessions).QuerySessions(sessions) < 0) return std::nullopt;
    return sessions;
}

VolumeInventory DiskInventory::Refresh() {
    ++refreshes_;
    VolumeInventory inventory;
    const std::uint32_t previousMode = ports_.disks.SetErrorMode(kSemFailCriticalErrors);
    // Without the session list no volume can be told to be an iSCSI one.
    const std::vector<SessionInfo> sessions = Sessions().value_or(std::vector<SessionInfo>());
    const bool older = OlderWindows();

    const auto volumes = ports_.disks.FindVolumes();
    if (volumes.Ok()) {
        Trace(L"\nVolumes:\n");
        LetterDevices letters(ports_.disks);
        VolumeWalk walk(ports_.disks, ports_.trace, letters, older);
        for (const std::wstring& name : volumes.value) {
            auto record = walk.Read(name);
            if (record && IsSessionDisk(record->diskText, sessions)) inventory.push_back(std::move(*record));
        }
    }

    // Disks of a session that show no volume: new, offline or unformatted.
    for (const SessionInfo& session : sessions) {
        for (const SessionDevice& device : session.Devices) {
            const std::wstring diskText = Decimal(device.deviceNumber);
            bool listed = false;
            for (const VolumeRecord& record : inventory) listed = listed || record.diskText == diskText;
            if (listed) continue;
            VolumeRecord bare;
            bare.fileSystem = kNoValueText;
            bare.partitionText = kNoValueText;
            bare.partitionNumber = 0;
            bare.diskNumber = device.deviceNumber;
            bare.diskText = diskText;
            bare.volumeName = device.legacyName;
            bare.driveLetter = kNoValueText;
            SetNoLength(bare);
            auto opened = ports_.disks.Open(device.legacyName, disk_access::kGenericRead,
                                            disk_access::kShareRead | disk_access::kShareWrite);
            if (opened.Ok() && opened.value) {
                const auto geometry = opened.value->GetDriveGeometry();
                if (geometry.Returned(ioctl_bytes::kDiskGeometry)) SetLength(bare, geometry.value.Bytes());
            }
            inventory.push_back(std::move(bare));
        }
    }

    for (const SessionInfo& session : sessions) {
        for (const SessionDevice& device : session.Devices) {
            if (!SameName(device.TargetName, session.TargetName)) continue;
            for (VolumeRecord& record : inventory) {
                if (record.diskNumber != device.deviceNumber) continue;
                record.targetName = session.TargetName;
                record.targetAddress = session.TargetAddress;
            }
        }
    }
    SortInventory(inventory);
    ports_.disks.SetErrorMode(previousMode);
    return inventory;
}

std::optional<VolumeRecord> DiskInventory::FindPartition(std::int32_t disk, std::int32_t partition) {
    if (disk <= 0) return std::nullopt;
    for (VolumeRecord& record : Refresh()) {
        if (record.diskNumber != disk) continue;
        if (partition != 0 && record.partitionNumber != partition) continue;
        return std::move(record);
    }
    return std::nullopt;
}

TargetDisk DiskInventory::FindByTarget(const std::wstring& targetName) {
    if (targetName.empty()) return TargetDisk::None;
    for (const VolumeRecord& record : Refresh()) {
        if (!SameName(record.targetName, targetName)) continue;
        return record.IsBareDisk() ? TargetDisk::BareDisk : TargetDisk::HasVolume;
    }
    return TargetDisk::None;
}

std::int64_t DiskInventory::DiskSize(std::uint32_t disk) { return DiskSizeOf(ports_.disks, disk); }

DiskLayout DiskInventory::BuildLayout(std::uint32_t disk) {
    return BuildDiskLayout(ports_.disks, disk, OlderWindows());
}

std::wstring DiskInventory::DriveLetterOfDevice(const std::wstring& volumeGuidPath) {
    const auto dosName = DosNameOfVolume(volumeGuidPath);
    if (!dosName) return kNoValueText;
    const auto target = ports_.disks.DosDeviceTarget(*dosName);
    if (!target.Ok()) return kNoValueText;
    LetterDevices letters(ports_.disks);
    const wchar_t letter = letters.LetterOf(target.value);
    return letter != 0 ? DriveRootOf(letter) : std::wstring(kNoValueText);
}

}  // namespace norvale
