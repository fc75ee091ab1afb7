// Windows as administrators run it today: the initiator service is left to
// start with Windows, a disabled one is reported, an unelevated process is
// told what it needs, and the support log keeps no secret.
#include <gtest/gtest.h>

#include <algorithm>

#include "iscsi/core/targets/target_section.h"
#include "platform/core/log/support_log.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/memory_log_file.h"
#include "tests/iscsi/target_section_fixture.h"

namespace norvale {
namespace {

using namespace test;

constexpr wchar_t kDisabledText[] =
    L"The Microsoft iSCSI Initiator service is disabled. Please enable it (Services, startup type Automatic), then "
    L"try again.";
constexpr wchar_t kAdminText[] =
    L"This needs administrator rights. Please close Norvale and start it again with \"Run as administrator\".";

class ScriptedElevation final : public ElevationPort {
public:
    std::optional<bool> elevated;
    std::optional<bool> IsElevated() override { return elevated; }
};

struct StartTypeCase {
    sim::SimStartType before;
    std::vector<sim::SimStartType> changes;
    int starts;
    bool connected;
};

class ServiceStartTypeTest : public TargetSectionTest, public ::testing::WithParamInterface<StartTypeCase> {
protected:
    ServiceStartTypeTest()
        : TargetSectionTest(sim::InitiatorOptions{.service = sim::SimServiceState::Stopped,
                                                  .startType = GetParam().before}) {
        version = Windows10Pro();
        wow64 = true;
    }
};

TEST_P(ServiceStartTypeTest, AStartLeavesTheServiceStartingWithWindows) {
    const StartTypeCase& c = GetParam();
    OpenAndSelect();
    ClickTarget(0);
    const std::size_t mark = Mark();
    PressConnect();
    EXPECT_EQ(initiator.StartTypeChanges(), c.changes);
    EXPECT_EQ(services.starts(), c.starts);
    EXPECT_EQ(Connected(kPlainTarget), c.connected);
    if (c.connected) {
        EXPECT_TRUE(surface.MessageBoxes().empty());
    } else {
        EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{kDisabledText});
        EXPECT_EQ(Iscsicli(mark), Lines{}) << "nothing run after the refusal";
        EXPECT_FALSE(targets->State().AutoConnectPending);
    }
}

INSTANTIATE_TEST_SUITE_P(
    StartTypes, ServiceStartTypeTest,
    ::testing::Values(StartTypeCase{sim::SimStartType::Manual, {sim::SimStartType::Automatic}, 1, true},
                      StartTypeCase{sim::SimStartType::Automatic, {}, 1, true},
                      StartTypeCase{sim::SimStartType::Disabled, {}, 0, false}));

class StoppedServiceLogTest : public TargetSectionTest {
protected:
    StoppedServiceLogTest() : TargetSectionTest(sim::InitiatorOptions{.service = sim::SimServiceState::Stopped}) {
        version = Windows10Pro();
        supportLog = &support;
        errorTexts = &english;
    }
    MemoryLogFile file;
    SupportLog support{file};
    EnglishErrorText english;
};

TEST_F(StoppedServiceLogTest, ARefusedStartIsWrittenDown) {
    initiator.Faults().serviceStartRefused = true;
    OpenAndSelect();
    ClickTarget(0);
    PressConnect();
    EXPECT_EQ(file.current, "service MSiSCSI: the service manager refused the start: error 5: Access is denied.\r\n");
}

TEST_F(StoppedServiceLogTest, ARefusedStartTypeChangeIsWrittenDownAndTheStartGoesAhead) {
    services.configChangeRefused = true;
    OpenAndSelect();
    ClickTarget(0);
    PressConnect();
    EXPECT_EQ(file.current,
              "service MSiSCSI: the start type could not be set to Automatic: error 5: Access is denied.\r\n");
    EXPECT_EQ(initiator.StartType(), sim::SimStartType::Manual);
    EXPECT_TRUE(Connected(kPlainTarget));
}

struct RightsCase {
    const char* what;
    std::optional<bool> elevated;
    FakeVersionSource (*windows)();
    bool refused;
};

class AdministratorRightsTest : public TargetSectionTest, public ::testing::WithParamInterface<RightsCase> {
protected:
    AdministratorRightsTest() {
        token.elevated = GetParam().elevated;
        elevation = &token;
        version = GetParam().windows();
    }
    ScriptedElevation token;
};

TEST_P(AdministratorRightsTest, ConnectAndManagementSayWhatIsNeededInsteadOfFailing) {
    OpenAndSelect();
    const std::size_t mark = Mark();
    ClickTarget(RowOf(L"ARCHIVE-LUN0"));
    PressConnect();
    surface.Click(IDC_MANAGEMENT);
    const std::vector<std::wstring> boxes = BoxTexts();
    if (GetParam().refused) {
        EXPECT_EQ(boxes, (std::vector<std::wstring>{kAdminText, kAdminText})) << "one message per click";
        EXPECT_EQ(Iscsicli(mark), Lines{});
        EXPECT_TRUE(disks.calls.empty());
    } else {
        EXPECT_EQ(std::count(boxes.begin(), boxes.end(), kAdminText), 0);
        EXPECT_TRUE(Connected(kPlainTarget));
    }
}

INSTANTIATE_TEST_SUITE_P(Tokens, AdministratorRightsTest,
                         ::testing::Values(RightsCase{"10, standard user", false, Windows10Pro, true},
                                           RightsCase{"10, elevated", true, Windows10Pro, false},
                                           RightsCase{"token unknown", std::nullopt, Windows10Pro, false},
                                           RightsCase{"XP", false, XpProfessional, false}),
                         [](const auto& info) { return std::string(info.index == 0   ? "Unelevated"
                                                                   : info.index == 1 ? "Elevated"
                                                                   : info.index == 2 ? "Unknown"
                                                                                     : "Xp"); });

TEST_F(TargetSectionTest, TheSupportLogKeepsEveryCommandButNoSecret) {
    MemoryLogFile file;
    SupportLog support(file);
    runner.SetLog(support);
    supportLog = &support;
    version = Windows10Pro();
    surface.ScriptChild(IDD_CHAP_PASSWORD, [](DialogController&, FakeDialogSurface& chap) {
        chap.TypeText(IDC_CHAP_USER, L"chap_usr");
        chap.TypeText(IDC_CHAP_PASSWORD, L"Sixteen-chars-16");
        chap.Click(kIdOk);
        return chap.EndCode().value_or(kIdCancel);
    });
    OpenAndSelect();
    ClickTarget(RowOf(L"ARCHIVE-SECURE"));
    PressConnect();
    ASSERT_TRUE(Connected(kChapTarget));
    const std::string all = file.All();
    EXPECT_NE(all.find("run: iscsicli persistentlogintarget IQN.2026-12.COM.ORRIN:ARCHIVE-SECURE"), std::string::npos)
        << all;
    EXPECT_NE(all.find("\"chap_usr\" \"***\" 1 * 0 -> exit code 0"), std::string::npos) << all;
    // The secret, its Base64 (as the appliance sends it) and its hex forms.
    for (const char* form : {"Sixteen-chars-16", "U2l4dGVlbi1jaGFycy0xNg", "5369787465656e2d63686172732d3136",
                             "5369787465656E2D63686172732D3136"}) {
        EXPECT_EQ(all.find(form), std::string::npos) << form;
    }
}

}  // namespace
}  // namespace norvale
