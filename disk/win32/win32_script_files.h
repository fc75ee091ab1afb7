// Script files on Windows: created afresh with CreateFileW(CREATE_NEW) under
// an explicit access list, never through a link left at their name.
#pragma once

#include "disk/core/scripts/script_file_port.h"

namespace norvale::win32 {

// Full control for BUILTIN\Administrators and SYSTEM only, protected from
// inheritance (SDDL).
inline constexpr wchar_t kScriptFileSddl[] = L"D:P(A;;FA;;;BA)(A;;FA;;;SY)";

class Win32ScriptFiles final : public ScriptFilePort {
public:
    std::optional<std::wstring> SystemDrive() override;
    ScriptFileCreation CreateHeld(const std::wstring& path, const std::string& bytes) override;
    std::uint32_t Remove(const std::wstring& path) override;
};

}  // namespace norvale::win32
