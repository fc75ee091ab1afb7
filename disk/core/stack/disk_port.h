// The disk and volume functions of Windows and the device-I/O control requests
// sent to physical drives and volumes, as the disk half of the program needs
// them. Every failure carries the Windows error code, so that the caller can
// show the system's own text for it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disk/core/stack/disk_types.h"
#include "disk/core/stack/win32_error.h"
#include "platform/core/drives/drive_type_port.h"

namespace norvale {

// The output sizes of the control requests: the buffers the Windows adapter
// hands to DeviceIoControl, and the "full structure" a reply must reach.
namespace ioctl_bytes {
inline constexpr std::uint32_t kDiskGeometry = 24;
inline constexpr std::uint32_t kDiskGeometryEx = 40;
inline constexpr std::uint32_t kLengthInfo = 8;
inline constexpr std::uint32_t kPartitionInfo = 32;
inline constexpr std::uint32_t kPartitionInfoEx = 144;
inline constexpr std::uint32_t kVolumeDiskExtents = 512;    // the buffer
inline constexpr std::uint32_t kVolumeDiskExtentsOne = 32;  // the header and one extent
inline constexpr std::uint32_t kDriveLayout = 552;          // header and 17 entries
inline constexpr std::uint32_t kDriveLayoutEx = 2496;       // header and 17 entries
inline constexpr std::uint32_t kLayoutEntries = 17;         // room in either layout buffer
}  // namespace ioctl_bytes

// The result of a function: the Windows error code (0 on success) and, on
// success, the value.
template <class T>
struct DiskResult {
    std::uint32_t error = win32_error::kSuccess;
    T value{};

    bool Ok() const { return error == win32_error::kSuccess; }
};

// The result of a control request: also how many bytes the system returned.
// On failure, and when fewer bytes came than the whole structure, `value` is
// what a zeroed buffer reads as (zeros, an MBR layout without entries): a
// caller that skips the check sees what the program would see on Windows,
// and a caller that checks can tell "the request failed" from "no partitions".
template <class T>
struct IoctlResult {
    std::uint32_t error = win32_error::kSuccess;
    std::uint32_t bytesReturned = 0;
    T value{};

    bool Ok() const { return error == win32_error::kSuccess; }
    // Succeeded and returned at least `bytes` bytes.
    bool Returned(std::uint32_t bytes) const { return Ok() && bytesReturned >= bytes; }
};

struct DiskStatus {
    std::uint32_t error = win32_error::kSuccess;
    bool Ok() const { return error == win32_error::kSuccess; }
};

// Access and sharing of CreateFileW, with the values Windows gives them.
namespace disk_access {
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kMaximumAllowed = 0x02000000u;
inline constexpr std::uint32_t kShareRead = 0x1;
inline constexpr std::uint32_t kShareWrite = 0x2;
}  // namespace disk_access

// SetErrorMode flags.
inline constexpr std::uint32_t kSemFailCriticalErrors = 0x0001;

// An open physical drive ("\\.\PhysicalDriveN") or volume ("\\?\Volume{...}"
// without the trailing backslash); the handle closes with the object.
class DiskDevice {
public:
    virtual ~DiskDevice() = default;

    virtual IoctlResult<DiskGeometry> GetDriveGeometry() = 0;
    virtual IoctlResult<DiskGeometryEx> GetDriveGeometryEx() = 0;
    virtual IoctlResult<std::int64_t> GetLengthInfo() = 0;
    // The older request answers MBR fields only.
    virtual IoctlResult<PartitionEntry> GetPartitionInfo() = 0;
    virtual IoctlResult<PartitionEntry> GetPartitionInfoEx() = 0;
    virtual IoctlResult<std::vector<DiskExtent>> GetVolumeDiskExtents() = 0;
    // Both layout reads answer at most ioctl_bytes::kLayoutEntries entries;
    // a larger table fails with kInsufficientBuffer, as the fixed buffers do.
    virtual IoctlResult<DriveLayout> GetDriveLayout() = 0;
    virtual IoctlResult<DriveLayout> GetDriveLayoutEx() = 0;

    // Writes; the handle needs write access.
    virtual DiskStatus SetDriveLayout(const DriveLayout& layout) = 0;  // MBR only
    virtual DiskStatus SetDriveLayoutEx(const DriveLayout& layout) = 0;
    virtual DiskStatus CreateDisk(const CreateDiskParams& params) = 0;
    // Makes the system read the partition table again (volumes come and go).
    virtual DiskStatus UpdateProperties() = 0;
};

class DiskPort {
public:
    virtual ~DiskPort() = default;

    // Returns the previous mode.
    virtual std::uint32_t SetErrorMode(std::uint32_t mode) = 0;

    // FindFirstVolumeW/FindNextVolumeW: every volume GUID path, with its
    // trailing backslash. Fails when the enumeration cannot start.
    virtual DiskResult<std::vector<std::wstring>> FindVolumes() = 0;
    // GetDriveTypeW of a root path ("X:\", a volume GUID path).
    virtual DriveType DriveTypeOf(const std::wstring& rootPath) = 0;
    // GetVolumeInformationW; the root path ends with a backslash.
    virtual DiskResult<VolumeInformation> VolumeInfo(const std::wstring& rootPath) = 0;
    // QueryDosDeviceW of "X:" or "Volume{...}": the first target.
    virtual DiskResult<std::wstring> DosDeviceTarget(const std::wstring& deviceName) = 0;
    // FindFirstVolumeMountPointW/FindNextVolumeMountPointW: the folder mount
    // points of a volume (relative to its root); none is an empty list.
    virtual DiskResult<std::vector<std::wstring>> FindVolumeMountPoints(const std::wstring& volumeName) = 0;
    // GetVolumeNameForVolumeMountPointW ("X:\" gives the volume GUID path).
    virtual DiskResult<std::wstring> VolumeNameForMountPoint(const std::wstring& mountPoint) = 0;
    // GetDiskFreeSpaceExW.
    virtual DiskResult<DiskFreeSpace> DiskFreeSpaceOf(const std::wstring& directory) = 0;

    // CreateFileW with OPEN_EXISTING and FILE_ATTRIBUTE_NORMAL.
    virtual DiskResult<std::unique_ptr<DiskDevice>> Open(const std::wstring& path, std::uint32_t access,
                                                         std::uint32_t share) = 0;

    // SetVolumeMountPointW and DeleteVolumeMountPointW: "X:\" and a volume
    // GUID path with its trailing backslash. (The port's names differ from the
    // Windows ones, which <windows.h> turns into macros.)
    virtual DiskStatus SetMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) = 0;
    virtual DiskStatus DeleteMountPoint(const std::wstring& mountPoint) = 0;
};

// "\\.\PhysicalDrive" followed by the number.
std::wstring PhysicalDrivePath(std::uint32_t diskNumber);

}  // namespace norvale
