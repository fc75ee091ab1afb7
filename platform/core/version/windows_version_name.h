// The short name of the running Windows, which callers search for "NT",
// "Vista", "ME" or "98".
#pragma once

#include <string>

#include "platform/core/version/version_source_port.h"

namespace norvale {

inline constexpr wchar_t kUnknownWindowsVersionName[] = L"unknown Windows version";

// The name of the real version (RtlGetVersion), else of the basic version
// record. 6.0 and 6.1 are "Vista"; 6.2, 6.3 and 10.0 are named as what they
// are (servers by their build number, Windows 11 from build 22000); a newer
// NT that cannot be named is named by its numbers, e.g. "Windows 10.0.30000"
// or "Windows Server 10.0.25398". 5.2 is not named.
std::wstring GetWindowsVersionName(VersionSourcePort& source);

// The same naming for a given record (platform id as the platform reports it).
// `server` tells a server or domain controller from a workstation; the basic
// record does not say, and is named as a workstation.
std::wstring WindowsVersionName(const BasicVersionAnswer& answer, bool server = false);

}  // namespace norvale
