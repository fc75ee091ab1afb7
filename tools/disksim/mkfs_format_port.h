// The format library on the simulated disk stack: the volume behind the
// drive root gets a real NTFS (mkntfs) or FAT32 (mkfs.fat) file system
// written into its region of the disk image, so the stack, blkid and the
// inventory read what a format on Windows would leave. Reports come on the
// calling thread as the library's do: progress, then the end.
#pragma once

#include <atomic>
#include <string>

#include "disk/core/format/format_port.h"
#include "tools/disksim/simulated_disk_stack.h"

namespace norvale::disksim {

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

private:
    bool WriteFileSystem(const FormatRequest& request);

    SimulatedDiskStack& stack_;
    std::atomic<bool> failing_{false};
    std::atomic<bool> missing_{false};
    std::atomic<int> formats_{0};
};

}  // namespace norvale::disksim
