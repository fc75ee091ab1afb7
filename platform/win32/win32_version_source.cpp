#include "platform/win32/win32_version_source.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace norvale::win32 {
namespace {

using GetVersionExWFunction = BOOL(WINAPI*)(OSVERSIONINFOW*);
// NTSTATUS RtlGetVersion(PRTL_OSVERSIONINFOW); RTL_OSVERSIONINFOEXW has the
// layout of OSVERSIONINFOEXW.
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
using GetProductInfoFunction = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, BOOL*);

constexpr int kSmServerR2 = 89;
constexpr DWORD kMaxRegistryValueBytes = 64 * 1024;
constexpr wchar_t kProductOptionsKey[] = L"System\\CurrentControlSet\\Control\\ProductOptions";
constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";

HMODULE Kernel32() { return GetModuleHandleW(L"KERNEL32.DLL"); }

template <typename Function>
Function Kernel32Function(const char* name) {
    const HMODULE kernel32 = Kernel32();
    return kernel32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel32, name)))
                    : nullptr;
}

std::wstring CsdText(const wchar_t (&text)[128]) { return std::wstring(text, wcsnlen(text, 128)); }

class RegistryKey {
public:
    RegistryKey(HKEY root, const wchar_t* path) {
        if (RegOpenKeyExW(root, path, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::optional<RegistryValue> ReadMachineValue(const wchar_t* keyPath, const wchar_t* valueName) {
    const RegistryKey key(HKEY_LOCAL_MACHINE, keyPath);
    if (!key.get()) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size > kMaxRegistryValueBytes) {
        return std::nullopt;
    }
    std::vector<BYTE> data(size + sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), valueName, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }

    RegistryValue value;
    const auto* characters = reinterpret_cast<const wchar_t*>(data.data());
    const std::size_t characterCount = size / sizeof(wchar_t);
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            value.type = RegistryValue::Type::Text;
            value.text.assign(characters, wcsnlen(characters, characterCount));
            break;
        case REG_MULTI_SZ:
            value.type = RegistryValue::Type::MultiText;
            value.text.assign(characters, characterCount);
            break;
        case REG_DWORD:
            if (size >= sizeof(DWORD)) {
                value.type = RegistryValue::Type::Number;
                std::memcpy(&value.number, data.data(), sizeof(DWORD));
            }
            break;
        default:
            break;
    }
    return value;
}

}  // namespace

bool Win32VersionSource::HasKernel32() { return Kernel32() != nullptr; }

bool Win32VersionSource::HasGetVersionEx() {
    return Kernel32Function<GetVersionExWFunction>("GetVersionExW") != nullptr;
}

static ExtendedVersionAnswer FromExtendedRecord(const OSVERSIONINFOEXW& record) {
    ExtendedVersionAnswer answer;
    answer.major = record.dwMajorVersion;
    answer.minor = record.dwMinorVersion;
    answer.build = record.dwBuildNumber;
    answer.platformId = record.dwPlatformId;
    answer.csdText = CsdText(record.szCSDVersion);
    answer.servicePackMajor = record.wServicePackMajor;
    answer.servicePackMinor = record.wServicePackMinor;
    answer.suiteMask = record.wSuiteMask;
    answer.productType = record.wProductType;
    return answer;
}

std::optional<ExtendedVersionAnswer> Win32VersionSource::RtlGetVersion() {
    const HMODULE ntdll = GetModuleHandleW(L"NTDLL.DLL");
    const auto rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    OSVERSIONINFOEXW record{};
    record.dwOSVersionInfoSize = sizeof(record);
    if (!rtlGetVersion || rtlGetVersion(reinterpret_cast<OSVERSIONINFOW*>(&record)) != 0) return std::nullopt;
    return FromExtendedRecord(record);
}

std::optional<ExtendedVersionAnswer> Win32VersionSource::GetVersionExExtended() {
    const auto getVersionEx = Kernel32Function<GetVersionExWFunction>("GetVersionExW");
    OSVERSIONINFOEXW record{};
    record.dwOSVersionInfoSize = sizeof(record);
    if (!getVersionEx || !getVersionEx(reinterpret_cast<OSVERSIONINFOW*>(&record))) return std::nullopt;
    return FromExtendedRecord(record);
}

std::optional<BasicVersionAnswer> Win32VersionSource::GetVersionExBasic() {
    const auto getVersionEx = Kernel32Function<GetVersionExWFunction>("GetVersionExW");
    OSVERSIONINFOW record{};
    record.dwOSVersionInfoSize = sizeof(record);
    if (!getVersionEx || !getVersionEx(&record)) return std::nullopt;
    BasicVersionAnswer answer;
    answer.major = record.dwMajorVersion;
    answer.minor = record.dwMinorVersion;
    answer.build = record.dwBuildNumber;
    answer.platformId = record.dwPlatformId;
    answer.csdText = CsdText(record.szCSDVersion);
    return answer;
}

std::uint32_t Win32VersionSource::GetVersionDword() { return ::GetVersion(); }

std::optional<std::uint32_t> Win32VersionSource::GetProductInfo(std::uint32_t major, std::uint32_t minor,
                                                                std::uint16_t servicePackMajor,
                                                                std::uint16_t servicePackMinor) {
    const auto getProductInfo = Kernel32Function<GetProductInfoFunction>("GetProductInfo");
    if (!getProductInfo) return std::nullopt;
    DWORD productCode = 0;  // PRODUCT_UNDEFINED, also what a failed call leaves
    getProductInfo(major, minor, servicePackMajor, servicePackMinor, &productCode);
    return productCode;
}

int Win32VersionSource::ServerR2Metric() { return GetSystemMetrics(kSmServerR2); }

std::optional<RegistryValue> Win32VersionSource::ProductTypeValue() {
    return ReadMachineValue(kProductOptionsKey, L"ProductType");
}

std::optional<RegistryValue> Win32VersionSource::ProductSuiteValue() {
    return ReadMachineValue(kProductOptionsKey, L"ProductSuite");
}

std::optional<RegistryValue> Win32VersionSource::CsdVersionValue() {
    return ReadMachineValue(kCurrentVersionKey, L"CSDVersion");
}

Wow64Answer Win32VersionSource::IsWow64Process() {
    const auto isWow64Process = Kernel32Function<IsWow64ProcessFunction>("IsWow64Process");
    if (!isWow64Process) return Wow64Answer::Unavailable;
    BOOL wow64 = FALSE;
    if (!isWow64Process(GetCurrentProcess(), &wow64)) return Wow64Answer::CallFailed;
    return wow64 ? Wow64Answer::Yes : Wow64Answer::No;
}

}  // namespace norvale::win32
