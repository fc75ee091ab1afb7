// The version services of the running Windows: NTDLL.DLL's RtlGetVersion,
// KERNEL32.DLL's version calls,
// GetSystemMetrics and the ProductOptions and CurrentVersion registry values.
#pragma once

#include "platform/core/version/version_source_port.h"

namespace norvale::win32 {

class Win32VersionSource final : public VersionSourcePort {
public:
    bool HasKernel32() override;
    bool HasGetVersionEx() override;
    std::optional<ExtendedVersionAnswer> RtlGetVersion() override;
    std::optional<ExtendedVersionAnswer> GetVersionExExtended() override;
    std::optional<BasicVersionAnswer> GetVersionExBasic() override;
    std::uint32_t GetVersionDword() override;
    std::optional<std::uint32_t> GetProductInfo(std::uint32_t major, std::uint32_t minor,
                                                std::uint16_t servicePackMajor,
                                                std::uint16_t servicePackMinor) override;
    int ServerR2Metric() override;
    std::optional<RegistryValue> ProductTypeValue() override;
    std::optional<RegistryValue> ProductSuiteValue() override;
    std::optional<RegistryValue> CsdVersionValue() override;
    Wow64Answer IsWow64Process() override;
};

}  // namespace norvale::win32
