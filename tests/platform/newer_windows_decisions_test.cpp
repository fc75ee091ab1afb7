// Windows 8.1 to 11 and Server 2012 R2 to 2025, read with their real numbers:
// every choice the program makes by version comes out as for the Windows 7
// SP1 of the same edition and bitness, and the name says what they are.
#include <gtest/gtest.h>

#include "disk/core/inventory/os_class.h"
#include "disk/core/scripts/disk_version_sets.h"
#include "disk/core/wizard/wizard_plan.h"
#include "iscsi/core/targets/initiator_prerequisites.h"
#include "iscsi/core/targets/statistics_selection.h"
#include "mainwindow/core/shares/share_connect.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_name.h"
#include "platform/core/version/windows_version_reader.h"
#include "tests/platform/version_machines.h"

namespace norvale {
namespace {

using test::FakeVersionSource;

// Every version-dependent answer, as one comparable row.
struct Decisions {
    std::uint32_t major = 0, minor = 0, build = 0;
    std::vector<bool> predicates;  // the edition tests, 6.x and XP family
    CredentialPlan sharePlan{};
    bool restartAdvised = false;
    bool initiatorBuiltIn = false, registry32 = false;
    std::wstring installer;
    bool statisticsPrefix = false;
    bool xpServerSet = false, serverEditionSet = false, assignSet = false, deleteScriptSet = false;
    DeletionPath deletion{};
    int osClass = kOsClassUnknown;
    std::int64_t mbrStart = 0;
    bool gptFor3TB = false, olderRequests = false;
    bool redirectsCommands = false;

    bool SameChoicesAs(const Decisions& o) const {
        return predicates == o.predicates && sharePlan == o.sharePlan && restartAdvised == o.restartAdvised &&
               initiatorBuiltIn == o.initiatorBuiltIn && registry32 == o.registry32 && installer == o.installer &&
               statisticsPrefix == o.statisticsPrefix && xpServerSet == o.xpServerSet &&
               serverEditionSet == o.serverEditionSet && assignSet == o.assignSet &&
               deleteScriptSet == o.deleteScriptSet && deletion == o.deletion && osClass == o.osClass &&
               mbrStart == o.mbrStart && gptFor3TB == o.gptFor3TB && olderRequests == o.olderRequests &&
               redirectsCommands == o.redirectsCommands;
    }
};

Decisions Decide(FakeVersionSource source, bool wow64) {
    source.wow64 = wow64 ? Wow64Answer::Yes : Wow64Answer::No;
    const auto info = ReadWindowsVersion(source);
    EXPECT_TRUE(info);
    Decisions d;
    if (!info) return d;
    d.major = info->majorVersion;
    d.minor = info->minorVersion;
    d.build = info->buildNumber;
    for (Edition e : {Edition::Workstation, Edition::MemberServer, Edition::WebEdition, Edition::Enterprise,
                      Edition::Standard, Edition::Datacenter, Edition::DomainController}) {
        d.predicates.push_back(IsVersion60Edition(*info, e));
        d.predicates.push_back(IsVersion61OrLaterEdition(*info, e));
        d.predicates.push_back(IsXpFamilyServerEdition(*info, e, false));
    }
    for (bool b : {IsOlderNt(*info), IsXpFamily(*info), IsXpClient(*info), IsVistaOrLater(*info),
                   IsVistaOrLaterServerEdition(*info), IsVersion61OrLater(*info)}) {
        d.predicates.push_back(b);
    }
    d.sharePlan = CredentialPlanFor(GetWindowsVersionName(source), IsVistaOrLater(*info));
    d.restartAdvised = IsVistaOrLater(*info) && IsWow64(source);
    d.initiatorBuiltIn = IsVistaOrLater(*info);
    d.registry32 = IsXpFamily(*info) && wow64;
    d.installer = InstallerFileName(true, wow64);
    d.statisticsPrefix = UsesStatisticsPrefixMatching(*info);
    d.xpServerSet = InXpServerSet(*info);
    d.serverEditionSet = InServerEditionSet(*info);
    d.assignSet = InAssignSet(*info);
    d.deleteScriptSet = InDeleteScriptSet(*info);
    d.deletion = ChooseDeletionPath(info);
    d.osClass = OsClass(info, wow64);
    constexpr std::int64_t kTenGiB = 10LL << 30;
    d.mbrStart = PlanWizardExtent(10 * 1024, false, d.osClass, {kTenGiB, kTenGiB, 512}).start;
    d.gptFor3TB = CheckWizardSize(WizardChoice{}, 3'000'000'000'000LL >> 20, d.osClass, 3'000'000'000'000LL >> 20).gpt;
    d.olderRequests = IsOlderNt(*info);
    d.redirectsCommands = wow64;  // the runner switches redirection off under WOW64 only
    return d;
}

TEST(NewerWindows, EveryDecisionIsWindows7sAndTheNameIsTheirOwn) {
    const struct {
        const char* what;
        FakeVersionSource machine;
        FakeVersionSource windows7;  // SP1, same edition
        bool wow64;
        std::uint32_t major, minor, build;
        const wchar_t* name;
    } cases[] = {
        {"8.1 Pro x86", test::Windows81Pro(), test::Windows7Professional(), false, 6, 3, 9600, L"Windows 8.1"},
        {"10 Pro x64", test::Windows10Pro(), test::Windows7Professional(), true, 10, 0, 19045, L"Windows 10"},
        {"11 Pro 23H2", test::Windows11Pro23H2(), test::Windows7Professional(), true, 10, 0, 22631, L"Windows 11"},
        {"11 Pro 24H2", test::Windows11Pro24H2(), test::Windows7Professional(), true, 10, 0, 26100, L"Windows 11"},
        {"2012 R2", test::Server2012R2Standard(), test::Server2008R2Standard(), true, 6, 3, 9600,
         L"Windows Server 2012 R2"},
        {"2016", test::Server2016Standard(), test::Server2008R2Standard(), true, 10, 0, 14393, L"Windows Server 2016"},
        {"2019", test::Server2019Standard(), test::Server2008R2Standard(), true, 10, 0, 17763, L"Windows Server 2019"},
        {"2022 Datacenter", test::Server2022Datacenter(), test::Server2008R2Datacenter(), true, 10, 0, 20348,
         L"Windows Server 2022"},
        {"2025 Standard", test::Server2025Standard(), test::Server2008R2Standard(), true, 10, 0, 26100,
         L"Windows Server 2025"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Decisions newer = Decide(c.machine, c.wow64);
        const Decisions seven = Decide(c.windows7, c.wow64);
        EXPECT_EQ(newer.major, c.major);
        EXPECT_EQ(newer.minor, c.minor);
        EXPECT_EQ(newer.build, c.build);
        EXPECT_TRUE(newer.SameChoicesAs(seven));
        // Spelled out, so a change in Windows 7's answers shows here too.
        EXPECT_EQ(newer.sharePlan, CredentialPlan::EmptyThenWindowsPrompt);
        EXPECT_EQ(newer.osClass, 7);
        EXPECT_EQ(newer.mbrStart, 65536);
        EXPECT_TRUE(newer.gptFor3TB);
        EXPECT_TRUE(newer.statisticsPrefix);
        EXPECT_TRUE(newer.initiatorBuiltIn);
        EXPECT_EQ(newer.restartAdvised, c.wow64);
        FakeVersionSource named = c.machine;
        EXPECT_EQ(GetWindowsVersionName(named), c.name);
    }
}

TEST(NewerWindows, TheRealVersionWinsOverWhatGetVersionExAnswers) {
    // A host that shims GetVersionExW to 6.2 (no compatibility declaration honoured).
    FakeVersionSource source = test::Windows10Pro();
    source.extended->major = 6;
    source.extended->minor = 2;
    source.extended->build = 9200;
    source.basic = BasicVersionAnswer{6, 2, 9200, 2, L""};
    const auto info = ReadWindowsVersion(source);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->majorVersion, 10u);
    EXPECT_EQ(info->buildNumber, 19045u);
    ASSERT_FALSE(source.productInfoQueries.empty());
    EXPECT_EQ(source.productInfoQueries.back().major, 10u) << "GetProductInfo is asked about the real version";
    EXPECT_EQ(GetWindowsVersionName(source), L"Windows 10");

    source.rtl.reset();  // no RtlGetVersion: GetVersionExW is the fallback
    EXPECT_EQ(ReadWindowsVersion(source)->majorVersion, 6u);
    EXPECT_EQ(GetWindowsVersionName(source), L"Windows 8");
}

TEST(NewerWindows, WhatCannotBeNamedIsNamedByItsNumbers) {
    const struct {
        std::uint32_t major, minor, build;
        std::uint8_t productType;
        const wchar_t* name;
    } cases[] = {
        {6, 2, 9200, test::kNtWorkstation, L"Windows 8"},
        {6, 2, 9200, test::kNtServer, L"Windows Server 2012"},
        {6, 3, 9600, test::kNtDomainController, L"Windows Server 2012 R2"},
        {10, 0, 21999, test::kNtWorkstation, L"Windows 10"},
        {10, 0, 22000, test::kNtWorkstation, L"Windows 11"},
        {10, 0, 25398, test::kNtServer, L"Windows Server 10.0.25398"},  // a semi-annual release
        {6, 4, 9841, test::kNtWorkstation, L"Windows 6.4.9841"},
        {11, 0, 30000, test::kNtWorkstation, L"Windows 11.0.30000"},
        {12, 1, 40000, test::kNtServer, L"Windows Server 12.1.40000"},
    };
    for (const auto& c : cases) {
        FakeVersionSource source = test::MakeCurrent({c.major, c.minor, c.build, c.productType, 0, L"", 0});
        EXPECT_EQ(GetWindowsVersionName(source), c.name) << c.major << "." << c.minor << "." << c.build;
        const auto info = ReadWindowsVersion(source);
        ASSERT_TRUE(info);
        EXPECT_TRUE(IsVistaOrLater(*info) && IsVersion61OrLater(*info) && !IsOlderNt(*info));
        EXPECT_EQ(CredentialPlanFor(GetWindowsVersionName(source), IsVistaOrLater(*info)),
                  CredentialPlan::EmptyThenWindowsPrompt);
    }
}

}  // namespace
}  // namespace norvale
