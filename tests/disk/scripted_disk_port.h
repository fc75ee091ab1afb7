// A disk port with exactly one physical drive whose geometry and drive
// layout a test writes by hand: for the layouts no real table can hold (a
// gap of one byte less than 8 MiB, more slots than four, a request that
// fails). Everything else fails as on a machine without such a device.
#pragma once

#include <memory>
#include <optional>

#include "disk/core/stack/disk_port.h"

namespace norvale::test {

class ScriptedDiskPort final : public DiskPort {
public:
    std::uint32_t diskNumber = 1;
    DiskGeometry geometry{1305, media_type::kFixedMedia, 255, 63, 512};
    DriveLayout layout;
    std::uint32_t layoutError = win32_error::kSuccess;
    int layoutReads = 0;
    int olderLayoutReads = 0;
    std::vector<std::wstring> mountCalls;  // "delete E:\", "set G:\"

    std::uint32_t SetErrorMode(std::uint32_t mode) override { return mode; }
    DiskResult<std::vector<std::wstring>> FindVolumes() override { return {win32_error::kNoMoreFiles, {}}; }
    DriveType DriveTypeOf(const std::wstring&) override { return DriveType::NoRootDirectory; }
    DiskResult<VolumeInformation> VolumeInfo(const std::wstring&) override { return {win32_error::kPathNotFound, {}}; }
    DiskResult<std::wstring> DosDeviceTarget(const std::wstring&) override { return {win32_error::kFileNotFound, {}}; }
    DiskResult<std::vector<std::wstring>> FindVolumeMountPoints(const std::wstring&) override {
        return {win32_error::kFileNotFound, {}};
    }
    DiskResult<std::wstring> VolumeNameForMountPoint(const std::wstring&) override {
        return {win32_error::kFileNotFound, {}};
    }
    DiskResult<DiskFreeSpace> DiskFreeSpaceOf(const std::wstring&) override { return {win32_error::kPathNotFound, {}}; }
    DiskStatus SetMountPoint(const std::wstring& root, const std::wstring&) override {
        mountCalls.push_back(L"set " + root);
        return {win32_error::kAccessDenied};
    }
    DiskStatus DeleteMountPoint(const std::wstring& root) override {
        mountCalls.push_back(L"delete " + root);
        return {win32_error::kAccessDenied};
    }

    DiskResult<std::unique_ptr<DiskDevice>> Open(const std::wstring& path, std::uint32_t, std::uint32_t) override {
        if (path != PhysicalDrivePath(diskNumber)) return {win32_error::kFileNotFound, nullptr};
        return {win32_error::kSuccess, std::make_unique<Device>(*this)};
    }

private:
    class Device final : public DiskDevice {
    public:
        explicit Device(ScriptedDiskPort& port) : port_(port) {}
        IoctlResult<DiskGeometry> GetDriveGeometry() override {
            return {win32_error::kSuccess, ioctl_bytes::kDiskGeometry, port_.geometry};
        }
        IoctlResult<DiskGeometryEx> GetDriveGeometryEx() override { return Failed<DiskGeometryEx>(); }
        IoctlResult<std::int64_t> GetLengthInfo() override { return Failed<std::int64_t>(); }
        IoctlResult<PartitionEntry> GetPartitionInfo() override { return Failed<PartitionEntry>(); }
        IoctlResult<PartitionEntry> GetPartitionInfoEx() override { return Failed<PartitionEntry>(); }
        IoctlResult<std::vector<DiskExtent>> GetVolumeDiskExtents() override {
            return Failed<std::vector<DiskExtent>>();
        }
        IoctlResult<DriveLayout> GetDriveLayout() override {
            ++port_.olderLayoutReads;
            return Layout();
        }
        IoctlResult<DriveLayout> GetDriveLayoutEx() override {
            ++port_.layoutReads;
            return Layout();
        }
        DiskStatus SetDriveLayout(const DriveLayout&) override { return {win32_error::kWriteProtect}; }
        DiskStatus SetDriveLayoutEx(const DriveLayout&) override { return {win32_error::kWriteProtect}; }
        DiskStatus CreateDisk(const CreateDiskParams&) override { return {win32_error::kWriteProtect}; }
        DiskStatus UpdateProperties() override { return {}; }

    private:
        template <class T>
        static IoctlResult<T> Failed() {
            return {win32_error::kInvalidFunction, 0, T{}};
        }
        IoctlResult<DriveLayout> Layout() {
            if (port_.layoutError != win32_error::kSuccess) return {port_.layoutError, 0, DriveLayout{}};
            return {win32_error::kSuccess, ioctl_bytes::kDriveLayoutEx, port_.layout};
        }
        ScriptedDiskPort& port_;
    };
};

}  // namespace norvale::test
