#include "platform/core/version/windows_version_marks.h"

#include <algorithm>
#include <initializer_list>

namespace norvale {
namespace {

// OSVERSIONINFOEXW suite bits.
constexpr std::uint16_t kSuiteEnterprise = 0x2;
constexpr std::uint16_t kSuiteSmallBusinessRestricted = 0x20;
constexpr std::uint16_t kSuiteDatacenter = 0x80;
constexpr std::uint16_t kSuitePersonal = 0x200;
constexpr std::uint16_t kSuiteBlade = 0x400;  // the Web edition

bool IsOneOf(std::uint32_t code, std::initializer_list<std::uint32_t> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
}

}  // namespace

std::uint32_t SuiteMarksFromSuiteMask(std::uint16_t suiteMask) {
    std::uint32_t marks = 0;
    if (suiteMask & kSuiteEnterprise) marks |= suite_mark::kEnterprise;
    if (suiteMask & kSuiteDatacenter) marks |= suite_mark::kDatacenter;
    if (suiteMask & kSuitePersonal) marks |= suite_mark::kPersonal;
    if (suiteMask & kSuiteBlade) marks |= suite_mark::kWeb;
    return marks;
}

bool IsStandardBySuiteMask(ProductType productType, std::uint16_t suiteMask) {
    constexpr std::uint16_t kNotStandard = kSuiteEnterprise | kSuiteSmallBusinessRestricted | kSuiteDatacenter;
    return productType != ProductType::Workstation && (suiteMask & kNotStandard) == 0;
}

ProductCodeMarks MarksFromProductCode(std::uint32_t productCode) {
    ProductCodeMarks marks;
    if (IsOneOf(productCode, {4, 10, 14, 15, 23, 38, 41, 70})) marks.suiteMarks |= suite_mark::kEnterprise;
    if (IsOneOf(productCode, {8, 12, 37, 39})) marks.suiteMarks |= suite_mark::kDatacenter;
    if (IsOneOf(productCode, {17, 29})) marks.suiteMarks |= suite_mark::kWeb;
    if (IsOneOf(productCode, {7, 13, 21, 36, 40})) marks.extraMarks |= extra_mark::kStandard;
    return marks;
}

std::optional<ProductType> ProductTypeFromByte(std::uint8_t productType) {
    switch (productType) {
        case 1: return ProductType::Workstation;
        case 2: return ProductType::DomainController;
        case 3: return ProductType::Server;
        default: return std::nullopt;
    }
}

std::optional<ProductType> ProductTypeFromRegistryText(std::wstring_view text) {
    if (EqualsIgnoringCase(text, L"LANMANNT") || EqualsIgnoringCase(text, L"LANSECNT"))
        return ProductType::DomainController;
    if (EqualsIgnoringCase(text, L"SERVERNT")) return ProductType::Server;
    if (EqualsIgnoringCase(text, L"WinNT")) return ProductType::Workstation;
    return std::nullopt;
}

std::uint32_t SuiteMarksFromProductSuite(std::wstring_view multiString) {
    std::uint32_t marks = 0;
    while (!multiString.empty()) {
        const std::size_t end = std::min(multiString.find(L'\0'), multiString.size());
        const std::wstring_view entry = multiString.substr(0, end);
        if (EqualsIgnoringCase(entry, L"Enterprise")) marks |= suite_mark::kEnterprise;
        if (EqualsIgnoringCase(entry, L"Personal")) marks |= suite_mark::kPersonal;
        multiString.remove_prefix(std::min(end + 1, multiString.size()));
    }
    return marks;
}

std::uint16_t ServicePackNumberFromText(std::wstring_view text) {
    const auto isDigit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
    auto it = std::find_if(text.begin(), text.end(), isDigit);
    std::uint32_t number = 0;
    for (; it != text.end() && isDigit(*it); ++it) {
        number = std::min<std::uint32_t>(number * 10 + static_cast<std::uint32_t>(*it - L'0'), 0xFFFF);
    }
    return static_cast<std::uint16_t>(number);
}

WindowsPlatform PlatformFromId(std::uint32_t platformId) {
    switch (platformId) {
        case 0: return WindowsPlatform::Win32s;
        case 1: return WindowsPlatform::Windows9x;
        case 2: return WindowsPlatform::Nt;
        case 3: return WindowsPlatform::Ce;
        default: return WindowsPlatform::Unknown;
    }
}

}  // namespace norvale
