#include "disk/core/inventory/os_class.h"

#include "platform/core/version/windows_version_editions.h"

namespace norvale {

int OsClass(const std::optional<WindowsVersionInfo>& version, bool isWow64) {
    if (!version) return kOsClassUnknown;
    const WindowsVersionInfo& info = *version;
    if (IsXpClient(info)) return isWow64 ? 1 : 0;
    if (IsXpFamilyServer(info, /*withR2=*/false)) {
        if (info.servicePackText.find(L"Service Pack") != std::wstring::npos) return 2;
        return isWow64 ? 3 : 4;
    }
    if (IsXpFamilyServer(info, /*withR2=*/true)) return 5;
    if (IsVersion60(info)) return 6;
    if (IsVersion61OrLater(info)) return 7;
    return kOsClassUnknown;
}

}  // namespace norvale
