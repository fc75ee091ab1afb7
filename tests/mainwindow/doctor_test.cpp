// The discovery doctor: each cause a user meets gives its sentence and its
// fixes; the program's firewall setup against a rule store like Windows';
// the dialog over the main window after a pass that found nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/core/firewall_command.h"
#include "mainwindow/core/doctor/doctor_section.h"
#include "mainwindow/core/doctor/firewall_setup.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/simulated_firewall.h"
#include "tests/mainwindow/main_dialog_fixture.h"

namespace norvale::test {
namespace {

const std::wstring kPath = L"C:\\Program Files (x86)\\Norvale\\norvale.exe";

LocalInterface Card(const std::string& address, const std::wstring& name = L"Ethernet",
                    AdapterKind kind = AdapterKind::Ethernet, bool up = true) {
    return LocalInterface{address, name, kind, up};
}

struct DoctorWorld {
    VirtualClock clock;
    FakeSegment segment{clock};
    SimulatedFirewall firewall;
    SimulatedNetworkList networks;
    SimulatedDoctorActions actions{firewall, kPath};
    EnglishErrorText errors;
    DoctorPorts ports{segment, firewall, networks, actions, errors, kPath};

    DoctorWorld() { segment.SetLocalInterfaces({Card(kPcAddress)}); }
    void AllowAnswers() { firewall.rules.push_back(DiscoveryAllowRule(kPath, kAllProfiles)); }
};

const Finding* FirstProblem(const Diagnosis& diagnosis) {
    const auto& f = diagnosis.findings;
    const auto it = std::find_if(f.begin(), f.end(), [](const Finding& x) { return x.verdict == Verdict::Problem; });
    return it == f.end() ? nullptr : &*it;
}

TEST(DiscoveryChecks, EachCauseLeadsWithItsSentenceAndOffersItsFixes) {
    struct Case {
        const char* name;
        std::function<void(DoctorWorld&, std::vector<InterfaceUse>&)> arrange;
        std::string firstProblem;  // empty: none
        std::wstring says;
        unsigned fixes;
    };
    const Case cases[] = {
        {"cancelled prompt", [](DoctorWorld& w, auto&) { w.firewall.CancelledPrompt(kPath); },
         "firewall-rules", L"block rule", kFixFirewall},
        {"no allow rule", [](DoctorWorld&, auto&) {}, "firewall-rules", L"No firewall rule lets", kFixFirewall},
        {"block all incoming", [](DoctorWorld& w, auto&) { w.AllowAnswers(), w.firewall.state.blockAllInbound = true; },
         "block-all", L"all incoming connections in the Private profile", 0},
        {"policy lock", [](DoctorWorld& w, auto&) { w.firewall.modify = PolicyModifyState::GroupPolicyOverride; },
         "policy", L"Ask your administrator", 0},
        {"third-party firewall", [](DoctorWorld& w, auto&) { w.AllowAnswers(), w.firewall.products = {L"Contoso Shield"}; },
         "other-firewalls", L"Contoso Shield filters this PC's network traffic. Allow Norvale (" + kPath, 0},
        {"Public network", [](DoctorWorld& w, auto&) {
             w.AllowAnswers();
             w.networks.networks = std::vector<ConnectedNetwork>{{L"Cafe", NetworkCategory::Public}};
         }, "network-category", L"The network Cafe is set to Public", kFixNetworkSettings},
        {"two nameless Public networks (Wine), said once", [](DoctorWorld& w, auto&) {
             w.AllowAnswers();
             w.networks.networks = std::vector<ConnectedNetwork>{{L"", NetworkCategory::Public}, {L"", NetworkCategory::Public}};
         }, "network-category", L"- The network without a name is set to Public, where Windows lets the least in. If it is "
                                L"your own network, set it to Private in the network settings.\r\n- Norvale listened", kFixNetworkSettings},
        {"self-assigned only", [](DoctorWorld& w, auto&) { w.AllowAnswers(), w.segment.SetLocalInterfaces({Card("169.254.7.7")}); },
         "adapters", L"Ethernet has only the address 169.254.7.7", 0},
        {"no adapter up", [](DoctorWorld& w, auto&) {
             w.AllowAnswers(), w.segment.SetLocalInterfaces({Card("10.0.0.5", L"Ethernet", AdapterKind::Ethernet, false)});
         }, "adapters", L"No network adapter is connected", 0},
        {"no IPv4 address", [](DoctorWorld& w, auto&) { w.AllowAnswers(), w.segment.SetLocalInterfaces({Card("127.0.0.1", L"Loopback", AdapterKind::Loopback)}); },
         "adapters", L"No network adapter has an IPv4 address", 0},
        {"a socket that failed", [](DoctorWorld& w, std::vector<InterfaceUse>& used) {
             w.AllowAnswers();
             used.push_back(InterfaceUse{Card("10.8.0.2", L"Ethernet 2"), false, 10013});
         }, "sockets", L"could not listen on 10.8.0.2 (Ethernet 2): Error 10013", 0},
        {"VPN up, nothing else", [](DoctorWorld& w, auto&) {
             w.AllowAnswers();
             w.segment.SetLocalInterfaces({Card(kPcAddress), Card("10.8.0.2", L"Contoso VPN", AdapterKind::Tunnel)});
         }, "", L"Contoso VPN (10.8.0.2)", kFixDiagnostics},
        {"all clear", [](DoctorWorld& w, auto&) { w.AllowAnswers(); }, "", L"may be behind a router", kFixDiagnostics},
        {"all clear, no diagnostics", [](DoctorWorld& w, auto&) { w.AllowAnswers(), w.actions.diagnostics = false; },
         "", L"may be behind a router", 0},
        {"nothing readable (Wine)", [](DoctorWorld& w, auto&) { w.firewall.readable = false, w.networks.networks.reset(); },
         "", L"The firewall's rules could not be read", kFixDiagnostics},
    };
    for (const Case& c : cases) {
        DoctorWorld world;
        std::vector<InterfaceUse> used{InterfaceUse{Card(kPcAddress), true, 0}};
        c.arrange(world, used);
        const Diagnosis diagnosis = Diagnose(GatherDiscoveryFacts(world.ports, used));
        const Finding* first = FirstProblem(diagnosis);
        EXPECT_EQ(first ? first->check : "", c.firstProblem) << c.name;
        EXPECT_NE(ReportText(diagnosis).find(c.says), std::wstring::npos) << c.name << "\n" << Narrow(ReportText(diagnosis));
        EXPECT_EQ(diagnosis.fixes, c.fixes) << c.name;
        EXPECT_EQ(diagnosis.findings.front().verdict, first ? Verdict::Problem : diagnosis.findings.front().verdict)
            << c.name << ": a problem comes first";
    }
}

TEST(FirewallSetup, RepairRemovesOnlyThisProgramsBlockRulesAndRemoveOnlyOurs) {
    SimulatedFirewall firewall;
    RecordingTrace log;
    firewall.CancelledPrompt(kPath);
    FirewallRule otherBlock;
    otherBlock.name = L"game.exe", otherBlock.application = L"C:\\Games\\game.exe", otherBlock.action = RuleAction::Block;
    FirewallRule promptAllow;  // the prompt's allow rule for TCP, same name as its block rules
    promptAllow.name = L"norvale.exe", promptAllow.application = kPath, promptAllow.protocol = 6;
    firewall.rules.push_back(otherBlock);
    firewall.rules.push_back(promptAllow);

    EXPECT_EQ(RunFirewallVerb(FirewallVerb::Status, firewall, kPath, log), kFirewallNeedsRepair);
    for (int round = 0; round < 2; ++round) {  // a second repair changes nothing more
        EXPECT_EQ(RunFirewallVerb(FirewallVerb::Repair, firewall, kPath, log), kFirewallDone);
        ASSERT_EQ(firewall.rules.size(), 3u) << round;
        EXPECT_EQ(firewall.rules[0].name, L"game.exe");
        EXPECT_EQ(firewall.rules[1].protocol, 6);
        const FirewallRule& ours = firewall.rules[2];
        EXPECT_TRUE(IsOwnRule(ours));
        EXPECT_EQ(ours.application, kPath);
        EXPECT_EQ(ours.profiles, kProfileDomain | kProfilePrivate);
        EXPECT_EQ(ours.remoteAddresses, L"LocalSubnet");
    }
    EXPECT_EQ(RunFirewallVerb(FirewallVerb::Status, firewall, kPath, log), kFirewallDone);
    EXPECT_EQ(RunFirewallVerb(FirewallVerb::RepairPublic, firewall, kPath, log), kFirewallDone);
    EXPECT_EQ(firewall.rules.back().profiles, kAllProfiles);
    EXPECT_EQ(RunFirewallVerb(FirewallVerb::Install, firewall, kPath, log), kFirewallDone);
    EXPECT_EQ(firewall.rules.back().profiles, kAllProfiles) << "Public, once said yes to, stays";

    EXPECT_EQ(RunFirewallVerb(FirewallVerb::Remove, firewall, kPath, log), kFirewallDone);
    ASSERT_EQ(firewall.rules.size(), 2u);
    EXPECT_EQ(firewall.rules[0].name, L"game.exe");
    EXPECT_EQ(firewall.rules[1].name, L"norvale.exe");
    EXPECT_NE(log.All().find(L"firewall: removed the block rule \"norvale.exe\""), std::wstring::npos);

    firewall.modify = PolicyModifyState::GroupPolicyOverride;
    EXPECT_EQ(RunFirewallVerb(FirewallVerb::Repair, firewall, kPath, log), kFirewallPolicyLocked);
    firewall.modify = PolicyModifyState::InboundBlockedByPolicy;
    EXPECT_EQ(RunFirewallVerb(FirewallVerb::Install, firewall, kPath, log), kFirewallRefused);
    firewall.readable = false;
    EXPECT_EQ(RunFirewallVerb(FirewallVerb::Repair, firewall, kPath, log), kFirewallUnreadable);
    EXPECT_EQ(firewall.rules.size(), 2u) << "nothing changed by the refused runs";
}

TEST(FirewallSetup, VerbsAndWhatCountsAsLettingTheAnswersIn) {
    EXPECT_EQ(ParseFirewallVerb(L"REPAIR"), FirewallVerb::Repair);
    EXPECT_EQ(ParseFirewallVerb(L"repair-public"), FirewallVerb::RepairPublic);
    EXPECT_EQ(ParseFirewallVerb(L"repair "), std::nullopt);
    EXPECT_EQ(ParseFirewallVerb(L""), std::nullopt);
    const struct {
        std::wstring ports, application;
        int protocol;
        bool allows;
    } cases[] = {
        {L"13579", kPath, kProtocolUdp, true},          {L"13000-14000", L"", kProtocolAny, true},
        {L"80,13579", kPath, kProtocolUdp, true},       {L"*", L"C:\\PROGRAM FILES (X86)\\NORVALE\\NORVALE.EXE", kProtocolUdp, true},
        {L"RPC", kPath, kProtocolUdp, false},           {L"1357", kPath, kProtocolUdp, false},
        {L"13579", kPath, 6, false},                    {L"13579", L"C:\\other.exe", kProtocolUdp, false},
    };
    for (const auto& c : cases) {
        FirewallRule rule = DiscoveryAllowRule(c.application, kProfilePrivate);
        rule.localPorts = c.ports;
        rule.protocol = c.protocol;
        EXPECT_EQ(AllowsDiscovery(rule, kPath, kProfilePrivate), c.allows) << Narrow(c.ports) << " " << Narrow(c.application);
        EXPECT_FALSE(AllowsDiscovery(rule, kPath, kProfilePublic)) << "another profile";
    }
}

TEST(FirewallSetup, TheCommandLineTakesOneVerbAndNothingElse) {
    SimulatedFirewall firewall;
    RecordingTrace log;
    using Args = std::vector<std::wstring>;
    EXPECT_EQ(RunFirewallCommandLine(Args{}, firewall, kPath, log), std::nullopt) << "the window opens";
    EXPECT_EQ(RunFirewallCommandLine(Args{L"/debug"}, firewall, kPath, log), std::nullopt);
    for (const Args& refused : {Args{L"--firewall"}, Args{L"--firewall", L"open"},
                                Args{L"--firewall", L"repair", L"C:\\evil.exe"}}) {
        EXPECT_EQ(RunFirewallCommandLine(refused, firewall, kPath, log), kFirewallUsage);
    }
    EXPECT_EQ(RunFirewallCommandLine(Args{L"--firewall", L"repair"}, firewall, L"", log), kFirewallUsage)
        << "no path of its own: no rule";
    EXPECT_TRUE(firewall.rules.empty());
    EXPECT_EQ(RunFirewallCommandLine(Args{L"--firewall", L"install"}, firewall, kPath, log), kFirewallDone);
    EXPECT_EQ(firewall.rules.size(), 1u);
}

// --- the dialog over the main window --------------------------------------------

class DoctorDialogTest : public ::testing::Test {
protected:
    DoctorDialogTest() {
        world.segment.SetLocalAddresses(std::vector<std::string>{kPcAddress});
        NorvaleDlgSections all = sections.All();
        all.doctor = &doctor;
        dialog = std::make_unique<CNorvaleDlg>(protocol, files, all);
        DeclareMainDialogControls(surface);
        surface.MeasureHandlers(world.clock);
    }
    FakeDialogSurface* Doctor() { return surface.ModelessSurface(IDD_DOCTOR); }
    std::wstring Report() { return Doctor()->Text(IDC_DOCTOR_REPORT); }
    std::vector<std::wstring> Devices() {
        std::vector<std::wstring> ips;
        for (const auto& row : ListRows(surface, IDC_DEVICE_LIST)) ips.push_back(row.at(1));
        return ips;
    }

    DoctorWorld world;
    CountingRandom random;
    DeviceProtocol protocol{world.segment, world.clock, random};
    FakeSystemFiles files;
    RecordingSections sections;
    RecordingTrace log;
    CDoctorSection doctor{world.ports, log};
    std::unique_ptr<CNorvaleDlg> dialog;
    FakeDialogSurface surface;
};

TEST_F(DoctorDialogTest, AnEmptyPassOpensItAndItsFirewallFixSearchesAgain) {
    world.networks.networks = std::vector<ConnectedNetwork>{{L"Home", NetworkCategory::Public}};
    world.firewall.CancelledPrompt(kPath);
    surface.Open(*dialog);
    ASSERT_NE(Doctor(), nullptr) << "the first pass found nothing";
    EXPECT_EQ(Doctor()->Title(), L"Norvale: no storage device found");
    EXPECT_EQ(Report().rfind(L"- The Windows Firewall blocks Norvale (" + kPath, 0), 0u) << Narrow(Report());
    EXPECT_NE(Report().find(L"The network Home is set to Public"), std::wstring::npos);
    EXPECT_TRUE(Doctor()->IsVisible(IDC_DOCTOR_FIX_FIREWALL));
    EXPECT_TRUE(Doctor()->IsVisible(IDC_DOCTOR_NETWORK_SETTINGS));
    EXPECT_FALSE(Doctor()->IsVisible(IDC_DOCTOR_DIAGNOSTICS));
    EXPECT_NE(log.All().find(L"doctor: sockets: fine: Norvale listened on 1 interface(s): Ethernet (192.168.1.2)."),
              std::wstring::npos);
    EXPECT_NE(log.All().find(L"doctor: firewall-rules: problem: "), std::wstring::npos);

    // Fix, asked whether Public networks too: yes. The appliance shows up meanwhile.
    world.segment.AddAppliance(Nas("192.168.1.20"));
    Doctor()->QueueAnswer(MessageAnswer::Yes);
    Doctor()->Click(IDC_DOCTOR_FIX_FIREWALL);
    surface.Settle();
    ASSERT_EQ(Doctor()->MessageBoxes().size(), 1u);
    EXPECT_NE(Doctor()->MessageBoxes()[0].request.text.find(L"The network Home is Public."), std::wstring::npos);
    EXPECT_EQ(world.actions.started, (std::vector<std::wstring>{L"firewall 2"}));
    EXPECT_EQ(world.firewall.rules.size(), 1u);
    EXPECT_EQ(world.firewall.rules[0].profiles, kAllProfiles);
    EXPECT_EQ(Devices(), (std::vector<std::wstring>{L"192.168.1.20"})) << "searched again";
    EXPECT_EQ(surface.OpenModelessCount(), 0) << "a pass that finds an appliance closes the doctor";
}

TEST_F(DoctorDialogTest, TheSystemMenuOpensItAndAFailedFixIsTold) {
    world.segment.AddAppliance(Nas("192.168.1.20"));
    surface.Open(*dialog);
    EXPECT_EQ(Doctor(), nullptr) << "an appliance was found";
    const auto& items = surface.SystemMenuItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1], std::make_pair(int{IDM_DOCTOR}, std::wstring(L"Why is no storage device found?")));
    surface.SysCommand(IDM_DOCTOR);
    ASSERT_NE(Doctor(), nullptr);
    EXPECT_NE(Report().find(L"No firewall rule lets"), std::wstring::npos);

    world.actions.consents = false;
    Doctor()->Click(IDC_DOCTOR_FIX_FIREWALL);
    surface.Settle();
    ASSERT_EQ(Doctor()->MessageBoxes().size(), 1u) << "a Private network: no question, only the failure";
    EXPECT_NE(Doctor()->MessageBoxes()[0].request.text.find(L"Windows did not get the consent"), std::wstring::npos);
    EXPECT_TRUE(world.firewall.rules.empty());
    EXPECT_TRUE(Doctor()->IsEnabled(IDC_DOCTOR_SEARCH_AGAIN));

    Doctor()->Click(IDC_DOCTOR_COPY_REPORT);
    EXPECT_EQ(Doctor()->Clipboard().rfind(L"Norvale found no storage device.", 0), 0u);
    EXPECT_NE(Doctor()->Clipboard().find(L"No firewall rule lets"), std::wstring::npos);
    surface.SysCommand(IDM_DOCTOR + 3);
    EXPECT_EQ(surface.ModelessOpens().size(), 1u) << "one doctor at a time";
}

}  // namespace
}  // namespace norvale::test
