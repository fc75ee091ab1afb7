// What the program needs of the Microsoft iSCSI initiator before it can list
// or connect targets: the initiator installed (its service listed in the
// registry) and, on Windows older than Vista, where its installer would be.
#pragma once

#include <optional>
#include <string>

#include "platform/core/registry_port.h"
#include "platform/core/version/windows_version_info.h"

namespace norvale {

inline constexpr wchar_t kInitiatorServiceName[] = L"MSiSCSI";
inline constexpr wchar_t kInitiatorDisplayName[] = L"Microsoft iSCSI Initiator Service";

// True when a subkey of HKLM\SYSTEM\ControlSet001\Services has the display
// name "Microsoft iSCSI Initiator Service", exactly. A 32-bit program on
// 64-bit XP or Server 2003 looks in the 32-bit registry view, where the
// 32-bit initiator package registers itself.
bool IsInitiatorInstalled(RegistryPort& registry, const std::optional<WindowsVersionInfo>& version, bool wow64);

// The installer of the initiator for this Windows: the x64 package under
// WOW64, else the x86 one; empty when the Windows version is unknown.
std::wstring InstallerFileName(bool versionKnown, bool wow64);

// The folder of a file path: everything before its last "\".
std::wstring FolderOf(const std::wstring& path);

// `format` with its first "%s" replaced by `text`; a format without one is
// returned unchanged. The text is never read as a format itself.
std::wstring WithText(const std::wstring& format, const std::wstring& text);

}  // namespace norvale
