// The LAN section inside the main dialog, against appliances on a simulated
// segment: the DHCP selector, every refusal of Apply with its box and focus,
// the administrator login, the iSCSI tear-down and both kinds of change up to
// the device list that shows the appliance at its new address.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <functional>
#include <string>
#include <vector>

#include "app/core/section_links.h"
#include "mainwindow/core/lan/lan_section.h"
#include "platform/core/console/console_command_runner.h"
#include "platform/core/log/support_log.h"
#include "tests/fakes/memory_log_file.h"
#include "tests/mainwindow/main_dialog_fixture.h"

namespace norvale::test {
namespace {

using std::chrono::milliseconds;
using Strings = std::vector<std::wstring>;

constexpr wchar_t kSelectDevice[] = L"Please select a device in the above section.";
constexpr wchar_t kWrongPassword[] = L"Wrong administrator password input!";
constexpr wchar_t kGettingAddress[] = L"Getting IP Address ...\nPlease wait 15 seconds.";
constexpr wchar_t kDhcpFailed[] = L"Set to dhcp client fail.";
constexpr wchar_t kDhcpEnabled[] = L"DHCP client enabled.";

// Records the lines and can act while one runs (as the initiator takes its time).
class FakeCommandRunner final : public CommandRunner {
public:
    bool RunConsoleCommand(const std::wstring& commandLine) override {
        lines.push_back(commandLine);
        if (onRun) onRun(commandLine);
        return true;
    }
    const std::wstring& CapturedCommandOutput() const override { return captured_; }

    Strings lines;
    std::function<void(const std::wstring&)> onRun;

private:
    std::wstring captured_;
};

// Notes the target logouts in the runner's log, so their order shows.
class TearDownTargets final : public TargetSection {
public:
    explicit TearDownTargets(FakeCommandRunner& runner) : runner_(runner) {}
    std::vector<std::wstring> ActiveTargets(CNorvaleDlg&) override { return {L"<connected>"}; }
    void LogoutTargetWork(const std::wstring&, bool, const std::wstring& deviceIp) override {
        runner_.lines.push_back(L"<logouts of " + deviceIp + L">");
    }

private:
    FakeCommandRunner& runner_;
};

IpOctets Octets(const std::string& dotted) {
    IpOctets octets{};
    unsigned a = 0, b = 0, c = 0, d = 0;
    std::sscanf(dotted.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
    octets = {std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)};
    return octets;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class LanSectionTest : public ::testing::Test {
protected:
    LanSectionTest() {
        segment.SetLocalAddresses(std::vector<std::string>{kPcAddress});
        DeclareMainDialogControls(surface);
        surface.MeasureHandlers(clock);
    }

    FakeAppliance& Add(ApplianceConfig config) { return segment.AddAppliance(std::move(config)); }

    // Opens the dialog and clicks the appliance's row.
    void OpenAndSelect(const std::string& ip) {
        surface.Open(dialog);
        ASSERT_FALSE(surface.EndCode());
        const auto rows = ListRows(surface, IDC_DEVICE_LIST);
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (rows[row].size() > 1 && rows[row][1] == Wide(ip)) {
                surface.ClickListRow(IDC_DEVICE_LIST, static_cast<int>(row));
                ASSERT_TRUE(dialog.State().deviceSelected);
                surface.ClearLog();
                return;
            }
        }
        FAIL() << "no row shows " << ip;
    }

    // The user types into an IP field; "" leaves it blank.
    void TypeIp(int field, const std::string& dotted) {
        FakeIpField& ip = surface.Control(field).ip;
        ip.blank = dotted.empty();
        ip.octets = dotted.empty() ? IpOctets{} : Octets(dotted);
    }
    void TypeAddress(const std::string& ip, const std::string& netmask, const std::string& gateway) {
        TypeIp(IDC_LAN_IP, ip);
        TypeIp(IDC_LAN_NETMASK, netmask);
        TypeIp(IDC_LAN_GATEWAY, gateway);
    }

    // The user gives the password in the login dialog (OK), or cancels.
    void AnswerLoginWith(std::optional<std::wstring> password) {
        surface.ScriptChild(IDD_LOGIN, [password](DialogController&, FakeDialogSurface& child) {
            if (!password) {
                child.Click(kIdCancel);
                return kIdCancel;
            }
            child.TypeText(IDC_LOGIN_PASSWORD, *password);
            child.Click(kIdOk);
            return kIdOk;
        });
    }

    // A row in the target list, as the iSCSI section leaves it.
    void ShowTarget(const std::wstring& name, const std::wstring& active) {
        const int row = surface.InsertListRow(IDC_TARGET_LIST, 0, name);
        surface.SetListCell(IDC_TARGET_LIST, row, 1, active);
        surface.ClearLog();
    }

    std::vector<std::wstring> BoxTexts() const {
        std::vector<std::wstring> texts;
        for (const ShownMessageBox& box : surface.MessageBoxes()) texts.push_back(box.request.text);
        return texts;
    }
    const MessageBoxRequest& LastBox() const { return surface.MessageBoxes().back().request; }

    Strings DeviceIps() {
        Strings ips;
        for (const auto& row : ListRows(surface, IDC_DEVICE_LIST)) ips.push_back(row.size() > 1 ? row[1] : L"");
        return ips;
    }

    // Requests of one kind an appliance heard. The device id inside a request
    // carries the address, which a change moves, so the tests that count
    // have the segment to one appliance and count every request of the kind.
    static int Heard(const FakeAppliance& nas, Opcode opcode, SubCommand subCommand) {
        int count = 0;
        for (const ReceivedRequest& request : nas.Requests()) {
            const Bytes& bytes = request.bytes;
            count += bytes.size() > 21 && bytes[0] == static_cast<std::uint8_t>(opcode) &&
                     bytes[21] == static_cast<std::uint8_t>(subCommand);
        }
        return count;
    }
    int Logins(const FakeAppliance& nas) const { return Heard(nas, Opcode::Query, SubCommand::AdminLogin); }
    int StaticRequests(const FakeAppliance& nas) const {
        return Heard(nas, Opcode::Settings, SubCommand::StaticAddress);
    }
    int DhcpRequests(const FakeAppliance& nas) const {
        return Heard(nas, Opcode::Settings, SubCommand::DhcpClient);
    }

    void ExpectCursorBalanced() {
        EXPECT_EQ(surface.CursorDepth(), 0);
        EXPECT_EQ(surface.CursorMisuses(), 0);
    }

    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
    FakeSystemFiles files;
    FakeCommandRunner runner;
    TearDownTargets targets{runner};
    InitiatorTeardown initiator{runner};
    LanTeardownLink teardown{initiator};
    CLanSection lan{teardown};
    CNorvaleDlg dialog{protocol, files, NorvaleDlgSections{&lan, nullptr, &targets, nullptr}};
    FakeDialogSurface surface;
};

// --- the DHCP selector ----------------------------------------------------------

TEST_F(LanSectionTest, ChoosingEnableGreysTheAddressAndTheIscsiButtonsAndDisableUngreysTheFields) {
    Add(Nas("192.168.1.20"));
    OpenAndSelect("192.168.1.20");
    surface.Enable(IDC_TARGET_CONNECT, true);
    surface.Enable(IDC_MANAGEMENT, true);

    surface.ChooseComboItem(IDC_DHCP_MODE, 1);
    for (int id : {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY, IDC_TARGET_CONNECT, IDC_MANAGEMENT})
        EXPECT_FALSE(surface.IsEnabled(id)) << id;

    surface.ChooseComboItem(IDC_DHCP_MODE, 0);
    for (int id : {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY}) EXPECT_TRUE(surface.IsEnabled(id)) << id;
    EXPECT_FALSE(surface.IsEnabled(IDC_TARGET_CONNECT)) << "only a target click enables it again";
}

// --- Apply refused before anything is sent ----------------------------------------

TEST_F(LanSectionTest, ApplyWithoutASelectedDeviceOrModeSendsNothing) {
    FakeAppliance& nas = Add(Nas("192.168.1.20"));
    surface.Open(dialog);
    surface.Click(IDC_LAN_APPLY);
    ASSERT_EQ(surface.MessageBoxes().size(), 1u);
    EXPECT_EQ(LastBox().text, kSelectDevice);
    EXPECT_EQ(LastBox().caption, L"Error");
    EXPECT_EQ(LastBox().icon, MessageIcon::Stop);

    surface.ClickListRow(IDC_DEVICE_LIST, 0);
    surface.SelectComboItem(IDC_DHCP_MODE, -1);
    surface.Click(IDC_LAN_APPLY);
    EXPECT_EQ(surface.MessageBoxes().size(), 1u) << "no selection in the selector: no message";
    EXPECT_EQ(Logins(nas), 0);
    ExpectCursorBalanced();
}

struct Refusal {
    const char* ip;
    const char* netmask;
    const char* gateway;
    const wchar_t* text;
    const wchar_t* caption;
    int focusField;  // 0: the focus stays where it was
    int focusOctet;
};

class LanRefusalTest : public LanSectionTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(LanRefusalTest, ShowsItsBoxMovesTheFocusAndLeavesTheDeviceAlone) {
    const Refusal& c = GetParam();
    FakeAppliance& nas = Add(Nas("192.168.1.20", "NAS:eth0=192.168.1.60"));
    OpenAndSelect("192.168.1.20");
    surface.SetFocus(IDC_LAN_APPLY);
    TypeAddress(c.ip, c.netmask, c.gateway);

    surface.Click(IDC_LAN_APPLY);
    ASSERT_EQ(surface.MessageBoxes().size(), 1u);
    EXPECT_EQ(LastBox().text, c.text);
    EXPECT_EQ(LastBox().caption, c.caption);
    EXPECT_EQ(LastBox().icon,
              std::wstring(c.caption) == L"Error" ? MessageIcon::Stop : MessageIcon::Exclamation);
    if (c.focusField == 0) {
        EXPECT_EQ(surface.Focus(), IDC_LAN_APPLY);
    } else {
        EXPECT_EQ(surface.Focus(), c.focusField);
        EXPECT_EQ(surface.Control(c.focusField).ip.focusedOctet, c.focusOctet);
    }
    EXPECT_EQ(Logins(nas), 0);
    EXPECT_EQ(StaticRequests(nas), 0);
    EXPECT_EQ(DeviceIps(), Strings{L"192.168.1.20"});
    EXPECT_TRUE(dialog.State().deviceSelected);
    ExpectCursorBalanced();
}

INSTANTIATE_TEST_SUITE_P(Inputs, LanRefusalTest, ::testing::Values(
    Refusal{"", "255.255.255.0", "192.168.1.1", L"Please input IP address!", L"Warning", 0, 0},
    Refusal{"192.168.1.30", "", "192.168.1.1", L"Please input net mask address!", L"Warning", 0, 0},
    Refusal{"192.168.1.30", "255.255.255.0", "", L"Please input gateway address!", L"Warning", 0, 0},
    Refusal{"127.0.0.5", "255.0.0.0", "127.0.0.1", L"IP address input error. Please try again.", L"Error", 0, 0},
    Refusal{"224.1.1.1", "255.0.0.0", "192.168.1.1",
            L"Invalid IP address in 1st digit. It should be 1-223.", L"Error", IDC_LAN_IP, 0},
    Refusal{"10.0.0.255", "255.0.0.0", "10.0.0.1",
            L"Invalid IP address in 4th digit. It should be 1-254.", L"Error", IDC_LAN_IP, 3},
    Refusal{"192.168.1.30", "3.255.0.0", "192.168.1.1",
            L"Invalid subnet mask address in 1st digit. It should be continuous.", L"Error", IDC_LAN_NETMASK, 0},
    // Not a run of ones: refused although each octet on its own would do.
    Refusal{"192.168.1.30", "255.255.7.0", "192.168.1.1",
            L"Invalid subnet mask address in 3rd digit. It should be continuous.", L"Error", IDC_LAN_NETMASK, 2},
    Refusal{"192.168.1.30", "255.255.0.0", "192.168.1.0",
            L"Invalid gateway IP address in 4th digit. It should be 1-254.", L"Error", IDC_LAN_GATEWAY, 3},
    Refusal{"192.168.1.30", "255.255.255.0", "192.168.1.30",
            L"IP address and the gateway address have the same address. Please modify ip address.", L"Warning", 0, 0},
    Refusal{"192.168.2.10", "255.255.255.0", "192.168.1.1", L"Gateway address input error!", L"Warning", 0, 0},
    Refusal{"192.168.1.60", "255.255.255.0", "192.168.1.1",
            L"IP addresss is the same as LAN 2. Please modify your IP address.", L"Warning", 0, 0}));

TEST_F(LanSectionTest, WithDhcpChosenTheAddressFieldsAreNotChecked) {
    FakeAppliance& nas = Add(Nas("192.168.1.20"));
    OpenAndSelect("192.168.1.20");
    TypeAddress("127.0.0.1", "", "0.0.0.0");
    surface.ChooseComboItem(IDC_DHCP_MODE, 1);
    surface.Click(IDC_LAN_APPLY);
    EXPECT_EQ(BoxTexts(), Strings{kGettingAddress});
    EXPECT_EQ(DhcpRequests(nas), 1);
}

// --- the administrator login ---------------------------------------------------------

TEST_F(LanSectionTest, TheDefaultPasswordAcceptedSendsOneLoginAndShowsNoDialog) {
    FakeAppliance& nas = Add(Nas("192.168.1.20"));
    OpenAndSelect("192.168.1.20");
    TypeAddress("192.168.1.50", "255.255.255.0", "192.168.1.1");
    surface.Click(IDC_LAN_APPLY);
    EXPECT_EQ(Logins(nas), 1);
    EXPECT_TRUE(surface.ChildRuns().empty());
    EXPECT_EQ(StaticRequests(nas), 1);
}

TEST_F(LanSectionTest, TheLoginDialogComesAfterTwoRefusalsAndItsPasswordIsSentThird) {
    ApplianceConfig config = Nas("192.168.1.20");
    config.adminPassword = "s3cret";
    FakeAppliance& nas = Add(config);
    OpenAndSelect("192.168.1.20");
    AnswerLoginWith(L"s3cret");
    TypeAddress("192.168.1.50", "255.255.255.0", "192.168.1.1");

    surface.Click(IDC_LAN_APPLY);
    EXPECT_EQ(surface.ChildRuns(), std::vector<int>{IDD_LOGIN});
    EXPECT_EQ(Logins(nas), 3);
    EXPECT_EQ(protocol.AdminUserName, "admin");
    EXPECT_EQ(StaticRequests(nas), 1);
    EXPECT_TRUE(surface.MessageBoxes().empty());
    EXPECT_EQ(DeviceIps(), Strings{L"192.168.1.50"});
}

// A refused login ends the change with its box, before the PC's iSCSI state
// is touched and before any settings request.
class LanLoginRefusedTest : public LanSectionTest {
protected:
    void Check(const std::optional<std::wstring>& typed) {
        ApplianceConfig config = Nas("192.168.1.20");
        config.adminPassword = "s3cret";
        FakeAppliance& nas = Add(config);
        OpenAndSelect("192.168.1.20");
        ShowTarget(L"iqn.2004-08.com.orrin:disk0", L"yes");
        AnswerLoginWith(typed);
        TypeAddress("192.168.1.50", "255.255.255.0", "192.168.1.1");

        surface.Click(IDC_LAN_APPLY);
        EXPECT_EQ(BoxTexts(), Strings{kWrongPassword});
        EXPECT_EQ(LastBox().caption, L"Error");
        EXPECT_EQ(LastBox().icon, MessageIcon::Stop);
        EXPECT_EQ(Logins(nas), 3);
        EXPECT_EQ(StaticRequests(nas), 0);
        EXPECT_TRUE(runner.lines.empty()) << "the PC keeps its iSCSI sessions";
        EXPECT_EQ(surface.ListRowCount(IDC_TARGET_LIST), 1);
        EXPECT_EQ(DeviceIps(), Strings{L"192.168.1.20"});
        EXPECT_EQ(nas.config.ip, "192.168.1.20");
        EXPECT_TRUE(dialog.State().deviceSelected);
        ExpectCursorBalanced();
    }
};

TEST_F(LanLoginRefusedTest, AWrongPassword) { Check(L"guess"); }

TEST_F(LanLoginRefusedTest, ACancelledLoginDialogSendsTheDefaultsAThirdTime) { Check(std::nullopt); }

// --- the static change ---------------------------------------------------------------

TEST_F(LanSectionTest, AStaticChangeListsTheApplianceAtItsNewAddress) {
    FakeAppliance& nas = Add(Nas("192.168.1.20"));
    Add(Nas("192.168.1.21", "Other", 2));
    OpenAndSelect("192.168.1.20");
    const int repaints = surface.Repaints();
    TypeAddress("192.168.1.50", "255.255.0.0", "192.168.2.1");

    surface.Click(IDC_LAN_APPLY);
    EXPECT_TRUE(surface.MessageBoxes().empty());
    EXPECT_EQ(nas.config.ip, "192.168.1.50");
    EXPECT_EQ(nas.config.netmask, "255.255.0.0");
    EXPECT_EQ(nas.config.gateway, "192.168.2.1");
    EXPECT_EQ(protocol.SelectedDeviceIp, L"192.168.1.50");
    Strings ips = DeviceIps();
    std::sort(ips.begin(), ips.end());
    EXPECT_EQ(ips, (Strings{L"192.168.1.21", L"192.168.1.50"}));
    for (int field : {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY}) EXPECT_TRUE(surface.IsIpBlank(field)) << field;
    EXPECT_TRUE(ListRows(surface, IDC_SHARE_LIST).empty());
    EXPECT_TRUE(surface.IsEnabled(IDC_REFRESH));
    EXPECT_FALSE(surface.IsEnabled(IDC_TARGET_CONNECT));
    EXPECT_FALSE(surface.IsEnabled(IDC_MANAGEMENT));
    EXPECT_GT(surface.Repaints(), repaints);
    EXPECT_TRUE(runner.lines.empty()) << "no target rows: the initiator is left alone";
    // Nothing is selected in the new list, so Apply asks for a device again.
    EXPECT_FALSE(dialog.State().deviceSelected);
    surface.Click(IDC_LAN_APPLY);
    EXPECT_EQ(BoxTexts(), Strings{kSelectDevice});
    ExpectCursorBalanced();
}

TEST_F(LanSectionTest, AStaticChangeWithoutAnAnswerStillRebuildsTheList) {
    FakeAppliance& nas = Add(Nas("192.168.1.20"));
    OpenAndSelect("192.168.1.20");
    ShowTarget(L"iqn.2004-08.com.orrin:disk0", L"NO");
    // The settings request is lost while the initiator is busy.
    runner.onRun = [&nas](const std::wstring&) { nas.dropNextRequests = 1; };
    TypeAddress("192.168.1.50", "255.255.255.0", "192.168.1.1");

    surface.Click(IDC_LAN_APPLY);
    EXPECT_TRUE(surface.MessageBoxes().empty());
    EXPECT_EQ(nas.config.ip, "192.168.1.20");
    EXPECT_EQ(DeviceIps(), Strings{L"192.168.1.20"});
    EXPECT_TRUE(ListRows(surface, IDC_TARGET_LIST).empty());
    EXPECT_TRUE(surface.IsEnabled(IDC_REFRESH));
    ExpectCursorBalanced();
}

TEST_F(LanSectionTest, TargetRowsAreLoggedOutAndTheInitiatorForgetsTheOldPortalAfterTheLogin) {
    FakeAppliance& nas = Add(Nas("192.168.1.20"));
    OpenAndSelect("192.168.1.20");
    ShowTarget(L"iqn.2004-08.com.orrin:disk0", L"yes");
    ShowTarget(L"iqn.2004-08.com.orrin:disk1", L"NO");
    int loginsAtTearDown = -1;
    runner.onRun = [&](const std::wstring&) {
        if (loginsAtTearDown < 0) loginsAtTearDown = Logins(nas);
    };
    TypeAddress("192.168.1.50", "255.255.255.0", "192.168.1.1");

    surface.Click(IDC_LAN_APPLY);
    EXPECT_EQ(runner.lines, (Strings{L"<logouts of 192.168.1.20>", L"iscsicli ClearPersistentDevices ",
                                     L"iscsicli RemoveTargetPortal 192.168.1.20 3260",
                                     L"iscsicli ListTargets t"}));
    EXPECT_EQ(loginsAtTearDown, 1) << "the login is accepted before the PC's sessions go";
    EXPECT_EQ(StaticRequests(nas), 1);
    EXPECT_EQ(DeviceIps(), Strings{L"192.168.1.50"});
}

// The support log of a change after an administrator login: the commands
// that tear the iSCSI state down are written down, the password in none of
// its forms.
TEST_F(LanSectionTest, TheSupportLogOfAChangeAfterALoginHoldsNoPassword) {
    class Exiting final : public ImmediateProcessPort {
    public:
        ProcessRun RunHidden(const std::wstring&, bool) override { return {true, {}, 0u}; }
    } processes;
    class NoRedirection final : public Wow64RedirectionPort {
    public:
        RedirectionResult Disable() override { return RedirectionResult::Unavailable; }
        RedirectionResult Enable(bool) override { return RedirectionResult::Unavailable; }
    } redirection;
    MemoryLogFile file;
    SupportLog log(file);
    ConsoleCommandRunner logged(processes, redirection, false);
    logged.SetLog(log);
    runner.onRun = [&](const std::wstring& line) { logged.RunConsoleCommand(line); };

    ApplianceConfig config = Nas("192.168.1.20");
    config.adminPassword = "s3cret-Admin";
    FakeAppliance& nas = Add(config);
    OpenAndSelect("192.168.1.20");
    ShowTarget(L"iqn.2004-08.com.orrin:disk0", L"yes");
    AnswerLoginWith(L"s3cret-Admin");
    TypeAddress("192.168.1.50", "255.255.255.0", "192.168.1.1");
    surface.Click(IDC_LAN_APPLY);
    ASSERT_EQ(StaticRequests(nas), 1);
    EXPECT_NE(file.current.find("run: iscsicli ClearPersistentDevices  -> exit code 0"), std::string::npos)
        << file.current;
    for (const char* form : {"s3cret-Admin", "czNjcmV0LUFkbWlu", "7333637265742d41646d696e"}) {
        EXPECT_EQ(file.current.find(form), std::string::npos) << form;
    }
}

// --- the DHCP change -------------------------------------------------------------------

TEST_F(LanSectionTest, ADhcpChangeWaitsForTheTimerAndThenListsTheDhcpAddress) {
    ApplianceConfig config = Nas("192.168.1.20");
    config.dhcpAddress = "192.168.1.77";
    FakeAppliance& nas = Add(config);
    OpenAndSelect("192.168.1.20");
    ShowTarget(L"iqn.2004-08.com.orrin:disk0", L"yes");
    surface.ChooseComboItem(IDC_DHCP_MODE, 1);
    const milliseconds before = clock.Now();
    segment.ClearLogs();
    clock.ClearSleeps();

    surface.Click(IDC_LAN_APPLY);
    EXPECT_EQ(runner.lines.size(), 4u);
    EXPECT_EQ(runner.lines[2], L"iscsicli RemoveTargetPortal 192.168.1.20 3260");
    EXPECT_EQ(DhcpRequests(nas), 1);
    ASSERT_EQ(BoxTexts(), Strings{kGettingAddress});
    EXPECT_EQ(LastBox().caption, L"Confirm");
    EXPECT_EQ(LastBox().icon, MessageIcon::Information);
    EXPECT_EQ(surface.Timers().at(IDT_DHCP_CHANGE), milliseconds(15000));
    // The dialog stays responsive: no 15 s pause, no discovery yet.
    EXPECT_LT(clock.Now() - before, milliseconds(15000));
    for (milliseconds pause : clock.Sleeps()) EXPECT_LT(pause, milliseconds(15000));
    const auto discovers = std::count_if(segment.Sent().begin(), segment.Sent().end(),
                                         [](const SentDatagram& d) { return !d.bytes.empty() && d.bytes[0] == 0x01; });
    EXPECT_EQ(discovers, 0);
    EXPECT_FALSE(dialog.State().deviceSelected);
    EXPECT_FALSE(surface.IsEnabled(IDC_REFRESH));
    EXPECT_FALSE(surface.IsEnabled(IDC_TARGET_CONNECT));
    EXPECT_FALSE(surface.IsEnabled(IDC_MANAGEMENT));
    for (int field : {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY}) {
        EXPECT_TRUE(surface.IsIpBlank(field)) << field;
        EXPECT_TRUE(surface.IsEnabled(field)) << field;
    }
    for (int list : {IDC_DEVICE_LIST, IDC_SHARE_LIST, IDC_TARGET_LIST}) EXPECT_EQ(surface.ListRowCount(list), 0);
    ExpectCursorBalanced();

    ASSERT_TRUE(surface.FireTimer(IDT_DHCP_CHANGE));
    EXPECT_EQ(BoxTexts(), (Strings{kGettingAddress, kDhcpEnabled}));
    EXPECT_FALSE(surface.TimerRunning(IDT_DHCP_CHANGE));
    EXPECT_EQ(DeviceIps(), Strings{L"192.168.1.77"});
    EXPECT_TRUE(surface.IsEnabled(IDC_REFRESH));
    ExpectCursorBalanced();
}

TEST_F(LanSectionTest, ADhcpChangeTheDeviceDoesNotConfirmSaysSoAndKeepsTheList) {
    FakeAppliance& nas = Add(Nas("192.168.1.20"));
    OpenAndSelect("192.168.1.20");
    ShowTarget(L"iqn.2004-08.com.orrin:disk0", L"yes");
    runner.onRun = [&nas](const std::wstring&) { nas.dropNextRequests = 1; };
    surface.ChooseComboItem(IDC_DHCP_MODE, 1);

    surface.Click(IDC_LAN_APPLY);
    EXPECT_EQ(BoxTexts(), Strings{kDhcpFailed});
    EXPECT_EQ(LastBox().caption, L"Error");
    EXPECT_EQ(LastBox().icon, MessageIcon::Stop);
    EXPECT_FALSE(surface.TimerRunning(IDT_DHCP_CHANGE));
    EXPECT_EQ(DeviceIps(), Strings{L"192.168.1.20"});
    EXPECT_TRUE(surface.IsEnabled(IDC_REFRESH));
    EXPECT_TRUE(dialog.State().deviceSelected);
    ExpectCursorBalanced();
}

}  // namespace
}  // namespace norvale::test
