// The executable's path (GetModuleFileNameW) and file existence
// (GetFileAttributesW).
#pragma once

#include "platform/core/program_location_port.h"

namespace norvale::win32 {

class Win32ProgramLocation final : public ProgramLocationPort {
public:
    std::wstring ExecutablePath() override;
    bool FileExists(const std::wstring& path) override;
};

}  // namespace norvale::win32
