// Formatting a volume through the system's format library (FormatEx of
// fmifs.dll on Windows). The call blocks until the library returns; while it
// runs, the library's callback reports progress and the end on the calling
// thread, which is why the engine calls it from a worker thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace norvale {

struct FormatReport {
    enum class Kind { Progress, Done, Other };
    Kind kind = Kind::Other;
    std::uint32_t code = 0;     // the library's report code (0 progress, 11 done)
    std::uint32_t percent = 0;  // Progress: the percentage
    bool success = false;       // Done: the library's success flag
};

struct FormatRequest {
    std::wstring driveRoot;   // "E:\"
    std::wstring fileSystem;  // "NTFS" or "FAT32"
    std::wstring label;       // "iSCSI"
    bool quick = true;
};

enum class FormatStart {
    Ran,            // the library was called (its reports tell how it went)
    LibraryMissing, // the format library could not be loaded
    ExportMissing,  // FormatEx or EnableVolumeCompression is not exported
};

class FormatPort {
public:
    virtual ~FormatPort() = default;
    // Every report reaches onReport on the calling thread, before Format returns.
    virtual FormatStart Format(const FormatRequest& request,
                               const std::function<void(const FormatReport&)>& onReport) = 0;
};

}  // namespace norvale
