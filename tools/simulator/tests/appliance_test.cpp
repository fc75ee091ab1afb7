#include "tools/simulator/appliance.h"

#include <gtest/gtest.h>

#include <string>

namespace norvale::sim {
namespace {

ApplianceConfig Nas() {
    ApplianceConfig config;
    config.interfaceName = "eth0";
    config.id = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    config.address = "10.1.0.20";
    config.name = "NAS";
    config.port = "eth0";
    config.otherAddress = "10.2.0.20";
    config.adminPassword = "pw";
    config.dhcpPool = {"10.1.0.100", "10.1.0.101"};
    for (int i = 0; i < 23; ++i) config.shares.push_back("s" + std::to_string(i));
    config.shares[0] = "music*0";
    config.shares[1] = "data@1";
    config.targets = {{"iqn.a", false, "", "", 0}, {"iqn.b", true, "joe", "secret", 0}};
    return config;
}

Request To(const Appliance& appliance, Opcode opcode, std::uint8_t subcommand) {
    Request request;
    request.opcode = opcode;
    request.clientId = {7, 7, 7, 7, 7, 7, 0, 0, 0, 0};
    request.deviceId = appliance.DeviceId();
    request.subcommand = subcommand;
    return request;
}

Request Query(const Appliance& appliance, QueryKind kind) {
    return To(appliance, Opcode::Query, static_cast<std::uint8_t>(kind));
}

std::string TextOf(const std::optional<Answer>& answer) {
    if (!answer) return "<none>";
    return std::string(reinterpret_cast<const char*>(answer->datagram.data() + 28));
}

TEST(SimAppliance, DiscoverReplyDescribesTheAppliance) {
    Appliance nas(Nas());
    Request discover;
    discover.clientId = {1, 2, 3, 4, 5, 6, 0, 0, 0, 0};
    const auto answer = nas.Respond(discover);
    ASSERT_TRUE(answer);
    const Bytes& out = answer->datagram;
    EXPECT_EQ(out[0], 0x07);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(AddressOfDeviceId(nas.DeviceId()), "10.1.0.20");
    EXPECT_EQ(out[17], 10);
    EXPECT_EQ(out[20], 20);
    EXPECT_EQ(std::string(out.begin() + 72, out.end()), "NAS:eth0=10.2.0.20");
}

TEST(SimAppliance, AnswersOnlyRequestsForItsOwnDeviceId) {
    Appliance nas(Nas());
    Request foreign = Query(nas, QueryKind::ShareCount);
    foreign.deviceId[0] ^= 1;
    EXPECT_FALSE(nas.Respond(foreign));
    Request otherAddress = Query(nas, QueryKind::ShareCount);
    otherAddress.deviceId[9] = 21;
    EXPECT_FALSE(nas.Respond(otherAddress));
    EXPECT_EQ(TextOf(nas.Respond(Query(nas, QueryKind::ShareCount))), "23");
}

TEST(SimAppliance, SharePagesOfTen) {
    Appliance nas(Nas());
    const std::pair<std::string, std::string> cases[] = {
        {"0", "music*0:data@1:s2:s3:s4:s5:s6:s7:s8:s9"},
        {"20", "s20:s21:s22"},
        {"30", ""},
        {"", "music*0:data@1:s2:s3:s4:s5:s6:s7:s8:s9"},
        {"9999", ""},
    };
    for (const auto& [index, expected] : cases) {
        Request request = Query(nas, QueryKind::ShareList);
        request.shareIndex = index;
        EXPECT_EQ(TextOf(nas.Respond(request)), expected) << "index " << index;
    }
}

TEST(SimAppliance, TargetsCarryChapSettingsWithBase64Passwords) {
    Appliance nas(Nas());
    EXPECT_EQ(TextOf(nas.Respond(Query(nas, QueryKind::TargetCount))), "2");
    EXPECT_EQ(TextOf(nas.Respond(Query(nas, QueryKind::TargetList))),
              "iqn.a|0@$=iqn.b|1@joe$c2VjcmV0");
}

TEST(SimAppliance, AdminLogin) {
    Appliance nas(Nas());
    struct Case {
        const char* user;
        const char* password;
        std::uint8_t expected;
    };
    const Case cases[] = {{"admin", "pw", 1}, {"admin", "", 0}, {"Admin", "pw", 0},
                          {"admin", "pw ", 0}, {"root", "pw", 0}};
    for (const Case& c : cases) {
        Request request = Query(nas, QueryKind::AdminLogin);
        request.user = c.user;
        request.password = c.password;
        const auto answer = nas.Respond(request);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->datagram[28], c.expected) << c.user << "/" << c.password;
    }
}

TEST(SimAppliance, StaticAddressAnswersFromTheNewAddressAndMoves) {
    Appliance nas(Nas());
    Request change = To(nas, Opcode::Settings, static_cast<std::uint8_t>(SettingsKind::StaticAddress));
    change.address = "192.168.0.50";
    change.netmask = "255.255.255.0";
    change.gateway = "192.168.0.1";
    const auto answer = nas.Respond(change);
    ASSERT_TRUE(answer && answer->move);
    EXPECT_EQ(answer->datagram[0], 0x06);
    EXPECT_EQ(answer->datagram[17], 192);
    EXPECT_EQ(answer->datagram[20], 50);
    EXPECT_EQ(answer->move->address, "192.168.0.50");
    EXPECT_FALSE(answer->move->dhcp);

    const Request oldIdentity = Query(nas, QueryKind::ShareCount);
    nas.CompleteMove(*answer->move);
    EXPECT_EQ(nas.Address(), "192.168.0.50");
    const Bytes reply = nas.Respond(Request{})->datagram;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&reply[40])), "192.168.0.1");
    EXPECT_FALSE(nas.Respond(oldIdentity)) << "the old device id no longer names it";
    EXPECT_TRUE(nas.Respond(Query(nas, QueryKind::ShareCount)));
}

TEST(SimAppliance, StaticAddressRefusesBadTexts) {
    Appliance nas(Nas());
    for (const char* address : {"", "10.1.0", "300.1.1.1", "10.1.0.5x"}) {
        Request change = To(nas, Opcode::Settings, static_cast<std::uint8_t>(SettingsKind::StaticAddress));
        change.address = address;
        change.netmask = "255.255.255.0";
        EXPECT_FALSE(nas.Respond(change)) << address;
    }
}

TEST(SimAppliance, DhcpTakesThePoolInTurn) {
    Appliance nas(Nas());
    for (const char* expected : {"10.1.0.100", "10.1.0.101", "10.1.0.100"}) {
        const auto answer = nas.Respond(To(nas, Opcode::Settings, static_cast<std::uint8_t>(SettingsKind::DhcpClient)));
        ASSERT_TRUE(answer && answer->move);
        EXPECT_EQ(answer->move->address, expected);
        nas.CompleteMove(*answer->move);
        EXPECT_EQ(AddressOfDeviceId(nas.DeviceId()), expected);
    }
    Request discover;
    EXPECT_EQ(nas.Respond(discover)->datagram[21], '1') << "reports DHCP mode after the change";
}

TEST(SimAppliance, DhcpWithoutPoolStaysSilent) {
    ApplianceConfig config = Nas();
    config.dhcpPool.clear();
    Appliance nas(config);
    EXPECT_FALSE(nas.Respond(To(nas, Opcode::Settings, static_cast<std::uint8_t>(SettingsKind::DhcpClient))));
}

TEST(SimAppliance, UnknownSubcommandsGoUnanswered) {
    Appliance nas(Nas());
    EXPECT_FALSE(nas.Respond(To(nas, Opcode::Query, 0x99)));
    EXPECT_FALSE(nas.Respond(To(nas, Opcode::Settings, 0x03)));
}

}  // namespace
}  // namespace norvale::sim
