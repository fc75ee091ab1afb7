// Results of the management requests against a simulated appliance, and the
// record update after a settings change.
#include <gtest/gtest.h>

#include "protocol/core/device_requests.h"
#include "tests/protocol/protocol_fixture.h"

namespace norvale::test {
namespace {

class DeviceRequestsTest : public ProtocolTest {
protected:
    DeviceRequestsTest() { nas = &segment.AddAppliance({}); }

    void LogIn() {
        protocol.AdminUserName = "admin";
        protocol.AdminPassword = "";
        ASSERT_EQ(AdminLogin(protocol), 1);
    }
    // Bytes 17..20 of the last request the appliance received.
    std::string LastRequestAddress() const {
        const Bytes& last = nas->Requests().back().bytes;
        return std::to_string(last[17]) + "." + std::to_string(last[18]) + "." +
               std::to_string(last[19]) + "." + std::to_string(last[20]);
    }

    FakeAppliance* nas = nullptr;
};

TEST_F(DeviceRequestsTest, CountsReadTheAnswerByAtoiRules) {
    OpenAndSelect();
    struct Case { const char* text; int count; int pages; };
    for (const Case& c : {Case{"23", 23, 3}, Case{"letters", 0, 1}, Case{" 7 shares", 7, 1}}) {
        nas->config.shareCountText = c.text;
        nas->config.targetCountText = c.text;
        EXPECT_EQ(QueryShareCount(protocol), c.count) << c.text;
        EXPECT_EQ(QueryTargetCount(protocol), c.count) << c.text;
        EXPECT_EQ(PageCount(c.count), c.pages);
    }
    nas->dropNextRequests = 2;
    EXPECT_EQ(QueryShareCount(protocol), -1);
    EXPECT_EQ(QueryTargetCount(protocol), -1);
}

TEST_F(DeviceRequestsTest, ShareListAsksForAPageAndReplacesTheList) {
    for (int i = 0; i < 25; ++i) nas->config.shares.push_back("share" + std::to_string(i));
    OpenAndSelect();
    EXPECT_EQ(QueryShareList(protocol, 20), 1);
    EXPECT_EQ(protocol.ShareNameList.Names(),
              (std::vector<std::wstring>{L"share20", L"share21", L"share22", L"share23", L"share24"}));
    EXPECT_EQ(QueryShareList(protocol, 0), 1);
    EXPECT_EQ(protocol.ShareNameList.Count(), 10u);
    EXPECT_EQ(protocol.ShareNameList.Names().front(), L"share0");

    nas->dropNextRequests = 1;
    EXPECT_EQ(QueryShareList(protocol, 10), 0);
    EXPECT_TRUE(protocol.ShareNameList.Empty());
}

TEST_F(DeviceRequestsTest, TargetListKeepsEntriesAsReceived) {
    nas->config.targets = {"iqn.2026-01.nas:disk1,chap", "iqn.2026-01.nas:disk2", "iqn.2026-01.nas:disk1,chap"};
    OpenAndSelect();
    protocol.TargetNameList.Append(L"stale");
    EXPECT_EQ(QueryTargetList(protocol), 1);
    EXPECT_EQ(protocol.TargetNameList.Names(),
              (std::vector<std::wstring>{L"iqn.2026-01.nas:disk1,chap", L"iqn.2026-01.nas:disk2"}));
}

TEST_F(DeviceRequestsTest, AdminLoginResults) {
    nas->config.adminPassword = "pw";
    OpenAndSelect();
    struct Case { const char* user; const char* password; std::uint8_t accepted; int result; };
    for (const Case& c : {Case{"admin", "pw", 1, 1}, Case{"admin", "", 1, 0}, Case{"root", "pw", 1, 0},
                          Case{"admin", "pw", 0xFF, -1}}) {
        nas->config.loginAcceptedByte = c.accepted;
        protocol.AdminUserName = c.user;
        protocol.AdminPassword = c.password;
        EXPECT_EQ(AdminLogin(protocol), c.result) << c.user << '/' << c.password;
    }
    nas->dropNextRequests = 1;
    EXPECT_EQ(AdminLogin(protocol), 0);
}

TEST_F(DeviceRequestsTest, StaticAddressUpdatesRecordAndSelection) {
    OpenAndSelect();
    LogIn();
    protocol.NewIpText = L"192.168.0.50";
    protocol.NewNetmaskText = L"255.255.0.0";
    protocol.NewGatewayText = L"192.168.0.254";
    ASSERT_EQ(SetStaticAddress(protocol), 1);

    EXPECT_EQ(nas->Requests().back().bytes.size(), 72u);
    EXPECT_EQ(protocol.SelectedDeviceIp, L"192.168.0.50");
    const DeviceRecord& record = protocol.Devices().Records().front();
    EXPECT_EQ(record.ipText, L"192.168.0.50");
    EXPECT_EQ(record.netmaskText, L"255.255.0.0");
    EXPECT_EQ(record.gatewayText, L"192.168.0.254");
    EXPECT_EQ(record.deviceId[6], 192);
    EXPECT_EQ(record.deviceId[9], 50);

    nas->config.shares = {"x"};
    EXPECT_EQ(QueryShareCount(protocol), 1);  // the device answers at its new address
    EXPECT_EQ(LastRequestAddress(), "192.168.0.50");
}

TEST_F(DeviceRequestsTest, DhcpTakesTheAddressTheDeviceReports) {
    nas->config.dhcpAddress = "192.168.0.77";
    OpenAndSelect();
    LogIn();
    ASSERT_EQ(SetDhcpClient(protocol), 1);
    EXPECT_EQ(nas->Requests().back().bytes.size(), 60u);
    EXPECT_EQ(protocol.SelectedDeviceIp, L"192.168.0.77");
    EXPECT_EQ(protocol.Devices().Records().front().ipText, L"192.168.0.77");
    nas->config.targets = {"t1", "t2"};
    EXPECT_EQ(QueryTargetCount(protocol), 2);
    EXPECT_EQ(LastRequestAddress(), "192.168.0.77");
}

TEST_F(DeviceRequestsTest, SettingsWithoutLoginGetNoAnswer) {
    OpenAndSelect();
    protocol.NewIpText = L"192.168.0.50";
    EXPECT_EQ(SetStaticAddress(protocol), 0);
    EXPECT_EQ(SetDhcpClient(protocol), 0);
    EXPECT_EQ(protocol.SelectedDeviceIp, L"192.168.0.10");
    EXPECT_EQ(protocol.Devices().Records().front().ipText, L"192.168.0.10");
}

}  // namespace
}  // namespace norvale::test
