// A scripted Windows for the version reader: each field is what the platform
// answers; the queries that carry arguments are recorded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/version/version_source_port.h"

namespace norvale::test {

class FakeVersionSource final : public VersionSourcePort {
public:
    struct ProductInfoQuery {
        std::uint32_t major, minor;
        std::uint16_t servicePackMajor, servicePackMinor;
    };

    bool kernel32 = true;
    bool getVersionExExported = true;
    std::optional<ExtendedVersionAnswer> extended;  // empty: the extended call fails
    std::optional<BasicVersionAnswer> basic;        // empty: the basic call fails
    std::optional<ExtendedVersionAnswer> rtl;       // empty: no RtlGetVersion (or it fails)
    std::uint32_t versionDword = 0;
    std::optional<std::uint32_t> productCode;       // empty: no GetProductInfo
    int serverR2 = 0;
    std::optional<RegistryValue> productType;
    std::optional<RegistryValue> productSuite;
    std::optional<RegistryValue> csdVersion;
    Wow64Answer wow64 = Wow64Answer::No;

    std::vector<ProductInfoQuery> productInfoQueries;
    int registryReads = 0;
    int versionExCalls = 0;

    bool HasKernel32() override { return kernel32; }
    bool HasGetVersionEx() override { return kernel32 && getVersionExExported; }
    std::optional<ExtendedVersionAnswer> RtlGetVersion() override { return kernel32 ? rtl : std::nullopt; }
    std::optional<ExtendedVersionAnswer> GetVersionExExtended() override {
        ++versionExCalls;
        return HasGetVersionEx() ? extended : std::nullopt;
    }
    std::optional<BasicVersionAnswer> GetVersionExBasic() override {
        ++versionExCalls;
        return HasGetVersionEx() ? basic : std::nullopt;
    }
    std::uint32_t GetVersionDword() override { return versionDword; }
    std::optional<std::uint32_t> GetProductInfo(std::uint32_t major, std::uint32_t minor,
                                                std::uint16_t servicePackMajor,
                                                std::uint16_t servicePackMinor) override {
        productInfoQueries.push_back({major, minor, servicePackMajor, servicePackMinor});
        return productCode;
    }
    int ServerR2Metric() override { return serverR2; }
    std::optional<RegistryValue> ProductTypeValue() override { return ++registryReads, productType; }
    std::optional<RegistryValue> ProductSuiteValue() override { return ++registryReads, productSuite; }
    std::optional<RegistryValue> CsdVersionValue() override { return ++registryReads, csdVersion; }
    Wow64Answer IsWow64Process() override { return kernel32 ? wow64 : Wow64Answer::Unavailable; }
};

inline RegistryValue TextValue(std::wstring text) {
    return {RegistryValue::Type::Text, std::move(text), 0};
}
inline RegistryValue MultiTextValue(std::wstring text) {
    return {RegistryValue::Type::MultiText, std::move(text), 0};
}
inline RegistryValue NumberValue(std::uint32_t number) { return {RegistryValue::Type::Number, {}, number}; }

}  // namespace norvale::test
