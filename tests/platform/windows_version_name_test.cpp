// The short version name, with the build boundaries of Windows 95 and 98.
#include <gtest/gtest.h>

#include "platform/core/version/windows_version_name.h"
#include "tests/fakes/fake_version_source.h"

namespace norvale {
namespace {

TEST(WindowsVersionName, Table) {
    struct Case {
        std::uint32_t platformId, major, minor, build;
        const wchar_t* name;
    };
    const wchar_t* const unknown = kUnknownWindowsVersionName;
    const Case cases[] = {
        {1, 4, 0, 949, unknown},
        {1, 4, 0, 950, L"Windows 95"},
        {1, 4, 0, 951, L"Windows 95 SP1"},
        {1, 4, 0, 1080, L"Windows 95 SP1"},
        {1, 4, 3, 1081, L"Windows 95 OSR2"},
        {1, 4, 0, 0x04000457, L"Windows 95 OSR2"},  // 1111 in the low word
        {1, 4, 10, 1997, unknown},
        {1, 4, 10, 1998, L"Windows 98"},
        {1, 4, 10, 1999, L"Windows 98 SP1"},
        {1, 4, 10, 2182, L"Windows 98 SP1"},
        {1, 4, 10, 2183, L"Windows 98 SE"},
        {1, 4, 10, 0x040A08AE, L"Windows 98 SE"},
        {1, 4, 90, 3000, L"Windows ME"},
        {1, 4, 50, 3000, unknown},
        {1, 5, 0, 950, unknown},
        {2, 3, 51, 1057, L"Windows NT 3.51"},
        {2, 3, 50, 807, unknown},
        {2, 4, 0, 1381, L"Windows NT 4"},
        {2, 5, 0, 2195, L"Windows 2000"},
        {2, 5, 1, 2600, L"Windows XP"},
        {2, 5, 2, 3790, unknown},
        {2, 6, 0, 6002, L"Vista"},
        {2, 6, 1, 7601, L"Vista"},
        {2, 6, 2, 9200, L"Windows 8"},    // the basic record does not tell a server
        {2, 6, 3, 9600, L"Windows 8.1"},
        {2, 10, 0, 19045, L"Windows 10"},
        {3, 5, 0, 1, L"Windows CE"},
        {0, 1, 30, 1, unknown},
        {7, 6, 1, 1, unknown},
    };
    for (const Case& c : cases) {
        test::FakeVersionSource source;
        source.basic = BasicVersionAnswer{c.major, c.minor, c.build, c.platformId, L""};
        EXPECT_EQ(GetWindowsVersionName(source), c.name)
            << c.platformId << " " << c.major << "." << c.minor << "." << c.build;
    }
}

TEST(WindowsVersionName, UnknownWhenTheVersionCallFails) {
    test::FakeVersionSource source;  // no basic record
    EXPECT_EQ(GetWindowsVersionName(source), kUnknownWindowsVersionName);
    source.basic = BasicVersionAnswer{5, 1, 2600, 2, L""};
    source.getVersionExExported = false;
    EXPECT_EQ(GetWindowsVersionName(source), kUnknownWindowsVersionName);
}

}  // namespace
}  // namespace norvale
