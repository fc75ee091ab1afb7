#include "tools/diskflow/existing_lun.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "tools/disksim/mkfs_format_port.h"

namespace norvale::diskflow {
namespace {

using disksim::RunProgram;

constexpr std::int64_t kStart = 1 << 20;  // where every tool of today starts a partition

const std::map<std::string, ExistingContent> kNames = {
    {"mbr-ntfs", ExistingContent::MbrNtfs},     {"gpt-ntfs", ExistingContent::GptNtfs},
    {"mbr-linux", ExistingContent::MbrLinux},   {"gpt-linux", ExistingContent::GptLinux},
    {"mbr-unknown", ExistingContent::MbrUnknown}, {"offline-ntfs", ExistingContent::OfflineNtfs},
};

bool Sparse(const std::string& path, std::int64_t bytes) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const bool sized = file >= 0 && ftruncate(file, bytes) == 0;
    if (file >= 0) close(file);
    return sized;
}

// NTFS through a sparse file of the partition's size (mkntfs writes whole
// devices), whose data extents then go into place.
bool Ntfs(const std::string& image, std::int64_t start, std::int64_t length, std::int64_t sector) {
    const std::string part = image + ".existing.part";
    const bool ok = Sparse(part, length) &&
                    RunProgram({"mkntfs", "-F", "-Q", "-q", "-L", "data", "-s", std::to_string(sector), "-p",
                                std::to_string(start / sector), "-H", "255", "-S", "63", part,
                                std::to_string(length / sector)}) &&
                    disksim::CopyDataExtents(part, image, start);
    std::remove(part.c_str());
    return ok;
}

bool Ext4(const std::string& image, std::int64_t start, std::int64_t length) {
    return RunProgram({"mkfs.ext4", "-q", "-F", "-L", "data", "-E", "offset=" + std::to_string(start), image,
                       std::to_string(length / 1024) + "k"});
}

}  // namespace

std::optional<ExistingContent> ParseExistingContent(const std::string& name) {
    const auto found = kNames.find(name);
    if (found == kNames.end()) return std::nullopt;
    return found->second;
}

std::vector<std::string> ExistingContentNames() {
    std::vector<std::string> names;
    for (const auto& [name, content] : kNames) names.push_back(name);
    return names;
}

std::string MakeExistingLun(ExistingContent content, const std::string& path, std::int64_t bytes,
                            std::int64_t sector) {
    const bool gpt = content == ExistingContent::GptNtfs || content == ExistingContent::GptLinux;
    // sfdisk and sgdisk of today write tables into image files in sectors of
    // 512 bytes only.
    if (sector != 512) return "a LUN with existing content has sectors of 512 bytes";
    if (!Sparse(path, bytes)) return "cannot make " + path;
    if (content == ExistingContent::None) return {};
    // Room for a backup GPT at the end; the same end on MBR keeps both alike.
    const std::int64_t length = (bytes - kStart - (1 << 20)) / (1 << 20) * (1 << 20);
    if (length <= 0) return "the LUN is too small for a partition";
    const std::string first = std::to_string(kStart / sector);
    const std::string last = std::to_string((kStart + length) / sector - 1);
    bool tabled = false;
    if (gpt) {
        const char* type = content == ExistingContent::GptNtfs ? "0700" : "8300";
        tabled = RunProgram({"sgdisk", "-n", "1:" + first + ":" + last, "-t", std::string("1:") + type, path});
    } else {
        const char* type = content == ExistingContent::MbrLinux ? "83" : content == ExistingContent::MbrUnknown ? "da" : "7";
        const std::string script = "label: dos\nstart=" + first + ", size=" + std::to_string(length / sector) +
                                   ", type=" + type + "\n";
        tabled = RunProgram({"sfdisk", "--quiet", "--no-reread", "--no-tell-kernel", path}, script);
    }
    if (!tabled) return gpt ? "sgdisk failed" : "sfdisk failed";
    switch (content) {
        case ExistingContent::MbrNtfs:
        case ExistingContent::GptNtfs:
        case ExistingContent::OfflineNtfs:
            return Ntfs(path, kStart, length, sector) ? std::string() : "mkntfs failed";
        case ExistingContent::MbrLinux:
        case ExistingContent::GptLinux:
            return Ext4(path, kStart, length) ? std::string() : "mkfs.ext4 failed";
        default:
            return {};
    }
}

}  // namespace norvale::diskflow
