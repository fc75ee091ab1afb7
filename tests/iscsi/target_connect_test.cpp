// Connect and Disconnect of the iSCSI group against the simulated appliance
// and initiator: the exact login lines, the check through the statistics,
// the hand-over to disk management, and the logouts of a disconnect and of a
// LAN change.
#include <gtest/gtest.h>

#include "platform/core/initiator/iscsi_name.h"
#include "tests/iscsi/target_section_fixture.h"

namespace norvale::test {
namespace {

const std::string kPlainLogin =
    "iscsicli logintarget IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0 t * * ROOT\\ISCSIPRT\\0000_0 * * * * * * * * * * * * 0";
const std::string kPlainPersistentLogin =
    "iscsicli persistentlogintarget IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0 t * * ROOT\\ISCSIPRT\\0000_0 "
    "* * * * * * * * * * * * 0";
const std::string kBind = "iscsicli BindPersistentVolumes ";

bool Slept(const VirtualClock& clock, int ms) {
    for (const auto& sleep : clock.Sleeps()) {
        if (sleep.count() == ms) return true;
    }
    return false;
}

TEST_F(TargetSectionTest, ConnectLogsInMakesItPersistentAndTheRowTurnsYes) {
    OpenAndSelect();
    const std::size_t mark = Mark();
    clock.ClearSleeps();
    ClickTarget(RowOf(L"ARCHIVE-LUN0"));
    PressConnect();
    EXPECT_EQ(Iscsicli(mark), (Lines{kPlainLogin, kPlainPersistentLogin, kBind}));
    EXPECT_TRUE(Connected(kPlainTarget));
    EXPECT_EQ(initiator.PersistentLogins().size(), 1u);
    EXPECT_EQ(disks.calls, std::vector<std::wstring>{std::wstring(L"find ") + kPlainTarget});
    EXPECT_FALSE(Slept(clock, 500)) << "the disk is looked for until it shows up, not waited for blindly";
    EXPECT_EQ(TargetRows()[RowOf(L"ARCHIVE-LUN0")][1], L"YES");
    EXPECT_TRUE(surface.MessageBoxes().empty());
    EXPECT_TRUE(Enabled(IDC_MANAGEMENT));
    EXPECT_FALSE(Enabled(IDC_TARGET_CONNECT)) << "until the next click on a row";
    EXPECT_EQ(surface.CursorMisuses(), 0);
}

TEST_F(TargetSectionTest, ALoginWithoutConnectionSays204AndTakesThePersistentLoginBack) {
    initiator.Faults().loginTimeouts = {"iqn.2026-12.com.orrin:archive-lun0"};
    OpenAndSelect();
    const std::size_t mark = Mark();
    ClickTarget(RowOf(L"ARCHIVE-LUN0"));
    PressConnect();
    EXPECT_EQ(Iscsicli(mark), (Lines{kPlainLogin, kPlainPersistentLogin,
                                     "iscsicli removepersistenttarget  \"ROOT\\ISCSIPRT\\0000_0\" "
                                     "\"IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0\" * \"192.168.10.20\" 3260"}));
    EXPECT_TRUE(initiator.PersistentLogins().empty());
    ASSERT_EQ(surface.MessageBoxes().size(), 1u);
    EXPECT_EQ(surface.MessageBoxes()[0].request.text,
              L"Login request failed!!\n Please ensure the target does not be login or iSCSI target is trying to "
              L"reconnect!!");
    EXPECT_EQ(surface.MessageBoxes()[0].request.caption, L"Warning");
    EXPECT_EQ(surface.MessageBoxes()[0].request.icon, MessageIcon::Exclamation);
    EXPECT_TRUE(disks.calls.empty());
    EXPECT_EQ(TargetRows()[RowOf(L"ARCHIVE-LUN0")][1], L"NO");
}

TEST_F(TargetSectionTest, WithoutAnInitiatorNameNoLineIsRunAndTheUserIsTold) {
    initiator.Faults().noInitiatorInstance = true;
    OpenAndSelect();
    for (const wchar_t* shown : {L"ARCHIVE-LUN0", L"ARCHIVE-SECURE"}) {
        const std::size_t mark = Mark();
        const std::size_t boxes = surface.MessageBoxes().size();
        ClickTarget(RowOf(shown));
        PressConnect();
        EXPECT_TRUE(Iscsicli(mark).empty()) << "no login line with an empty initiator name";
        ASSERT_EQ(surface.MessageBoxes().size(), boxes + 1);
        EXPECT_EQ(surface.MessageBoxes().back().request.text,
                  L"The iSCSI initiator reports no initiator name, so no target can be connected.\nPlease check "
                  L"the Microsoft iSCSI Initiator Service.");
    }
    EXPECT_TRUE(surface.ChildRuns().empty()) << "no CHAP dialog for a login that cannot run";
    EXPECT_TRUE(Enabled(IDC_MANAGEMENT));
}

// What disk management makes of the connected target's disk.
struct HandOff {
    TargetDiskState state;
    int cancelMark;
    std::vector<std::wstring> calls;  // besides the looks ("find")
    Lines lines;                      // after the two login lines
    std::vector<std::wstring> boxes;
    int letterRefreshes;
    int looks;  // a disk that has not shown up is looked for until the bound (500 ms, every 50)
};

class CountingShares final : public ShareSection {
public:
    void RefreshDriveLetters(CNorvaleDlg&) override { ++refreshes; }
    int refreshes = 0;
};

class HandOffTest : public TargetSectionTest, public ::testing::WithParamInterface<HandOff> {};

TEST_P(HandOffTest, TheDiskOfTheConnectedTargetGoesWhereItsStateSays) {
    const HandOff& c = GetParam();
    CountingShares counting;
    shares = &counting;
    disks.states[kPlainTarget] = c.state;
    disks.wizardCancelMark = c.cancelMark;
    OpenAndSelect();
    const std::size_t mark = Mark();
    ClickTarget(RowOf(L"ARCHIVE-LUN0"));
    PressConnect();
    std::vector<std::wstring> calls;
    int looks = 0;
    for (const std::wstring& call : disks.calls) {
        if (call == std::wstring(L"find ") + kPlainTarget) {
            ++looks;
        } else {
            calls.push_back(call);
        }
    }
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(looks, c.looks);
    Lines lines = {kPlainLogin, kPlainPersistentLogin};
    lines.insert(lines.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(Iscsicli(mark), lines);
    EXPECT_EQ(BoxTexts(), c.boxes);
    EXPECT_EQ(counting.refreshes, c.letterRefreshes);
    EXPECT_FALSE(surface.TimerRunning(IDT_TARGET_LIST)) << "the list was filled again";
    EXPECT_EQ(TargetRows()[RowOf(L"ARCHIVE-LUN0")][1], L"YES");
}

INSTANTIATE_TEST_SUITE_P(States, HandOffTest, ::testing::Values(
    HandOff{TargetDiskState::HasVolume, 0, {}, {kBind}, {}, 0, 1},
    HandOff{TargetDiskState::BareDisk, 0, {L"wizard IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0", L"disk manager"}, {}, {}, 1, 1},
    HandOff{TargetDiskState::BareDisk, 2, {L"wizard IQN.2026-12.COM.ORRIN:ARCHIVE-LUN0"}, {}, {}, 0, 1},
    HandOff{TargetDiskState::None, 0, {}, {}, {L"The target doesn't allocated to the iSCSI LUN."}, 0, 11},
    // Partitions whose volumes never came: no wizard, the disk manager.
    HandOff{TargetDiskState::VolumesToCome, 0, {L"held partitions 4", L"disk manager"}, {}, {}, 1, 11}));

TEST_F(TargetSectionTest, UntilDiskManagementLandsTheSessionsTellWhetherATargetBroughtADisk) {
    SessionDiskHandoff sessions(wmi);
    handoff = &sessions;
    OpenAndSelect();
    ClickTarget(RowOf(L"ARCHIVE.EMPTY"));
    PressConnect();
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"The target doesn't allocated to the iSCSI LUN."});
    ClickTarget(RowOf(L"ARCHIVE-LUN0"));
    const std::size_t mark = Mark();
    PressConnect();
    EXPECT_EQ(Iscsicli(mark).back(), kBind);
    EXPECT_EQ(sessions.FindByTarget(L"iqn.2026-12.com.orrin:archive-lun0"), TargetDiskState::HasVolume);
    EXPECT_EQ(sessions.FindByTarget(L"iqn.2026-12.com.orrin:nothing"), TargetDiskState::None);
    EXPECT_TRUE(sessions.LetteredVolumes(kPlainTarget).empty());
    surface.Click(IDC_MANAGEMENT);  // no disk manager yet: nothing happens
    EXPECT_TRUE(surface.ChildRuns().empty());
}

TEST_F(TargetSectionTest, ManagementOpensTheDiskManager) {
    OpenAndSelect();
    surface.Click(IDC_MANAGEMENT);
    EXPECT_EQ(disks.calls, std::vector<std::wstring>{L"disk manager"});
}

TEST_F(TargetSectionTest, DisconnectOnPageTwoTouchesPageTwosTarget) {
    std::vector<sim::TargetConfig> twelve;
    for (int i = 0; i < 12; ++i) {
        twelve.push_back({"iqn.2026-12.com.orrin:t" + std::string(i < 10 ? "0" : "") + std::to_string(i), false, "",
                          "", 1ull << 30});
    }
    initiator.Appliances()[0].targets = twelve;
    SegmentAppliance(0).config.targets.clear();
    for (const auto& target : twelve) SegmentAppliance(0).config.targets.push_back(sim::TargetListEntry(target));
    LogInBefore(kArchiveIp, "iqn.2026-12.com.orrin:t00");
    ASSERT_EQ(initiator.RunIscsicli("iscsicli logintarget iqn.2026-12.com.orrin:t10 t * * * * * * * * * * * * * * * 0")
                  .exitCode,
              0u);
    const std::string session10 = initiator.Sessions().back().id;
    disks.letters[L"IQN.2026-12.COM.ORRIN:T00"] = {L"E:\\"};
    disks.letters[L"IQN.2026-12.COM.ORRIN:T10"] = {L"F:\\"};
    OpenAndSelect();
    PickPage(1);
    ASSERT_EQ(TargetRows(), (Rows{{L"T10", L"YES"}, {L"T11", L"NO"}}));
    ClickTarget(0);
    ASSERT_EQ(surface.Text(IDC_TARGET_CONNECT), L"Disconnect");
    const std::size_t mark = Mark();
    clock.ClearSleeps();
    PressConnect();
    EXPECT_EQ(Iscsicli(mark), (Lines{"iscsicli RemovePersistentDevice F:\\", "iscsicli logouttarget " + session10}));
    EXPECT_EQ(disks.calls, std::vector<std::wstring>{L"volumes IQN.2026-12.COM.ORRIN:T10"});
    EXPECT_TRUE(clock.Sleeps().empty()) << "no pause that waits for nothing";
    EXPECT_TRUE(Connected(L"IQN.2026-12.COM.ORRIN:T00")) << "the target in the same row of page 1";
    EXPECT_FALSE(Connected(L"IQN.2026-12.COM.ORRIN:T10"));
    EXPECT_EQ(TargetRows(), (Rows{{L"T10", L"NO"}, {L"T11", L"NO"}}));
    EXPECT_TRUE(Enabled(IDC_MANAGEMENT));
    EXPECT_FALSE(Enabled(IDC_TARGET_CONNECT)) << "the refilled list waits for a click";
}

TEST_F(TargetSectionTest, ALanChangeLogsOutExactlyTheRowsThatReadYes) {
    LogInBefore(kArchiveIp, "iqn.2026-12.com.orrin:archive-lun0");
    ASSERT_EQ(initiator.RunIscsicli("iscsicli logintarget iqn.2026-12.com.orrin:archive-secure t * * * * * * * * * * "
                                    "* \"chap_usr\" \"Sixteen-chars-16\" 1 * 0")
                  .exitCode,
              0u);
    ASSERT_EQ(initiator.RunIscsicli("iscsicli persistentlogintarget iqn.2026-12.com.orrin:archive.empty t * * * * * * * "
                                    "* * * * * * * * 0")
                  .exitCode,
              0u);
    OpenAndSelect();
    ASSERT_EQ(TargetRows(), (Rows{{L"ARCHIVE-LUN0", L"YES"}, {L"ARCHIVE-SECURE", L"YES"}, {L"ARCHIVE.EMPTY", L"NO"}}));
    for (const std::wstring& target : dialog->Targets().ActiveTargets(*dialog)) {
        dialog->Targets().LogoutTargetWork(target, true, kArchiveIpW);
    }
    EXPECT_TRUE(initiator.Sessions().empty());
    ASSERT_EQ(initiator.PersistentLogins().size(), 1u) << "the row that reads NO keeps its persistent login";
    EXPECT_EQ(initiator.PersistentLogins()[0].targetName, "iqn.2026-12.com.orrin:archive.empty");
    EXPECT_EQ(disks.calls, (std::vector<std::wstring>{std::wstring(L"volumes ") + kPlainTarget,
                                                      std::wstring(L"volumes ") + kChapTarget}));
}

TEST_F(TargetSectionTest, AHungWmiProviderIsReportedAndTheButtonsComeBack) {
    OpenAndSelect();
    ClickTarget(RowOf(L"ARCHIVE-LUN0"));
    initiator.Faults().wmiHangs = true;
    const std::size_t mark = Mark();
    PressConnect();
    EXPECT_TRUE(Iscsicli(mark).empty()) << "no login on a guess";
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"The iSCSI initiator did not answer in time. Please try again later."});
    EXPECT_TRUE(Enabled(IDC_TARGET_CONNECT) && Enabled(IDC_MANAGEMENT));
    EXPECT_NE(trace.All().find(L"did not finish in time"), std::wstring::npos);
}

TEST_F(TargetSectionTest, ANameWithQuoteAndBackslashNeverReachesTheListAQueryOrALine) {
    // Names come from the appliance and the initiator: one that is not an
    // iSCSI name is left out before it can widen a query or split a line.
    initiator.Appliances()[0].targets = {{"iqn.2026-12.com.orrin:o'brien\\disk", false, "", "", 1ull << 30},
                                        {"iqn.2026-12.com.orrin:o", false, "", "", 1ull << 30}};
    LogInBefore(kArchiveIp, "iqn.2026-12.com.orrin:o'brien\\disk");
    LogInBefore(kArchiveIp, "iqn.2026-12.com.orrin:o");
    const std::size_t mark = Mark();
    OpenAndSelect();
    ASSERT_EQ(TargetRows(), (Rows{{L"O", L"YES"}}));
    EXPECT_NE(trace.All().find(L"a target name from the initiator holds a character"), std::wstring::npos);
    for (const std::string& line : Iscsicli(mark)) EXPECT_EQ(line.find("brien"), std::string::npos) << line;
    ClickTarget(0);
    PressConnect();
    ASSERT_EQ(initiator.Sessions().size(), 1u) << "the other session stays";
    EXPECT_EQ(initiator.Sessions()[0].targetName, "iqn.2026-12.com.orrin:o'brien\\disk");
}

// Each name the network may bring that is not an iSCSI name: left out of the
// list the appliance fills (the initiator's service stopped) with a trace,
// and no line is ever built for it.
TEST(TargetNames, OnlyIscsiNamesReachTheListFilledFromTheAppliance) {
    const std::string prefix = "iqn.2026-12.com.orrin:";
    const std::string bad[] = {prefix + "a b", prefix + "a\"b", prefix + "a^b", prefix + "a&b", prefix + "a|b",
                               prefix + "a<b", prefix + "a>b", prefix + "a\x01" "b", prefix + "a\tb",
                               prefix + std::string(224 - prefix.size(), 'x'), "disk0", "eui.0123", ""};
    for (const std::string& name : bad) {
        sim::ApplianceConfig archive = ArchiveAppliance();
        archive.targets = {{name, false, "", "", 1ull << 30}, {prefix + "ok", false, "", "", 1ull << 30}};
        sim::InitiatorOptions stopped;
        stopped.service = sim::SimServiceState::Stopped;
        struct Case : TargetSectionTest {
            Case(sim::InitiatorOptions o, sim::ApplianceConfig a) : TargetSectionTest(o, {std::move(a)}) {}
            void TestBody() override {}
            using TargetSectionTest::initiator;
            using TargetSectionTest::OpenAndSelect;
            using TargetSectionTest::TargetRows;
            using TargetSectionTest::trace;
        } run(stopped, archive);
        run.OpenAndSelect();
        // The list protocol may cut a name at a control character before
        // the check sees it; what is shown is an iSCSI name either way.
        const Rows rows = run.TargetRows();
        ASSERT_FALSE(rows.empty()) << name.size();
        EXPECT_EQ(rows.back(), (std::vector<std::wstring>{L"iqn.2026-12.com.orrin:ok", L"NO"})) << name.size();
        for (const auto& row : rows) EXPECT_TRUE(IsIscsiName(row[0])) << name.size();
        if (rows.size() == 1)
            EXPECT_NE(run.trace.All().find(L"from the storage device's target list"), std::wstring::npos) << name.size();
        EXPECT_TRUE(run.initiator.CommandLog().empty());
    }
}

}  // namespace
}  // namespace norvale::test
