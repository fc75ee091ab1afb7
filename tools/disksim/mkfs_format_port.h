// The format library on the simulated disk stack: the volume behind the
// drive root gets a real NTFS (mkntfs) or FAT32 (mkfs.fat) file system
// written into its region of the disk image, so the stack, blkid and the
// inventory read what a format on Windows would leave. Reports come on the
// calling thread as the library's do: progress, then the end.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include <string>
#include <vector>

#include "disk/core/format/format_port.h"
#include "tools/disksim/simulated_disk_stack.h"

namespace norvale::disksim {

// Runs a program without a shell (paths are passed as they are), `input` on
// its standard input and its output discarded; answers whether it exited
// with 0. Programs of /usr/sbin are found where a user's PATH lacks it.
bool RunProgram(const std::vector<std::string>& args, const std::string& input = {});
// Hands the data extents of a sparse file to `write` (offset in the file,
// bytes), so a file system of terabytes costs what its metadata costs, also
// where it travels to a target.
using ExtentWriter = std::function<bool(std::int64_t offset, const std::uint8_t* bytes, std::size_t size)>;
bool CopyDataExtents(const std::string& from, const ExtentWriter& write);
// ... into the image file at `offset`.
bool CopyDataExtents(const std::string& from, const std::string& image, std::int64_t offset);

class MkfsFormatPort final : public FormatPort {
public:
    explicit MkfsFormatPort(SimulatedDiskStack& stack) : stack_(stack) {}

    FormatStart Format(const FormatRequest& request,
                       const std::function<void(const FormatReport&)>& onReport) override;

    // Every later format reports progress and then failure, and writes nothing.
    void SetFailing(bool failing) { failing_ = failing; }
    // The library cannot be loaded: Format answers LibraryMissing, reports nothing.
    void SetMissing(bool missing) { missing_ = missing; }
    int Formats() const { return formats_; }
    // The sector size the last file system was made for.
    std::int64_t LastSectorBytes() const { return lastSectorBytes_; }

private:
    bool WriteFileSystem(const FormatRequest& request);

    SimulatedDiskStack& stack_;
    std::atomic<bool> failing_{false};
    std::atomic<bool> missing_{false};
    std::atomic<int> formats_{0};
    std::atomic<std::int64_t> lastSectorBytes_{0};
};

}  // namespace norvale::disksim
