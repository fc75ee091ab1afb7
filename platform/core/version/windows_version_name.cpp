#include "platform/core/version/windows_version_name.h"

namespace norvale {
namespace {

constexpr std::uint32_t kPlatformIdWindows9x = 1;
constexpr std::uint32_t kPlatformIdNt = 2;
constexpr std::uint32_t kPlatformIdCe = 3;

const wchar_t* Windows9xName(std::uint32_t major, std::uint32_t minor, std::uint32_t build) {
    if (major != 4) return nullptr;
    if (minor < 10) {
        if (build == 950) return L"Windows 95";
        if (build > 950 && build <= 1080) return L"Windows 95 SP1";
        if (build > 1080) return L"Windows 95 OSR2";
        return nullptr;
    }
    if (minor == 10) {
        if (build == 1998) return L"Windows 98";
        if (build >= 1999 && build <= 2182) return L"Windows 98 SP1";
        if (build > 2182) return L"Windows 98 SE";
        return nullptr;
    }
    if (minor == 90) return L"Windows ME";
    return nullptr;
}

const wchar_t* NtName(std::uint32_t major, std::uint32_t minor) {
    if (major == 3 && minor == 51) return L"Windows NT 3.51";
    if (major == 4 && minor == 0) return L"Windows NT 4";
    if (major == 5 && minor == 0) return L"Windows 2000";
    if (major == 5 && minor == 1) return L"Windows XP";
    if (major == 6) return L"Vista";
    return nullptr;
}

}  // namespace

std::wstring WindowsVersionName(const BasicVersionAnswer& answer) {
    const std::uint32_t build = answer.build & 0xFFFF;
    const wchar_t* name = nullptr;
    switch (answer.platformId) {
        case kPlatformIdWindows9x: name = Windows9xName(answer.major, answer.minor, build); break;
        case kPlatformIdNt: name = NtName(answer.major, answer.minor); break;
        case kPlatformIdCe: name = L"Windows CE"; break;
        default: break;
    }
    return name ? name : kUnknownWindowsVersionName;
}

std::wstring GetWindowsVersionName(VersionSourcePort& source) {
    const auto answer = source.GetVersionExBasic();
    return answer ? WindowsVersionName(*answer) : kUnknownWindowsVersionName;
}

}  // namespace norvale
