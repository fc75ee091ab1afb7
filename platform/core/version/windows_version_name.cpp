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

// Builds of the long-term server releases; other 10.0 server builds (the
// semi-annual releases) are named by their numbers.
const wchar_t* Server10Name(std::uint32_t build) {
    switch (build) {
        case 14393: return L"Windows Server 2016";
        case 17763: return L"Windows Server 2019";
        case 20348: return L"Windows Server 2022";
        case 26100: return L"Windows Server 2025";
        default: return nullptr;
    }
}

constexpr std::uint32_t kFirstWindows11Build = 22000;

std::wstring NtName(std::uint32_t major, std::uint32_t minor, std::uint32_t build, bool server) {
    if (major == 3 && minor == 51) return L"Windows NT 3.51";
    if (major == 4 && minor == 0) return L"Windows NT 4";
    if (major == 5 && minor == 0) return L"Windows 2000";
    if (major == 5 && minor == 1) return L"Windows XP";
    if (major < 6) return {};
    if (major == 6 && minor <= 1) return L"Vista";
    if (major == 6 && minor == 2) return server ? L"Windows Server 2012" : L"Windows 8";
    if (major == 6 && minor == 3) return server ? L"Windows Server 2012 R2" : L"Windows 8.1";
    if (major == 10 && minor == 0) {
        if (!server) return build >= kFirstWindows11Build ? L"Windows 11" : L"Windows 10";
        if (const wchar_t* name = Server10Name(build)) return name;
    }
    // Newer than anything named here: the numbers, never an older name.
    return (server ? L"Windows Server " : L"Windows ") + std::to_wstring(major) + L"." + std::to_wstring(minor) +
           L"." + std::to_wstring(build);
}

constexpr std::uint8_t kProductTypeDomainController = 2;
constexpr std::uint8_t kProductTypeServer = 3;

}  // namespace

std::wstring WindowsVersionName(const BasicVersionAnswer& answer, bool server) {
    const std::uint32_t build = answer.build & 0xFFFF;
    std::wstring name;
    switch (answer.platformId) {
        case kPlatformIdWindows9x:
            if (const wchar_t* known = Windows9xName(answer.major, answer.minor, build)) name = known;
            break;
        case kPlatformIdNt: name = NtName(answer.major, answer.minor, build, server); break;
        case kPlatformIdCe: name = L"Windows CE"; break;
        default: break;
    }
    return name.empty() ? kUnknownWindowsVersionName : name;
}

std::wstring GetWindowsVersionName(VersionSourcePort& source) {
    if (const auto real = source.RtlGetVersion()) {
        const BasicVersionAnswer numbers{real->major, real->minor, real->build, real->platformId, real->csdText};
        return WindowsVersionName(numbers, real->productType == kProductTypeServer ||
                                            real->productType == kProductTypeDomainController);
    }
    const auto answer = source.GetVersionExBasic();
    return answer ? WindowsVersionName(*answer) : kUnknownWindowsVersionName;
}

}  // namespace norvale
