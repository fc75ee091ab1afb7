#include "tools/disksim/mkfs_format_port.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace norvale::disksim {

namespace {

constexpr std::int64_t kSector = 512;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

bool RunProgram(const std::vector<std::string>& args, const std::string& input) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    // The formatters live in /usr/sbin, which a user's PATH may lack.
    const std::string sbin = "/usr/sbin/" + args[0];
    if (access(sbin.c_str(), X_OK) == 0) argv[0] = const_cast<char*>(sbin.c_str());
    argv.push_back(nullptr);
    int pipeEnds[2] = {-1, -1};
    if (pipe(pipeEnds) != 0) return false;
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return false;
    }
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(pipeEnds[0], 0);
        close(pipeEnds[1]);
        dup2(null, 1);
        dup2(null, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[0]);
    for (std::size_t at = 0; at < input.size();) {
        const ssize_t put = write(pipeEnds[1], input.data() + at, input.size() - at);
        if (put <= 0) break;
        at += static_cast<std::size_t>(put);
    }
    close(pipeEnds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool CopyDataExtents(const std::string& from, const ExtentWriter& write) {
    const int in = open(from.c_str(), O_RDONLY);
    bool ok = in >= 0;
    std::vector<std::uint8_t> buffer(1 << 20);
    off_t position = 0;
    while (ok) {
        const off_t data = lseek(in, position, SEEK_DATA);
        if (data < 0) break;  // no more data
        const off_t hole = lseek(in, data, SEEK_HOLE);
        for (off_t at = data; ok && at < hole;) {
            const ssize_t got = pread(in, buffer.data(), std::min<off_t>(hole - at, buffer.size()), at);
            ok = got > 0 && write(at, buffer.data(), static_cast<std::size_t>(got));
            at += got;
        }
        position = hole;
    }
    if (in >= 0) close(in);
    return ok;
}

bool CopyDataExtents(const std::string& from, const std::string& image, std::int64_t offset) {
    const int out = open(image.c_str(), O_WRONLY);
    if (out < 0) return false;
    const bool ok = CopyDataExtents(from, [&](std::int64_t at, const std::uint8_t* bytes, std::size_t size) {
        return pwrite(out, bytes, size, offset + at) == static_cast<ssize_t>(size);
    });
    close(out);
    return ok;
}

FormatStart MkfsFormatPort::Format(const FormatRequest& request,
                                   const std::function<void(const FormatReport&)>& onReport) {
    if (missing_) return FormatStart::LibraryMissing;
    ++formats_;
    onReport({FormatReport::Kind::Progress, 0, 10, false});
    const bool written = !failing_ && WriteFileSystem(request);
    if (written) onReport({FormatReport::Kind::Progress, 0, 100, false});
    onReport({FormatReport::Kind::Done, 11, 0, written});
    return FormatStart::Ran;
}

bool MkfsFormatPort::WriteFileSystem(const FormatRequest& request) {
    const std::optional<VolumeRegion> region = stack_.RegionOf(request.driveRoot);
    // The file system is made for the disk's sectors, as Windows makes it.
    const std::int64_t sector = region ? region->sectorBytes : kSector;
    if (!region || !region->writable || region->length < sector || region->offset % sector != 0) return false;
    const std::string label = Narrow(request.label);
    const std::string sectorText = std::to_string(sector);
    const std::string startSector = std::to_string(region->offset / sector);
    lastSectorBytes_ = sector;
    // The makers write a whole device: a sparse file of the partition's
    // size, whose data extents then go through the disk into place (into an
    // image, or over iSCSI to a target).
    const std::string part = stack_.WorkDir() + "/format-" + std::to_string(getpid()) + ".part";
    std::remove(part.c_str());
    const int file = open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const bool sized = file >= 0 && ftruncate(file, region->length) == 0;
    if (file >= 0) close(file);
    bool made = false;
    if (!sized) {
    } else if (request.fileSystem == L"FAT32") {
        made = RunProgram({"mkfs.fat", "-F", "32", "-S", sectorText, "-n", label, "-h", startSector, part,
                           std::to_string(region->length / 1024)});
    } else if (request.fileSystem == L"NTFS") {
        made = RunProgram({"mkntfs", "-F", "-Q", "-q", "-L", label, "-s", sectorText, "-p", startSector, "-H", "255",
                           "-S", "63", part, std::to_string(region->length / sector)});
    }
    const bool ok = made && CopyDataExtents(part, [&](std::int64_t at, const std::uint8_t* bytes, std::size_t size) {
        return stack_.WriteRegion(request.driveRoot, at, bytes, size);
    });
    std::remove(part.c_str());
    return ok;
}

}  // namespace norvale::disksim
