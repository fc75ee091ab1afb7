// The version class of known editions, with and without WOW64.
#include <gtest/gtest.h>

#include <functional>

#include "disk/core/inventory/os_class.h"
#include "platform/core/version/windows_version_reader.h"
#include "tests/platform/version_machines.h"

namespace norvale {
namespace {

struct OsClassCase {
    const char* label;
    std::function<test::FakeVersionSource()> machine;
    int native;
    int underWow64;
};

const OsClassCase kCases[] = {
    {"XpProfessional", test::XpProfessional, 0, 1},
    {"XpHome", test::XpHome, 0, 1},
    {"XpProfessionalX64", test::XpProfessionalX64, 0, 1},
    {"Server2003Web", test::Server2003Web, 2, 2},
    {"Server2003DatacenterDomainController", test::Server2003DatacenterDomainController, 2, 2},
    {"Server2003StandardRtm", test::Server2003StandardRtm, 4, 3},
    {"Server2003R2Enterprise", test::Server2003R2Enterprise, 5, 5},
    {"VistaBusiness", test::VistaBusiness, 6, 6},
    {"Server2008Standard", test::Server2008Standard, 6, 6},
    {"Windows7Enterprise", test::Windows7Enterprise, 7, 7},
    {"Server2008R2Datacenter", test::Server2008R2Datacenter, 7, 7},
    {"Windows10As62", test::Windows10As62, 7, 7},
    {"Windows2000", test::Windows2000, -1, -1},
    {"Nt4", test::Nt4Sp6, -1, -1},
    {"Windows98Se", test::Windows98Se, -1, -1},
};

class OsClassOfEdition : public testing::TestWithParam<OsClassCase> {};

TEST_P(OsClassOfEdition, NativeAndUnderWow64) {
    test::FakeVersionSource source = GetParam().machine();
    const auto version = ReadWindowsVersion(source);
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(OsClass(version, false), GetParam().native);
    EXPECT_EQ(OsClass(version, true), GetParam().underWow64);
}

INSTANTIATE_TEST_SUITE_P(Windows, OsClassOfEdition, testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.label); });

TEST(OsClass, UnknownWhenTheVersionCouldNotBeRead) {
    EXPECT_EQ(OsClass(std::nullopt, false), kOsClassUnknown);
    EXPECT_EQ(OsClass(std::nullopt, true), kOsClassUnknown);
}

// An XP-family server without R2 is class 2 only when its service-pack text
// says so; the search is for the exact words.
TEST(OsClass, XpServerServicePackText) {
    const std::pair<const wchar_t*, int> cases[] = {
        {L"Service Pack 2", 2},
        {L"Security Service Pack 1 (beta)", 2},
        {L"service pack 2", 4},
        {L"SP2", 4},
        {L"", 4},
    };
    for (const auto& [text, expected] : cases) {
        test::FakeVersionSource source = test::Server2003StandardRtm();
        source.extended->csdText = text;
        EXPECT_EQ(OsClass(ReadWindowsVersion(source), false), expected) << std::wstring(text).size();
    }
}

// A Personal mark makes any XP-family system a client, ahead of the server rows.
TEST(OsClass, PersonalMarkWinsOverServerEditions) {
    test::FakeVersionSource source = test::Server2003R2Enterprise();
    source.extended->suiteMask |= test::kSuitePersonal;
    EXPECT_EQ(OsClass(ReadWindowsVersion(source), true), 1);
}

}  // namespace
}  // namespace norvale
