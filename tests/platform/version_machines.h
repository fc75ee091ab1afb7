// Known Windows editions as their version calls answer them, for the version
// reader's and the version class's tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tests/fakes/fake_version_source.h"

namespace norvale::test {

// OSVERSIONINFOEXW values.
inline constexpr std::uint8_t kNtWorkstation = 1;
inline constexpr std::uint8_t kNtDomainController = 2;
inline constexpr std::uint8_t kNtServer = 3;
inline constexpr std::uint16_t kSuiteEnterprise = 0x2;
inline constexpr std::uint16_t kSuiteTerminal = 0x10;
inline constexpr std::uint16_t kSuiteDatacenter = 0x80;
inline constexpr std::uint16_t kSuiteSingleUserTs = 0x100;
inline constexpr std::uint16_t kSuitePersonal = 0x200;
inline constexpr std::uint16_t kSuiteBlade = 0x400;

struct NtMachine {
    std::uint32_t major, minor, build;
    std::uint8_t productType;
    std::uint16_t suiteMask;
    std::wstring csdText;
    std::uint16_t servicePackMajor = 0;
    std::optional<std::uint32_t> productCode = std::nullopt;  // Vista and later have GetProductInfo
    int serverR2 = 0;
};

// An NT system whose extended and basic version calls both answer.
inline FakeVersionSource MakeNt(const NtMachine& m) {
    FakeVersionSource source;
    source.extended = ExtendedVersionAnswer{m.major, m.minor, m.build, 2, m.csdText, m.servicePackMajor, 0,
                                            m.suiteMask, m.productType};
    source.basic = BasicVersionAnswer{m.major, m.minor, m.build, 2, m.csdText};
    source.productCode = m.productCode;
    source.serverR2 = m.serverR2;
    return source;
}

inline FakeVersionSource XpProfessional() {
    return MakeNt({5, 1, 2600, kNtWorkstation, kSuiteSingleUserTs, L"Service Pack 3", 3});
}
inline FakeVersionSource XpHome() {
    return MakeNt({5, 1, 2600, kNtWorkstation, kSuiteSingleUserTs | kSuitePersonal, L"Service Pack 2", 2});
}
inline FakeVersionSource XpProfessionalX64() {
    return MakeNt({5, 2, 3790, kNtWorkstation, kSuiteSingleUserTs, L"Service Pack 2", 2});
}
inline FakeVersionSource Server2003R2Enterprise() {
    return MakeNt({5, 2, 3790, kNtServer, kSuiteEnterprise | kSuiteTerminal, L"Service Pack 2", 2,
                   std::nullopt, 1});
}
inline FakeVersionSource Server2003Web() {
    return MakeNt({5, 2, 3790, kNtServer, kSuiteBlade | kSuiteTerminal, L"Service Pack 1", 1});
}
inline FakeVersionSource Server2003StandardRtm() {
    return MakeNt({5, 2, 3790, kNtServer, kSuiteTerminal, L"", 0});
}
inline FakeVersionSource Server2003DatacenterDomainController() {
    return MakeNt({5, 2, 3790, kNtDomainController, kSuiteDatacenter, L"Service Pack 2", 2});
}
inline FakeVersionSource VistaBusiness() {
    return MakeNt({6, 0, 6002, kNtWorkstation, kSuiteSingleUserTs, L"Service Pack 2", 2, 6});
}
inline FakeVersionSource Server2008Standard() {
    return MakeNt({6, 0, 6001, kNtServer, kSuiteTerminal, L"Service Pack 1", 1, 7});
}
inline FakeVersionSource Windows7Enterprise() {
    return MakeNt({6, 1, 7601, kNtWorkstation, kSuiteSingleUserTs, L"Service Pack 1", 1, 4});
}
// A workstation without a server mark: new disks come up online and lettered.
inline FakeVersionSource Windows7Professional() {
    return MakeNt({6, 1, 7601, kNtWorkstation, kSuiteSingleUserTs, L"Service Pack 1", 1, 48});
}
inline FakeVersionSource Server2008R2Datacenter() {
    return MakeNt({6, 1, 7601, kNtServer, kSuiteDatacenter | kSuiteTerminal, L"Service Pack 1", 1, 8});
}
// Windows 10 Pro seen by a program without a compatibility declaration.
inline FakeVersionSource Windows10As62() {
    return MakeNt({6, 2, 9200, kNtWorkstation, kSuiteSingleUserTs, L"", 0, 48});
}
// Windows as it is today, answering RtlGetVersion with its real numbers and
// GetVersionExW the same (the manifest declares 8.1 and 10). Service-pack
// texts are empty since 2012; product codes are GetProductInfo's:
// 48 Professional, 7 Standard Server, 8 Datacenter Server.
// Only 8.1 is kept as a 32-bit Windows here; the others are x64, where the
// program runs under WOW64.
inline FakeVersionSource MakeCurrent(const NtMachine& m, bool x64 = true) {
    FakeVersionSource source = MakeNt(m);
    source.rtl = source.extended;
    source.wow64 = x64 ? Wow64Answer::Yes : Wow64Answer::No;
    return source;
}
inline constexpr std::uint16_t kSuiteWorkstation = kSuiteSingleUserTs;
inline constexpr std::uint16_t kSuiteServer = kSuiteTerminal | kSuiteSingleUserTs;
inline FakeVersionSource Windows81Pro() {
    return MakeCurrent({6, 3, 9600, kNtWorkstation, kSuiteWorkstation, L"", 0, 48}, false);
}
inline FakeVersionSource Windows10Pro() { return MakeCurrent({10, 0, 19045, kNtWorkstation, kSuiteWorkstation, L"", 0, 48}); }
inline FakeVersionSource Windows11Pro23H2() { return MakeCurrent({10, 0, 22631, kNtWorkstation, kSuiteWorkstation, L"", 0, 48}); }
inline FakeVersionSource Windows11Pro24H2() { return MakeCurrent({10, 0, 26100, kNtWorkstation, kSuiteWorkstation, L"", 0, 48}); }
inline FakeVersionSource Server2012R2Standard() { return MakeCurrent({6, 3, 9600, kNtServer, kSuiteServer, L"", 0, 7}); }
inline FakeVersionSource Server2016Standard() { return MakeCurrent({10, 0, 14393, kNtServer, kSuiteServer, L"", 0, 7}); }
inline FakeVersionSource Server2019Standard() { return MakeCurrent({10, 0, 17763, kNtServer, kSuiteServer, L"", 0, 7}); }
inline FakeVersionSource Server2022Datacenter() {
    return MakeCurrent({10, 0, 20348, kNtServer, kSuiteServer | kSuiteDatacenter, L"", 0, 8});
}
inline FakeVersionSource Server2025Standard() { return MakeCurrent({10, 0, 26100, kNtServer, kSuiteServer, L"", 0, 7}); }
// Their Windows 7 SP1 counterparts of the same edition.
inline FakeVersionSource Server2008R2Standard() {
    return MakeNt({6, 1, 7601, kNtServer, kSuiteServer, L"Service Pack 1", 1, 7});
}

inline FakeVersionSource Windows2000() {
    return MakeNt({5, 0, 2195, kNtWorkstation, 0, L"Service Pack 4", 4});
}
inline FakeVersionSource Nt4Sp6() { return MakeNt({4, 0, 1381, kNtWorkstation, 0, L"Service Pack 6", 6}); }

// Windows 98 knows only the basic record; its build number carries the
// version in the high word.
inline FakeVersionSource Windows98Se() {
    FakeVersionSource source;
    source.basic = BasicVersionAnswer{4, 10, 0x040A08AE, 1, L" A "};
    return source;
}

}  // namespace norvale::test
