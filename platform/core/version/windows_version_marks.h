// How the platform's raw edition answers become the marks of a
// WindowsVersionInfo: suite bits, GetProductInfo codes, the ProductOptions
// registry values and the service-pack text.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/core/version/windows_version_info.h"

namespace norvale {

// Marks of an OSVERSIONINFOEXW suite mask.
std::uint32_t SuiteMarksFromSuiteMask(std::uint16_t suiteMask);

// A server or domain controller whose suite mask names no Enterprise,
// Datacenter or restricted Small Business suite is a Standard edition. The Web
// edition's own bit does not count, so Web editions carry the mark as well.
bool IsStandardBySuiteMask(ProductType productType, std::uint16_t suiteMask);

// Marks that a GetProductInfo product code stands for.
struct ProductCodeMarks {
    std::uint32_t suiteMarks = 0;
    std::uint32_t extraMarks = 0;
};
ProductCodeMarks MarksFromProductCode(std::uint32_t productCode);

// OSVERSIONINFOEXW's wProductType.
std::optional<ProductType> ProductTypeFromByte(std::uint8_t productType);

// The ProductOptions "ProductType" text ("WinNT", "ServerNT", "LanmanNT", ...);
// empty for a text it does not know.
std::optional<ProductType> ProductTypeFromRegistryText(std::wstring_view text);

// Marks of the ProductOptions "ProductSuite" multi-string: the strings are
// separated by terminators; a missing final terminator is tolerated.
std::uint32_t SuiteMarksFromProductSuite(std::wstring_view multiString);

// The number that starts at the first digit of a service-pack text
// ("Service Pack 3" gives 3); 0 without a digit, 65535 at most.
std::uint16_t ServicePackNumberFromText(std::wstring_view text);

// dwPlatformId as the platform enumeration.
WindowsPlatform PlatformFromId(std::uint32_t platformId);

}  // namespace norvale
