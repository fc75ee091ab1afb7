#include "platform/core/version/windows_version_reader.h"

#include "platform/core/version/windows_version_marks.h"

namespace norvale {
namespace {

constexpr std::uint32_t kLow16 = 0xFFFF;

std::wstring ClippedServicePackText(const std::wstring& text) {
    return text.substr(0, kMaxServicePackTextLength);
}

void ApplyProductCode(WindowsVersionInfo& info, std::uint32_t productCode) {
    const ProductCodeMarks marks = MarksFromProductCode(productCode);
    info.suiteMarks |= marks.suiteMarks;
    info.extraMarks |= marks.extraMarks;
}

WindowsVersionInfo FromExtendedAnswer(const ExtendedVersionAnswer& answer, VersionSourcePort& source) {
    WindowsVersionInfo info;
    info.majorVersion = answer.major;
    info.minorVersion = answer.minor;
    info.buildNumber = answer.build & kLow16;
    info.servicePackText = ClippedServicePackText(answer.csdText);
    info.servicePackMajor = answer.servicePackMajor;
    info.servicePackMinor = answer.servicePackMinor;
    info.suiteMarks = SuiteMarksFromSuiteMask(answer.suiteMask);
    info.productType = ProductTypeFromByte(answer.productType).value_or(ProductType::Workstation);
    if (IsStandardBySuiteMask(info.productType, answer.suiteMask)) info.extraMarks |= extra_mark::kStandard;
    if (source.ServerR2Metric() != 0) info.suiteMarks |= suite_mark::kR2;
    info.platform = PlatformFromId(answer.platformId);
    if (const auto productCode = source.GetProductInfo(info.majorVersion, info.minorVersion,
                                                       info.servicePackMajor, info.servicePackMinor)) {
        ApplyProductCode(info, *productCode);
    }
    return info;
}

// Windows older than NT 4 SP6 knows only the basic record; there the edition
// comes from the ProductOptions registry values.
void ApplyProductOptions(WindowsVersionInfo& info, VersionSourcePort& source) {
    if (const auto type = source.ProductTypeValue(); type && type->type == RegistryValue::Type::Text) {
        info.productType = ProductTypeFromRegistryText(type->text).value_or(ProductType::Workstation);
    }
    if (const auto suite = source.ProductSuiteValue(); suite && suite->type == RegistryValue::Type::MultiText) {
        info.suiteMarks |= SuiteMarksFromProductSuite(suite->text);
    }
}

WindowsVersionInfo FromBasicAnswer(const BasicVersionAnswer& answer, VersionSourcePort& source) {
    WindowsVersionInfo info;
    info.majorVersion = answer.major;
    info.minorVersion = answer.minor;
    info.buildNumber = answer.build & kLow16;
    info.servicePackText = ClippedServicePackText(answer.csdText);
    info.platform = PlatformFromId(answer.platformId);
    switch (info.platform) {
        case WindowsPlatform::Win32s:
            // Win32s reports the version of its own layer; the Windows under it is 3.1.
            info.majorVersion = 3;
            info.minorVersion = 10;
            break;
        case WindowsPlatform::Nt:
            info.servicePackMajor = ServicePackNumberFromText(info.servicePackText);
            ApplyProductOptions(info, source);
            break;
        default:
            break;
    }
    return info;
}

// Only the oldest systems lack GetVersionExW: GetVersion packs the version
// into one DWORD, whose high bit marks a system outside the NT family.
WindowsVersionInfo FromVersionDword(std::uint32_t version, VersionSourcePort& source) {
    constexpr std::uint32_t kNotNtBit = 0x80000000u;
    WindowsVersionInfo info;
    info.majorVersion = version & 0xFF;
    info.minorVersion = (version >> 8) & 0xFF;
    if (version & kNotNtBit) {
        info.platform = info.majorVersion < 4 ? WindowsPlatform::Win32s : WindowsPlatform::Windows9x;
        return info;
    }
    info.platform = WindowsPlatform::Nt;
    info.buildNumber = (version >> 16) & 0x7FFF;
    if (const auto csd = source.CsdVersionValue()) {
        if (csd->type == RegistryValue::Type::Text) {
            info.servicePackText = ClippedServicePackText(csd->text);
            info.servicePackMajor = ServicePackNumberFromText(csd->text);
        } else if (csd->type == RegistryValue::Type::Number) {
            info.servicePackMajor = static_cast<std::uint16_t>((csd->number >> 8) & 0xFF);
        }
    }
    return info;
}

}  // namespace

std::optional<WindowsVersionInfo> ReadWindowsVersion(VersionSourcePort& source) {
    if (!source.HasKernel32()) return std::nullopt;
    // GetVersionExW answers what the manifest declares, RtlGetVersion what
    // Windows is; the real one decides.
    if (const auto real = source.RtlGetVersion()) return FromExtendedAnswer(*real, source);
    if (!source.HasGetVersionEx()) return FromVersionDword(source.GetVersionDword(), source);
    if (const auto extended = source.GetVersionExExtended()) return FromExtendedAnswer(*extended, source);
    if (const auto basic = source.GetVersionExBasic()) return FromBasicAnswer(*basic, source);
    return std::nullopt;
}

bool IsWow64(VersionSourcePort& source) { return source.IsWow64Process() == Wow64Answer::Yes; }

}  // namespace norvale
