#include "disk/win32/win32_disk_port.h"

#include <windows.h>
#include <winioctl.h>

#include <utility>

#include "disk/win32/disk_ioctl_codec.h"

namespace norvale::win32 {

static_assert(win32_error::kInvalidFunction == ERROR_INVALID_FUNCTION);
static_assert(win32_error::kFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(win32_error::kPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(win32_error::kAccessDenied == ERROR_ACCESS_DENIED);
static_assert(win32_error::kInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(win32_error::kNoMoreFiles == ERROR_NO_MORE_FILES);
static_assert(win32_error::kWriteProtect == ERROR_WRITE_PROTECT);
static_assert(win32_error::kNotReady == ERROR_NOT_READY);
static_assert(win32_error::kGenFailure == ERROR_GEN_FAILURE);
static_assert(win32_error::kSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(win32_error::kFileExists == ERROR_FILE_EXISTS);
static_assert(win32_error::kNotSupported == ERROR_NOT_SUPPORTED);
static_assert(win32_error::kInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(win32_error::kInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER);
static_assert(win32_error::kInvalidName == ERROR_INVALID_NAME);
static_assert(win32_error::kDirNotEmpty == ERROR_DIR_NOT_EMPTY);
static_assert(win32_error::kMoreData == ERROR_MORE_DATA);
static_assert(win32_error::kUnrecognizedVolume == ERROR_UNRECOGNIZED_VOLUME);
static_assert(win32_error::kIoDevice == ERROR_IO_DEVICE);
static_assert(win32_error::kDeviceNotConnected == ERROR_DEVICE_NOT_CONNECTED);
static_assert(disk_access::kGenericRead == GENERIC_READ && disk_access::kGenericWrite == GENERIC_WRITE);
static_assert(disk_access::kMaximumAllowed == MAXIMUM_ALLOWED);
static_assert(disk_access::kShareRead == FILE_SHARE_READ && disk_access::kShareWrite == FILE_SHARE_WRITE);
static_assert(kSemFailCriticalErrors == SEM_FAILCRITICALERRORS);
static_assert(media_type::kFixedMedia == FixedMedia && media_type::kRemovableMedia == RemovableMedia);

namespace {

// Owns a handle of CreateFileW; closed on every path.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

template <class Close>
class FindHandle {
public:
    FindHandle(HANDLE handle, Close close) : handle_(handle), close_(close) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) close_(handle_);
    }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
    Close close_;
};

class Win32DiskDevice final : public DiskDevice {
public:
    explicit Win32DiskDevice(HANDLE handle) : handle_(handle) {}

    IoctlResult<DiskGeometry> GetDriveGeometry() override {
        return Query(IOCTL_DISK_GET_DRIVE_GEOMETRY, ioctl_bytes::kDiskGeometry, DecodeDiskGeometry);
    }
    IoctlResult<DiskGeometryEx> GetDriveGeometryEx() override {
        return Query(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, ioctl_bytes::kDiskGeometryEx, DecodeDiskGeometryEx);
    }
    IoctlResult<std::int64_t> GetLengthInfo() override {
        return Query(IOCTL_DISK_GET_LENGTH_INFO, ioctl_bytes::kLengthInfo, DecodeLengthInfo);
    }
    IoctlResult<PartitionEntry> GetPartitionInfo() override {
        return Query(IOCTL_DISK_GET_PARTITION_INFO, ioctl_bytes::kPartitionInfo, DecodePartitionInfo);
    }
    IoctlResult<PartitionEntry> GetPartitionInfoEx() override {
        return Query(IOCTL_DISK_GET_PARTITION_INFO_EX, ioctl_bytes::kPartitionInfoEx, DecodePartitionInfoEx);
    }
    IoctlResult<std::vector<DiskExtent>> GetVolumeDiskExtents() override {
        return Query(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, ioctl_bytes::kVolumeDiskExtents, DecodeVolumeDiskExtents);
    }
    IoctlResult<DriveLayout> GetDriveLayout() override {
        return Query(IOCTL_DISK_GET_DRIVE_LAYOUT, ioctl_bytes::kDriveLayout, DecodeDriveLayout);
    }
    IoctlResult<DriveLayout> GetDriveLayoutEx() override {
        return Query(IOCTL_DISK_GET_DRIVE_LAYOUT_EX, ioctl_bytes::kDriveLayoutEx, DecodeDriveLayoutEx);
    }
    DiskStatus SetDriveLayout(const DriveLayout& layout) override {
        return Send(IOCTL_DISK_SET_DRIVE_LAYOUT, EncodeDriveLayout(layout));
    }
    DiskStatus SetDriveLayoutEx(const DriveLayout& layout) override {
        return Send(IOCTL_DISK_SET_DRIVE_LAYOUT_EX, EncodeDriveLayoutEx(layout));
    }
    DiskStatus CreateDisk(const CreateDiskParams& params) override {
        return Send(IOCTL_DISK_CREATE_DISK, EncodeCreateDisk(params));
    }
    DiskStatus UpdateProperties() override { return Send(IOCTL_DISK_UPDATE_PROPERTIES, {}); }

private:
    // A zeroed buffer of the request's size; on failure the value is what
    // the zeroed buffer reads as, so the caller sees what the system left.
    template <class Decode>
    auto Query(DWORD code, std::uint32_t size, Decode decode) -> IoctlResult<decltype(decode(IoBuffer{}))> {
        IoBuffer buffer(size, 0);
        DWORD returned = 0;
        IoctlResult<decltype(decode(IoBuffer{}))> result;
        if (!DeviceIoControl(handle_.Get(), code, nullptr, 0, buffer.data(), size, &returned, nullptr)) {
            result.error = GetLastError();
            return result;
        }
        result.bytesReturned = returned;
        // Bytes the system did not return read as zeros.
        std::fill(buffer.begin() + std::min<DWORD>(returned, size), buffer.end(), 0);
        result.value = decode(buffer);
        return result;
    }

    DiskStatus Send(DWORD code, IoBuffer input) {
        DWORD returned = 0;
        if (!DeviceIoControl(handle_.Get(), code, input.empty() ? nullptr : input.data(),
                             static_cast<DWORD>(input.size()), nullptr, 0, &returned, nullptr)) {
            return {GetLastError()};
        }
        return {};
    }

    FileHandle handle_;
};

}  // namespace

std::uint32_t Win32DiskPort::SetErrorMode(std::uint32_t mode) { return ::SetErrorMode(mode); }

DiskResult<std::vector<std::wstring>> Win32DiskPort::FindVolumes() {
    wchar_t name[100] = {};
    FindHandle find(FindFirstVolumeW(name, 100), FindVolumeClose);
    if (find.Get() == INVALID_HANDLE_VALUE) return {GetLastError(), {}};
    DiskResult<std::vector<std::wstring>> result;
    do {
        result.value.emplace_back(name);
    } while (FindNextVolumeW(find.Get(), name, 100));
    return result;
}

DriveType Win32DiskPort::DriveTypeOf(const std::wstring& rootPath) {
    const UINT type = GetDriveTypeW(rootPath.c_str());
    return type <= DRIVE_RAMDISK ? static_cast<DriveType>(type) : DriveType::Unknown;
}

DiskResult<VolumeInformation> Win32DiskPort::VolumeInfo(const std::wstring& rootPath) {
    wchar_t label[64] = {};
    wchar_t fileSystem[64] = {};
    if (!GetVolumeInformationW(rootPath.c_str(), label, 64, nullptr, nullptr, nullptr, fileSystem, 64)) {
        return {GetLastError(), {}};
    }
    return {win32_error::kSuccess, VolumeInformation{fileSystem, label}};
}

DiskResult<std::wstring> Win32DiskPort::DosDeviceTarget(const std::wstring& deviceName) {
    wchar_t target[1024] = {};
    if (QueryDosDeviceW(deviceName.c_str(), target, 1024) == 0) return {GetLastError(), {}};
    return {win32_error::kSuccess, target};
}

DiskResult<std::vector<std::wstring>> Win32DiskPort::FindVolumeMountPoints(const std::wstring& volumeName) {
    wchar_t name[MAX_PATH] = {};
    FindHandle find(FindFirstVolumeMountPointW(volumeName.c_str(), name, MAX_PATH), FindVolumeMountPointClose);
    if (find.Get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // No mount point at all is an empty list, not a failure.
        return {error == ERROR_NO_MORE_FILES ? win32_error::kSuccess : static_cast<std::uint32_t>(error), {}};
    }
    DiskResult<std::vector<std::wstring>> result;
    do {
        result.value.emplace_back(name);
    } while (FindNextVolumeMountPointW(find.Get(), name, MAX_PATH));
    return result;
}

DiskResult<std::wstring> Win32DiskPort::VolumeNameForMountPoint(const std::wstring& mountPoint) {
    wchar_t name[MAX_PATH] = {};
    if (!GetVolumeNameForVolumeMountPointW(mountPoint.c_str(), name, MAX_PATH)) return {GetLastError(), {}};
    return {win32_error::kSuccess, name};
}

DiskResult<DiskFreeSpace> Win32DiskPort::DiskFreeSpaceOf(const std::wstring& directory) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExW(directory.c_str(), &available, &total, &free)) return {GetLastError(), {}};
    return {win32_error::kSuccess, DiskFreeSpace{available.QuadPart, total.QuadPart, free.QuadPart}};
}

DiskResult<std::unique_ptr<DiskDevice>> Win32DiskPort::Open(const std::wstring& path, std::uint32_t access,
                                                            std::uint32_t share) {
    const HANDLE handle =
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {GetLastError(), nullptr};
    return {win32_error::kSuccess, std::make_unique<Win32DiskDevice>(handle)};
}

DiskStatus Win32DiskPort::SetMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) {
    if (!SetVolumeMountPointW(mountPoint.c_str(), volumeName.c_str())) return {GetLastError()};
    return {};
}

DiskStatus Win32DiskPort::DeleteMountPoint(const std::wstring& mountPoint) {
    if (!DeleteVolumeMountPointW(mountPoint.c_str())) return {GetLastError()};
    return {};
}

}  // namespace norvale::win32
