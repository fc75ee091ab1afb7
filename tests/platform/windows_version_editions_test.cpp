// Known editions through the whole reader: each must pass exactly the listed
// version tests and carry the listed name.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_name.h"
#include "platform/core/version/windows_version_reader.h"
#include "tests/platform/version_machines.h"

namespace norvale {
namespace {

using test::FakeVersionSource;

struct NamedTest {
    const char* name;
    bool (*test)(const WindowsVersionInfo&);
};

const std::vector<NamedTest>& AllVersionTests() {
    static const std::vector<NamedTest> tests = {
        {"IsOlderNt", IsOlderNt},
        {"IsXpFamily", IsXpFamily},
        {"IsXpClient", IsXpClient},
        {"IsXpFamilyWebEdition", IsXpFamilyWebEdition},
        {"IsXpFamilyWebEditionR2", IsXpFamilyWebEditionR2},
        {"IsXpFamilyMemberServer", IsXpFamilyMemberServer},
        {"IsXpFamilyMemberServerR2", IsXpFamilyMemberServerR2},
        {"IsXpFamilyEnterprise", IsXpFamilyEnterprise},
        {"IsXpFamilyEnterpriseR2", IsXpFamilyEnterpriseR2},
        {"IsXpFamilyDatacenter", IsXpFamilyDatacenter},
        {"IsXpFamilyDatacenterR2", IsXpFamilyDatacenterR2},
        {"IsXpFamilyDomainController", IsXpFamilyDomainController},
        {"IsXpFamilyDomainControllerR2", IsXpFamilyDomainControllerR2},
        {"IsXpFamilyStandard", IsXpFamilyStandard},
        {"IsXpFamilyStandardR2", IsXpFamilyStandardR2},
        {"IsVersion60Workstation", IsVersion60Workstation},
        {"IsVersion60MemberServer", IsVersion60MemberServer},
        {"IsVersion60WebEdition", IsVersion60WebEdition},
        {"IsVersion60Enterprise", IsVersion60Enterprise},
        {"IsVersion60Standard", IsVersion60Standard},
        {"IsVersion60Datacenter", IsVersion60Datacenter},
        {"IsVersion60DomainController", IsVersion60DomainController},
        {"IsVersion61OrLaterWorkstation", IsVersion61OrLaterWorkstation},
        {"IsVersion61OrLaterMemberServer", IsVersion61OrLaterMemberServer},
        {"IsVersion61OrLaterWebEdition", IsVersion61OrLaterWebEdition},
        {"IsVersion61OrLaterEnterprise", IsVersion61OrLaterEnterprise},
        {"IsVersion61OrLaterStandard", IsVersion61OrLaterStandard},
        {"IsVersion61OrLaterDatacenter", IsVersion61OrLaterDatacenter},
        {"IsVersion61OrLaterDomainController", IsVersion61OrLaterDomainController},
        {"IsVistaOrLater", IsVistaOrLater},
        {"IsVistaOrLaterServerEdition", IsVistaOrLaterServerEdition},
    };
    return tests;
}

struct EditionCase {
    const char* label;
    std::function<FakeVersionSource()> machine;
    std::set<std::string> trueTests;  // every other test must be false
    std::wstring name;
};

const std::wstring kUnknown = kUnknownWindowsVersionName;

const EditionCase kCases[] = {
    {"XpProfessional", test::XpProfessional, {"IsXpFamily", "IsXpClient"}, L"Windows XP"},
    {"XpHome", test::XpHome, {"IsXpFamily", "IsXpClient"}, L"Windows XP"},
    {"XpProfessionalX64", test::XpProfessionalX64, {"IsXpFamily", "IsXpClient"}, kUnknown},
    {"Server2003R2Enterprise", test::Server2003R2Enterprise,
     {"IsXpFamily", "IsXpFamilyMemberServerR2", "IsXpFamilyEnterpriseR2"}, kUnknown},
    // The Standard rule does not look at the Web edition's suite bit.
    {"Server2003Web", test::Server2003Web,
     {"IsXpFamily", "IsXpFamilyWebEdition", "IsXpFamilyMemberServer", "IsXpFamilyStandard"}, kUnknown},
    {"Server2003StandardRtm", test::Server2003StandardRtm,
     {"IsXpFamily", "IsXpFamilyMemberServer", "IsXpFamilyStandard"}, kUnknown},
    {"Server2003DatacenterDomainController", test::Server2003DatacenterDomainController,
     {"IsXpFamily", "IsXpFamilyDatacenter", "IsXpFamilyDomainController"}, kUnknown},
    {"VistaBusiness", test::VistaBusiness, {"IsVersion60Workstation", "IsVistaOrLater"}, L"Vista"},
    {"Server2008Standard", test::Server2008Standard,
     {"IsVersion60MemberServer", "IsVersion60Standard", "IsVistaOrLater", "IsVistaOrLaterServerEdition"},
     L"Vista"},
    // The Enterprise mark alone makes a workstation count as a server edition.
    {"Windows7Enterprise", test::Windows7Enterprise,
     {"IsVersion61OrLaterWorkstation", "IsVersion61OrLaterEnterprise", "IsVistaOrLater",
      "IsVistaOrLaterServerEdition"},
     L"Vista"},
    {"Server2008R2Datacenter", test::Server2008R2Datacenter,
     {"IsVersion61OrLaterMemberServer", "IsVersion61OrLaterDatacenter", "IsVistaOrLater",
      "IsVistaOrLaterServerEdition"},
     L"Vista"},
    {"Windows10As62", test::Windows10As62, {"IsVersion61OrLaterWorkstation", "IsVistaOrLater"}, L"Windows 8"},
    {"Windows2000", test::Windows2000, {"IsOlderNt"}, L"Windows 2000"},
    {"Nt4", test::Nt4Sp6, {"IsOlderNt"}, L"Windows NT 4"},
    {"Windows98Se", test::Windows98Se, {}, L"Windows 98 SE"},
};

class KnownEdition : public testing::TestWithParam<EditionCase> {};

TEST_P(KnownEdition, PassesExactlyItsVersionTests) {
    FakeVersionSource source = GetParam().machine();
    const auto info = ReadWindowsVersion(source);
    ASSERT_TRUE(info.has_value());
    for (const NamedTest& t : AllVersionTests()) {
        const bool expected = GetParam().trueTests.count(t.name) != 0;
        EXPECT_EQ(t.test(*info), expected) << t.name;
    }
}

TEST_P(KnownEdition, IsNamed) {
    FakeVersionSource source = GetParam().machine();
    EXPECT_EQ(GetWindowsVersionName(source), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Windows, KnownEdition, testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.label); });

TEST(KnownEditionFields, Windows98SeKeepsTheLowWordOfItsBuild) {
    FakeVersionSource source = test::Windows98Se();
    const auto info = ReadWindowsVersion(source);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->platform, WindowsPlatform::Windows9x);
    EXPECT_EQ(info->majorVersion, 4u);
    EXPECT_EQ(info->minorVersion, 10u);
    EXPECT_EQ(info->buildNumber, 2222u);
    EXPECT_EQ(info->servicePackText, L" A ");
}

TEST(KnownEditionFields, Windows7EnterpriseCopiesTheExtendedRecord) {
    FakeVersionSource source = test::Windows7Enterprise();
    const auto info = ReadWindowsVersion(source);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->platform, WindowsPlatform::Nt);
    EXPECT_EQ(info->buildNumber, 7601u);
    EXPECT_EQ(info->servicePackText, L"Service Pack 1");
    EXPECT_EQ(info->servicePackMajor, 1u);
    EXPECT_EQ(info->productType, ProductType::Workstation);
    EXPECT_EQ(info->suiteMarks, suite_mark::kEnterprise);
    EXPECT_EQ(info->extraMarks, 0u);
}

// Each XP-family server edition, alone, with the R2 mark absent and present.
TEST(XpFamilyServerEditions, R2MarkSelectsExactlyOneOfEachPair) {
    struct Condition {
        Edition edition;
        ProductType productType;
        std::uint32_t suiteMarks;
        std::uint32_t extraMarks;
    };
    const Condition conditions[] = {
        {Edition::WebEdition, ProductType::Workstation, suite_mark::kWeb, 0},
        {Edition::MemberServer, ProductType::Server, 0, 0},
        {Edition::Enterprise, ProductType::Workstation, suite_mark::kEnterprise, 0},
        {Edition::Datacenter, ProductType::Workstation, suite_mark::kDatacenter, 0},
        {Edition::DomainController, ProductType::DomainController, 0, 0},
        {Edition::Standard, ProductType::Workstation, 0, extra_mark::kStandard},
    };
    for (const Condition& c : conditions) {
        for (const bool r2 : {false, true}) {
            WindowsVersionInfo info;
            info.platform = WindowsPlatform::Nt;
            info.majorVersion = 5;
            info.minorVersion = 2;
            info.productType = c.productType;
            info.suiteMarks = c.suiteMarks | (r2 ? suite_mark::kR2 : 0);
            info.extraMarks = c.extraMarks;
            const int edition = static_cast<int>(c.edition);
            EXPECT_EQ(IsXpFamilyServerEdition(info, c.edition, r2), true) << edition << " r2=" << r2;
            EXPECT_EQ(IsXpFamilyServerEdition(info, c.edition, !r2), false) << edition << " r2=" << r2;
            EXPECT_TRUE(IsXpFamilyServer(info, r2)) << edition;
            EXPECT_FALSE(IsXpFamilyServer(info, !r2)) << edition;
        }
    }
}

TEST(VersionRanges, BoundariesOfTheVersionFamilies) {
    struct Range {
        WindowsPlatform platform;
        std::uint32_t major, minor;
        bool olderNt, xpFamily, version60, version61OrLater;
    };
    const Range ranges[] = {
        {WindowsPlatform::Nt, 3, 51, true, false, false, false},
        {WindowsPlatform::Nt, 4, 0, true, false, false, false},
        {WindowsPlatform::Nt, 5, 0, true, false, false, false},
        {WindowsPlatform::Nt, 5, 1, false, true, false, false},
        {WindowsPlatform::Nt, 5, 2, false, true, false, false},
        {WindowsPlatform::Nt, 6, 0, false, false, true, false},
        {WindowsPlatform::Nt, 6, 3, false, false, false, true},
        {WindowsPlatform::Nt, 10, 0, false, false, false, true},
        {WindowsPlatform::Windows9x, 4, 10, false, false, false, false},
        {WindowsPlatform::Ce, 6, 0, false, false, false, false},
        {WindowsPlatform::Unknown, 5, 1, false, false, false, false},
    };
    for (const Range& r : ranges) {
        WindowsVersionInfo info;
        info.platform = r.platform;
        info.majorVersion = r.major;
        info.minorVersion = r.minor;
        SCOPED_TRACE(std::to_string(r.major) + "." + std::to_string(r.minor) + " platform " +
                     std::to_string(static_cast<int>(r.platform)));
        EXPECT_EQ(IsOlderNt(info), r.olderNt);
        EXPECT_EQ(IsXpFamily(info), r.xpFamily);
        EXPECT_EQ(IsXpClient(info), r.xpFamily);  // a workstation
        EXPECT_EQ(IsVersion60(info), r.version60);
        EXPECT_EQ(IsVersion61OrLater(info), r.version61OrLater);
        EXPECT_EQ(IsVistaOrLater(info), r.version60 || r.version61OrLater);
        EXPECT_FALSE(IsVistaOrLaterServerEdition(info));
    }
}

}  // namespace
}  // namespace norvale
