// The live version answers under Wine: the prefix's configured Windows
// version is named in NORVALE_WINE_VERSION, the expected WOW64 state in
// NORVALE_EXPECT_WOW64 (tests/win32/wine_version_matrix.sh sets both). The
// WOW64 answer is checked twice: as the version reader sees it, and as the
// redirection adapter acts on it (switched only under WOW64).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "disk/core/inventory/os_class.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_name.h"
#include "platform/core/version/windows_version_reader.h"
#include "platform/win32/win32_version_source.h"
#include "platform/win32/win32_wow64_redirection.h"

namespace norvale {
namespace {

struct WineVersion {
    const char* key;
    WindowsPlatform platform;
    std::uint32_t major, minor;
    const wchar_t* name;
    bool (*editionTest)(const WindowsVersionInfo&);  // the one edition test that must hold
    int osClass;                                      // without WOW64
    std::uint32_t minBuild = 0, maxBuild = 0xFFFF;    // the builds of that family
};

bool NoNtTest(const WindowsVersionInfo& i) {
    return !IsOlderNt(i) && !IsXpFamily(i) && !IsVistaOrLater(i);
}

// The reader takes RtlGetVersion's answer, so Windows 10 and 11 read 10.0 with
// their builds although this test executable declares no compatibility manifest.
// Wine 8.0 reports "win7" with the server product type and "win2008r2" with the
// workstation one (seen by a 64-bit probe of the same adapter); the table follows Wine.
const char* ResultName(RedirectionResult r) {
    switch (r) {
    case RedirectionResult::Done: return "done";
    case RedirectionResult::Unavailable: return "unavailable";
    case RedirectionResult::Failed: return "failed";
    }
    return "?";
}

const WineVersion kWineVersions[] = {
    {"winxp", WindowsPlatform::Nt, 5, 1, L"Windows XP", IsXpClient, 0},
    {"win2003", WindowsPlatform::Nt, 5, 2, kUnknownWindowsVersionName, IsXpFamilyMemberServer, 2},
    {"vista", WindowsPlatform::Nt, 6, 0, L"Vista", IsVersion60Workstation, 6},
    {"win7", WindowsPlatform::Nt, 6, 1, L"Vista", IsVersion61OrLaterMemberServer, 7},
    {"win2008r2", WindowsPlatform::Nt, 6, 1, L"Vista", IsVersion61OrLaterWorkstation, 7},
    // Wine 8.0 answers 10.0.18362 for "win10"; it knows no "win11", so the
    // script describes Windows 11 in the prefix's registry (10.0.22631).
    {"win10", WindowsPlatform::Nt, 10, 0, L"Windows 10", IsVersion61OrLaterWorkstation, 7, 10240, 21999},
    {"win11", WindowsPlatform::Nt, 10, 0, L"Windows 11", IsVersion61OrLaterWorkstation, 7, 22000},
    {"win98", WindowsPlatform::Windows9x, 4, 10, L"Windows 98 SE", NoNtTest, -1},
};

TEST(Win32VersionSource, ReportsTheConfiguredWineVersion) {
    const char* configured = std::getenv("NORVALE_WINE_VERSION");
    const char* wow64 = std::getenv("NORVALE_EXPECT_WOW64");
    if (!configured || !wow64) GTEST_SKIP() << "NORVALE_WINE_VERSION and NORVALE_EXPECT_WOW64 not set";
    const WineVersion* expected = nullptr;
    for (const WineVersion& v : kWineVersions) {
        if (std::string(configured) == v.key) expected = &v;
    }
    ASSERT_NE(expected, nullptr) << "unknown NORVALE_WINE_VERSION " << configured;
    const bool expectWow64 = std::string(wow64) == "1";

    win32::Win32VersionSource source;
    const auto info = ReadWindowsVersion(source);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->platform, expected->platform);
    EXPECT_EQ(info->majorVersion, expected->major);
    EXPECT_EQ(info->minorVersion, expected->minor);
    EXPECT_GE(info->buildNumber, expected->minBuild);
    EXPECT_LE(info->buildNumber, expected->maxBuild);
    EXPECT_TRUE(expected->editionTest(*info));
    EXPECT_EQ(GetWindowsVersionName(source), expected->name);
    EXPECT_EQ(IsWow64(source), expectWow64);
    // Under WOW64 an XP client is class 1 instead of 0.
    const int expectedClass = (expected->osClass == 0 && expectWow64) ? 1 : expected->osClass;
    EXPECT_EQ(OsClass(info, IsWow64(source)), expectedClass);

    win32::Win32Wow64Redirection redirection;
    const RedirectionResult off = redirection.Disable();
    const RedirectionResult on = redirection.Enable(true);
    const RedirectionResult expectedSwitch = expectWow64 ? RedirectionResult::Done : RedirectionResult::Unavailable;
    EXPECT_EQ(off, expectedSwitch);
    EXPECT_EQ(on, expectedSwitch);
    std::printf("wow64 IsWow64=%s redirection off=%s on=%s\n", IsWow64(source) ? "TRUE" : "FALSE", ResultName(off),
                ResultName(on));
    std::printf("version %u.%u.%u platform %u sp \"%ls\" type %u suite 0x%x extra 0x%x\n", info->majorVersion,
                info->minorVersion, info->buildNumber, static_cast<unsigned>(info->platform),
                info->servicePackText.c_str(), static_cast<unsigned>(info->productType), info->suiteMarks,
                info->extraMarks);
}

}  // namespace
}  // namespace norvale
