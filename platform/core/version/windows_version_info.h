// What the program knows about the Windows it runs on: one record, filled
// fresh by ReadWindowsVersion for each question and never cached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace norvale {

enum class WindowsPlatform : std::uint32_t {
    Unknown = 0,
    Win32s = 1,     // Windows 3.x with Win32s
    Windows9x = 2,  // Windows 95, 98 and ME
    Nt = 3,         // the NT family
    Ce = 4,
};

enum class ProductType : std::uint32_t {
    Workstation = 0,
    Server = 1,
    DomainController = 2,
};

// Bits of WindowsVersionInfo::suiteMarks. Only the marks some test reads are kept.
namespace suite_mark {
inline constexpr std::uint32_t kEnterprise = 0x2;
inline constexpr std::uint32_t kDatacenter = 0x20;
inline constexpr std::uint32_t kPersonal = 0x40;
inline constexpr std::uint32_t kWeb = 0x80;
inline constexpr std::uint32_t kR2 = 0x20000;
}  // namespace suite_mark

// Bit of WindowsVersionInfo::extraMarks.
namespace extra_mark {
inline constexpr std::uint32_t kStandard = 0x20;
}  // namespace extra_mark

// The platform hands the service-pack text over in 128 characters including
// the terminator; longer texts are cut to that.
inline constexpr std::size_t kMaxServicePackTextLength = 127;

struct WindowsVersionInfo {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;  // the low 16 bits of what the platform reports
    WindowsPlatform platform = WindowsPlatform::Unknown;
    std::wstring servicePackText;   // for example L"Service Pack 1"; may be empty
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    ProductType productType = ProductType::Workstation;
    std::uint32_t suiteMarks = 0;   // suite_mark bits
    std::uint32_t extraMarks = 0;   // extra_mark bits

    bool Has(std::uint32_t suiteMark) const { return (suiteMarks & suiteMark) != 0; }
    bool HasStandardMark() const { return (extraMarks & extra_mark::kStandard) != 0; }
};

}  // namespace norvale
