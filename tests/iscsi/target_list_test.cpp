// The target list of the iSCSI group: the portal refresh behind the delay
// process, the fill from the initiator page by page with each target's
// state, the statistics selection by Windows version, and the rows' clicks.
#include <gtest/gtest.h>

#include "iscsi/core/targets/statistics_selection.h"
#include "platform/core/initiator/wmi_wrapper.h"
#include "platform/core/version/windows_version_reader.h"
#include "tests/iscsi/target_section_fixture.h"

namespace norvale::test {
namespace {

const std::wstring kYes = L"YES";
const std::wstring kNo = L"NO";

TEST_F(TargetSectionTest, AClickRefreshesThePortalsAndListsTheTargetsWithTheirState) {
    LogInBefore(kOfficeIp, "iqn.2026-12.com.orrin:office.lun0");
    LogInBefore(kArchiveIp, "iqn.2026-12.com.orrin:archive-lun0");
    OpenAndSelect();

    EXPECT_EQ(delay.started, std::vector<std::wstring>{L"ipconfig /all"});
    EXPECT_TRUE(delay.AllClosedOnce());
    EXPECT_EQ(Iscsicli(2), (Lines{"iscsicli RemoveTargetPortal 192.168.10.40 3260", "iscsicli ListTargets t",
                                  "iscsicli RemoveTargetPortal 192.168.10.20 3260", "iscsicli ListTargets t"}))
        << "every portal the initiator knew gives way, then the device's own is added";
    ASSERT_EQ(initiator.SendTargetPortals().size(), 1u);
    EXPECT_EQ(initiator.SendTargetPortals()[0].address, kArchiveIp);
    // Sorted by character code: "-" comes before ".". The target of the
    // other device stays known through its session but is not listed.
    EXPECT_EQ(TargetRows(), (Rows{{L"ARCHIVE-LUN0", kYes}, {L"ARCHIVE-SECURE", kNo}, {L"ARCHIVE.EMPTY", kNo}}));
    EXPECT_EQ(targets->State().TargetNamePrefix, L"IQN.2026-12.COM.ORRIN:");
    EXPECT_EQ(timerDelays, std::vector<int>{100});
    EXPECT_FALSE(Enabled(IDC_TARGET_CONNECT));
    EXPECT_TRUE(Enabled(IDC_MANAGEMENT));
    EXPECT_TRUE(targets->State().PortalRefreshStarted);
    EXPECT_EQ(surface.CursorMisuses(), 0);
    EXPECT_TRUE(surface.MessageBoxes().empty());
}

TEST_F(TargetSectionTest, TwentyFiveTargetsMakeThreePagesAndTheThirdShowsTheLastFive) {
    std::vector<sim::TargetConfig> many;
    for (int i = 0; i < 25; ++i) {
        many.push_back({"iqn.2026-12.com.orrin:t" + std::string(i < 10 ? "0" : "") + std::to_string(i), false, "",
                        "", 0});
    }
    initiator.Appliances()[0].targets = many;
    SegmentAppliance(0).config.targets.clear();
    for (const auto& target : many) SegmentAppliance(0).config.targets.push_back(sim::TargetListEntry(target));
    OpenAndSelect();
    EXPECT_EQ(surface.Control(IDC_TARGET_PAGE).combo.items, (std::vector<std::wstring>{L"1", L"2", L"3"}));
    ASSERT_EQ(TargetRows().size(), 10u);

    PickPage(2);
    EXPECT_EQ(TargetRows(), (Rows{{L"T20", kNo}, {L"T21", kNo}, {L"T22", kNo}, {L"T23", kNo}, {L"T24", kNo}}));
    EXPECT_EQ(dialog->State().targetPageStart, 20);
    EXPECT_EQ(delay.started.size(), 2u) << "a page change refreshes the portals again";
    EXPECT_TRUE(delay.AllClosedOnce());
}

TEST_F(TargetSectionTest, NamesShowAfterTheirFirstColonAndEachPortalOfTheDeviceCounts) {
    initiator.Appliances()[0].targets = {{"iqn.2026-12.com.orrin:archive:disk:1", false, "", "", 0},
                                        {"naa.0123456789abcdef", false, "", "", 0}};
    // Two portals of the selected device in one group, and one elsewhere.
    initiator.Appliances()[0].portalGroups = {{{kArchiveIp, 3260}, {kArchiveIp, 3261}}, {{"192.168.11.20", 3260}}};
    LogInBefore(kOfficeIp, "iqn.2026-12.com.orrin:office.lun0");
    OpenAndSelect();
    EXPECT_EQ(TargetRows(), (Rows{{L"ARCHIVE:DISK:1", kNo},
                                  {L"ARCHIVE:DISK:1", kNo},
                                  {L"NAA.0123456789ABCDEF", kNo},
                                  {L"NAA.0123456789ABCDEF", kNo}}));
    EXPECT_EQ(targets->State().TargetNames.size(), 4u);
    EXPECT_EQ(targets->State().TargetNamePrefix, L"") << "the last name taken has no colon";
}

// An initiator whose target class forgets a target's portals after the
// first time they were asked for: the target's session and statistics stay.
class PortalsOnceWmi final : public WmiPort {
public:
    explicit PortalsOnceWmi(WmiPort& inner) : inner_(inner) {}
    WmiResult InitializeSecurity() override { return inner_.InitializeSecurity(); }
    std::wstring LocalMachineName() override { return inner_.LocalMachineName(); }
    WmiOutcome<WmiLocator> CreateLocator() override {
        WmiOutcome<WmiLocator> locator = inner_.CreateLocator();
        if (locator.object) locator.object = std::make_unique<Locator>(std::move(locator.object), asked_);
        return locator;
    }

private:
    using Asked = std::set<std::wstring>;
    struct Empty final : WmiEnumerator {
        std::unique_ptr<WmiObject> Next() override { return nullptr; }
    };
    class Services final : public WmiServices {
    public:
        Services(std::unique_ptr<WmiServices> services, Asked& asked) : inner_(std::move(services)), asked_(asked) {}
        WmiResult SetProxyBlanket() override { return inner_->SetProxyBlanket(); }
        WmiOutcome<WmiEnumerator> ExecQuery(const std::wstring& wql) override {
            const bool portals = wql.find(L"MSiSCSIInitiator_TargetClass WHERE") != std::wstring::npos;
            if (portals && !asked_.insert(wql).second) return {kWmiOk, std::make_unique<Empty>()};
            return inner_->ExecQuery(wql);
        }
        WmiOutcome<WmiClass> GetClassObject(const std::wstring& name) override { return inner_->GetClassObject(name); }
        WmiResult PutInstance(WmiInstance& instance) override { return inner_->PutInstance(instance); }

    private:
        std::unique_ptr<WmiServices> inner_;
        Asked& asked_;
    };
    class Locator final : public WmiLocator {
    public:
        Locator(std::unique_ptr<WmiLocator> locator, Asked& asked) : inner_(std::move(locator)), asked_(asked) {}
        WmiOutcome<WmiServices> ConnectServer(const std::wstring& path) override {
            WmiOutcome<WmiServices> services = inner_->ConnectServer(path);
            if (services.object) services.object = std::make_unique<Services>(std::move(services.object), asked_);
            return services;
        }

    private:
        std::unique_ptr<WmiLocator> inner_;
        Asked& asked_;
    };
    WmiPort& inner_;
    std::set<std::wstring> asked_;
};

class ForgetfulInitiatorTest : public TargetSectionTest {
protected:
    PortalsOnceWmi forgetful{wmiPort};
    WmiConnections forgetfulWmi{WmiEnvironment{forgetful, version, trace}};
};

TEST_F(ForgetfulInitiatorTest, ATargetWithStatisticsButNoPortalKeepsAnEmptyActiveCell) {
    LogInBefore(kArchiveIp, "iqn.2026-12.com.orrin:archive-lun0");
    targets = std::make_unique<CTargetSection>(TargetSectionPorts{
        forgetfulWmi, runner, services, registry, version, delay, location, clock, disks, wow64});
    hooks = std::make_unique<TargetSectionLink>(*targets, host);
    NorvaleDlgSections sections;
    sections.targets = hooks.get();
    dialog = std::make_unique<CNorvaleDlg>(protocol, files, sections);
    surface.Open(*dialog);
    Select();
    EXPECT_EQ(TargetRows(), (Rows{{L"ARCHIVE-LUN0", L""}, {L"ARCHIVE-SECURE", L""}, {L"ARCHIVE.EMPTY", L""}}));
}

// Clicks the first device row and lets the appliance's target count come
// back; the delay process of the portal refresh is then being watched.
void ClickUntilTheDelayRuns(FakeDialogSurface& surface) {
    surface.HoldWorkers();
    surface.ClickListRow(IDC_DEVICE_LIST, 0);
    surface.RunWorkers();
    surface.DeliverPosted();
}

TEST_F(TargetSectionTest, TheDelayProcessHandleIsClosedOnceWhicheverEndsFirst) {
    Open();
    ClickUntilTheDelayRuns(surface);
    ASSERT_EQ(surface.PendingWorkers(), 1u);
    // A step message that names no step of ours is left alone.
    surface.Registered(kStepMessage, 0x4242);
    EXPECT_TRUE(delay.closes.empty());
    EXPECT_TRUE(TargetRows().empty());
    // The delay ended and posted; the dialog ends before the post arrives.
    surface.RunWorkers();
    ASSERT_EQ(surface.PendingPosts(), 1u);
    surface.Destroy();
    EXPECT_TRUE(delay.AllClosedOnce());
    EXPECT_EQ(surface.DeliverPosted(), 1) << "delivered to no dialog";
    EXPECT_TRUE(delay.AllClosedOnce());
}

TEST_F(TargetSectionTest, ADelayStillRunningWhenTheDialogEndsIsClosedByItsWatcher) {
    Open();
    ClickUntilTheDelayRuns(surface);
    surface.Destroy();
    EXPECT_TRUE(delay.closes.empty()) << "the watcher still waits on it";
    surface.RunWorkers();
    EXPECT_TRUE(delay.AllClosedOnce());
    EXPECT_EQ(surface.PendingPosts(), 0u);
}

TEST_F(TargetSectionTest, WithoutADelayProcessTheRefreshGoesOnAtOnce) {
    delay.startFails = true;
    OpenAndSelect();
    EXPECT_EQ(TargetRows().size(), 3u);
}

TEST_F(TargetSectionTest, AnUnreachableInitiatorLeavesTheListEmptyAndManagementOff) {
    initiator.Faults().wmiUnreachable = true;
    OpenAndSelect();
    EXPECT_TRUE(TargetRows().empty());
    EXPECT_FALSE(Enabled(IDC_MANAGEMENT));
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"iSCSI target connection failed."})
        << "the portal could not be added";
    EXPECT_EQ(surface.MessageBoxes()[0].request.caption, L"Orrin's HVB-3300-12 Norvale");
}

TEST_F(TargetSectionTest, AClickedRowSetsTheCaptionAndTheTargetToConnect) {
    LogInBefore(kArchiveIp, "iqn.2026-12.com.orrin:archive-lun0");
    OpenAndSelect();
    ClickTarget(RowOf(L"ARCHIVE-SECURE"));
    EXPECT_EQ(surface.Text(IDC_TARGET_CONNECT), L"Connect");
    EXPECT_EQ(targets->State().SelectedTargetFullName, kChapTarget);
    EXPECT_TRUE(Enabled(IDC_TARGET_CONNECT) && Enabled(IDC_MANAGEMENT));
    ClickTarget(RowOf(L"ARCHIVE-LUN0"));
    EXPECT_EQ(surface.Text(IDC_TARGET_CONNECT), L"Disconnect");
    EXPECT_EQ(targets->State().SelectedTargetFullName, kChapTarget) << "kept from the not-connected row";

    // The device lost its targets meanwhile.
    SegmentAppliance(0).config.targetCountText = "0";
    ClickTarget(0);
    EXPECT_FALSE(Enabled(IDC_TARGET_CONNECT) || Enabled(IDC_MANAGEMENT));
    ASSERT_EQ(surface.MessageBoxes().size(), 1u);
    EXPECT_EQ(surface.MessageBoxes()[0].request.caption, L"Warning");
    EXPECT_EQ(surface.MessageBoxes()[0].request.icon, MessageIcon::Stop);
}

// --- the statistics selection -------------------------------------------------

TEST(StatisticsSelection, PrefixMatchingFollowsTheWindowsVersion) {
    const struct {
        FakeVersionSource version;
        bool prefix;
    } cases[] = {
        {Windows7Enterprise(), true},      // workstation with Service Pack 1
        {VistaBusiness(), false},          // 6.0
        {Server2008R2Datacenter(), true},  // every 6.1 or later, WOW64 or not
        {Windows10As62(), true},           // no "Service Pack 1" text since 2012
        {XpProfessionalX64(), false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        FakeVersionSource version = cases[i].version;
        const auto info = ReadWindowsVersion(version);
        ASSERT_TRUE(info) << i;
        EXPECT_EQ(UsesStatisticsPrefixMatching(*info), cases[i].prefix) << "case " << i;
    }
}

TEST(StatisticsSelection, TheInstanceIsFoundByItsPartBeforeTheFirstUnderscore) {
    const std::vector<std::wstring> instances = {L"iqn.x:a_0x1", L"iqn.x:ab_0x2", L"iqn.x:b"};
    const struct {
        const wchar_t* target;
        bool prefix;
        std::optional<std::wstring> instance;
    } cases[] = {
        {L"IQN.X:AB", true, L"iqn.x:ab_0x2"},  // not the "a" entry, whose prefix is shorter
        {L"IQN.X:B", true, L"iqn.x:b"},        // no "_": the whole instance name
        {L"IQN.X:C", true, L"IQN.X:C"},        // none matches: the target name itself
        {L"IQN.X:AB", false, L"IQN.X:AB"},
    };
    for (const auto& c : cases) EXPECT_EQ(StatisticsInstanceFor(c.target, instances, c.prefix), c.instance) << c.target;
    EXPECT_EQ(StatisticsInstanceFor(L"IQN.X:AB", {}, true), std::nullopt) << "no instances: nothing to ask";
}

class SuffixedStatisticsTest : public TargetSectionTest {
protected:
    SuffixedStatisticsTest()
        : TargetSectionTest(sim::InitiatorOptions{.statisticsNames = sim::StatisticsNames::Suffixed}) {}
};

TEST_F(SuffixedStatisticsTest, WhereInstancesCarryASuffixTheConnectedTargetIsStillFound) {
    LogInBefore(kArchiveIp, "iqn.2026-12.com.orrin:archive-lun0");
    OpenAndSelect();
    EXPECT_EQ(TargetRows()[0], (std::vector<std::wstring>{L"ARCHIVE-LUN0", kYes}));
    version = VistaBusiness();  // no prefix matching: the suffixed name is not the target's
    PickPage(0);
    EXPECT_EQ(TargetRows()[0], (std::vector<std::wstring>{L"ARCHIVE-LUN0", kNo}));
}

}  // namespace
}  // namespace norvale::test
