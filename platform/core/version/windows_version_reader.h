// Reading the Windows version, its short name and the WOW64 state from the
// platform's answers. Each call asks the platform afresh.
#pragma once

#include <optional>
#include <string>

#include "platform/core/version/version_source_port.h"
#include "platform/core/version/windows_version_info.h"

namespace norvale {

// The filled record; empty when nothing could be read (no KERNEL32.DLL, or
// neither version record could be had).
std::optional<WindowsVersionInfo> ReadWindowsVersion(VersionSourcePort& source);

// True when the program runs as a 32-bit process on 64-bit Windows; false
// whenever the platform cannot say.
bool IsWow64(VersionSourcePort& source);

}  // namespace norvale
