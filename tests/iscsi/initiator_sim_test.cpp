// The simulated initiator through the product's own ports: the catalogue's
// lines accepted and anything else refused without a change, CHAP enforced,
// the WMI state the product reads, the service and its registry entry, and
// the faults it can be told to show.
#include <gtest/gtest.h>

#include "platform/core/initiator/command_lines.h"
#include "platform/core/initiator/wql.h"
#include "platform/core/utf8.h"
#include "platform/core/version/windows_version_reader.h"
#include "tests/iscsi/initiator_sim_fixture.h"
#include "tools/initiator_sim/daemon_service.h"
#include "tools/initiator_sim/iscsicli_line.h"
#include "tools/initiator_sim/share_check.h"
#include "tools/initiator_sim/wql_select.h"

namespace norvale::test {
namespace {

using sim::SimServiceState;

std::wstring SessionIdOf(CWmiWrapper& wmi, const std::wstring& target) {
    std::vector<std::wstring> ids;
    wmi.QueryPropertyValuesWhere(L"MSiSCSIInitiator_SessionClass", L"TargetName", target, L"SessionId", ids);
    return ids.empty() ? std::wstring() : ids.front();
}

TEST_F(InitiatorSimTest, EveryCatalogueLineIsAcceptedAndDoesWhatItSays) {
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    Run({ListTargetsCommand(), {}});
    Run(LoginTargetCommand(kPlain, kInitiator));
    Run(PersistentLoginTargetCommand(kPlain, kInitiator));
    Run(ChapLoginTargetCommand(kChap, kInitiator, kChapUser, kChapSecret));
    Run(ChapPersistentLoginTargetCommand(kChap, kInitiator, kChapUser, kChapSecret));
    Run(AddPersistentDeviceCommand(L"E:\\"));
    Run(AddPersistentDeviceCommand(L"f:"));
    Run({BindPersistentVolumesCommand(), {}});
    EXPECT_EQ(State(),
              "portal 192.168.10.20 3260\n"
              "target iqn.2026-12.com.orrin:archive.lun0\n"
              "target iqn.2026-12.com.orrin:archive.secure\n"
              "target iqn.2026-12.com.orrin:archive.empty\n"
              "session fffffa8003c41018-4000013700000001 iqn.2026-12.com.orrin:archive.lun0 192.168.10.20 disk 1 "
              "statistics iqn.2026-12.com.orrin:archive.lun0 plain\n"
              "session fffffa8003c41018-4000013700000002 iqn.2026-12.com.orrin:archive.secure 192.168.10.20 disk 2 "
              "statistics iqn.2026-12.com.orrin:archive.secure chap\n"
              "persistent-login iqn.2026-12.com.orrin:archive.lun0 ROOT\\ISCSIPRT\\0000_0 plain\n"
              "persistent-login iqn.2026-12.com.orrin:archive.secure ROOT\\ISCSIPRT\\0000_0 chap chap_user\n"
              "persistent-device E:\\\n"
              "persistent-device F:\\\n"
              "service running\n");

    Run(LogoutTargetCommand(SessionIdOf(wmi, kPlain)));
    Run(RemovePersistentTargetCommand(kInitiator, kPlain, kArchiveW));
    Run(RemovePersistentDeviceCommand(L"E:\\"));
    Run({ClearPersistentDevicesCommand(), {}});
    Run(RemoveTargetPortalCommand(kArchiveW));
    // The CHAP target stays known while its session lasts.
    EXPECT_EQ(State(),
              "target iqn.2026-12.com.orrin:archive.secure\n"
              "session fffffa8003c41018-4000013700000002 iqn.2026-12.com.orrin:archive.secure 192.168.10.20 disk 2 "
              "statistics iqn.2026-12.com.orrin:archive.secure chap\n"
              "persistent-login iqn.2026-12.com.orrin:archive.secure ROOT\\ISCSIPRT\\0000_0 chap chap_user\n"
              "service running\n");

    for (const sim::LoggedCommand& command : initiator.CommandLog()) {
        EXPECT_TRUE(command.accepted && command.exitCode == 0) << command.line;
        EXPECT_EQ(command.line.find("Sixteen"), std::string::npos) << command.line;
    }
    EXPECT_EQ(initiator.CommandLog()[3].line,
              "iscsicli logintarget iqn.2026-12.com.orrin:archive.secure t * * ROOT\\ISCSIPRT\\0000_0 "
              "* * * * * * * * \"chap_user\" \"***\" 1 * 0");
    EXPECT_EQ(processes.lines[3], Utf8ToWide(initiator.CommandLog()[3].line));
}

TEST_F(InitiatorSimTest, AnyOtherLineIsRefusedWithNothingChanged) {
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    Run(PersistentLoginTargetCommand(kPlain, kInitiator));
    Run(AddPersistentDeviceCommand(L"E:\\"));
    const std::string before = State();
    const std::size_t logged = initiator.CommandLog().size();

    const std::string plain = "iscsicli logintarget iqn.2026-12.com.orrin:archive.lun0 t * * ROOT\\ISCSIPRT\\0000_0";
    const std::string chap = "iscsicli logintarget iqn.2026-12.com.orrin:archive.secure t * * *";
    const char* const refused[] = {
        "iscsicli",
        "iscsicli QAddTargetPortal 192.168.10.20",
        "iscsicli SessionList",
        "iscsicli ListTargets",
        "iscsicli ListTargets t t",
        "iscsicli BindPersistentVolumes x",
        "iscsicli ClearPersistentDevices now",
        "iscsicli logouttarget",
        "iscsicli logouttarget a b",
        "iscsicli RemoveTargetPortal 192.168.10.20",
        "iscsicli RemoveTargetPortal 192.168.10.20 3261",
        "iscsicli RemovePersistentDevice E",
        "iscsicli AddPersistentDevice E:\\x",
        "iscsicli AddPersistentDevice \"E:\\\"",
        ("iscsicli removepersistenttarget  \"ROOT\\ISCSIPRT\\0000_0\" \"iqn.2026-12.com.orrin:archive.lun0\" "
         "\"192.168.10.20\" 3260"),
        "iscsicli logintarget iqn.2026-12.com.orrin:archive.lun0 f * * * * * * * * * * * * * * * 0",
        "iscsicli logintarget iqn.2026-12.com.orrin:archive.lun0 t 192.168.10.20 * * * * * * * * * * * * * * 0",
        "iscsicli unterminated \"quote",
    };
    std::vector<std::string> lines(std::begin(refused), std::end(refused));
    lines.push_back(plain + " * * * * * * * * * * * *");        // no mapping count
    lines.push_back(plain + " * * * * * * * * * * * * * 0");    // one star too many
    lines.push_back(plain + " * * * * * * * * * * * * 1");      // mappings the form never has
    lines.push_back(chap + " * * * * * * * * \"chap_user\" \"Sixteen-chars-16\" * * 0");  // no auth type
    lines.push_back(chap + " * * * * * * * * \"chap_user\" * 1 * 0");
    lines.push_back(chap + " * * * * * * * * \"chap_user\" \"*\" 1 * 0");  // a quoted star is a star too
    lines.push_back(chap + " * * * * * * * * chap_user 0x5369787465656e2d63686172732d3 1 * 0");  // odd hex
    lines.push_back(chap + " * * * * * * * * chap_user 0x5369787465656e2d63686172732d3g 1 * 0");
    for (const std::string& line : lines) {
        const sim::IscsicliRun run = initiator.RunIscsicli(line);
        // Printed redacted: a refused CHAP line may hold the secret.
        const std::string shown = sim::RedactIscsicliLine(line);
        EXPECT_EQ(run.exitCode, sim::iscsi_error::kInvalidParameter) << shown;
        EXPECT_NE(run.output.find("The parameter is incorrect."), std::string::npos) << shown;
        EXPECT_FALSE(initiator.CommandLog().back().accepted) << shown;
        EXPECT_EQ(initiator.CommandLog().back().line.find("Sixteen"), std::string::npos) << shown;
    }
    EXPECT_EQ(State(), before);
    EXPECT_EQ(initiator.CommandLog().size(), logged + lines.size());
}

// iscsicli gets its arguments from the C runtime, without the quotes: a
// quoted argument reads as the same text unquoted, "*" is the default either
// way, and a secret that begins with "0x" is the hex of its bytes.
TEST(IscsicliRules, ArgumentsReadAsIscsicliSeesThem) {
    const std::string head = "iscsicli logintarget \"iqn.2026-12.com.orrin:archive.secure\" \"t\" \"*\" * * ";
    const struct {
        std::string tail;
        std::optional<std::string> secret;  // nullopt: the line is refused
    } cases[] = {
        {"* * * * * * * * chap_user Sixteen-chars-16 1 * 0", "Sixteen-chars-16"},
        {"\"*\" * * * * * * * \"chap_user\" \"Sixteen-chars-16\" \"1\" \"*\" \"0\"", "Sixteen-chars-16"},
        {"* * * * * * * * chap_user 0x5061227373 1 * 0", std::string("Pa\"ss")},
        {"* * * * * * * * chap_user 0X00FF 1 * 0", std::string("\0\xff", 2)},
        {"* * * * * * * * chap_user \"0x\" 1 * 0", std::string()},
        {"* * * * * * * * chap_user 0x123 1 * 0", std::nullopt},
        {"* * * * * * * * chap_user 0xzz 1 * 0", std::nullopt},
        {"* * * * * * * * chap_user \"*\" 1 * 0", std::nullopt},
    };
    for (const auto& c : cases) {
        const sim::IscsicliParse parse = sim::ParseIscsicliLine(head + c.tail);
        ASSERT_EQ(parse.command.has_value(), c.secret.has_value()) << c.tail.size();
        if (!c.secret) continue;
        EXPECT_EQ(parse.command->targetName, "iqn.2026-12.com.orrin:archive.secure");
        EXPECT_EQ(parse.command->chapUser, "chap_user");
        EXPECT_EQ(parse.command->chapSecret, *c.secret) << c.tail.size();
    }
    EXPECT_EQ(sim::iscsicli_rules::VolumePath("e:"), std::optional<std::string>("E:"));
    EXPECT_EQ(sim::iscsicli_rules::VolumePath("e:\\"), std::optional<std::string>("E:\\"));
    EXPECT_EQ(sim::iscsicli_rules::VolumePath("E:\\x"), std::nullopt);
}

// The lines the product builds, read back by iscsicli's rules, carry exactly
// the target, user and bytes the appliance sent, whatever the secret holds.
TEST(IscsicliRules, ProductLinesGiveBackTheAppliancesBytes) {
    const std::wstring target = L"iqn.2026-12.com.orrin:archive.secure";
    for (const char* secret : {"Pa\"ss word-12", "0x0123456789ab", "*", "Twelve-chars", "Sixteen-chars-16",
                               "\\\"\\", "caf\xe9-au-lait"}) {
        std::wstring typed;
        for (unsigned char c : std::string(secret)) typed += static_cast<wchar_t>(c);  // one byte, one character
        for (const CommandLine& line : {ChapLoginTargetCommand(target, kInitiator, kChapUser, typed),
                                        ChapPersistentLoginTargetCommand(target, kInitiator, kChapUser, typed)}) {
            ASSERT_TRUE(line.Built());
            const sim::IscsicliParse parse = sim::ParseIscsicliLine(WideToUtf8(line.text));
            ASSERT_TRUE(parse.command.has_value()) << sim::RedactIscsicliLine(WideToUtf8(line.text));
            EXPECT_EQ(parse.command->targetName, WideToUtf8(target));
            EXPECT_EQ(parse.command->chapUser, "chap_user");
            EXPECT_EQ(parse.command->chapSecret, secret) << sim::RedactIscsicliLine(WideToUtf8(line.text));
        }
    }
}

TEST_F(InitiatorSimTest, CatalogueLinesTheStateRefusesChangeNothingEither) {
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    Run(LoginTargetCommand(kPlain, kInitiator));
    const std::string before = State();
    struct Case {
        CommandLine line;
        std::uint32_t code;
    };
    const Case cases[] = {
        {LoginTargetCommand(kPlain, kInitiator), sim::iscsi_error::kAlreadyLoggedIn},
        {LoginTargetCommand(L"iqn.2026-12.com.orrin:nowhere", kInitiator), sim::iscsi_error::kTargetNotFound},
        {LoginTargetCommand(kNoLun, L"ROOT\\ISCSIPRT\\0001_0"), sim::iscsi_error::kInitiatorNotFound},
        {LogoutTargetCommand(L"fffffa8003c41018-4000013700000009"), sim::iscsi_error::kInvalidSessionId},
        {RemovePersistentTargetCommand(kInitiator, kPlain, kArchiveW), sim::iscsi_error::kPersistentLoginNotFound},
        {RemovePersistentDeviceCommand(L"G:"), sim::iscsi_error::kDeviceNotFound},
        {RemoveTargetPortalCommand(L"192.168.10.99"), sim::iscsi_error::kPortalNotFound},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.line.Built());
        EXPECT_EQ(initiator.RunIscsicli(WideToUtf8(c.line.text)).exitCode, c.code) << WideToUtf8(c.line.text);
    }
    EXPECT_EQ(State(), before);
}

TEST_F(InitiatorSimTest, AChapTargetTakesOnlyItsOwnUserAndSecretCaseSensitive) {
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    struct Case {
        CommandLine line;
        std::uint32_t code;
    };
    const Case refused[] = {
        {LoginTargetCommand(kChap, kInitiator), sim::iscsi_error::kAuthenticationFailure},
        {ChapLoginTargetCommand(kChap, kInitiator, kChapUser, L"sixteen-chars-16"),
         sim::iscsi_error::kAuthenticationFailure},
        {ChapLoginTargetCommand(kChap, kInitiator, L"CHAP_USER", kChapSecret), sim::iscsi_error::kAuthenticationFailure},
        // A user name whose "_" became "-" is another user.
        {ChapLoginTargetCommand(kChap, kInitiator, L"chap-user", kChapSecret), sim::iscsi_error::kAuthenticationFailure},
        {ChapLoginTargetCommand(kChap, kInitiator, kChapUser, L"Sixteen-char"), sim::iscsi_error::kAuthenticationFailure},
        {ChapLoginTargetCommand(kChap, kInitiator, kChapUser, L"Eleven-char"), sim::iscsi_error::kInvalidChapSecret},
    };
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_EQ(initiator.RunIscsicli(WideToUtf8(refused[i].line.text)).exitCode, refused[i].code) << "case " << i;
    }
    EXPECT_TRUE(initiator.Sessions().empty());
    EXPECT_TRUE(Values(L"MSiSCSI_ConnectionStatistics", L"Active").empty());

    Run(ChapLoginTargetCommand(kChap, kInitiator, kChapUser, kChapSecret));
    ASSERT_EQ(initiator.Sessions().size(), 1u);
    EXPECT_TRUE(initiator.Sessions()[0].chap);
    // A plain target does not mind credentials.
    Run(ChapLoginTargetCommand(kPlain, kInitiator, kChapUser, kChapSecret));
    EXPECT_EQ(initiator.Sessions().size(), 2u);
}

TEST_F(InitiatorSimTest, TheProductReadsPortalsTargetsSessionsAndStatisticsThroughWmi) {
    initiator.Appliances()[0].portalGroups = {{{kArchive, 3260}, {kArchive, 3261}}, {{"192.168.11.20", 3260}}};
    EXPECT_EQ(Values(L"MSiSCSIInitiator_InitiatorClass", L"InitiatorName"), std::vector<std::wstring>{kInitiator});
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    EXPECT_EQ(Values(L"MSiSCSIInitiator_SendTargetPortalClass", L"PortalAddress"),
              std::vector<std::wstring>{kArchiveW});
    EXPECT_EQ(Values(L"MSiSCSIInitiator_TargetClass", L"TargetName"),
              (std::vector<std::wstring>{kPlain, kChap, kNoLun}));

    std::vector<TargetPortal> portals;
    EXPECT_EQ(wmi.QueryTargetPortals(L"IQN.2026-12.COM.ORRIN:ARCHIVE.LUN0", portals), 0);
    ASSERT_EQ(portals.size(), 3u);
    EXPECT_EQ(portals[1].address + L":" + std::to_wstring(portals[1].port), L"192.168.10.20:3261");
    EXPECT_EQ(portals[2].address, L"192.168.11.20");

    Run(LoginTargetCommand(kPlain, kInitiator));
    Run(LoginTargetCommand(kNoLun, L"*"));
    std::vector<SessionInfo> sessions;
    EXPECT_EQ(wmi.QuerySessions(sessions), 0);
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].TargetName, kPlain);
    EXPECT_EQ(sessions[0].TargetAddress, kArchiveW);
    ASSERT_EQ(sessions[0].Devices.size(), 1u);
    EXPECT_EQ(sessions[0].Devices[0].deviceNumber, 1);
    EXPECT_EQ(sessions[0].Devices[0].legacyName, L"\\\\.\\PhysicalDrive1");
    EXPECT_TRUE(sessions[1].Devices.empty());  // a target without a LUN brings no disk

    const std::wstring selection = *WqlWhereEquals(L"MSiSCSI_ConnectionStatistics", L"InstanceName", kPlain);
    EXPECT_EQ(Values(selection, L"Active"), std::vector<std::wstring>{L"TRUE"});
    EXPECT_EQ(Values(L"MSiSCSI_ConnectionStatistics", L"InstanceName"), (std::vector<std::wstring>{kPlain, kNoLun}));
    Run(LogoutTargetCommand(SessionIdOf(wmi, kPlain)));
    EXPECT_TRUE(Values(selection, L"Active").empty());
    EXPECT_TRUE(trace.lines.empty());
}

TEST_F(InitiatorSimTest, StatisticsNamesFollowTheWindowsVersion) {
    auto info = [](FakeVersionSource source) { return *ReadWindowsVersion(source); };
    struct Case {
        WindowsVersionInfo version;
        bool wow64;
        sim::StatisticsNames names;
    };
    WindowsVersionInfo win7Rtm = info(Windows7Enterprise());
    win7Rtm.servicePackText.clear();
    const Case cases[] = {
        {info(Windows7Enterprise()), false, sim::StatisticsNames::Suffixed},  // workstation, SP1
        {win7Rtm, false, sim::StatisticsNames::Bare},
        {info(Server2008R2Datacenter()), true, sim::StatisticsNames::Suffixed},  // server, WOW64, SP1
        {info(Server2008R2Datacenter()), false, sim::StatisticsNames::Bare},
        {info(VistaBusiness()), false, sim::StatisticsNames::Bare},
        {info(XpProfessional()), true, sim::StatisticsNames::Bare},
        {info(Windows10As62()), false, sim::StatisticsNames::Suffixed},  // 6.2 on
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(sim::StatisticsNamesFor(cases[i].version, cases[i].wow64), cases[i].names) << "case " << i;

    initiator.SetStatisticsNames(sim::StatisticsNames::Suffixed);
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    Run(LoginTargetCommand(kPlain, kInitiator));
    EXPECT_EQ(Values(L"MSiSCSI_ConnectionStatistics", L"InstanceName"),
              std::vector<std::wstring>{std::wstring(kPlain) + L"_0"});
}

TEST_F(InitiatorSimTest, DisksComeFromTheAttachHookAndGoWithTheSession) {
    std::vector<std::string> events;
    initiator.SetLunAttachHook([&](const std::string& target, std::uint64_t bytes, const auto&) {
        events.push_back("attach " + target + " " + std::to_string(bytes));
        return std::optional<std::int32_t>(7);
    });
    initiator.SetLunDetachHook([&](const std::string& target, std::int32_t disk) {
        events.push_back("detach " + target + " " + std::to_string(disk));
    });
    initiator.SetDiskVolumesHook([](std::int32_t disk) {
        return disk == 7 ? std::vector<std::string>{"H:\\"} : std::vector<std::string>{};
    });
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    Run(LoginTargetCommand(kPlain, kInitiator));
    Run({BindPersistentVolumesCommand(), {}});
    EXPECT_EQ(initiator.PersistentDevices(), std::vector<std::string>{"H:\\"});
    // Only a volume on a session's disk can be made persistent.
    EXPECT_EQ(initiator.RunIscsicli("iscsicli AddPersistentDevice C:\\").exitCode, sim::iscsi_error::kDeviceNotFound);
    Run(LogoutTargetCommand(SessionIdOf(wmi, kPlain)));
    EXPECT_EQ(events, (std::vector<std::string>{"attach iqn.2026-12.com.orrin:archive.lun0 1073741824",
                                                "detach iqn.2026-12.com.orrin:archive.lun0 7"}));
}

// A target of its own behind the initiator: it lists its names, checks its
// one CHAP account itself and counts the sessions still held.
class AccountTarget final : public sim::TargetNetwork {
public:
    std::optional<std::vector<std::string>> SendTargets(const sim::Portal& portal) override {
        if (portal.address != "192.168.10.20") return std::nullopt;
        return std::vector<std::string>{"iqn.2026-12.com.orrin:real.disk", "iqn.2026-12.com.orrin:real.bare"};
    }
    sim::TargetLogin LogIn(const sim::Portal&, const std::string& target, const std::optional<std::string>& user,
                           const std::string& secret) override {
        logins.push_back(target + " " + user.value_or("-") + " " + secret);
        if (user != "u" || secret != "twelve bytes") return {sim::TargetLogin::Outcome::AuthenticationFailed, {}, {}, {}};
        auto held = std::make_shared<int>(0);
        sessions.push_back(held);
        return {sim::TargetLogin::Outcome::LoggedIn, {}, {}, held};
    }
    long Held() const {
        return std::count_if(sessions.begin(), sessions.end(), [](const auto& s) { return !s.expired(); });
    }
    std::vector<std::string> logins;
    std::vector<std::weak_ptr<int>> sessions;
};

TEST_F(InitiatorSimTest, ARealTargetListsItsTargetsAndJudgesCredentialsTheRulesOfIscsicliStill) {
    AccountTarget target;
    initiator.SetTargetNetwork(&target);
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    EXPECT_EQ(initiator.KnownTargets(),
              (std::vector<std::string>{"iqn.2026-12.com.orrin:real.disk", "iqn.2026-12.com.orrin:real.bare"}));
    const std::wstring real = L"iqn.2026-12.com.orrin:real.disk";
    struct Case {
        std::wstring user, secret;
        std::uint32_t code;
    };
    const Case cases[] = {
        {L"u", L"short", sim::iscsi_error::kInvalidChapSecret},  // refused before the target hears of it
        {L"u", L"twelve bytes", 0},  // the line carries it as hex: the target gets the bytes
        {L"u", L"twelve bytez", sim::iscsi_error::kAuthenticationFailure},
    };
    for (const Case& c : cases) {
        initiator.Reset();
        initiator.SetTargetNetwork(&target);
        ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
        EXPECT_EQ(initiator.RunIscsicli(WideToUtf8(ChapLoginTargetCommand(real, kInitiator, c.user, c.secret).text)).exitCode,
                  c.code)
            << WideToUtf8(c.secret);
    }
    EXPECT_EQ(target.logins, (std::vector<std::string>{"iqn.2026-12.com.orrin:real.disk u twelve bytes",
                                                       "iqn.2026-12.com.orrin:real.disk u twelve bytez"}));
    // The session lasts until the logout; a session without a LUN has no disk.
    ASSERT_EQ(initiator.Sessions().size(), 0u);
    Run(ChapLoginTargetCommand(real, kInitiator, L"u", L"twelve bytes"));
    EXPECT_EQ(target.Held(), 1);
    EXPECT_FALSE(initiator.Sessions().at(0).deviceNumber.has_value());
    Run(LogoutTargetCommand(SessionIdOf(wmi, real)));
    EXPECT_EQ(target.Held(), 0);
}

// The share check refuses what is no one share of a known appliance before
// any program runs, and reads smbclient's verdicts as the redirector's.
TEST(ShareCheck, RefusesOtherNamesAndReadsTheServersVerdict) {
    sim::ApplianceConfig archive;
    archive.name = "Archive";
    archive.address = "192.168.10.20";
    const sim::ShareCheck check({archive});
    const std::pair<const char*, std::uint32_t> refused[] = {
        {"Archive\\music", 53}, {"\\\\music", 67}, {"\\\\Archive", 67}, {"\\\\Archive\\", 67},
        {"\\\\Archive\\music\\sub", 67}, {"\\\\Nobody\\music", 53}, {"\\\\Archive\\a/../b", 67},
    };
    for (const auto& [remote, error] : refused) EXPECT_EQ(check.Check(remote, "admin", "x").error, error) << remote;
    EXPECT_EQ(sim::Win32ErrorOfSmbclient("session setup failed: NT_STATUS_LOGON_FAILURE", 1), 1326u);
    EXPECT_EQ(sim::Win32ErrorOfSmbclient("tree connect failed: NT_STATUS_BAD_NETWORK_NAME", 1), 67u);
    EXPECT_EQ(sim::Win32ErrorOfSmbclient("", 0), 0u);
    EXPECT_EQ(sim::Win32ErrorOfSmbclient("something else", 1), 59u);
}

class StoppedInitiatorTest : public InitiatorSimTest {
protected:
    StoppedInitiatorTest() : InitiatorSimTest(Stopped()) {}
    static sim::InitiatorOptions Stopped() {
        sim::InitiatorOptions options;
        options.service = SimServiceState::Stopped;
        return options;
    }
};

TEST_F(StoppedInitiatorTest, TheServiceStartsInVirtualTimeAndNothingWorksBeforeIt) {
    auto service = services.Open(L"msiscsi");
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->QueryState(), ServiceState::Stopped);
    EXPECT_EQ(initiator.RunIscsicli("iscsicli ListTargets t").exitCode, sim::iscsi_error::kRpcUnavailable);
    EXPECT_NE(wmi.AddSendTargetPortal(kArchiveW), 0);
    EXPECT_TRUE(Values(L"MSiSCSIInitiator_InitiatorClass", L"InitiatorName").empty());

    EXPECT_TRUE(service->Start());
    EXPECT_FALSE(service->Start());  // already starting
    EXPECT_EQ(service->QueryState(), ServiceState::StartPending);
    clock.Sleep(std::chrono::milliseconds(399));
    EXPECT_EQ(service->QueryState(), ServiceState::StartPending);
    clock.Sleep(std::chrono::milliseconds(1));
    EXPECT_EQ(service->QueryState(), ServiceState::Running);
    EXPECT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    EXPECT_EQ(services.openHandles(), 1);
    service.reset();
    EXPECT_EQ(services.openHandles(), 0);
}

TEST_F(StoppedInitiatorTest, FaultsKeepTheServiceFromRunningOrStarting) {
    initiator.Faults().serviceNeverRuns = true;
    auto service = services.Open(L"MSiSCSI");
    ASSERT_TRUE(service->Start());
    clock.Sleep(std::chrono::hours(1));
    EXPECT_EQ(service->QueryState(), ServiceState::StartPending);

    sim::SimulatedInitiator other({Archive()}, clock, Stopped());
    sim::SimServiceControl otherServices(other);
    other.Faults().serviceStartRefused = true;
    EXPECT_FALSE(otherServices.Open(L"MSiSCSI")->Start());
    otherServices.queryFails = true;
    EXPECT_EQ(otherServices.Open(L"MSiSCSI")->QueryState(), std::nullopt);
    otherServices.managerFails = true;
    EXPECT_EQ(otherServices.Open(L"MSiSCSI"), nullptr);
}

TEST_F(InitiatorSimTest, NotInstalledThereIsNoServiceRegistryEntryProgramOrClass) {
    InMemoryRegistry base;
    base.SetRaw(RegistryHive::LocalMachine, L"SYSTEM\\ControlSet001\\Services\\Tcpip", L"DisplayName", {'T', 0, 0, 0});
    sim::SimInitiatorRegistry registry(base, initiator);
    const std::wstring key = L"SYSTEM\\ControlSet001\\Services";
    EXPECT_EQ(registry.SubkeyNames(RegistryHive::LocalMachine, key),
              (std::vector<std::wstring>{L"Tcpip", L"MSiSCSI"}));
    const auto name = registry.ReadValue(RegistryHive::LocalMachine, key + L"\\MSiSCSI", L"DisplayName");
    ASSERT_TRUE(name.has_value());
    std::wstring text;
    for (std::size_t i = 0; i + 1 < name->size(); i += 2) text += static_cast<wchar_t>((*name)[i] | ((*name)[i + 1] << 8));
    EXPECT_EQ(text, std::wstring(L"Microsoft iSCSI Initiator Service") + L'\0');

    initiator.SetInstalled(false);
    EXPECT_EQ(registry.SubkeyNames(RegistryHive::LocalMachine, key), std::vector<std::wstring>{L"Tcpip"});
    EXPECT_EQ(registry.ReadValue(RegistryHive::LocalMachine, key + L"\\MSiSCSI", L"DisplayName"), std::nullopt);
    EXPECT_EQ(services.Open(L"MSiSCSI"), nullptr);
    EXPECT_FALSE(runner.RunConsoleCommand(L"iscsicli ListTargets t"));
    std::vector<std::wstring> values;
    EXPECT_EQ(wmi.QueryPropertyValues(L"MSiSCSIInitiator_TargetClass", L"TargetName", values), -1);
}

TEST_F(InitiatorSimTest, InjectedFaultsShowAsTheProductWouldMeetThem) {
    initiator.Faults().wmiUnreachable = true;
    EXPECT_FALSE(CWmiWrapper(WmiEnvironment{wmiPort, version, trace}).Connected());
    initiator.Faults().wmiUnreachable = false;

    initiator.Faults().unreachablePortals.insert("192.168.10.99");
    EXPECT_EQ(wmi.AddSendTargetPortal(L"192.168.10.99"), sim::wbem_error::kFailed);
    EXPECT_EQ(wmi.AddSendTargetPortal(L"192.168.10.98"), sim::wbem_error::kFailed);  // nobody there
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    EXPECT_EQ(Values(L"MSiSCSIInitiator_SendTargetPortalClass", L"PortalAddress"),
              std::vector<std::wstring>{kArchiveW});

    initiator.Faults().loginTimeouts.insert("iqn.2026-12.com.orrin:archive.lun0");
    EXPECT_EQ(initiator.RunIscsicli(WideToUtf8(LoginTargetCommand(kPlain, kInitiator).text)).exitCode,
              sim::iscsi_error::kConnectionFailed);
    EXPECT_TRUE(initiator.Sessions().empty());

    Run(LoginTargetCommand(kNoLun, kInitiator));
    initiator.Faults().inactiveStatistics = true;
    EXPECT_EQ(Values(L"MSiSCSI_ConnectionStatistics", L"Active"), std::vector<std::wstring>{L"FALSE"});
    initiator.Faults().noInitiatorInstance = true;
    EXPECT_TRUE(Values(L"MSiSCSIInitiator_InitiatorClass", L"InitiatorName").empty());
    initiator.Faults().failedReads.insert("active");
    EXPECT_TRUE(Values(L"MSiSCSI_ConnectionStatistics", L"Active").empty());
    // The unreachable connect above, with its code, and the failed read.
    EXPECT_EQ(trace.lines, (std::vector<std::wstring>{
                               L"WMI: connecting to \\\\NORVALE-PC\\root\\wmi failed with 0x800706BA\n",
                               L"Get failed on property 'Active'\n"}));
}

TEST_F(InitiatorSimTest, QueriesTheProviderDoesNotSupportAreInvalid) {
    struct Case {
        const char* wql;
        std::int32_t code;
        std::size_t objects;
    };
    ASSERT_EQ(wmi.AddSendTargetPortal(kArchiveW), 0);
    const Case cases[] = {
        {"select * from msiscsiinitiator_targetclass", 0, 3},
        {"SELECT * FROM MSiSCSIInitiator_TargetClass WHERE TargetName = 'IQN.2026-12.COM.ORRIN:ARCHIVE.EMPTY'", 0, 1},
        {"SELECT * FROM MSiSCSIInitiator_TargetClass WHERE TargetName = \"x\\\"y\"", 0, 0},
        {"SELECT TargetName FROM MSiSCSIInitiator_TargetClass", sim::wbem_error::kInvalidQuery, 0},
        {"SELECT * FROM MSiSCSIInitiator_TargetClass WHERE TargetName = 'a\\b'", sim::wbem_error::kInvalidQuery, 0},
        {"SELECT * FROM MSiSCSIInitiator_TargetClass WHERE TargetName = 'a' OR 1 = 1", sim::wbem_error::kInvalidQuery, 0},
        {"SELECT * FROM MSiSCSIInitiator_TargetClass WHERE NoSuch = 'a'", sim::wbem_error::kInvalidQuery, 0},
        {"SELECT * FROM MSiSCSIInitiator_TargetClass WHERE TargetName = 'open", sim::wbem_error::kInvalidQuery, 0},
        {"SELECT * FROM Win32_OperatingSystem", sim::wbem_error::kInvalidClass, 0},
    };
    for (const Case& c : cases) {
        const sim::WmiAnswer answer = initiator.Query(c.wql);
        EXPECT_EQ(answer.code, c.code) << c.wql;
        EXPECT_EQ(answer.objects.size(), c.objects) << c.wql;
    }
    // What the product quotes, the provider reads back as the very name.
    for (const wchar_t* name : {L"it's", L"a\\b", L"x' OR TargetName <> '", L"\\'", L""}) {
        const std::string query = WideToUtf8(L"SELECT * FROM " + *WqlWhereEquals(L"C", L"TargetName", name));
        const std::optional<sim::WqlSelect> select = sim::ParseWqlSelect(query);
        ASSERT_TRUE(select.has_value()) << query;
        EXPECT_EQ(select->whereValue, WideToUtf8(name)) << query;
    }
}

TEST_F(InitiatorSimTest, TheDaemonAnswersOverTheWireWhatTheSimulationSays) {
    auto ask = [&](std::vector<std::string> fields) {
        const std::string bytes = sim::wire::FormatRequest({fields[0], {fields.begin() + 1, fields.end()}});
        const std::optional<sim::wire::Request> request = sim::wire::ParseRequest(bytes);
        EXPECT_TRUE(request.has_value()) << bytes;
        const std::optional<sim::wire::Response> response =
            sim::wire::ParseResponse(sim::wire::FormatResponse(sim::Serve(initiator, *request)));
        EXPECT_TRUE(response.has_value()) << bytes;
        return response.value_or(sim::wire::Response{});
    };
    EXPECT_EQ(ask({"CONNECT", "\\\\PC\\root\\wmi"}).code, 0);
    EXPECT_EQ(ask({"CONNECT", "\\\\PC\\root\\cimv2"}).code, sim::wbem_error::kInvalidNamespace);
    EXPECT_EQ(ask({"PUT", "MSiSCSIInitiator_SendTargetPortalClass", "PortalAddress", kArchive}).code, 0);
    const sim::wire::Response login =
        ask({"ISCSICLI", WideToUtf8(ChapLoginTargetCommand(kChap, kInitiator, kChapUser, kChapSecret).text)});
    EXPECT_EQ(login.code, 0);
    EXPECT_EQ(login.lines.back(), "The operation completed successfully. ");
    const sim::wire::Response sessions = ask({"QUERY", "SELECT * FROM MSiSCSIInitiator_SessionClass"});
    EXPECT_EQ(sessions.objects, initiator.Query("SELECT * FROM MSiSCSIInitiator_SessionClass").objects);
    ASSERT_EQ(sessions.objects.size(), 1u);
    EXPECT_EQ(ask({"LOG"}).lines.back(),
              "0 accepted iscsicli logintarget iqn.2026-12.com.orrin:archive.secure t * * ROOT\\ISCSIPRT\\0000_0 "
              "* * * * * * * * \"chap_user\" \"***\" 1 * 0");
    EXPECT_TRUE(ask({"SERVICE", "start"}).delayMs.has_value());
    EXPECT_EQ(ask({"SERVICE", "state"}).lines, std::vector<std::string>{"start-pending"});
    EXPECT_EQ(ask({"FAULT", "service-never-runs", "1"}).code, 0);
    EXPECT_TRUE(ask({"SERVICE", "start"}).delayNever);
    EXPECT_EQ(ask({"FAULT", "no-such", "1"}).code, sim::kBadRequest);
    EXPECT_EQ(ask({"ISCSICLI"}).code, sim::kBadRequest);
    EXPECT_EQ(ask({"RESET"}).code, 0);
    EXPECT_TRUE(initiator.Sessions().empty() && initiator.CommandLog().empty());
    EXPECT_EQ(sim::DescribeRequest({"ISCSICLI", {WideToUtf8(ChapLoginTargetCommand(kChap, kInitiator, kChapUser,
                                                                                    kChapSecret).text)}})
                  .find("Sixteen"),
              std::string::npos);
}

}  // namespace
}  // namespace norvale::test
