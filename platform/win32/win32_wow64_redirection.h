// WOW64 file-system redirection through the KERNEL32.DLL calls, looked up by
// name because Windows before XP x64 and 32-bit Windows may lack them.
#pragma once

#include "platform/core/version/wow64_redirection_port.h"

namespace norvale::win32 {

class Win32Wow64Redirection final : public Wow64RedirectionPort {
public:
    RedirectionResult Disable() override;
    RedirectionResult Enable(bool on) override;
};

}  // namespace norvale::win32
