// The main dialog driven as the Win32 host drives it, against appliances on
// a simulated segment: what it shows after opening, Refresh and Enter, what
// a click on a device selects, the timers, the routing to the sections and
// the two ways out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/mainwindow/main_dialog_fixture.h"

namespace norvale::test {
namespace {

using std::chrono::milliseconds;
using Strings = std::vector<std::wstring>;
using Events = std::vector<std::string>;

constexpr Color kBlue{0, 98, 147};
constexpr Color kWhiteText{255, 255, 255};
constexpr IpOctets kClassA{255, 0, 0, 0};
constexpr IpOctets kClassB{255, 255, 0, 0};
constexpr IpOctets kClassC{255, 255, 255, 0};

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

ApplianceConfig Delayed(ApplianceConfig config, int delayMs) {
    config.replyDelay = milliseconds(delayMs);
    return config;
}

class NorvaleDlgTest : public ::testing::Test {
protected:
    NorvaleDlgTest() {
        segment.SetLocalAddresses(std::vector<std::string>{kPcAddress});
        DeclareMainDialogControls(surface);
        surface.MeasureHandlers(clock);
    }

    FakeAppliance& Add(ApplianceConfig config) { return segment.AddAppliance(std::move(config)); }

    void OpenDialog() {
        surface.Open(dialog);
        ASSERT_FALSE(surface.EndCode());
    }

    Strings DeviceIps() {
        Strings ips;
        for (const auto& row : ListRows(surface, IDC_DEVICE_LIST)) ips.push_back(row.size() > 1 ? row[1] : L"");
        return ips;
    }

    // Clicks the row that shows `ip`, as the user does.
    void ClickDevice(const std::string& ip) {
        const Strings ips = DeviceIps();
        for (std::size_t row = 0; row < ips.size(); ++row) {
            if (ips[row] == Wide(ip)) {
                surface.ClickListRow(IDC_DEVICE_LIST, static_cast<int>(row));
                return;
            }
        }
        ADD_FAILURE() << "no row shows " << ip;
    }

    Strings ComboItems(int comboId) { return surface.Control(comboId).combo.items; }

    void ExpectSinglePage(int comboId) {
        EXPECT_EQ(ComboItems(comboId), Strings{L"1"}) << comboId;
        EXPECT_EQ(surface.ComboSelection(comboId), 0) << comboId;
    }

    void ExpectCursorBalanced() {
        EXPECT_EQ(surface.CursorDepth(), 0);
        EXPECT_EQ(surface.CursorMisuses(), 0);
    }

    void ExpectSocketLayerReleased() {
        EXPECT_EQ(segment.OpenSockets(), 0);
        EXPECT_GT(segment.Startups(), 0);
        EXPECT_EQ(segment.Cleanups(), segment.Startups()) << "every start of the socket layer is matched";
    }

    // Refresh by `trigger` after the segment changed under a selected device.
    void CheckRediscovery(const std::function<void()>& trigger);

    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
    FakeSystemFiles files;
    RecordingSections sections;
    CNorvaleDlg dialog{protocol, files, sections.All()};
    FakeDialogSurface surface;
};

// --- opening -------------------------------------------------------------------

TEST_F(NorvaleDlgTest, OpeningSetsEveryTextAndColourFromTheStringTable) {
    OpenDialog();
    EXPECT_EQ(surface.Title(), L"Orrin's HVB-3300-12 Norvale");
    const std::pair<int, const wchar_t*> texts[] = {
        {IDC_REFRESH, L"Refresh"},
        {IDC_CONFIGURATION, L"Configuration"},
        {IDC_LAN_APPLY, L"Apply"},
        {IDC_TARGET_CONNECT, L"Connect"},
        {IDC_SHARE_CONNECT, L"Connect"},
        {IDC_MANAGEMENT, L"Management"},
        {IDC_SHARE_DISCONNECT, L"Disconnect"},
        {IDC_ABOUT, L"About"},
        {IDC_EXIT, L"Exit"},
        {IDC_IP_LABEL, L"IP:"},
        {IDC_NETMASK_LABEL, L"Netmask:"},
        {IDC_GATEWAY_LABEL, L"Gateway:"},
        {IDC_DHCP_LABEL, L"Receive DHCP :"},
        {IDC_DRIVE_LETTERS_LABEL, L"Available Drive Letters :"},
        {IDC_TARGET_PAGE_LABEL, L"Page:"},
        {IDC_SHARE_PAGE_LABEL, L"Page:"},
        {IDC_DEVICE_GROUP, L"Network Storage Device"},
        {IDC_LAN_GROUP, L"LAN"},
        {IDC_ISCSI_GROUP, L"iSCSI Drive Mapping"},
        {IDC_SHARE_GROUP, L"Drive Mapping"},
    };
    for (const auto& [id, text] : texts) EXPECT_EQ(surface.Control(id).text, text) << id;
    for (int group : {IDC_DEVICE_GROUP, IDC_LAN_GROUP, IDC_ISCSI_GROUP, IDC_SHARE_GROUP}) {
        EXPECT_EQ(surface.Control(group).groupBand, kBlue) << group;
        EXPECT_EQ(surface.Control(group).groupText, kWhiteText) << group;
    }
    EXPECT_EQ(surface.DialogBackground(), kBlue);
    EXPECT_EQ(surface.StaticTextColor(), kWhiteText);
    EXPECT_EQ(surface.SystemMenuItems(),
              (std::vector<std::pair<int, std::wstring>>{{16, L"About Network Storage Adapter(&A)..."},
                                                         {32, L"Why is no storage device found?"}}));
    EXPECT_EQ(surface.IconId(), 128);
    EXPECT_EQ(ComboItems(IDC_DHCP_MODE), (Strings{L"Disable", L"Enable"}));
    EXPECT_TRUE(surface.UnknownControlCalls().empty()) << "only controls of template 102";
}

TEST_F(NorvaleDlgTest, OpeningSetsUpTheColumnsOfTheThreeLists) {
    OpenDialog();
    struct Expected {
        int listId;
        std::vector<std::pair<std::wstring, int>> columns;
    };
    const Expected lists[] = {
        {IDC_DEVICE_LIST, {{L"Name", 94}, {L"IP", 90}, {L"Netmask", 90}, {L"Gateway", 90}}},
        {IDC_SHARE_LIST, {{L"Volume Name", 128}, {L"Location", 112}}},
        {IDC_TARGET_LIST, {{L"Name", 205}, {L"Active", 110}}},
    };
    for (const Expected& list : lists) {
        const FakeListView& view = surface.Control(list.listId).list;
        std::vector<std::pair<std::wstring, int>> shown;
        for (const ListColumn& column : view.columns) {
            shown.emplace_back(column.title, column.width);
            EXPECT_EQ(column.alignment, ColumnAlignment::Left) << list.listId << " " << column.title;
        }
        EXPECT_EQ(shown, list.columns) << list.listId;
        EXPECT_TRUE(view.fullRowSelect) << list.listId;
    }
}

TEST_F(NorvaleDlgTest, OpeningListsTheFirstDiscoveryPassWithNothingSelected) {
    Add(Delayed(Nas("192.168.1.20", "NAS:eth1=192.168.2.10", 1), 5));
    ApplianceConfig archive = Delayed(Nas("192.168.1.30", "Archive", 2), 15);
    archive.netmask = "255.255.0.0";
    archive.gateway = "192.168.0.254";
    Add(archive);
    OpenDialog();

    EXPECT_EQ(ListRows(surface, IDC_DEVICE_LIST),
              (std::vector<Strings>{{L"NAS", L"192.168.1.20", L"255.255.255.0", L"192.168.1.1"},
                                    {L"Archive", L"192.168.1.30", L"255.255.0.0", L"192.168.0.254"}}));
    for (int list : {IDC_DEVICE_LIST, IDC_SHARE_LIST, IDC_TARGET_LIST}) {
        EXPECT_TRUE(surface.Control(list).redraw) << list;
    }
    EXPECT_TRUE(ListRows(surface, IDC_TARGET_LIST).empty());
    EXPECT_TRUE(ListRows(surface, IDC_SHARE_LIST).empty());
    EXPECT_FALSE(dialog.State().deviceSelected);
    EXPECT_TRUE(protocol.SelectedDeviceIp.empty());
    for (int field : {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY}) EXPECT_TRUE(surface.IsIpBlank(field));
    EXPECT_FALSE(surface.IsEnabled(IDC_TARGET_CONNECT));
    EXPECT_FALSE(surface.IsEnabled(IDC_MANAGEMENT));
    EXPECT_TRUE(surface.IsEnabled(IDC_REFRESH));
    ExpectSinglePage(IDC_TARGET_PAGE);
    ExpectSinglePage(IDC_SHARE_PAGE);

    // The share section read the drives once; the iSCSI flags were reset once.
    EXPECT_EQ(sections.calls.events, Events{"shares opened"});
    EXPECT_EQ(sections.calls.dialogs, std::vector<const CNorvaleDlg*>{&dialog});
    EXPECT_EQ(sections.targets.resets, 1);
    ExpectCursorBalanced();
    EXPECT_TRUE(surface.UnknownControlCalls().empty());
}

TEST_F(NorvaleDlgTest, SocketsThatCannotStartEndTheDialogBeforeAnyDiscovery) {
    Add(Nas("192.168.1.20"));
    segment.FailStartup(true);
    surface.Open(dialog);
    EXPECT_EQ(surface.EndCode(), kDialogSocketsUnavailable);
    EXPECT_TRUE(segment.Sent().empty());
    EXPECT_TRUE(ListRows(surface, IDC_DEVICE_LIST).empty());
    EXPECT_TRUE(sections.calls.events.empty()) << "the sections never saw an open dialog";
    ExpectCursorBalanced();
}

TEST_F(NorvaleDlgTest, RefreshThatCannotRestartTheSocketsEndsTheDialog) {
    Add(Nas("192.168.1.20"));
    OpenDialog();
    segment.FailStartup(true);
    surface.Click(IDC_REFRESH);
    EXPECT_EQ(surface.EndCode(), kDialogSocketsUnavailable);
    ExpectCursorBalanced();
}

// --- Refresh and Enter -----------------------------------------------------------

void NorvaleDlgTest::CheckRediscovery(const std::function<void()>& trigger) {
    ApplianceConfig alphaConfig = Nas("192.168.1.20", "Alpha", 1);
    alphaConfig.addressMode = '1';
    alphaConfig.targets.assign(25, "iqn.target");
    FakeAppliance& alpha = Add(alphaConfig);
    Add(Delayed(Nas("192.168.1.30", "Beta", 2), 15));
    OpenDialog();
    ASSERT_EQ(DeviceIps(), (Strings{L"192.168.1.20", L"192.168.1.30"}));

    // A selected DHCP device with three target pages, page 3 of the shares
    // shown and the iSCSI buttons enabled by the target section.
    ClickDevice("192.168.1.20");
    ASSERT_TRUE(dialog.State().deviceSelected);
    ASSERT_EQ(ComboItems(IDC_TARGET_PAGE).size(), 3u);
    ASSERT_FALSE(surface.IsEnabled(IDC_LAN_IP));
    dialog.State().sharePageStart = 20;
    dialog.State().targetPageStart = 10;
    surface.Enable(IDC_TARGET_CONNECT, true);
    surface.Enable(IDC_MANAGEMENT, true);
    surface.InsertListRow(IDC_TARGET_LIST, 0, L"iqn.target");
    surface.InsertListRow(IDC_SHARE_LIST, 0, L"public");

    // Alpha leaves the segment, Gamma joins it.
    alpha.config.interfaces = {"10.99.99.99"};
    Add(Delayed(Nas("192.168.1.40", "Gamma", 3), 25));
    surface.ClearLog();
    trigger();

    EXPECT_FALSE(surface.EndCode()) << "Refresh never ends the dialog";
    EXPECT_EQ(DeviceIps(), (Strings{L"192.168.1.30", L"192.168.1.40"}));
    EXPECT_TRUE(ListRows(surface, IDC_TARGET_LIST).empty());
    EXPECT_TRUE(ListRows(surface, IDC_SHARE_LIST).empty());
    for (int field : {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY}) {
        EXPECT_TRUE(surface.IsIpBlank(field)) << field;
        EXPECT_TRUE(surface.IsEnabled(field)) << field << ": editable again after a DHCP device";
    }
    ExpectSinglePage(IDC_TARGET_PAGE);
    ExpectSinglePage(IDC_SHARE_PAGE);
    EXPECT_EQ(dialog.State().sharePageStart, 0);
    EXPECT_EQ(dialog.State().targetPageStart, 0);
    EXPECT_FALSE(surface.IsEnabled(IDC_TARGET_CONNECT));
    EXPECT_FALSE(surface.IsEnabled(IDC_MANAGEMENT));
    EXPECT_FALSE(dialog.State().deviceSelected);
    EXPECT_EQ(protocol.SelectedDeviceIp, L"192.168.1.20") << "kept until the next click";

    // Refresh is greyed while the pass runs and usable afterwards.
    const Strings& log = surface.Log();
    const auto disabled = std::find(log.begin(), log.end(), L"disable 1002");
    ASSERT_NE(disabled, log.end());
    EXPECT_NE(std::find(disabled, log.end(), L"enable 1002"), log.end());
    EXPECT_TRUE(surface.IsEnabled(IDC_REFRESH));
    // The pass ran as a flow: under the busy cursor, which is gone now.
    EXPECT_NE(std::find(log.begin(), log.end(), L"busy"), log.end());
    EXPECT_FALSE(surface.BusyShown());
    ExpectCursorBalanced();

    // The same devices found again: each listed once.
    trigger();
    EXPECT_EQ(DeviceIps(), (Strings{L"192.168.1.30", L"192.168.1.40"}));
    EXPECT_FALSE(dialog.State().deviceSelected);
    EXPECT_TRUE(surface.UnknownControlCalls().empty());
}

TEST_F(NorvaleDlgTest, RefreshButtonRediscoversTheSegment) {
    CheckRediscovery([this] { surface.Click(IDC_REFRESH); });
}

TEST_F(NorvaleDlgTest, EnterRediscoversAndNeverPressesADefaultButton) {
    CheckRediscovery([this] { EXPECT_TRUE(surface.PressKey(kKeyReturn)) << "Enter is consumed"; });
}

TEST_F(NorvaleDlgTest, EnterDoesNothingWhileRefreshIsOff) {
    // As while an appliance takes its DHCP address: the timer will rediscover.
    Add(Nas("192.168.1.20"));
    OpenDialog();
    surface.Enable(IDC_REFRESH, false);
    const int startups = segment.Startups();
    EXPECT_TRUE(surface.PressKey(kKeyReturn)) << "still consumed, so no button is pressed";
    EXPECT_EQ(segment.Startups(), startups);
    EXPECT_FALSE(surface.EndCode());
}

TEST_F(NorvaleDlgTest, EachRefreshUsesNewSocketsAndANewIdentity) {
    Add(Nas("192.168.1.20"));
    OpenDialog();
    const ClientId before = protocol.Identity();
    const int startups = segment.Startups();
    surface.Click(IDC_REFRESH);
    EXPECT_EQ(segment.Startups(), startups + 1);
    EXPECT_NE(protocol.Identity(), before) << "late answers of the previous pass stay out";
    EXPECT_EQ(DeviceIps(), Strings{L"192.168.1.20"});
}

// --- a click on a device ---------------------------------------------------------

TEST_F(NorvaleDlgTest, AddressModeDecidesTheDhcpSelectorAndWhetherTheFieldsAreEditable) {
    ApplianceConfig dynamic = Nas("192.168.1.20", "Dyn", 1);
    dynamic.addressMode = '1';
    ApplianceConfig fixed = Delayed(Nas("192.168.1.30", "Fix", 2), 15);
    fixed.netmask = "255.255.255.128";
    fixed.gateway = "192.168.1.126";
    ApplianceConfig byteOne = Delayed(Nas("192.168.1.40", "Odd", 3), 25);
    byteOne.addressMode = '\x01';  // the byte 1, not the character: a static address
    byteOne.gateway = "";          // no gateway
    Add(dynamic);
    Add(fixed);
    Add(byteOne);
    OpenDialog();

    ClickDevice("192.168.1.20");
    EXPECT_EQ(surface.ComboSelection(IDC_DHCP_MODE), 1);
    EXPECT_EQ(surface.Text(IDC_DHCP_MODE), L"Enable");
    for (int field : {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY}) EXPECT_FALSE(surface.IsEnabled(field));
    EXPECT_EQ(surface.IpAddress(IDC_LAN_IP), (IpOctets{192, 168, 1, 20}));
    EXPECT_EQ(surface.IpAddress(IDC_LAN_NETMASK), kClassC);
    EXPECT_EQ(surface.IpAddress(IDC_LAN_GATEWAY), (IpOctets{192, 168, 1, 1}));

    ClickDevice("192.168.1.30");
    EXPECT_EQ(surface.Text(IDC_DHCP_MODE), L"Disable");
    for (int field : {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY}) EXPECT_TRUE(surface.IsEnabled(field));
    EXPECT_EQ(surface.IpAddress(IDC_LAN_IP), (IpOctets{192, 168, 1, 30}));
    EXPECT_EQ(surface.IpAddress(IDC_LAN_NETMASK), (IpOctets{255, 255, 255, 128}));
    EXPECT_EQ(surface.IpAddress(IDC_LAN_GATEWAY), (IpOctets{192, 168, 1, 126}));

    ClickDevice("192.168.1.20");
    ClickDevice("192.168.1.40");
    EXPECT_EQ(surface.Text(IDC_DHCP_MODE), L"Disable");
    EXPECT_TRUE(surface.IsEnabled(IDC_LAN_IP));
    EXPECT_TRUE(surface.IsIpBlank(IDC_LAN_GATEWAY)) << "no gateway of the previous device left behind";
    EXPECT_EQ(protocol.SelectedDeviceIp, L"192.168.1.40");
    EXPECT_TRUE(dialog.State().deviceSelected);
    EXPECT_EQ(sections.calls.Count("shares device"), 4) << "one device-selected call per click";
}

TEST_F(NorvaleDlgTest, DeviceThatIsNoIscsiDeviceIsNotAskedForTargets) {
    ApplianceConfig files1 = Nas("192.168.1.20", "Files", 1);
    files1.service = "cifs";
    files1.targets = {"iqn.would.answer"};
    ApplianceConfig upper = Delayed(Nas("192.168.1.30", "Upper", 2), 15);
    upper.service = "ISCSI";  // only the exact service text counts
    upper.targets = {"iqn.would.answer"};
    FakeAppliance& cifs = Add(files1);
    FakeAppliance& shouting = Add(upper);
    OpenDialog();

    for (const std::string ip : {"192.168.1.20", "192.168.1.30"}) {
        surface.InsertListRow(IDC_TARGET_LIST, 0, L"iqn.old");
        surface.Enable(IDC_TARGET_CONNECT, true);
        surface.Enable(IDC_MANAGEMENT, true);
        sections.calls.events.clear();
        ClickDevice(ip);
        EXPECT_TRUE(ListRows(surface, IDC_TARGET_LIST).empty()) << ip;
        EXPECT_FALSE(surface.IsEnabled(IDC_TARGET_CONNECT)) << ip;
        EXPECT_FALSE(surface.IsEnabled(IDC_MANAGEMENT)) << ip;
        EXPECT_EQ(sections.calls.events, (Events{"targets clear", "shares device"})) << ip;
    }
    EXPECT_EQ(RequestsOf(cifs, Opcode::Query, SubCommand::TargetCount), 0);
    EXPECT_EQ(RequestsOf(shouting, Opcode::Query, SubCommand::TargetCount), 0);
}

TEST_F(NorvaleDlgTest, IscsiDeviceFillsTheTargetPagesFromItsCount) {
    struct Case {
        std::string ip;
        int targets;
        std::string countText;  // empty: the number of targets
        Strings pages;
        Events events;
    };
    const Case cases[] = {
        {"192.168.1.20", 25, "", {L"1", L"2", L"3"}, {"targets pages 25", "targets refresh", "shares device"}},
        {"192.168.1.21", 10, "", {L"1"}, {"targets pages 10", "targets refresh", "shares device"}},
        {"192.168.1.22", 0, "31", {L"1", L"2", L"3", L"4"},
         {"targets pages 31", "targets refresh", "shares device"}},
        {"192.168.1.23", 0, "", {L"1"}, {"targets pages 0", "targets clear", "shares device"}},
        // No answer: one page; the target section decides what to show.
        {"192.168.1.24", -1, "", {L"1"}, {"targets pages -1", "targets refresh", "shares device"}},
    };
    std::vector<FakeAppliance*> appliances;
    int delay = 5;
    std::uint8_t id = 1;
    for (const Case& c : cases) {
        ApplianceConfig config = Delayed(Nas(c.ip, "Tgt", id++), delay);
        delay += 10;
        config.targets.assign(static_cast<std::size_t>(std::max(c.targets, 0)), "iqn.t");
        config.targetCountText = c.countText;
        appliances.push_back(&Add(config));
    }
    OpenDialog();
    appliances.back()->dropNextRequests = 1000;

    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        sections.calls.events.clear();
        ClickDevice(c.ip);
        EXPECT_EQ(ComboItems(IDC_TARGET_PAGE), c.pages) << c.ip;
        EXPECT_EQ(surface.ComboSelection(IDC_TARGET_PAGE), 0) << c.ip;
        EXPECT_EQ(sections.calls.events, c.events) << c.ip;
        EXPECT_EQ(RequestsOf(*appliances[i], Opcode::Query, SubCommand::TargetCount), 1) << c.ip;
    }
    EXPECT_TRUE(surface.UnknownControlCalls().empty());
    ExpectCursorBalanced();
}

TEST_F(NorvaleDlgTest, SubnetOfTheDeviceDecidesShareAndWebButtons) {
    struct Case {
        std::string ip, netmask, gateway;
        bool inside;
    };
    const Case cases[] = {
        {"10.0.0.5", "255.0.0.0", "10.0.0.1", false},
        {"192.168.1.20", "255.255.255.0", "192.168.1.1", true},
        {"192.168.77.9", "255.255.0.0", "192.168.0.1", true},        // the device's wider mask reaches the PC
        {"192.168.1.200", "255.255.255.128", "192.168.1.129", false},  // the upper half of the PC's /24
    };
    int delay = 5;
    std::uint8_t id = 1;
    for (const Case& c : cases) {
        ApplianceConfig config = Delayed(Nas(c.ip, "Dev", id++), delay);
        delay += 10;
        config.netmask = c.netmask;
        config.gateway = c.gateway;
        Add(config);
    }
    OpenDialog();
    for (const Case& c : cases) {
        ClickDevice(c.ip);
        for (int button : {IDC_SHARE_CONNECT, IDC_SHARE_DISCONNECT, IDC_CONFIGURATION}) {
            EXPECT_EQ(surface.IsEnabled(button), c.inside) << c.ip << " button " << button;
        }
        EXPECT_EQ(dialog.State().deviceOutsideSubnet, !c.inside) << c.ip;
    }
}

TEST_F(NorvaleDlgTest, SubnetTestUsesTheAddressOfTheInterfaceTheDeviceWasFoundOn) {
    segment.SetLocalAddresses(std::vector<std::string>{kPcAddress, "10.0.0.2"});
    ApplianceConfig second = Nas("10.0.0.5", "Second", 1);
    second.netmask = "255.0.0.0";
    second.interfaces = {"10.0.0.2"};
    ApplianceConfig misplaced = Nas("10.0.0.6", "Misplaced", 2);
    misplaced.netmask = "255.0.0.0";
    misplaced.interfaces = {kPcAddress};
    Add(second);
    Add(misplaced);
    OpenDialog();
    ASSERT_EQ(DeviceIps().size(), 2u);

    ClickDevice("10.0.0.5");
    EXPECT_FALSE(dialog.State().deviceOutsideSubnet) << "found on 10.0.0.2";
    EXPECT_TRUE(surface.IsEnabled(IDC_CONFIGURATION));
    ClickDevice("10.0.0.6");
    EXPECT_TRUE(dialog.State().deviceOutsideSubnet) << "found on 192.168.1.2";
    EXPECT_FALSE(surface.IsEnabled(IDC_CONFIGURATION));
}

TEST_F(NorvaleDlgTest, OtherPortAddressFollowsTheSelectedDevice) {
    Add(Nas("192.168.1.20", "NAS:eth1=192.168.2.10", 1));
    Add(Delayed(Nas("192.168.1.30", "Backup:eth0=", 2), 15));
    OpenDialog();
    EXPECT_EQ(ListRows(surface, IDC_DEVICE_LIST)[0][0], L"NAS");
    EXPECT_EQ(ListRows(surface, IDC_DEVICE_LIST)[1][0], L"Backup");

    ClickDevice("192.168.1.20");
    EXPECT_EQ(protocol.SelectedDeviceOtherIp, L"192.168.2.10");
    ClickDevice("192.168.1.30");
    EXPECT_EQ(protocol.SelectedDeviceOtherIp, L"") << "the previous device's port is not kept";
    ClickDevice("192.168.1.20");
    EXPECT_EQ(protocol.SelectedDeviceOtherIp, L"192.168.2.10");
}

TEST_F(NorvaleDlgTest, ClickInAScrolledListHandlesTheSelectedRow) {
    for (int i = 0; i < 10; ++i) {
        Add(Delayed(Nas("192.168.1." + std::to_string(21 + i), "N" + std::to_string(i),
                        static_cast<std::uint8_t>(i + 1)),
                    5 + 10 * i));
    }
    OpenDialog();
    ASSERT_EQ(DeviceIps().size(), 10u);
    FakeListView& list = surface.Control(IDC_DEVICE_LIST).list;
    list.firstVisible = 4;
    list.visibleRows = 4;

    for (int row : {4, 7}) {
        surface.ClickListRow(IDC_DEVICE_LIST, row);
        const std::wstring expected = L"192.168.1." + std::to_wstring(21 + row);
        EXPECT_EQ(protocol.SelectedDeviceIp, expected) << row;
        EXPECT_EQ(surface.IpAddress(IDC_LAN_IP), (IpOctets{192, 168, 1, static_cast<std::uint8_t>(21 + row)}));
    }
    EXPECT_EQ(sections.calls.Count("shares device"), 2);
}

TEST_F(NorvaleDlgTest, ClickBesideTheRowsSelectsNothing) {
    ApplianceConfig config = Nas("192.168.1.20");
    config.targets.assign(25, "iqn.t");
    FakeAppliance& nas = Add(config);
    OpenDialog();

    // Beside the rows after opening: still no device, nothing asked.
    surface.ClickListRow(IDC_DEVICE_LIST, -1);
    EXPECT_FALSE(dialog.State().deviceSelected);
    EXPECT_EQ(RequestsOf(nas, Opcode::Query, SubCommand::TargetCount), 0);

    // A device shown on target page 3; a click beside the rows keeps it.
    ClickDevice("192.168.1.20");
    dialog.State().targetPageStart = 20;
    sections.calls.events.clear();
    surface.ClickListRow(IDC_DEVICE_LIST, -1);
    EXPECT_TRUE(dialog.State().deviceSelected);
    EXPECT_EQ(dialog.State().targetPageStart, 20) << "the shown target page stays consistent";
    EXPECT_TRUE(sections.calls.events.empty());

    // After Refresh the old address is still known, but a click beside the
    // rows must not make it the selected device again (Apply would act on it).
    surface.Click(IDC_REFRESH);
    surface.ClickListRow(IDC_DEVICE_LIST, -1);
    EXPECT_FALSE(dialog.State().deviceSelected);
    EXPECT_TRUE(surface.IsIpBlank(IDC_LAN_IP));
    ExpectCursorBalanced();
}

// The arrow keys pick a device, a target or a share as a click does: once
// per change of selection, and a click never acts twice.
TEST_F(NorvaleDlgTest, ArrowKeysPickRowsOncePerChangeLikeAClick) {
    ApplianceConfig second = Nas("192.168.1.21", "B", 2);
    second.targets.assign(2, "iqn.t");
    Add(Delayed(Nas("192.168.1.20", "A", 1), 5));
    FakeAppliance& b = Add(Delayed(second, 15));
    OpenDialog();
    ASSERT_EQ(DeviceIps(), (Strings{L"192.168.1.20", L"192.168.1.21"}));
    sections.calls.events.clear();

    surface.ClickListRow(IDC_DEVICE_LIST, 0);
    EXPECT_EQ(sections.calls.Count("shares device"), 1) << "a click on a new row acts once";
    const int queriesBefore = RequestsOf(b, Opcode::Query, SubCommand::TargetCount);
    surface.KeyToListRow(IDC_DEVICE_LIST, 1);
    EXPECT_EQ(protocol.SelectedDeviceIp, L"192.168.1.21");
    EXPECT_EQ(surface.IpAddress(IDC_LAN_IP), (IpOctets{192, 168, 1, 21}));
    EXPECT_GT(RequestsOf(b, Opcode::Query, SubCommand::TargetCount), queriesBefore) << "the appliance is asked";
    EXPECT_EQ(sections.calls.Count("shares device"), 2);
    surface.ClickListRow(IDC_DEVICE_LIST, 1);
    EXPECT_EQ(sections.calls.Count("shares device"), 3) << "a click on the selected row acts as ever";
    ExpectCursorBalanced();

    const std::pair<int, const char*> lists[] = {{IDC_TARGET_LIST, "targets list click"},
                                                 {IDC_SHARE_LIST, "shares list click"}};
    for (const auto& [list, event] : lists) {
        surface.Control(list).list.singleSelection = true;
        for (int row = 0; row < 3; ++row) surface.InsertListRow(list, row, L"row");
        surface.ClickListRow(list, 0);
        surface.KeyToListRow(list, 1);
        surface.KeyToListRow(list, 2);
        surface.SetListRowSelected(list, 0, true);  // the program's own change
        EXPECT_EQ(sections.calls.Count(event), 3) << event;
    }
}

TEST_F(NorvaleDlgTest, DeviceClickWorksUnderTheWaitCursorWithTheDeviceSelected) {
    ApplianceConfig config = Nas("192.168.1.20");
    config.targets.assign(3, "iqn.t");
    Add(config);
    OpenDialog();
    std::vector<bool> busy;
    std::vector<bool> selected;
    sections.calls.probe = [&](const std::string&, CNorvaleDlg& d) {
        busy.push_back(surface.BusyShown());
        selected.push_back(d.State().deviceSelected);
    };
    dialog.State().targetPageStart = 30;
    surface.SetFocus(IDC_EXIT);
    sections.calls.events.clear();
    ClickDevice("192.168.1.20");
    EXPECT_EQ(sections.calls.events, (Events{"targets pages 3", "targets refresh", "shares device"}));
    EXPECT_EQ(busy, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(selected, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(dialog.State().targetPageStart, 0);
    EXPECT_EQ(surface.Focus(), IDC_DEVICE_LIST);
    ExpectCursorBalanced();
}

// --- timers ----------------------------------------------------------------------

TEST_F(NorvaleDlgTest, DhcpChangeTimerConfirmsAndListsTheDeviceAtItsNewAddress) {
    FakeAppliance& nas = Add(Nas("192.168.1.20"));
    OpenDialog();
    ClickDevice("192.168.1.20");
    // What a change to DHCP leaves behind: Refresh greyed, the timer running,
    // the device about to answer from the address its DHCP server gave it.
    surface.Enable(IDC_REFRESH, false);
    surface.SetTimer(IDT_DHCP_CHANGE, milliseconds(15000));
    nas.config.ip = "192.168.1.77";
    nas.config.addressMode = '1';
    surface.ClearLog();

    EXPECT_TRUE(surface.FireTimer(IDT_DHCP_CHANGE));
    ASSERT_EQ(surface.MessageBoxes().size(), 1u);
    const MessageBoxRequest& box = surface.MessageBoxes()[0].request;
    EXPECT_EQ(box.text, L"DHCP client enabled.");
    EXPECT_EQ(box.caption, L"Confirm");
    EXPECT_EQ(box.icon, MessageIcon::Information);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    // Killed before the box waits for the user, so it cannot fire again meanwhile.
    const Strings& log = surface.Log();
    const auto killed = std::find(log.begin(), log.end(), L"kill timer 1055");
    const auto shown = std::find(log.begin(), log.end(), L"message Confirm: DHCP client enabled.");
    ASSERT_NE(killed, log.end());
    EXPECT_LT(killed, shown);
    EXPECT_FALSE(surface.TimerRunning(IDT_DHCP_CHANGE));

    EXPECT_EQ(ListRows(surface, IDC_DEVICE_LIST),
              (std::vector<Strings>{{L"NAS", L"192.168.1.77", L"255.255.255.0", L"192.168.1.1"}}));
    EXPECT_TRUE(surface.IsEnabled(IDC_REFRESH));
    ExpectCursorBalanced();

    segment.ClearLogs();
    EXPECT_FALSE(surface.FireTimer(IDT_DHCP_CHANGE));
    EXPECT_EQ(surface.MessageBoxes().size(), 1u);
    EXPECT_TRUE(segment.Sent().empty());
}

TEST_F(NorvaleDlgTest, TargetListTimerStopsBeforeTheTargetSectionRuns) {
    OpenDialog();
    std::vector<bool> runningInside;
    sections.calls.probe = [&](const std::string& event, CNorvaleDlg& d) {
        if (event != "targets timer") return;
        runningInside.push_back(surface.TimerRunning(IDT_TARGET_LIST));
        d.Surface().SetTimer(IDT_TARGET_LIST, milliseconds(1000));  // the slow mode
    };
    surface.SetTimer(IDT_TARGET_LIST, milliseconds(300));
    sections.calls.events.clear();
    sections.calls.dialogs.clear();
    EXPECT_TRUE(surface.FireTimer(IDT_TARGET_LIST));
    EXPECT_EQ(sections.calls.events, Events{"targets timer"});
    EXPECT_EQ(sections.calls.dialogs, std::vector<const CNorvaleDlg*>{&dialog});
    EXPECT_EQ(runningInside, std::vector<bool>{false});
    EXPECT_TRUE(surface.TimerRunning(IDT_TARGET_LIST)) << "the section's new timer survives";
    EXPECT_EQ(surface.Timers().at(IDT_TARGET_LIST), milliseconds(1000));
}

// --- LAN fields ------------------------------------------------------------------

TEST_F(NorvaleDlgTest, NetmaskFieldOffersTheClassMaskOfTheTypedAddress) {
    ApplianceConfig config = Nas("192.168.1.20");
    config.netmask = "255.255.252.0";
    Add(config);
    OpenDialog();

    const std::pair<IpOctets, IpOctets> typed[] = {
        {{10, 1, 2, 3}, kClassA},
        {{172, 16, 0, 1}, kClassB},
        {{192, 168, 1, 9}, kClassC},
        {{224, 0, 0, 1}, kClassC},  // multicast: left as it is
    };
    for (const auto& [address, mask] : typed) {
        surface.SetIpAddress(IDC_LAN_IP, address);
        surface.UserFocus(IDC_LAN_NETMASK);
        EXPECT_EQ(surface.IpAddress(IDC_LAN_NETMASK), mask) << int(address[0]);
    }
    surface.SetIpAddress(IDC_LAN_IP, {10, 0, 0, 1});
    surface.UserFocus(IDC_LAN_IP);
    EXPECT_EQ(surface.IpAddress(IDC_LAN_NETMASK), kClassC) << "only the netmask field's focus";

    // The device's own mask is not a class mask: entering the field keeps it.
    ClickDevice("192.168.1.20");
    surface.UserFocus(IDC_LAN_NETMASK);
    EXPECT_EQ(surface.IpAddress(IDC_LAN_NETMASK), (IpOctets{255, 255, 252, 0}));
}

// --- routing to the sections -----------------------------------------------------

TEST_F(NorvaleDlgTest, SectionsGetTheMessagesOfTheirControls) {
    OpenDialog();
    sections.calls.events.clear();
    sections.calls.dialogs.clear();
    surface.AddComboItem(IDC_DRIVE_LETTERS, L"Z:");

    surface.Click(IDC_LAN_APPLY);
    surface.ChooseComboItem(IDC_DHCP_MODE, 1);
    surface.Notify(IDC_SHARE_LIST, kNotifyClick);
    surface.Click(IDC_SHARE_CONNECT);
    surface.Click(IDC_SHARE_DISCONNECT);
    surface.ChooseComboItem(IDC_SHARE_PAGE, 0);
    surface.Notify(IDC_TARGET_LIST, kNotifyClick);
    surface.Click(IDC_TARGET_CONNECT);
    surface.Click(IDC_MANAGEMENT);
    surface.ChooseComboItem(IDC_TARGET_PAGE, 0);
    surface.Click(IDC_CONFIGURATION);
    surface.Click(IDC_ABOUT);
    EXPECT_TRUE(surface.SysCommand(16).handled);
    EXPECT_TRUE(surface.SysCommand(31).handled) << "every command of our own opens About";
    EXPECT_TRUE(surface.SysCommand(32).handled) << "the doctor (inert here)";
    EXPECT_FALSE(surface.SysCommand(48).handled);
    // Messages with no entry reach no section.
    surface.Notify(IDC_SHARE_LIST, kNotifyDoubleClick);
    surface.ChooseComboItem(IDC_DRIVE_LETTERS, 0);
    EXPECT_FALSE(surface.SysCommand(0xF060).handled) << "other system commands: default processing";

    EXPECT_EQ(sections.calls.events,
              (Events{"lan apply", "lan dhcp mode", "shares list click", "shares connect",
                        "shares disconnect", "shares page", "targets list click", "targets connect",
                        "targets management", "targets page", "web configuration", "web about", "web about", "web about"}));
    EXPECT_EQ(sections.calls.dialogs,
              std::vector<const CNorvaleDlg*>(sections.calls.events.size(), &dialog));
    EXPECT_FALSE(surface.EndCode());
}

TEST_F(NorvaleDlgTest, OnlyARestoreFromMinimisedResumesTheTargetSection) {
    OpenDialog();
    auto restores = [this] { return sections.calls.Count("targets restored"); };
    surface.Resize(SizeKind::Restored);
    EXPECT_EQ(restores(), 0) << "never minimised";
    surface.Resize(SizeKind::Minimized);
    EXPECT_EQ(restores(), 0);
    surface.Resize(SizeKind::Restored);
    EXPECT_EQ(restores(), 1);
    surface.Resize(SizeKind::Restored);
    EXPECT_EQ(restores(), 1) << "a second restore without minimising";
    surface.Resize(SizeKind::Minimized);
    surface.Resize(SizeKind::Minimized);
    surface.Resize(SizeKind::Restored);
    EXPECT_EQ(restores(), 2);
}

// --- the ways out ----------------------------------------------------------------

TEST_F(NorvaleDlgTest, CloseBoxReleasesTheDeviceStateAndKeepsTheDiskScript) {
    Add(Nas("192.168.1.20"));
    OpenDialog();
    ClickDevice("192.168.1.20");
    protocol.ShareNameList.Append(L"public");
    protocol.TargetNameList.Append(L"iqn.t");
    surface.CloseBox();

    EXPECT_EQ(surface.EndCode(), kIdCancel);
    EXPECT_TRUE(protocol.Devices().Empty());
    EXPECT_TRUE(protocol.ShareNameList.Empty());
    EXPECT_TRUE(protocol.TargetNameList.Empty());
    ExpectSocketLayerReleased();
    EXPECT_TRUE(files.deleted.empty()) << "only Exit removes the disk script";

    // An Exit click queued before the window went away releases nothing twice.
    const int cleanups = segment.Cleanups();
    dialog.Dispatch(DialogMessage::Of(MessageKind::Command, IDC_EXIT, kButtonClicked));
    EXPECT_EQ(segment.Cleanups(), cleanups);
    EXPECT_EQ(surface.EndCode(), kIdCancel) << "the first way out decides the end code";
}

TEST_F(NorvaleDlgTest, ExitReleasesTheDeviceStateAndDeletesTheDiskScript) {
    files.environment = {{L"SystemDrive", L"D:"}};
    Add(Nas("192.168.1.20"));
    OpenDialog();
    protocol.TargetNameList.Append(L"iqn.t");
    surface.Click(IDC_EXIT);

    EXPECT_EQ(surface.EndCode(), kDialogExit);
    EXPECT_EQ(files.deleted, Strings{L"D:\\diskactive.script"});
    EXPECT_TRUE(protocol.Devices().Empty());
    EXPECT_TRUE(protocol.TargetNameList.Empty());
    ExpectSocketLayerReleased();
}

TEST_F(NorvaleDlgTest, ExitEndsAlsoWhenTheScriptIsMissingOrTheDriveUnknown) {
    files.environment.clear();  // no systemdrive: the root of the current drive
    files.deleteSucceeds = false;
    OpenDialog();
    surface.Click(IDC_EXIT);
    EXPECT_EQ(surface.EndCode(), kDialogExit);
    EXPECT_EQ(files.deleted, Strings{L"\\diskactive.script"});
    EXPECT_TRUE(surface.MessageBoxes().empty()) << "a missing file is no error";
    ExpectSocketLayerReleased();
}

TEST_F(NorvaleDlgTest, EscapeEndsLikeTheCloseBox) {
    Add(Nas("192.168.1.20"));
    OpenDialog();
    surface.PressKey(kKeyEscape);
    EXPECT_EQ(surface.EndCode(), kIdCancel);
    EXPECT_TRUE(protocol.Devices().Empty());
    ExpectSocketLayerReleased();
    EXPECT_TRUE(files.deleted.empty());
}

}  // namespace
}  // namespace norvale::test
