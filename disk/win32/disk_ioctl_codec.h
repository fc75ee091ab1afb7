// The byte buffers of the disk control requests, turned into the portable
// structures and back. Kept apart from the calls so that every structure can
// be checked on in-memory buffers against the real Windows layout.
#pragma once

#include <cstdint>
#include <vector>

#include "disk/core/stack/disk_types.h"

namespace norvale::win32 {

using IoBuffer = std::vector<std::uint8_t>;

// Decoders read the whole output buffer of a request (zeros where the
// system wrote nothing); counts the buffer cannot hold are cut to its room.
DiskGeometry DecodeDiskGeometry(const IoBuffer& buffer);
DiskGeometryEx DecodeDiskGeometryEx(const IoBuffer& buffer);
std::int64_t DecodeLengthInfo(const IoBuffer& buffer);
PartitionEntry DecodePartitionInfo(const IoBuffer& buffer);
PartitionEntry DecodePartitionInfoEx(const IoBuffer& buffer);
std::vector<DiskExtent> DecodeVolumeDiskExtents(const IoBuffer& buffer);
DriveLayout DecodeDriveLayout(const IoBuffer& buffer);
DriveLayout DecodeDriveLayoutEx(const IoBuffer& buffer);

// Input buffers of the writes, sized for their entries.
IoBuffer EncodeDriveLayout(const DriveLayout& layout);
IoBuffer EncodeDriveLayoutEx(const DriveLayout& layout);
IoBuffer EncodeCreateDisk(const CreateDiskParams& params);

}  // namespace norvale::win32
