#include "disk/win32/disk_ioctl_codec.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "disk/core/stack/disk_port.h"

namespace norvale::win32 {

// The buffer sizes the program hands to DeviceIoControl are those of the
// real structures, in both the 32-bit and the 64-bit build.
static_assert(sizeof(DISK_GEOMETRY) == ioctl_bytes::kDiskGeometry);
static_assert(sizeof(DISK_GEOMETRY_EX) == ioctl_bytes::kDiskGeometryEx);
static_assert(sizeof(GET_LENGTH_INFORMATION) == ioctl_bytes::kLengthInfo);
static_assert(sizeof(PARTITION_INFORMATION) == ioctl_bytes::kPartitionInfo);
static_assert(sizeof(PARTITION_INFORMATION_EX) == ioctl_bytes::kPartitionInfoEx);
static_assert(sizeof(VOLUME_DISK_EXTENTS) == ioctl_bytes::kVolumeDiskExtentsOne);
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry) + ioctl_bytes::kLayoutEntries *
                                                                       sizeof(PARTITION_INFORMATION) ==
              ioctl_bytes::kDriveLayout);
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry) + ioctl_bytes::kLayoutEntries *
                                                                          sizeof(PARTITION_INFORMATION_EX) ==
              ioctl_bytes::kDriveLayoutEx);
static_assert(sizeof(CREATE_DISK) == 24);
static_assert(sizeof(Guid) == sizeof(GUID));

namespace {

// A copy of the buffer's start as a T, zero where the buffer ends early.
template <class T>
T Read(const IoBuffer& buffer, std::size_t offset = 0) {
    T value;
    std::memset(&value, 0, sizeof value);
    if (offset < buffer.size()) std::memcpy(&value, buffer.data() + offset, std::min(sizeof value, buffer.size() - offset));
    return value;
}

template <class T>
void Put(IoBuffer& buffer, std::size_t offset, const T& value) {
    std::memcpy(buffer.data() + offset, &value, sizeof value);
}

Guid FromGuid(const GUID& guid) {
    Guid value;
    value.data1 = guid.Data1;
    value.data2 = guid.Data2;
    value.data3 = guid.Data3;
    std::copy(std::begin(guid.Data4), std::end(guid.Data4), value.data4.begin());
    return value;
}

GUID ToGuid(const Guid& guid) {
    GUID value{};
    value.Data1 = guid.data1;
    value.Data2 = guid.data2;
    value.Data3 = guid.data3;
    std::copy(guid.data4.begin(), guid.data4.end(), std::begin(value.Data4));
    return value;
}

DiskGeometry FromGeometry(const DISK_GEOMETRY& geometry) {
    return DiskGeometry{geometry.Cylinders.QuadPart, static_cast<std::uint32_t>(geometry.MediaType),
                        geometry.TracksPerCylinder, geometry.SectorsPerTrack, geometry.BytesPerSector};
}

// Room for entries of `entrySize` after `header` bytes.
std::size_t Room(const IoBuffer& buffer, std::size_t header, std::size_t entrySize) {
    return buffer.size() <= header ? 0 : (buffer.size() - header) / entrySize;
}

PartitionEntry FromPartitionInformation(const PARTITION_INFORMATION& info) {
    PartitionEntry entry;
    entry.style = PartitionStyle::Mbr;
    entry.startingOffset = info.StartingOffset.QuadPart;
    entry.partitionLength = info.PartitionLength.QuadPart;
    entry.hiddenSectors = info.HiddenSectors;
    entry.partitionNumber = info.PartitionNumber;
    entry.mbrType = info.PartitionType;
    entry.bootIndicator = info.BootIndicator != FALSE;
    entry.recognizedPartition = info.RecognizedPartition != FALSE;
    entry.rewritePartition = info.RewritePartition != FALSE;
    return entry;
}

PARTITION_INFORMATION ToPartitionInformation(const PartitionEntry& entry) {
    PARTITION_INFORMATION info;
    std::memset(&info, 0, sizeof info);
    info.StartingOffset.QuadPart = entry.startingOffset;
    info.PartitionLength.QuadPart = entry.partitionLength;
    info.HiddenSectors = entry.hiddenSectors;
    info.PartitionNumber = entry.partitionNumber;
    info.PartitionType = entry.mbrType;
    info.BootIndicator = entry.bootIndicator;
    info.RecognizedPartition = entry.recognizedPartition;
    info.RewritePartition = entry.rewritePartition;
    return info;
}

PartitionEntry FromPartitionInformationEx(const PARTITION_INFORMATION_EX& info) {
    PartitionEntry entry;
    entry.style = static_cast<PartitionStyle>(info.PartitionStyle);
    entry.startingOffset = info.StartingOffset.QuadPart;
    entry.partitionLength = info.PartitionLength.QuadPart;
    entry.partitionNumber = info.PartitionNumber;
    entry.rewritePartition = info.RewritePartition != FALSE;
    if (info.PartitionStyle == PARTITION_STYLE_MBR) {
        entry.mbrType = info.Mbr.PartitionType;
        entry.bootIndicator = info.Mbr.BootIndicator != FALSE;
        entry.recognizedPartition = info.Mbr.RecognizedPartition != FALSE;
        entry.hiddenSectors = info.Mbr.HiddenSectors;
    } else if (info.PartitionStyle == PARTITION_STYLE_GPT) {
        entry.gptType = FromGuid(info.Gpt.PartitionType);
        entry.gptId = FromGuid(info.Gpt.PartitionId);
        entry.gptAttributes = info.Gpt.Attributes;
        // The name need not end with a zero when it fills all 36 places.
        const WCHAR* name = info.Gpt.Name;
        entry.gptName.assign(name, std::find(name, name + 36, L'\0'));
    }
    return entry;
}

PARTITION_INFORMATION_EX ToPartitionInformationEx(const PartitionEntry& entry) {
    PARTITION_INFORMATION_EX info;
    std::memset(&info, 0, sizeof info);
    info.PartitionStyle = static_cast<PARTITION_STYLE>(entry.style);
    info.StartingOffset.QuadPart = entry.startingOffset;
    info.PartitionLength.QuadPart = entry.partitionLength;
    info.PartitionNumber = entry.partitionNumber;
    info.RewritePartition = entry.rewritePartition;
    if (entry.style == PartitionStyle::Gpt) {
        info.Gpt.PartitionType = ToGuid(entry.gptType);
        info.Gpt.PartitionId = ToGuid(entry.gptId);
        info.Gpt.Attributes = entry.gptAttributes;
        const std::size_t size = std::min<std::size_t>(entry.gptName.size(), 36);
        for (std::size_t i = 0; i < size; ++i) info.Gpt.Name[i] = static_cast<WCHAR>(entry.gptName[i]);
    } else {
        info.Mbr.PartitionType = entry.mbrType;
        info.Mbr.BootIndicator = entry.bootIndicator;
        info.Mbr.RecognizedPartition = entry.recognizedPartition;
        info.Mbr.HiddenSectors = entry.hiddenSectors;
    }
    return info;
}

}  // namespace

DiskGeometry DecodeDiskGeometry(const IoBuffer& buffer) { return FromGeometry(Read<DISK_GEOMETRY>(buffer)); }

DiskGeometryEx DecodeDiskGeometryEx(const IoBuffer& buffer) {
    const auto geometry = Read<DISK_GEOMETRY_EX>(buffer);
    return DiskGeometryEx{FromGeometry(geometry.Geometry), geometry.DiskSize.QuadPart};
}

std::int64_t DecodeLengthInfo(const IoBuffer& buffer) { return Read<GET_LENGTH_INFORMATION>(buffer).Length.QuadPart; }

PartitionEntry DecodePartitionInfo(const IoBuffer& buffer) {
    return FromPartitionInformation(Read<PARTITION_INFORMATION>(buffer));
}

PartitionEntry DecodePartitionInfoEx(const IoBuffer& buffer) {
    return FromPartitionInformationEx(Read<PARTITION_INFORMATION_EX>(buffer));
}

std::vector<DiskExtent> DecodeVolumeDiskExtents(const IoBuffer& buffer) {
    const std::size_t header = offsetof(VOLUME_DISK_EXTENTS, Extents);
    const std::size_t count = std::min<std::size_t>(Read<DWORD>(buffer), Room(buffer, header, sizeof(DISK_EXTENT)));
    std::vector<DiskExtent> extents;
    for (std::size_t i = 0; i < count; ++i) {
        const auto extent = Read<DISK_EXTENT>(buffer, header + i * sizeof(DISK_EXTENT));
        extents.push_back(DiskExtent{extent.DiskNumber, extent.StartingOffset.QuadPart, extent.ExtentLength.QuadPart});
    }
    return extents;
}

DriveLayout DecodeDriveLayout(const IoBuffer& buffer) {
    const std::size_t header = offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry);
    const auto top = Read<DRIVE_LAYOUT_INFORMATION>(buffer);
    DriveLayout layout;
    layout.style = PartitionStyle::Mbr;
    layout.mbrSignature = top.Signature;
    const std::size_t count =
        std::min<std::size_t>(top.PartitionCount, Room(buffer, header, sizeof(PARTITION_INFORMATION)));
    for (std::size_t i = 0; i < count; ++i) {
        layout.entries.push_back(
            FromPartitionInformation(Read<PARTITION_INFORMATION>(buffer, header + i * sizeof(PARTITION_INFORMATION))));
    }
    return layout;
}

DriveLayout DecodeDriveLayoutEx(const IoBuffer& buffer) {
    const std::size_t header = offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry);
    const auto top = Read<DRIVE_LAYOUT_INFORMATION_EX>(buffer);
    DriveLayout layout;
    layout.style = static_cast<PartitionStyle>(top.PartitionStyle);
    if (top.PartitionStyle == PARTITION_STYLE_MBR) {
        layout.mbrSignature = top.Mbr.Signature;
    } else if (top.PartitionStyle == PARTITION_STYLE_GPT) {
        layout.gptDiskId = FromGuid(top.Gpt.DiskId);
        layout.startingUsableOffset = top.Gpt.StartingUsableOffset.QuadPart;
        layout.usableLength = top.Gpt.UsableLength.QuadPart;
        layout.maxPartitionCount = top.Gpt.MaxPartitionCount;
    }
    const std::size_t count =
        std::min<std::size_t>(top.PartitionCount, Room(buffer, header, sizeof(PARTITION_INFORMATION_EX)));
    for (std::size_t i = 0; i < count; ++i) {
        layout.entries.push_back(FromPartitionInformationEx(
            Read<PARTITION_INFORMATION_EX>(buffer, header + i * sizeof(PARTITION_INFORMATION_EX))));
    }
    return layout;
}

IoBuffer EncodeDriveLayout(const DriveLayout& layout) {
    const std::size_t header = offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry);
    const std::size_t count = layout.entries.size();
    IoBuffer buffer(header + std::max<std::size_t>(count, 1) * sizeof(PARTITION_INFORMATION), 0);
    Put<DWORD>(buffer, offsetof(DRIVE_LAYOUT_INFORMATION, PartitionCount), static_cast<DWORD>(count));
    Put<DWORD>(buffer, offsetof(DRIVE_LAYOUT_INFORMATION, Signature), layout.mbrSignature);
    for (std::size_t i = 0; i < count; ++i) {
        Put(buffer, header + i * sizeof(PARTITION_INFORMATION), ToPartitionInformation(layout.entries[i]));
    }
    return buffer;
}

IoBuffer EncodeDriveLayoutEx(const DriveLayout& layout) {
    const std::size_t header = offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry);
    const std::size_t count = layout.entries.size();
    IoBuffer buffer(header + std::max<std::size_t>(count, 1) * sizeof(PARTITION_INFORMATION_EX), 0);
    DRIVE_LAYOUT_INFORMATION_EX top;
    std::memset(&top, 0, sizeof top);
    top.PartitionStyle = static_cast<DWORD>(layout.style);
    top.PartitionCount = static_cast<DWORD>(count);
    if (layout.style == PartitionStyle::Gpt) {
        top.Gpt.DiskId = ToGuid(layout.gptDiskId);
        top.Gpt.StartingUsableOffset.QuadPart = layout.startingUsableOffset;
        top.Gpt.UsableLength.QuadPart = layout.usableLength;
        top.Gpt.MaxPartitionCount = layout.maxPartitionCount;
    } else {
        top.Mbr.Signature = layout.mbrSignature;
    }
    std::memcpy(buffer.data(), &top, header);
    for (std::size_t i = 0; i < count; ++i) {
        Put(buffer, header + i * sizeof(PARTITION_INFORMATION_EX), ToPartitionInformationEx(layout.entries[i]));
    }
    return buffer;
}

IoBuffer EncodeCreateDisk(const CreateDiskParams& params) {
    CREATE_DISK create;
    std::memset(&create, 0, sizeof create);
    create.PartitionStyle = static_cast<PARTITION_STYLE>(params.style);
    if (params.style == PartitionStyle::Gpt) {
        create.Gpt.DiskId = ToGuid(params.gptDiskId);
        create.Gpt.MaxPartitionCount = params.maxPartitionCount;
    } else {
        create.Mbr.Signature = params.mbrSignature;
    }
    IoBuffer buffer(sizeof create);
    std::memcpy(buffer.data(), &create, sizeof create);
    return buffer;
}

}  // namespace norvale::win32
