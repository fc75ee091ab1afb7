// The disk port on Windows: the volume functions, CreateFileW and the disk
// control requests, with the buffer sizes of the structures and nothing else.
#pragma once

#include "disk/core/stack/disk_port.h"

namespace norvale::win32 {

class Win32DiskPort final : public DiskPort {
public:
    std::uint32_t SetErrorMode(std::uint32_t mode) override;
    DiskResult<std::vector<std::wstring>> FindVolumes() override;
    DriveType DriveTypeOf(const std::wstring& rootPath) override;
    DiskResult<VolumeInformation> VolumeInfo(const std::wstring& rootPath) override;
    DiskResult<std::wstring> DosDeviceTarget(const std::wstring& deviceName) override;
    DiskResult<std::vector<std::wstring>> FindVolumeMountPoints(const std::wstring& volumeName) override;
    DiskResult<std::wstring> VolumeNameForMountPoint(const std::wstring& mountPoint) override;
    DiskResult<DiskFreeSpace> DiskFreeSpaceOf(const std::wstring& directory) override;
    DiskResult<std::unique_ptr<DiskDevice>> Open(const std::wstring& path, std::uint32_t access,
                                                 std::uint32_t share) override;
    DiskStatus SetMountPoint(const std::wstring& mountPoint, const std::wstring& volumeName) override;
    DiskStatus DeleteMountPoint(const std::wstring& mountPoint) override;
};

}  // namespace norvale::win32
