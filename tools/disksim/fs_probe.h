// The file system of a partition, found from its own bytes as Windows finds
// it when it mounts the volume: NTFS and FAT32 (also FAT12/16), with the
// volume label. Anything else is a raw volume.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/disksim/partition_table.h"

namespace norvale::disksim {

struct FileSystemFound {
    std::wstring name;   // "NTFS", "FAT32", "FAT"
    std::wstring label;  // empty when the volume has none
};

// `read` reads relative to the partition's first byte; nothing is read past
// `partitionBytes`. nullopt for a raw (unformatted or unknown) volume.
std::optional<FileSystemFound> ProbeFileSystem(const ByteReader& read, std::int64_t partitionBytes);

}  // namespace norvale::disksim
