// The short name of the running Windows, which callers search for "NT",
// "Vista", "ME" or "98".
#pragma once

#include <string>

#include "platform/core/version/version_source_port.h"

namespace norvale {

inline constexpr wchar_t kUnknownWindowsVersionName[] = L"unknown Windows version";

// The name from the platform's basic version record. Every 6.x is "Vista";
// 5.2 and majors above 6 are not named.
std::wstring GetWindowsVersionName(VersionSourcePort& source);

// The same naming for a given record (platform id as the platform reports it).
std::wstring WindowsVersionName(const BasicVersionAnswer& answer);

}  // namespace norvale
