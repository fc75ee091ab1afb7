// The format port over fmifs.dll, loaded at run time: FormatEx formats a
// volume and reports through a callback that the library calls, on the
// calling thread, with the standard calling convention of 32-bit Windows.
#pragma once

#include "disk/core/format/format_port.h"

namespace norvale::win32 {

class Win32FormatPort final : public FormatPort {
public:
    // How the library is loaded: the program's is LoadSystemLibrary
    // (System32 only); tests hand in a loader of their stand-in.
    using LibraryLoader = void* (*)();
    explicit Win32FormatPort(LibraryLoader loadLibrary = nullptr) : loadLibrary_(loadLibrary) {}

    FormatStart Format(const FormatRequest& request,
                       const std::function<void(const FormatReport&)>& onReport) override;

private:
    LibraryLoader loadLibrary_;
};

}  // namespace norvale::win32
