// The disk port of the simulated stack: what the volume functions and the
// control requests answer, with Windows' errors.
#include <algorithm>
#include <cwctype>
#include <utility>

#include "tools/disksim/stack_parts.h"

namespace norvale::disksim {

namespace {

std::wstring Upper(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return text;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && Upper(text.substr(0, prefix.size())) == Upper(prefix);
}

// "X:\" when `slash` is asked for, else "X:" or "X:\": the upper-case letter; 0 otherwise.
wchar_t DriveLetterOf(const std::wstring& text, bool slash) {
    const bool withSlash = text.size() == 3 && text[2] == L'\\';
    if (slash ? !withSlash : !(text.size() == 2 || withSlash)) return 0;
    if (text[1] != L':') return 0;
    const auto letter = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(text[0])));
    return letter >= L'A' && letter <= L'Z' ? letter : 0;
}

// The geometry Windows reports for a disk of that size: 255 heads of 63
// sectors of the disk's size (512 unless a native 4K disk), whole cylinders.
DiskGeometry GeometryOf(std::int64_t bytes, std::int64_t sector = kSectorBytes) {
    return DiskGeometry{bytes / (255LL * 63 * sector), media_type::kFixedMedia, 255, 63,
                        static_cast<std::uint32_t>(sector)};
}

template <class T>
IoctlResult<T> Failed(std::uint32_t error) {
    return IoctlResult<T>{error, 0, T{}};
}

}  // namespace

// An open handle of the simulated stack.
class SimDevice final : public DiskDevice {
public:
    SimDevice(SimulatedDiskStack& stack, SimulatedDiskStack::Target target, std::uint32_t access)
        : stack_(stack), target_(target), access_(access) {}

    IoctlResult<DiskGeometry> GetDriveGeometry() override {
        return Ask<DiskGeometry>(Request::GetDriveGeometry, ioctl_bytes::kDiskGeometry,
                                 [&](auto& disk, auto*, DiskGeometry& out) {
                                     out = GeometryOf(disk.image.Size(), disk.sectorBytes);
                                     return win32_error::kSuccess;
                                 });
    }
    IoctlResult<DiskGeometryEx> GetDriveGeometryEx() override {
        return Ask<DiskGeometryEx>(Request::GetDriveGeometryEx, ioctl_bytes::kDiskGeometryEx,
                                   [&](auto& disk, auto*, DiskGeometryEx& out) {
                                       out = {GeometryOf(disk.image.Size(), disk.sectorBytes), disk.image.Size()};
                                       return win32_error::kSuccess;
                                   });
    }
    IoctlResult<std::int64_t> GetLengthInfo() override {
        return Ask<std::int64_t>(Request::GetLengthInfo, ioctl_bytes::kLengthInfo,
                                 [&](auto& disk, auto* volume, std::int64_t& out) {
                                     out = volume != nullptr ? volume->length : disk.image.Size();
                                     return win32_error::kSuccess;
                                 });
    }
    IoctlResult<PartitionEntry> GetPartitionInfo() override {
        return Ask<PartitionEntry>(Request::GetPartitionInfo, ioctl_bytes::kPartitionInfo,
                                   [&](auto& disk, auto* volume, PartitionEntry& out) {
                                       out = PartitionOf(disk, volume);
                                       // The older request knows MBR partitions only.
                                       if (out.style == PartitionStyle::Gpt) return win32_error::kInvalidFunction;
                                       out.style = PartitionStyle::Mbr;
                                       return win32_error::kSuccess;
                                   });
    }
    IoctlResult<PartitionEntry> GetPartitionInfoEx() override {
        return Ask<PartitionEntry>(Request::GetPartitionInfoEx, ioctl_bytes::kPartitionInfoEx,
                                   [&](auto& disk, auto* volume, PartitionEntry& out) {
                                       out = PartitionOf(disk, volume);
                                       return win32_error::kSuccess;
                                   });
    }
    IoctlResult<std::vector<DiskExtent>> GetVolumeDiskExtents() override {
        auto result = Ask<std::vector<DiskExtent>>(
            Request::GetVolumeDiskExtents, ioctl_bytes::kVolumeDiskExtentsOne,
            [&](auto& disk, auto* volume, std::vector<DiskExtent>& out) {
                if (volume == nullptr) return win32_error::kInvalidFunction;
                out = {DiskExtent{disk.number, volume->start, volume->length}};
                return win32_error::kSuccess;
            });
        return result;
    }
    IoctlResult<DriveLayout> GetDriveLayout() override {
        return Ask<DriveLayout>(Request::GetDriveLayout, 0, [&](auto& disk, auto* volume, DriveLayout& out) {
            if (volume != nullptr) return win32_error::kInvalidFunction;
            out = stack_.TableOf(disk).layout;
            if (out.style == PartitionStyle::Gpt) return win32_error::kInvalidFunction;
            // A disk without a table reads as an MBR disk without partitions.
            if (out.style == PartitionStyle::Raw) out = DriveLayout{};
            for (auto& entry : out.entries) entry.style = PartitionStyle::Mbr;
            return out.entries.size() > ioctl_bytes::kLayoutEntries ? win32_error::kInsufficientBuffer
                                                                     : win32_error::kSuccess;
        });
    }
    IoctlResult<DriveLayout> GetDriveLayoutEx() override {
        return Ask<DriveLayout>(Request::GetDriveLayoutEx, 0, [&](auto& disk, auto* volume, DriveLayout& out) {
            if (volume != nullptr) return win32_error::kInvalidFunction;
            out = stack_.TableOf(disk).layout;
            return out.entries.size() > ioctl_bytes::kLayoutEntries ? win32_error::kInsufficientBuffer
                                                                     : win32_error::kSuccess;
        });
    }

    DiskStatus SetDriveLayout(const DriveLayout& layout) override {
        DriveLayout mbr = layout;
        mbr.style = PartitionStyle::Mbr;
        for (auto& entry : mbr.entries) entry.style = PartitionStyle::Mbr;
        return Write(Request::SetDriveLayout, mbr);
    }
    DiskStatus SetDriveLayoutEx(const DriveLayout& layout) override { return Write(Request::SetDriveLayoutEx, layout); }
    DiskStatus CreateDisk(const CreateDiskParams& params) override {
        return {stack_.WriteRequest(Request::CreateDisk, target_, access_, [&](SimulatedDiskStack::SimDisk& disk) {
            return stack_.CreateDiskOn(disk, params);
        })};
    }
    DiskStatus UpdateProperties() override {
        std::lock_guard<std::recursive_mutex> lock(stack_.mutex_);
        stack_.Settle();
        stack_.Count(Request::UpdateProperties);
        SimulatedDiskStack::SimDisk* disk = target_.kind == SimulatedDiskStack::TargetKind::Disk
                                                ? stack_.DiskById(target_.id)
                                                : nullptr;
        if (target_.kind != SimulatedDiskStack::TargetKind::Disk) return {win32_error::kInvalidFunction};
        if (disk == nullptr) return {win32_error::kDeviceNotConnected};
        if (const auto fault = stack_.Take(Request::UpdateProperties, disk->number); fault.fail) return {fault.error};
        stack_.Derive(*disk);
        stack_.SyncLetters();
        return {};
    }

private:
    using SimDisk = SimulatedDiskStack::SimDisk;
    using SimVolume = SimulatedDiskStack::SimVolume;

    // The whole disk as a partition (what a physical drive answers), or the
    // volume's partition as the table has it.
    PartitionEntry PartitionOf(SimDisk& disk, const SimVolume* volume) {
        const TableOnDisk table = stack_.TableOf(disk);
        if (volume == nullptr) {
            PartitionEntry whole;
            whole.style = table.layout.style;
            whole.partitionLength = disk.image.Size();
            return whole;
        }
        for (const auto& entry : table.layout.entries) {
            if (entry.partitionNumber != 0 && entry.startingOffset == volume->start) return entry;
        }
        return PartitionEntry{};
    }

    // Finds the disk (and volume) behind the handle, applies injected faults
    // and answers; `fullBytes` 0 means the size of the answer (a layout).
    template <class T, class Answer>
    IoctlResult<T> Ask(Request request, std::uint32_t fullBytes, Answer answer) {
        std::lock_guard<std::recursive_mutex> lock(stack_.mutex_);
        stack_.Settle();
        stack_.Count(request);
        SimDisk* disk = nullptr;
        SimVolume* volume = nullptr;
        switch (target_.kind) {
            case SimulatedDiskStack::TargetKind::Directory:
                return Failed<T>(win32_error::kInvalidFunction);
            case SimulatedDiskStack::TargetKind::Disk:
                disk = stack_.DiskById(target_.id);
                break;
            case SimulatedDiskStack::TargetKind::Volume:
                volume = stack_.VolumeById(target_.id);
                if (volume == nullptr) return Failed<T>(win32_error::kDeviceNotConnected);
                if (volume->notReady) return Failed<T>(win32_error::kNotReady);
                disk = stack_.DiskById(volume->diskId);
                if (disk == nullptr) return ForeignVolume<T>(request, *volume);
                break;
        }
        if (disk == nullptr) return Failed<T>(win32_error::kDeviceNotConnected);
        const auto fault = stack_.Take(request, disk->number);
        if (fault.fail && !fault.shortBytes) return Failed<T>(fault.error);
        IoctlResult<T> result;
        result.error = answer(*disk, volume, result.value);
        if (!result.Ok()) return Failed<T>(result.error);
        result.bytesReturned = fullBytes != 0 ? fullBytes : LayoutBytes(request, result.value);
        if (fault.shortBytes) {
            result.bytesReturned = std::min(result.bytesReturned, *fault.shortBytes);
            result.value = T{};
        }
        return result;
    }

    template <class T>
    static std::uint32_t LayoutBytes(Request request, const T& value) {
        if constexpr (std::is_same_v<T, DriveLayout>) {
            const auto count = static_cast<std::uint32_t>(value.entries.size());
            return request == Request::GetDriveLayout ? 8 + 32 * std::max(count, 1u) : 48 + 144 * count;
        } else {
            (void)request;
            (void)value;
            return 0;
        }
    }

    // A removable stick or RAM disk: geometry and length of its own medium.
    template <class T>
    IoctlResult<T> ForeignVolume(Request request, const SimVolume& volume) {
        IoctlResult<T> result;
        DiskGeometry geometry = GeometryOf(volume.length);
        if (volume.type == DriveType::Removable) geometry.mediaType = media_type::kRemovableMedia;
        if constexpr (std::is_same_v<T, DiskGeometry>) {
            result.value = geometry;
            result.bytesReturned = ioctl_bytes::kDiskGeometry;
        } else if constexpr (std::is_same_v<T, DiskGeometryEx>) {
            result.value = {geometry, volume.length};
            result.bytesReturned = ioctl_bytes::kDiskGeometryEx;
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
            result.value = volume.length;
            result.bytesReturned = ioctl_bytes::kLengthInfo;
        } else {
            (void)request;
            return Failed<T>(win32_error::kInvalidFunction);
        }
        return result;
    }

    DiskStatus Write(Request request, const DriveLayout& layout) {
        return {stack_.WriteRequest(request, target_, access_, [&](SimDisk& disk) {
            const TableOnDisk current = stack_.TableOf(disk);
            const ByteReader read = [&disk](std::int64_t offset, std::uint8_t* buffer, std::size_t size) {
                return disk.image.Read(offset, buffer, size);
            };
            return stack_.ApplyPlan(disk, PlanLayoutWrite(layout, current, read, disk.image.Size(), disk.sectorBytes));
        })};
    }

    SimulatedDiskStack& stack_;
    SimulatedDiskStack::Target target_;
    std::uint32_t access_;
};

std::uint32_t SimulatedDiskStack::WriteRequest(Request request, const Target& target, std::uint32_t access,
                                               const std::function<std::uint32_t(SimDisk&)>& write) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(request);
    if (target.kind != TargetKind::Disk) return win32_error::kInvalidFunction;
    SimDisk* disk = DiskById(target.id);
    if (disk == nullptr) return win32_error::kDeviceNotConnected;
    if ((access & (disk_access::kGenericWrite | disk_access::kMaximumAllowed)) == 0) return win32_error::kAccessDenied;
    if (const auto fault = Take(request, disk->number); fault.fail) return fault.error;
    if (const auto refusal = WriteRefusal(*disk); refusal != 0) return refusal;
    // Volumes stay as they are until the disk's properties are updated.
    return write(*disk);
}

// --- lookups by name --------------------------------------------------------------------

SimulatedDiskStack::SimVolume* SimulatedDiskStack::PresentVolumeByGuidPath(const std::wstring& path,
                                                                          bool wantTrailingSlash) {
    std::wstring name = path;
    if (StartsWithNoCase(name, L"\\\\.\\")) name = L"\\\\?\\" + name.substr(4);
    const bool slash = !name.empty() && name.back() == L'\\';
    if (slash != wantTrailingSlash) return nullptr;
    if (!slash) name += L'\\';
    for (auto& [id, volume] : volumes_) {
        if (volume->present && Upper(volume->guidPath) == Upper(name)) return volume.get();
    }
    return nullptr;
}

SimulatedDiskStack::SimVolume* SimulatedDiskStack::VolumeByLetter(wchar_t letter) {
    const auto found = letters_.find(letter);
    return found == letters_.end() ? nullptr : VolumeById(found->second);
}

// "X:\" or a volume GUID path with its trailing backslash.
SimulatedDiskStack::SimVolume* SimulatedDiskStack::VolumeByRoot(const std::wstring& root) {
    if (const wchar_t letter = DriveLetterOf(root, true); letter != 0) return VolumeByLetter(letter);
    return PresentVolumeByGuidPath(root, true);
}

// The file system as Windows would mount it, read from the volume's bytes.
std::optional<FileSystemFound> SimulatedDiskStack::FileSystemOf(SimVolume& volume) {
    SimDisk* disk = DiskById(volume.diskId);
    if (disk == nullptr) return volume.fileSystem;
    const std::int64_t start = volume.start;
    const ByteReader read = [disk, start](std::int64_t offset, std::uint8_t* buffer, std::size_t size) {
        return disk->image.Read(start + offset, buffer, size);
    };
    return ProbeFileSystem(read, volume.length);
}

// --- DiskPort ---------------------------------------------------------------------------

std::uint32_t SimulatedDiskStack::SetErrorMode(std::uint32_t mode) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return std::exchange(errorMode_, mode);
}

DiskResult<std::vector<std::wstring>> SimulatedDiskStack::FindVolumes() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::FindVolumes);
    if (const auto fault = Take(Request::FindVolumes, std::nullopt); fault.fail) return {fault.error, {}};
    std::vector<std::wstring> names;
    for (const auto& [id, volume] : volumes_) {
        if (volume->present) names.push_back(volume->guidPath);
    }
    return {win32_error::kSuccess, names};
}

DriveType SimulatedDiskStack::DriveTypeOf(const std::wstring& rootPath) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::GetDriveType);
    if (DriveLetterOf(rootPath, false) != 0) return pc_.TypeOf(rootPath.substr(0, 2));
    const SimVolume* volume = PresentVolumeByGuidPath(rootPath, true);
    return volume == nullptr ? DriveType::NoRootDirectory : volume->type;
}

DiskResult<VolumeInformation> SimulatedDiskStack::VolumeInfo(const std::wstring& rootPath) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::GetVolumeInformation);
    if (rootPath.empty() || rootPath.back() != L'\\') return {win32_error::kInvalidName, {}};
    SimVolume* volume = VolumeByRoot(rootPath);
    if (volume == nullptr) return {win32_error::kPathNotFound, {}};
    if (const auto fault = Take(Request::GetVolumeInformation, DiskNumberOf(*volume)); fault.fail) {
        return {fault.error, {}};
    }
    if (volume->notReady) return {win32_error::kNotReady, {}};
    const auto found = FileSystemOf(*volume);
    if (!found) return {win32_error::kUnrecognizedVolume, {}};
    return {win32_error::kSuccess, VolumeInformation{found->name, found->label}};
}

DiskResult<std::wstring> SimulatedDiskStack::DosDeviceTarget(const std::wstring& deviceName) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::QueryDosDevice);
    if (const auto fault = Take(Request::QueryDosDevice, std::nullopt); fault.fail) return {fault.error, {}};
    if (const wchar_t letter = DriveLetterOf(deviceName, false); letter != 0 && deviceName.size() == 2) {
        if (const SimVolume* volume = VolumeByLetter(letter)) return {win32_error::kSuccess, volume->ntDevice};
        if (const auto mapped = pc_.connections.find(letter);
            mapped != pc_.connections.end() && pc_.remembered.count(letter) == 0) {
            // The redirector's name for a mapped letter: the logon session and the share.
            std::wstring target = L"\\Device\\LanmanRedirector\\;";
            target += letter;
            target += L":000000000000c1b2" + mapped->second.substr(1);
            return {win32_error::kSuccess, target};
        }
        return {win32_error::kFileNotFound, {}};
    }
    if (StartsWithNoCase(deviceName, L"Volume{")) {
        if (const SimVolume* volume = PresentVolumeByGuidPath(L"\\\\?\\" + deviceName, false)) {
            return {win32_error::kSuccess, volume->ntDevice};
        }
        return {win32_error::kFileNotFound, {}};
    }
    if (StartsWithNoCase(deviceName, L"PhysicalDrive")) {
        const std::wstring digits = deviceName.substr(13);
        if (!digits.empty() && digits.size() < 6 &&
            std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
            const auto number = static_cast<std::uint32_t>(std::stoul(digits));
            if (DiskByNumber(number) != nullptr) {
                const std::wstring n = std::to_wstring(number);
                return {win32_error::kSuccess, L"\\Device\\Harddisk" + n + L"\\DR" + n};
            }
        }
    }
    return {win32_error::kFileNotFound, {}};
}

DiskResult<std::vector<std::wstring>> SimulatedDiskStack::FindVolumeMountPoints(const std::wstring& volumeName) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::FindVolumeMountPoints);
    SimVolume* volume = PresentVolumeByGuidPath(volumeName, true);
    if (volume == nullptr) return {win32_error::kFileNotFound, {}};
    if (const auto fault = Take(Request::FindVolumeMountPoints, DiskNumberOf(*volume)); fault.fail) {
        return {fault.error, {}};
    }
    // Only drive letters here: no volume is mounted in a folder.
    return {win32_error::kSuccess, {}};
}

DiskResult<std::wstring> SimulatedDiskStack::VolumeNameForMountPoint(const std::wstring& mountPoint) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::GetVolumeNameForVolumeMountPoint);
    if (mountPoint.empty() || mountPoint.back() != L'\\') return {win32_error::kInvalidName, {}};
    SimVolume* volume = VolumeByRoot(mountPoint);
    if (volume == nullptr) return {win32_error::kFileNotFound, {}};
    if (const auto fault = Take(Request::GetVolumeNameForVolumeMountPoint, DiskNumberOf(*volume)); fault.fail) {
        return {fault.error, {}};
    }
    return {win32_error::kSuccess, volume->guidPath};
}

DiskResult<DiskFreeSpace> SimulatedDiskStack::DiskFreeSpaceOf(const std::wstring& directory) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::GetDiskFreeSpace);
    std::wstring root = directory;
    if (DriveLetterOf(root, false) != 0 && root.size() == 2) root += L'\\';
    SimVolume* volume = DriveLetterOf(root, true) != 0 || StartsWithNoCase(root, L"\\\\?\\") ? VolumeByRoot(root)
                                                                                              : nullptr;
    if (volume == nullptr) {
        return {DriveLetterOf(root, true) != 0 ? win32_error::kPathNotFound : win32_error::kInvalidName, {}};
    }
    if (const auto fault = Take(Request::GetDiskFreeSpace, DiskNumberOf(*volume)); fault.fail) {
        return {fault.error, {}};
    }
    if (volume->notReady) return {win32_error::kNotReady, {}};
    if (!FileSystemOf(*volume)) return {win32_error::kUnrecognizedVolume, {}};
    const auto total = static_cast<std::uint64_t>(volume->length);
    return {win32_error::kSuccess, DiskFreeSpace{total, total, total}};
}

DiskResult<std::unique_ptr<DiskDevice>> SimulatedDiskStack::Open(const std::wstring& path, std::uint32_t access,
                                                                 std::uint32_t) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::Open);
    std::optional<Target> target;
    std::optional<std::uint32_t> diskNumber;
    if (StartsWithNoCase(path, L"\\\\.\\PhysicalDrive")) {
        const std::wstring digits = path.substr(17);
        if (!digits.empty() && digits.size() < 6 &&
            std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
            if (SimDisk* disk = DiskByNumber(static_cast<std::uint32_t>(std::stoul(digits)))) {
                target = Target{TargetKind::Disk, disk->id};
                diskNumber = disk->number;
            }
        }
    } else if (path.size() == 6 && StartsWithNoCase(path, L"\\\\.\\") && DriveLetterOf(path.substr(4), false) != 0) {
        if (SimVolume* volume = VolumeByLetter(DriveLetterOf(path.substr(4), false))) {
            target = Target{TargetKind::Volume, volume->id};
            diskNumber = DiskNumberOf(*volume);
        }
    } else if (SimVolume* volume = PresentVolumeByGuidPath(path, false)) {
        target = Target{TargetKind::Volume, volume->id};
        diskNumber = DiskNumberOf(*volume);
    } else if (SimVolume* root = PresentVolumeByGuidPath(path, true)) {
        // With its backslash the path names the root folder, not the volume.
        target = Target{TargetKind::Directory, root->id};
        diskNumber = DiskNumberOf(*root);
    }
    if (!target) return {win32_error::kFileNotFound, nullptr};
    if (const auto fault = Take(Request::Open, diskNumber); fault.fail) return {fault.error, nullptr};
    return {win32_error::kSuccess, std::make_unique<SimDevice>(*this, *target, access)};
}

DiskStatus SimulatedDiskStack::SetMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::SetVolumeMountPoint);
    const wchar_t letter = DriveLetterOf(mountPoint, true);
    if (letter == 0) return {mountPoint.size() > 3 ? win32_error::kNotSupported : win32_error::kInvalidName};
    SimVolume* volume = PresentVolumeByGuidPath(volumeName, true);
    if (volume == nullptr) return {win32_error::kInvalidParameter};
    if (const auto fault = Take(Request::SetVolumeMountPoint, DiskNumberOf(*volume)); fault.fail) {
        return {fault.error};
    }
    if (SimDisk* disk = DiskById(volume->diskId); disk != nullptr && disk->system) {
        ++systemTouches_;
        return {win32_error::kAccessDenied};
    }
    if (volume->letter == letter) return {};
    if (!LetterFree(letter)) return {win32_error::kDirNotEmpty};
    // A volume has at most one drive letter.
    if (volume->letter != 0 || volume->pendingLetter != 0) return {win32_error::kInvalidParameter};
    GiveLetter(*volume, letter, false);
    SyncLetters();
    return {};
}

DiskStatus SimulatedDiskStack::DeleteMountPoint(const std::wstring& mountPoint) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    Count(Request::DeleteVolumeMountPoint);
    const wchar_t letter = DriveLetterOf(mountPoint, true);
    if (letter == 0) return {win32_error::kInvalidName};
    SimVolume* volume = VolumeByLetter(letter);
    if (volume == nullptr) return {win32_error::kFileNotFound};
    if (const auto fault = Take(Request::DeleteVolumeMountPoint, DiskNumberOf(*volume)); fault.fail) {
        return {fault.error};
    }
    if (SimDisk* disk = DiskById(volume->diskId); disk != nullptr && disk->system) {
        ++systemTouches_;
        return {win32_error::kAccessDenied};
    }
    DropLetter(*volume, true);
    SyncLetters();
    return {};
}

// --- the letters of the PC ----------------------------------------------------------------

DriveType SimulatedDiskStack::TypeOf(const std::wstring& driveName) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    return pc_.TypeOf(driveName);
}

std::optional<std::wstring> SimulatedDiskStack::RemoteName(const std::wstring& localName) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    return pc_.RemoteName(localName);
}

bool SimulatedDiskStack::AddConnection(const std::wstring& localName, const std::wstring& remoteName,
                                       const std::wstring& password, const std::wstring& userName, unsigned flags) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    return pc_.AddConnection(localName, remoteName, password, userName, flags);
}

bool SimulatedDiskStack::CancelConnection(const std::wstring& localName, unsigned flags, bool force) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Settle();
    return pc_.CancelConnection(localName, flags, force);
}

}  // namespace norvale::disksim
