// The format port over fmifs.dll, loaded at run time: FormatEx formats a
// volume and reports through a callback that the library calls, on the
// calling thread, with the standard calling convention of 32-bit Windows.
#pragma once

#include "disk/core/format/format_port.h"

namespace norvale::win32 {

class Win32FormatPort final : public FormatPort {
public:
    FormatStart Format(const FormatRequest& request,
                       const std::function<void(const FormatReport&)>& onReport) override;
};

}  // namespace norvale::win32
