// A disk port with a few physical drives of fixed tables and one lettered
// volume per partition: enough for the inventory, the layout builder and
// the disk manager to draw a believable machine where no disk stack exists
// (the real dialog under Wine). It writes nothing.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "disk/core/stack/disk_port.h"

namespace norvale::test {

class ScriptedDiskMachine final : public DiskPort {
public:
    struct Volume {
        std::uint32_t disk = 0;
        std::uint32_t partition = 0;
        wchar_t letter = 0;  // 0: none
        std::wstring fileSystem = L"NTFS";
    };

    // A drive of `cylinders` × 255 × 63 sectors with this table.
    void AddDisk(std::uint32_t number, std::int64_t cylinders, DriveLayout table) {
        disks_[number] = Disk{DiskGeometry{cylinders, media_type::kFixedMedia, 255, 63, 512}, std::move(table)};
    }
    void AddVolume(Volume volume) { volumes_.push_back(volume); }

    std::uint32_t SetErrorMode(std::uint32_t mode) override { return mode; }
    DiskResult<std::vector<std::wstring>> FindVolumes() override {
        std::vector<std::wstring> names;
        for (std::size_t i = 0; i < volumes_.size(); ++i) names.push_back(L"\\\\?\\" + DosName(i) + L"\\");
        return {win32_error::kSuccess, names};
    }
    DriveType DriveTypeOf(const std::wstring&) override { return DriveType::Fixed; }
    DiskResult<VolumeInformation> VolumeInfo(const std::wstring& root) override {
        const Volume* volume = VolumeOf(root);
        if (volume == nullptr) return {win32_error::kPathNotFound, {}};
        return {win32_error::kSuccess, {volume->fileSystem, L"iSCSI"}};
    }
    DiskResult<std::wstring> DosDeviceTarget(const std::wstring& name) override {
        for (std::size_t i = 0; i < volumes_.size(); ++i) {
            const bool byLetter = name.size() == 2 && name[1] == L':' && volumes_[i].letter == name[0];
            if (byLetter || name == DosName(i)) return {win32_error::kSuccess, NtDevice(i)};
        }
        return {win32_error::kFileNotFound, {}};
    }
    DiskResult<std::vector<std::wstring>> FindVolumeMountPoints(const std::wstring&) override {
        return {win32_error::kSuccess, {}};
    }
    DiskResult<std::wstring> VolumeNameForMountPoint(const std::wstring&) override {
        return {win32_error::kFileNotFound, {}};
    }
    DiskResult<DiskFreeSpace> DiskFreeSpaceOf(const std::wstring&) override { return {win32_error::kPathNotFound, {}}; }
    DiskStatus SetMountPoint(const std::wstring&, const std::wstring&) override { return {win32_error::kAccessDenied}; }
    DiskStatus DeleteMountPoint(const std::wstring&) override { return {win32_error::kAccessDenied}; }

    DiskResult<std::unique_ptr<DiskDevice>> Open(const std::wstring& path, std::uint32_t, std::uint32_t) override {
        for (const auto& [number, disk] : disks_) {
            if (path == PhysicalDrivePath(number)) return {win32_error::kSuccess, std::make_unique<Device>(disk, nullptr, number)};
        }
        if (const Volume* volume = VolumeOf(path)) {
            return {win32_error::kSuccess, std::make_unique<Device>(disks_.at(volume->disk), volume, volume->disk)};
        }
        return {win32_error::kFileNotFound, nullptr};
    }

private:
    struct Disk {
        DiskGeometry geometry;
        DriveLayout table;
    };

    static std::wstring DosName(std::size_t index) {
        return L"Volume{6e6f7276-0000-4000-8000-00000000000" + std::to_wstring(index) + L"}";
    }
    static std::wstring NtDevice(std::size_t index) { return L"\\Device\\HarddiskVolume" + std::to_wstring(index + 10); }
    const Volume* VolumeOf(const std::wstring& path) const {
        for (std::size_t i = 0; i < volumes_.size(); ++i) {
            if (path.find(DosName(i)) != std::wstring::npos) return &volumes_[i];
        }
        return nullptr;
    }

    class Device final : public DiskDevice {
    public:
        Device(const Disk& disk, const Volume* volume, std::uint32_t number)
            : disk_(disk), volume_(volume), number_(number) {}
        IoctlResult<DiskGeometry> GetDriveGeometry() override { return Ok(ioctl_bytes::kDiskGeometry, disk_.geometry); }
        IoctlResult<DiskGeometryEx> GetDriveGeometryEx() override {
            return Ok(ioctl_bytes::kDiskGeometryEx, DiskGeometryEx{disk_.geometry, disk_.geometry.Bytes()});
        }
        IoctlResult<std::int64_t> GetLengthInfo() override { return Ok(ioctl_bytes::kLengthInfo, Entry().partitionLength); }
        IoctlResult<PartitionEntry> GetPartitionInfo() override { return Ok(ioctl_bytes::kPartitionInfo, Entry()); }
        IoctlResult<PartitionEntry> GetPartitionInfoEx() override { return Ok(ioctl_bytes::kPartitionInfoEx, Entry()); }
        IoctlResult<std::vector<DiskExtent>> GetVolumeDiskExtents() override {
            const PartitionEntry entry = Entry();
            return Ok(ioctl_bytes::kVolumeDiskExtentsOne,
                      std::vector<DiskExtent>{{number_, entry.startingOffset, entry.partitionLength}});
        }
        IoctlResult<DriveLayout> GetDriveLayout() override { return Ok(ioctl_bytes::kDriveLayout, disk_.table); }
        IoctlResult<DriveLayout> GetDriveLayoutEx() override { return Ok(ioctl_bytes::kDriveLayoutEx, disk_.table); }
        DiskStatus SetDriveLayout(const DriveLayout&) override { return {win32_error::kWriteProtect}; }
        DiskStatus SetDriveLayoutEx(const DriveLayout&) override { return {win32_error::kWriteProtect}; }
        DiskStatus CreateDisk(const CreateDiskParams&) override { return {win32_error::kWriteProtect}; }
        DiskStatus UpdateProperties() override { return {}; }

    private:
        template <class T>
        static IoctlResult<T> Ok(std::uint32_t bytes, T value) {
            return {win32_error::kSuccess, bytes, std::move(value)};
        }
        PartitionEntry Entry() const {
            if (volume_ != nullptr) {
                for (const PartitionEntry& entry : disk_.table.entries) {
                    if (entry.partitionNumber == volume_->partition) return entry;
                }
            }
            return PartitionEntry{};
        }
        const Disk& disk_;
        const Volume* volume_;
        std::uint32_t number_;
    };

    std::map<std::uint32_t, Disk> disks_;
    std::vector<Volume> volumes_;
};

}  // namespace norvale::test
