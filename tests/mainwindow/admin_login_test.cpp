#include "mainwindow/core/admin_login.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/core/device_protocol.h"
#include "protocol/core/device_requests.h"
#include "tests/fakes/fake_segment.h"
#include "tests/fakes/virtual_clock.h"

namespace norvale {
namespace {

using test::ApplianceConfig;
using test::Bytes;

// The body of an AdminLogin datagram: user name, 0x55, 0xAA, password.
std::string LoginBody(const Bytes& datagram) { return std::string(datagram.begin() + 28, datagram.end()); }

// A body as a failing check prints it: the password's bytes as "*".
std::string Masked(const std::string& body) {
    const std::size_t marks = body.find("\x55\xAA");
    if (marks == std::string::npos) return body;
    return body.substr(0, marks) + "<marks>" + std::string(body.size() - marks - 2, '*');
}

class AdminLoginTest : public testing::Test {
protected:
    void SetUpAppliance(const std::string& password) {
        ApplianceConfig config;
        config.adminPassword = password;
        appliance = &segment.AddAppliance(config);
        segment.SetLocalAddresses(std::vector<std::string>{"192.168.0.2"});
        ASSERT_TRUE(protocol.OpenDeviceSockets());
        protocol.DiscoverDevices(kDefaultSelector1, kDefaultSelector2);
        ASSERT_EQ(protocol.Devices().Count(), 1u);
        protocol.SelectedDeviceIp = protocol.Devices().Records().front().ipText;
        segment.ClearLogs();
    }

    // The login datagrams sent so far.
    std::vector<Bytes> Logins() const {
        std::vector<Bytes> logins;
        for (const auto& sent : segment.Sent()) {
            if (sent.bytes.size() >= 28 && sent.bytes[0] == 0x03 && sent.bytes[21] == 0x04)
                logins.push_back(sent.bytes);
        }
        return logins;
    }

    // A dialog that answers `entered` and counts how often it was shown.
    AskAdminCredentials Dialog(std::optional<AdminCredentials> entered) {
        return [this, entered]() {
            ++dialogShown;
            return entered;
        };
    }

    test::VirtualClock clock;
    test::FakeSegment segment{clock};
    DeviceProtocol protocol{segment, clock};
    test::FakeAppliance* appliance = nullptr;
    int dialogShown = 0;
};

const std::string kDefaultBody = std::string("admin") + "\x55\xAA";

TEST_F(AdminLoginTest, DefaultPasswordAcceptedSendsOneRequestAndAsksNothing) {
    SetUpAppliance("");
    EXPECT_TRUE(RunAdminLoginSequence(protocol, Dialog(AdminCredentials{"admin", "x"})));
    ASSERT_EQ(Logins().size(), 1u);
    EXPECT_EQ(LoginBody(Logins()[0]), kDefaultBody);
    EXPECT_EQ(dialogShown, 0);
}

struct SequenceCase {
    const char* name;
    std::string devicePassword;
    int droppedFirst;                             // requests the device does not answer
    std::optional<AdminCredentials> entered;      // nullopt: Cancel
    bool accepted;
    int dialogShown;
    std::string thirdBody;
};

std::ostream& operator<<(std::ostream& out, const SequenceCase& c) { return out << c.name; }

class AdminLoginSequenceTest : public AdminLoginTest,
                               public testing::WithParamInterface<SequenceCase> {};

TEST_P(AdminLoginSequenceTest, SendsThreeRequestsWhenTheFirstIsRefused) {
    const SequenceCase& c = GetParam();
    SetUpAppliance(c.devicePassword);
    appliance->dropNextRequests = c.droppedFirst;
    EXPECT_EQ(RunAdminLoginSequence(protocol, Dialog(c.entered)), c.accepted);
    const std::vector<Bytes> logins = Logins();
    ASSERT_EQ(logins.size(), 3u);
    EXPECT_EQ(LoginBody(logins[0]), kDefaultBody);
    EXPECT_EQ(LoginBody(logins[1]), kDefaultBody);
    EXPECT_TRUE(LoginBody(logins[2]) == c.thirdBody) << Masked(LoginBody(logins[2])) << " vs " << Masked(c.thirdBody);
    EXPECT_EQ(dialogShown, c.dialogShown);
}

INSTANTIATE_TEST_SUITE_P(Cases, AdminLoginSequenceTest, testing::Values(
    SequenceCase{"entered password accepted", "s3cret", 0, AdminCredentials{"admin", "s3cret"},
                 true, 1, kDefaultBody + "s3cret"},
    SequenceCase{"entered password refused", "s3cret", 0, AdminCredentials{"admin", "wrong"},
                 false, 1, kDefaultBody + "wrong"},
    SequenceCase{"cancel sends the defaults again", "s3cret", 0, std::nullopt, false, 1,
                 kDefaultBody},
    // A lost first answer: the second is accepted, so nobody is asked, and
    // the third request decides.
    SequenceCase{"first answer lost", "", 1, AdminCredentials{"admin", "unused"}, true, 0,
                 kDefaultBody},
    SequenceCase{"device silent", "", 3, AdminCredentials{"admin", "typed"}, false, 1,
                 kDefaultBody + "typed"}));

TEST_F(AdminLoginTest, SettingsAreAcceptedAfterALoginWithTheEnteredPassword) {
    SetUpAppliance("s3cret");
    ASSERT_TRUE(RunAdminLoginSequence(protocol, Dialog(AdminCredentials{"admin", "s3cret"})));
    EXPECT_EQ(SetDhcpClient(protocol), 1);
}

}  // namespace
}  // namespace norvale
