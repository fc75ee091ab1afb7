// The raw answers of the platform's version services. An implementation only
// translates the calls; every decision about what the answers mean lies with
// ReadWindowsVersion, GetWindowsVersionName and IsWow64.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace norvale {

// GetVersionExW with the extended record (OSVERSIONINFOEXW).
struct ExtendedVersionAnswer {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;       // dwBuildNumber as reported, all 32 bits
    std::uint32_t platformId = 0;  // dwPlatformId: 0 Win32s, 1 Windows 9x, 2 NT, 3 CE
    std::wstring csdText;          // szCSDVersion up to its terminator
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    std::uint16_t suiteMask = 0;   // wSuiteMask
    std::uint8_t productType = 0;  // wProductType: 1 workstation, 2 domain controller, 3 server
};

// GetVersionExW with the basic record (OSVERSIONINFOW).
struct BasicVersionAnswer {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;
    std::wstring csdText;
};

// A registry value as stored, decoded only by its type.
struct RegistryValue {
    enum class Type { Text, MultiText, Number, Other };
    Type type = Type::Other;
    // Text: the characters before the first terminator. MultiText: every stored
    // character, the separating terminators included.
    std::wstring text;
    std::uint32_t number = 0;  // Number (REG_DWORD)
};

enum class Wow64Answer {
    Unavailable,  // no KERNEL32.DLL handle or no IsWow64Process in it
    CallFailed,
    No,
    Yes,
};

class VersionSourcePort {
public:
    virtual ~VersionSourcePort() = default;

    // GetModuleHandleW(L"KERNEL32.DLL") gave a handle.
    virtual bool HasKernel32() = 0;
    // KERNEL32.DLL exports GetVersionExW.
    virtual bool HasGetVersionEx() = 0;
    // RtlGetVersion of NTDLL.DLL (looked up by name) with the extended record:
    // the version Windows really is, whatever the program's manifest declares.
    // Empty when NTDLL.DLL or the function is missing or the call fails.
    virtual std::optional<ExtendedVersionAnswer> RtlGetVersion() = 0;
    // Empty when GetVersionExW is missing or fails for that record size.
    virtual std::optional<ExtendedVersionAnswer> GetVersionExExtended() = 0;
    virtual std::optional<BasicVersionAnswer> GetVersionExBasic() = 0;
    // GetVersion's DWORD.
    virtual std::uint32_t GetVersionDword() = 0;
    // GetProductInfo's product code for the given version; empty when
    // KERNEL32.DLL has no GetProductInfo.
    virtual std::optional<std::uint32_t> GetProductInfo(std::uint32_t major, std::uint32_t minor,
                                                        std::uint16_t servicePackMajor,
                                                        std::uint16_t servicePackMinor) = 0;
    // GetSystemMetrics(SM_SERVERR2).
    virtual int ServerR2Metric() = 0;
    // HKLM "System\CurrentControlSet\Control\ProductOptions" values "ProductType"
    // and "ProductSuite"; empty when the key or the value cannot be read.
    virtual std::optional<RegistryValue> ProductTypeValue() = 0;
    virtual std::optional<RegistryValue> ProductSuiteValue() = 0;
    // HKLM "Software\Microsoft\Windows NT\CurrentVersion" value "CSDVersion".
    virtual std::optional<RegistryValue> CsdVersionValue() = 0;
    // IsWow64Process about the current process.
    virtual Wow64Answer IsWow64Process() = 0;
};

}  // namespace norvale
