// The reader's paths: the extended record, the basic record with the
// ProductOptions registry values, GetVersion with CSDVersion, and failures.
#include <gtest/gtest.h>

#include "platform/core/version/windows_version_reader.h"
#include "tests/platform/version_machines.h"

namespace norvale {
namespace {

using test::FakeVersionSource;
using test::MultiTextValue;
using test::NumberValue;
using test::TextValue;

TEST(ReadWindowsVersion, FailsWithoutKernel32AndAsksNothingElse) {
    FakeVersionSource source = test::XpProfessional();
    source.kernel32 = false;
    EXPECT_FALSE(ReadWindowsVersion(source).has_value());
    EXPECT_EQ(source.versionExCalls, 0);
    EXPECT_EQ(source.registryReads, 0);
}

TEST(ReadWindowsVersion, FailsWhenBothVersionRecordsFail) {
    FakeVersionSource source = test::XpProfessional();
    source.extended.reset();
    source.basic.reset();
    EXPECT_FALSE(ReadWindowsVersion(source).has_value());
}

TEST(ReadWindowsVersion, ExtendedRecordAsksProductInfoWithTheVersionRead) {
    FakeVersionSource source = test::MakeNt({6, 1, 7601, test::kNtServer, 0, L"Service Pack 1", 1, 10});
    source.extended->servicePackMinor = 2;
    const auto info = ReadWindowsVersion(source);
    ASSERT_TRUE(info.has_value());
    ASSERT_EQ(source.productInfoQueries.size(), 1u);
    const auto& query = source.productInfoQueries[0];
    EXPECT_EQ(query.major, 6u);
    EXPECT_EQ(query.minor, 1u);
    EXPECT_EQ(query.servicePackMajor, 1u);
    EXPECT_EQ(query.servicePackMinor, 2u);
    EXPECT_EQ(info->servicePackMinor, 2u);
    EXPECT_TRUE(info->Has(suite_mark::kEnterprise));  // product code 10
    EXPECT_TRUE(info->HasStandardMark());              // the suite mask names no edition
    EXPECT_EQ(source.registryReads, 0);
}

TEST(ReadWindowsVersion, ExtendedRecordFields) {
    struct Case {
        std::uint32_t build;
        std::uint8_t productTypeByte;
        std::uint32_t platformId;
        int serverR2;
        std::uint32_t expectedBuild;
        ProductType expectedType;
        WindowsPlatform expectedPlatform;
        bool expectedR2;
    };
    const Case cases[] = {
        {0x12345678, 1, 2, 0, 0x5678, ProductType::Workstation, WindowsPlatform::Nt, false},
        {3790, 2, 2, 1, 3790, ProductType::DomainController, WindowsPlatform::Nt, true},
        {3790, 3, 2, -1, 3790, ProductType::Server, WindowsPlatform::Nt, true},
        {1, 0, 1, 0, 1, ProductType::Workstation, WindowsPlatform::Windows9x, false},  // unknown byte
        {1, 9, 3, 0, 1, ProductType::Workstation, WindowsPlatform::Ce, false},
        {1, 1, 0, 0, 1, ProductType::Workstation, WindowsPlatform::Win32s, false},
        {1, 1, 17, 0, 1, ProductType::Workstation, WindowsPlatform::Unknown, false},
    };
    for (const Case& c : cases) {
        FakeVersionSource source = test::MakeNt({5, 2, c.build, c.productTypeByte, 0, L"", 0});
        source.extended->platformId = c.platformId;
        source.serverR2 = c.serverR2;
        const auto info = ReadWindowsVersion(source);
        ASSERT_TRUE(info.has_value());
        SCOPED_TRACE(c.build);
        EXPECT_EQ(info->buildNumber, c.expectedBuild);
        EXPECT_EQ(info->productType, c.expectedType);
        EXPECT_EQ(info->platform, c.expectedPlatform);
        EXPECT_EQ(info->Has(suite_mark::kR2), c.expectedR2);
    }
}

TEST(ReadWindowsVersion, ServicePackTextIsCutToTheRecordsCapacity) {
    FakeVersionSource source = test::MakeNt({5, 1, 2600, 1, 0, std::wstring(300, L'x'), 0});
    const auto info = ReadWindowsVersion(source);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->servicePackText, std::wstring(kMaxServicePackTextLength, L'x'));
}

// NT 4 before SP6 answers only the basic record.
FakeVersionSource Nt4Sp5Basic() {
    FakeVersionSource source;
    source.basic = BasicVersionAnswer{4, 0, 1381, 2, L"Service Pack 5"};
    source.productCode = 8;  // must not be asked on this path
    source.serverR2 = 1;     // nor this
    return source;
}

TEST(ReadWindowsVersionBasic, NtTakesTheEditionFromProductOptions) {
    FakeVersionSource source = Nt4Sp5Basic();
    source.productType = TextValue(L"ServerNT");
    source.productSuite = MultiTextValue(std::wstring(L"Enterprise\0Terminal Server\0\0", 29));
    const auto info = ReadWindowsVersion(source);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->platform, WindowsPlatform::Nt);
    EXPECT_EQ(info->majorVersion, 4u);
    EXPECT_EQ(info->buildNumber, 1381u);
    EXPECT_EQ(info->servicePackText, L"Service Pack 5");
    EXPECT_EQ(info->servicePackMajor, 5u);
    EXPECT_EQ(info->productType, ProductType::Server);
    EXPECT_EQ(info->suiteMarks, suite_mark::kEnterprise);
    EXPECT_EQ(info->extraMarks, 0u);
    EXPECT_TRUE(source.productInfoQueries.empty());
}

TEST(ReadWindowsVersionBasic, RegistryProductType) {
    struct Case {
        std::optional<RegistryValue> value;
        ProductType expected;
    };
    const Case cases[] = {
        {TextValue(L"WinNT"), ProductType::Workstation},
        {TextValue(L"ServerNT"), ProductType::Server},
        {TextValue(L"servernt"), ProductType::Server},
        {TextValue(L"LanmanNT"), ProductType::DomainController},
        {TextValue(L"LANSECNT"), ProductType::DomainController},
        {TextValue(L"ServerNTx"), ProductType::Workstation},
        {TextValue(L""), ProductType::Workstation},
        {MultiTextValue(std::wstring(L"ServerNT\0", 9)), ProductType::Workstation},  // wrong type
        {NumberValue(3), ProductType::Workstation},
        {std::nullopt, ProductType::Workstation},
    };
    for (const Case& c : cases) {
        FakeVersionSource source = Nt4Sp5Basic();
        source.productType = c.value;
        const auto info = ReadWindowsVersion(source);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->productType, c.expected) << (c.value ? std::string(c.value->text.begin(), c.value->text.end()) : "none");
    }
}

TEST(ReadWindowsVersionBasic, RegistryProductSuite) {
    struct Case {
        std::optional<RegistryValue> value;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {MultiTextValue(std::wstring(L"Personal\0\0", 10)), suite_mark::kPersonal},
        {MultiTextValue(std::wstring(L"Small Business\0ENTERPRISE\0personal\0\0", 36)),
         suite_mark::kEnterprise | suite_mark::kPersonal},
        {MultiTextValue(L"Enterprise"), suite_mark::kEnterprise},  // no terminator at all
        {MultiTextValue(std::wstring(L"\0Enterprise", 11)), suite_mark::kEnterprise},
        {MultiTextValue(L"Enterprise Edition"), 0},
        {MultiTextValue(L""), 0},
        {TextValue(L"Enterprise"), 0},  // wrong type
        {std::nullopt, 0},
    };
    for (const Case& c : cases) {
        FakeVersionSource source = Nt4Sp5Basic();
        source.productSuite = c.value;
        const auto info = ReadWindowsVersion(source);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->suiteMarks, c.expected);
    }
}

TEST(ReadWindowsVersionBasic, PlatformIds) {
    struct Case {
        std::uint32_t platformId;
        WindowsPlatform platform;
        std::uint32_t major, minor;
    };
    const Case cases[] = {
        {0, WindowsPlatform::Win32s, 3, 10},  // Win32s: the Windows under it is 3.1
        {1, WindowsPlatform::Windows9x, 4, 90},
        {2, WindowsPlatform::Nt, 4, 90},
        {3, WindowsPlatform::Ce, 4, 90},
        {4, WindowsPlatform::Unknown, 4, 90},
    };
    for (const Case& c : cases) {
        FakeVersionSource source;
        source.basic = BasicVersionAnswer{4, 90, 3000, c.platformId, L"Service Pack 2"};
        const auto info = ReadWindowsVersion(source);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->platform, c.platform) << c.platformId;
        EXPECT_EQ(info->majorVersion, c.major) << c.platformId;
        EXPECT_EQ(info->minorVersion, c.minor) << c.platformId;
        // Only NT parses the service pack and reads the registry.
        const bool nt = c.platform == WindowsPlatform::Nt;
        EXPECT_EQ(info->servicePackMajor, nt ? 2u : 0u) << c.platformId;
        EXPECT_EQ(source.registryReads, nt ? 2 : 0) << c.platformId;
    }
}

TEST(ReadWindowsVersionGetVersion, UsedOnlyWithoutGetVersionEx) {
    struct Case {
        std::uint32_t dword;
        std::optional<RegistryValue> csdVersion;
        WindowsPlatform platform;
        std::uint32_t major, minor, build;
        std::uint16_t servicePackMajor;
        std::wstring servicePackText;
    };
    const Case cases[] = {
        {(1057u << 16) | (51u << 8) | 3u, TextValue(L"Service Pack 5"), WindowsPlatform::Nt, 3, 51, 1057, 5,
         L"Service Pack 5"},
        {(1381u << 16) | 4u, NumberValue(0x0300), WindowsPlatform::Nt, 4, 0, 1381, 3, L""},
        {(1381u << 16) | 4u, std::nullopt, WindowsPlatform::Nt, 4, 0, 1381, 0, L""},
        {(1381u << 16) | 4u, MultiTextValue(L"Service Pack 2"), WindowsPlatform::Nt, 4, 0, 1381, 0, L""},
        // The high bit marks Windows 9x and Win32s, which have no CSDVersion to read.
        {0xC0000004u, TextValue(L"Service Pack 1"), WindowsPlatform::Windows9x, 4, 0, 0, 0, L""},
        {0x80000A03u, std::nullopt, WindowsPlatform::Win32s, 3, 10, 0, 0, L""},
    };
    for (const Case& c : cases) {
        FakeVersionSource source = test::XpProfessional();
        source.getVersionExExported = false;
        source.versionDword = c.dword;
        source.csdVersion = c.csdVersion;
        const auto info = ReadWindowsVersion(source);
        ASSERT_TRUE(info.has_value());
        SCOPED_TRACE(c.dword);
        EXPECT_EQ(info->platform, c.platform);
        EXPECT_EQ(info->majorVersion, c.major);
        EXPECT_EQ(info->minorVersion, c.minor);
        EXPECT_EQ(info->buildNumber, c.build);
        EXPECT_EQ(info->servicePackMajor, c.servicePackMajor);
        EXPECT_EQ(info->servicePackText, c.servicePackText);
        EXPECT_EQ(source.versionExCalls, 0);
    }
}

TEST(IsWow64, TrueOnlyWhenThePlatformSaysSo) {
    const std::pair<Wow64Answer, bool> cases[] = {
        {Wow64Answer::Yes, true},
        {Wow64Answer::No, false},
        {Wow64Answer::CallFailed, false},
        {Wow64Answer::Unavailable, false},
    };
    for (const auto& [answer, expected] : cases) {
        FakeVersionSource source;
        source.wow64 = answer;
        EXPECT_EQ(IsWow64(source), expected) << static_cast<int>(answer);
    }
}

}  // namespace
}  // namespace norvale
