// The initiator's prerequisites: the registry check, the installer next to
// the program, and the flows of a Windows without the initiator (XP) and of
// a stopped service (Vista and later), down to the automatic connect.
#include <gtest/gtest.h>

#include "iscsi/core/targets/initiator_prerequisites.h"
#include "platform/core/version/windows_version_reader.h"
#include "tests/iscsi/target_section_fixture.h"

namespace norvale::test {
namespace {

constexpr wchar_t kServices[] = L"SYSTEM\\ControlSet001\\Services";

std::vector<std::uint8_t> RegSz(const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    for (wchar_t c : text + L'\0') {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return bytes;
}

// Notes the registry view each read asks for.
class ViewRecordingRegistry final : public RegistryPort {
public:
    explicit ViewRecordingRegistry(RegistryPort& inner) : inner_(inner) {}
    std::optional<std::vector<std::uint8_t>> ReadValue(RegistryHive hive, const std::wstring& key,
                                                       const std::wstring& name, RegistryAccess access) override {
        views.push_back(access.view32);
        return inner_.ReadValue(hive, key, name, access);
    }
    std::optional<std::vector<std::wstring>> SubkeyNames(RegistryHive hive, const std::wstring& key,
                                                         RegistryAccess access) override {
        views.push_back(access.view32);
        return inner_.SubkeyNames(hive, key, access);
    }
    bool WriteDword(RegistryHive, const std::wstring&, const std::wstring&, std::uint32_t) override { return false; }
    std::vector<bool> views;

private:
    RegistryPort& inner_;
};

TEST(InitiatorInstalled, OnlyTheExactDisplayNameCounts) {
    const struct {
        const wchar_t* displayName;
        bool installed;
    } cases[] = {
        {L"Microsoft iSCSI Initiator Service", true},
        {L"Microsoft iSCSI Initiator Service ", false},
        {L"microsoft iscsi initiator service", false},
        {L"Microsoft iSCSI Initiator", false},
    };
    FakeVersionSource xp = XpProfessional();
    for (const auto& c : cases) {
        InMemoryRegistry registry;
        registry.SetRaw(RegistryHive::LocalMachine, std::wstring(kServices) + L"\\Alerter", L"DisplayName",
                        RegSz(L"Alerter"));
        registry.SetRaw(RegistryHive::LocalMachine, std::wstring(kServices) + L"\\MSiSCSI", L"DisplayName",
                        RegSz(c.displayName));
        EXPECT_EQ(IsInitiatorInstalled(registry, ReadWindowsVersion(xp), false), c.installed) << c.displayName;
    }
    InMemoryRegistry empty;
    EXPECT_FALSE(IsInitiatorInstalled(empty, ReadWindowsVersion(xp), false));
}

TEST(InitiatorInstalled, A32BitProgramOn64BitXpLooksInThe32BitView) {
    const struct {
        FakeVersionSource version;
        bool wow64;
        bool view32;
    } cases[] = {
        {XpProfessionalX64(), true, true},
        {Server2003R2Enterprise(), true, true},
        {XpProfessionalX64(), false, false},
        {Windows7Enterprise(), true, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        InMemoryRegistry inner;
        inner.SetRaw(RegistryHive::LocalMachine, std::wstring(kServices) + L"\\MSiSCSI", L"DisplayName",
                     RegSz(kInitiatorDisplayName));
        ViewRecordingRegistry registry(inner);
        FakeVersionSource version = cases[i].version;
        EXPECT_TRUE(IsInitiatorInstalled(registry, ReadWindowsVersion(version), cases[i].wow64));
        EXPECT_EQ(registry.views, std::vector<bool>(2, cases[i].view32)) << "case " << i;
    }
}

TEST(InitiatorInstaller, AFileNameIsNeverReadAsAFormat) {
    EXPECT_EQ(WithText(L"The %s does not exist in\n", L"%s%d.exe"), L"The %s%d.exe does not exist in\n");
    EXPECT_EQ(InstallerFileName(false, true), L"") << "no name without a Windows version";
}

// --- Windows XP without the initiator -------------------------------------------

struct XpMachine {
    FakeVersionSource version;
    bool wow64;
    const wchar_t* installer;
};

class XpWithoutInitiatorTest : public TargetSectionTest, public ::testing::WithParamInterface<XpMachine> {
protected:
    XpWithoutInitiatorTest()
        : TargetSectionTest(sim::InitiatorOptions{.installed = false, .service = sim::SimServiceState::Stopped}) {
        version = GetParam().version;
        wow64 = GetParam().wow64;
    }
    std::wstring InstallerPath() const {
        return std::wstring(L"C:\\Program Files\\Norvale\\") + GetParam().installer;
    }
    FakeDialogSurface* Notice() { return surface.ModelessSurface(IDD_INSTALL_NOTICE); }
};

TEST_P(XpWithoutInitiatorTest, TheListComesFromTheDeviceAndConnectOffersTheInstaller) {
    OpenAndSelect();
    EXPECT_EQ(TargetRows(), (Rows{{L"iqn.2026-12.com.orrin:archive_lun0", L"NO"},
                                  {L"iqn.2026-12.com.orrin:archive_secure", L"NO"},
                                  {L"iqn.2026-12.com.orrin:archive.empty", L"NO"}}));
    EXPECT_TRUE(delay.started.empty());
    EXPECT_TRUE(Enabled(IDC_MANAGEMENT));

    ClickTarget(0);
    EXPECT_EQ(targets->State().SelectedTargetFullName, L"iqn.2026-12.com.orrin:archive-lun0");
    PressConnect();
    ASSERT_NE(Notice(), nullptr);
    EXPECT_EQ(surface.OpenModelessCount(), 1);
    EXPECT_TRUE(targets->State().InstallPromptShown);
    EXPECT_EQ(Notice()->Title(), L"Orrin's HVB-3300-12 Norvale");
    EXPECT_EQ(Notice()->Text(IDC_INSTALL_NOTICE_TEXT).rfind(L"This application requires", 0), 0u);
    EXPECT_EQ(Notice()->DialogBackground(), kDialogBlue);
    EXPECT_TRUE(Iscsicli().empty());

    // No installer next to the program: the message names it and the folder.
    Notice()->Click(kIdOk);
    const std::wstring name = GetParam().installer;
    ASSERT_EQ(Notice()->MessageBoxes().size(), 1u);
    EXPECT_EQ(Notice()->MessageBoxes()[0].request.text,
              L"The " + name + L" does not exist in\nC:\\Program Files\\Norvale\nPlease copy or move " + name +
                  L" to the above folder.");
    EXPECT_EQ(Notice()->MessageBoxes()[0].request.icon, MessageIcon::Exclamation);
    EXPECT_EQ(surface.OpenModelessCount(), 1) << "the notice stays";

    // Closed without the installer: a later restore resumes nothing.
    Notice()->CloseBox();
    EXPECT_EQ(surface.OpenModelessCount(), 0);
    surface.Minimize();
    surface.Restore();
    Settle();
    EXPECT_TRUE(processes.lines.empty());
    EXPECT_FALSE(targets->State().AutoConnectPending);
}

TEST_P(XpWithoutInitiatorTest, TheInstallerRunsMinimisedAndTheConnectResumesByItself) {
    location.files.insert(InstallerPath());
    int installs = 0;
    const std::wstring program = std::wstring(GetParam().installer).substr(0, std::wcslen(GetParam().installer) - 4);
    processes.Route(program, [&](const std::wstring&, bool) {
        ++installs;
        initiator.SetInstalled(true);
        return ProcessRun{true, {}, std::nullopt};
    });
    OpenAndSelect();
    ClickTarget(0);
    PressConnect();
    Notice()->Click(kIdOk);
    Settle();
    EXPECT_EQ(installs, 1);
    EXPECT_EQ(processes.lines.front(), L"\"" + InstallerPath() + L"\"");
    const auto& log = surface.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), L"minimize"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), L"restore"), log.end());
    // The freshly installed service is started with its notice, and the
    // chosen target connects after the portal refresh.
    EXPECT_EQ(services.starts(), 1);
    EXPECT_EQ(surface.ModelessOpens(), (std::vector<int>{IDD_INSTALL_NOTICE, IDD_SERVICE_NOTICE}));
    EXPECT_EQ(surface.OpenModelessCount(), 0);
    EXPECT_TRUE(Connected(kPlainTarget));
    EXPECT_EQ(TargetRows()[RowOf(L"ARCHIVE-LUN0")][1], L"YES");
    EXPECT_FALSE(targets->State().InstallPromptShown);
    EXPECT_FALSE(targets->State().AutoConnectPending);
}

INSTANTIATE_TEST_SUITE_P(Machines, XpWithoutInitiatorTest, ::testing::Values(
    XpMachine{XpProfessional(), false, L"Initiator-2.08-build3825-x86fre.exe"},
    XpMachine{XpProfessionalX64(), true, L"Initiator-2.08-build3825-x64fre.exe"}));

// --- Vista and later with the service stopped -----------------------------------

class StoppedServiceTest : public TargetSectionTest {
protected:
    StoppedServiceTest() : TargetSectionTest(sim::InitiatorOptions{.service = sim::SimServiceState::Stopped}) {
        version = VistaBusiness();
    }
};

TEST_F(StoppedServiceTest, ConnectStartsTheServiceAndTheListConnectsAfterTheRefresh) {
    OpenAndSelect();
    EXPECT_EQ(TargetRows()[0], (std::vector<std::wstring>{L"iqn.2026-12.com.orrin:archive_lun0", L"NO"}));
    EXPECT_TRUE(delay.started.empty()) << "no portal refresh while the service is stopped";
    ClickTarget(0);
    clock.ClearSleeps();
    surface.Click(IDC_TARGET_CONNECT);
    EXPECT_EQ(services.starts(), 1);
    EXPECT_EQ(surface.ModelessOpens(), std::vector<int>{IDD_SERVICE_NOTICE});
    EXPECT_EQ(surface.ModelessSurface(IDD_SERVICE_NOTICE)->Text(IDC_SERVICE_NOTICE_NAME),
              L"Microsoft iSCSI Initiator Service");
    EXPECT_EQ(surface.OpenModelessCount(), 1) << "on screen while the service starts";
    // The poll finds the service running once it does (400 ms after the
    // start here): no fixed pause waits for it.
    int polls = 0;
    while (surface.TimerRunning(IDT_SERVICE_START) && polls < 100) {
        EXPECT_EQ(surface.OpenModelessCount(), 1) << "on screen while the service starts";
        clock.Advance(surface.Timers().at(IDT_SERVICE_START));
        surface.FireTimer(IDT_SERVICE_START);
        ++polls;
    }
    EXPECT_EQ(polls, 4);
    EXPECT_EQ(surface.OpenModelessCount(), 0) << "closed once the service ran";
    EXPECT_TRUE(targets->State().AutoConnectPending);
    EXPECT_TRUE(clock.Sleeps().empty());
    EXPECT_EQ(delay.started.size(), 1u) << "the portal refresh started";

    // The fill before the connect shows no rows; the one after it does.
    EXPECT_EQ(surface.Timers().at(IDT_TARGET_LIST).count(), 1000);
    ASSERT_TRUE(surface.FireTimer(IDT_TARGET_LIST));
    EXPECT_TRUE(TargetRows().empty());
    EXPECT_TRUE(Connected(kPlainTarget));
    EXPECT_FALSE(targets->State().AutoConnectPending);
    EXPECT_EQ(surface.Timers().at(IDT_TARGET_LIST).count(), 100);
    Settle();
    EXPECT_EQ(TargetRows()[RowOf(L"ARCHIVE-LUN0")][1], L"YES");
    EXPECT_TRUE(surface.MessageBoxes().empty());
}

// A start that takes longer than the notice's second, or never ends: the
// window keeps taking messages (the poll runs on a timer, no single wait
// is longer than a second) and the connect goes on, or stops with a message,
// when the poll ends.
TEST(ServiceStartPoll, TheWindowKeepsTakingMessagesWhileTheServiceStarts) {
    const struct {
        std::chrono::milliseconds startDelay;
        bool neverRuns;
        bool connects;
    } cases[] = {{std::chrono::milliseconds(3500), false, true}, {std::chrono::milliseconds(400), true, false}};
    for (const auto& c : cases) {
        struct Case : TargetSectionTest {
            explicit Case(std::chrono::milliseconds delay)
                : TargetSectionTest(sim::InitiatorOptions{.service = sim::SimServiceState::Stopped, .startDelay = delay}) {
                version = VistaBusiness();
            }
            void TestBody() override {}
            using TargetSectionTest::BoxTexts;
            using TargetSectionTest::ClickTarget;
            using TargetSectionTest::clock;
            using TargetSectionTest::Connected;
            using TargetSectionTest::Enabled;
            using TargetSectionTest::initiator;
            using TargetSectionTest::OpenAndSelect;
            using TargetSectionTest::Settle;
            using TargetSectionTest::surface;
        } run(c.startDelay);
        run.initiator.Faults().serviceNeverRuns = c.neverRuns;
        run.OpenAndSelect();
        run.ClickTarget(0);
        run.clock.ClearSleeps();
        run.surface.Click(IDC_TARGET_CONNECT);
        EXPECT_EQ(run.surface.Timers().count(IDT_SERVICE_START), 1u) << "polled by timer";
        EXPECT_FALSE(run.Enabled(IDC_TARGET_CONNECT)) << "no second connect meanwhile";
        run.Settle();
        for (const auto sleep : run.clock.Sleeps()) EXPECT_LE(sleep.count(), 1000);
        EXPECT_EQ(run.Connected(kPlainTarget), c.connects);
        EXPECT_EQ(run.surface.OpenModelessCount(), 0) << "the notice closed";
        EXPECT_EQ(run.BoxTexts().size(), c.connects ? 0u : 1u);
    }
}

TEST_F(StoppedServiceTest, AServiceStuckStartingIsGivenUpOnAndTheConnectSaysSo) {
    initiator.Faults().serviceNeverRuns = true;
    OpenAndSelect();
    ClickTarget(0);
    const auto before = clock.Now();
    PressConnect();
    EXPECT_LT(clock.Now() - before, std::chrono::seconds(35));
    EXPECT_GE(clock.Now() - before, std::chrono::seconds(30));
    EXPECT_EQ(surface.OpenModelessCount(), 0);
    EXPECT_FALSE(targets->State().AutoConnectPending);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"The Microsoft iSCSI Initiator Service did not finish starting in "
                                                    L"time. Please check the service and try again."})
        << "the initiator answers nothing while its service is not running: no login is tried";
    EXPECT_TRUE(Enabled(IDC_TARGET_CONNECT) && Enabled(IDC_MANAGEMENT)) << "the buttons are back";
}

TEST_F(StoppedServiceTest, AnAutomaticConnectWhoseStatisticsAreNotTrueLogsIn) {
    initiator.SetServiceState(sim::SimServiceState::Running);
    LogInBefore(kArchiveIp, "iqn.2026-12.com.orrin:archive-lun0");
    initiator.SetServiceState(sim::SimServiceState::Stopped);
    initiator.Faults().inactiveStatistics = true;
    OpenAndSelect();
    ClickTarget(0);
    const std::size_t mark = Mark();
    PressConnect();
    const Lines lines = Iscsicli(mark);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "iscsicli logintarget iqn.2026-12.com.orrin:archive-lun0 t * * ROOT\\ISCSIPRT\\0000_0 * * * * "
                        "* * * * * * * * 0"),
              lines.end())
        << "the target chosen in the device's list, under the initiator's name for it";
    EXPECT_EQ(lines.back(), "iscsicli BindPersistentVolumes ");
}

TEST_F(TargetSectionTest, WithTheServiceRunningConnectNeedsNoNoticeAndNoRefresh) {
    version = VistaBusiness();
    OpenAndSelect();
    ClickTarget(RowOf(L"ARCHIVE-LUN0"));
    PressConnect();
    EXPECT_TRUE(surface.ModelessOpens().empty());
    EXPECT_EQ(delay.started.size(), 1u) << "only the refresh of the device click";
    EXPECT_TRUE(Connected(kPlainTarget));
}

}  // namespace
}  // namespace norvale::test
