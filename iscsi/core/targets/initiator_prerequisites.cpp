#include "iscsi/core/targets/initiator_prerequisites.h"

#include <cstdint>
#include <vector>

#include "platform/core/utf8.h"
#include "platform/core/version/windows_version_editions.h"

namespace norvale {

namespace {

constexpr wchar_t kServicesKey[] = L"SYSTEM\\ControlSet001\\Services";
// The enumeration's name buffer and the value buffer the check reads into.
constexpr std::size_t kMaxSubkeyChars = 256;
constexpr std::size_t kMaxDisplayNameBytes = 512;

// A REG_SZ value's UTF-16 text up to its terminator; nullopt when it does
// not fit the buffer the check reads into.
std::optional<std::wstring> DisplayNameOf(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() > kMaxDisplayNameBytes) return std::nullopt;
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        units.push_back(unit);
    }
    return Utf16ToWide(units);
}

}  // namespace

bool IsInitiatorInstalled(RegistryPort& registry, const std::optional<WindowsVersionInfo>& version, bool wow64) {
    RegistryAccess access;
    access.view32 = version && IsXpFamily(*version) && wow64;
    const auto names = registry.SubkeyNames(RegistryHive::LocalMachine, kServicesKey, access);
    if (!names) return false;
    for (const std::wstring& name : *names) {
        if (name.empty() || name.size() > kMaxSubkeyChars) continue;
        const auto bytes = registry.ReadValue(RegistryHive::LocalMachine, std::wstring(kServicesKey) + L"\\" + name,
                                              L"DisplayName", access);
        if (!bytes) continue;
        const std::optional<std::wstring> displayName = DisplayNameOf(*bytes);
        if (displayName && *displayName == kInitiatorDisplayName) return true;
    }
    return false;
}

std::wstring InstallerFileName(bool versionKnown, bool wow64) {
    if (!versionKnown) return {};
    return wow64 ? L"Initiator-2.08-build3825-x64fre.exe" : L"Initiator-2.08-build3825-x86fre.exe";
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring WithText(const std::wstring& format, const std::wstring& text) {
    std::wstring result = format;
    const std::size_t mark = result.find(L"%s");
    if (mark != std::wstring::npos) result.replace(mark, 2, text);
    return result;
}

}  // namespace norvale
