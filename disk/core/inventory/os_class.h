// The version class on which the partitioning steps are chosen: one small
// number per family of Windows that partitions disks alike.
#pragma once

#include <optional>

#include "platform/core/version/windows_version_info.h"

namespace norvale {

// 0 XP client (1 under WOW64); 2 XP-family server without R2 with a service
// pack; 3 (WOW64) or 4 the same without a service pack; 5 XP-family server R2;
// 6 version 6.0; 7 version 6.1 or later.
inline constexpr int kOsClassUnknown = -1;

// kOsClassUnknown for anything else, and when the version could not be read.
int OsClass(const std::optional<WindowsVersionInfo>& version, bool isWow64);

}  // namespace norvale
