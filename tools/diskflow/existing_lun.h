// What a reused LUN already holds before the connect, made with the system's
// own partitioning and file-system tools (sfdisk, sgdisk, mkntfs, mkfs.ext4),
// which share no code with this program: the flow then shows what the
// program does to a disk it did not make.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvale::diskflow {

enum class ExistingContent {
    None,
    MbrNtfs,     // an MBR partition of type 0x07 with NTFS
    GptNtfs,     // a GPT basic data partition with NTFS
    MbrLinux,    // an MBR partition of type 0x83 with ext4
    GptLinux,    // a GPT Linux file-system partition with ext4
    MbrUnknown,  // an MBR partition of a type Windows mounts no volume for (0xDA), no file system
    OfflineNtfs, // as MbrNtfs, on a disk that comes up offline and read-only
};

// "mbr-ntfs", "gpt-ntfs", ...; nullopt for any other name.
std::optional<ExistingContent> ParseExistingContent(const std::string& name);
std::vector<std::string> ExistingContentNames();

// The disk comes up offline and read-only whatever the Windows.
inline bool ComesUpOffline(ExistingContent content) { return content == ExistingContent::OfflineNtfs; }

// A new sparse image of `bytes` at `path` holding that content: one partition
// from 1 MiB to near the end. Only on sectors of 512 bytes, the only ones
// sfdisk and sgdisk write into image files. Empty on success, else what
// failed.
std::string MakeExistingLun(ExistingContent content, const std::string& path, std::int64_t bytes,
                            std::int64_t sectorBytes = 512);

}  // namespace norvale::diskflow
