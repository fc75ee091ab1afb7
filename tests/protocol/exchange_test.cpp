// The wait of one management request: drain, misses and their limits, what is
// skipped, the overall deadline, and the answer buffer.
#include <gtest/gtest.h>

#include "protocol/core/device_requests.h"
#include "protocol/core/reply_parsers.h"
#include "tests/protocol/protocol_fixture.h"

namespace norvale::test {
namespace {

using std::chrono::milliseconds;

class ExchangeTest : public ProtocolTest {
protected:
    ExchangeTest() { nas = &segment.AddAppliance({}); }

    // The time the request of the exchange was sent.
    milliseconds SendTime() const {
        EXPECT_EQ(segment.Sent().size(), 1u);
        return segment.Sent().empty() ? milliseconds(-1) : segment.Sent().front().time;
    }
    // Polls with the 10-ms timeout after the request was sent.
    std::size_t PollsAfterSend() const {
        std::size_t polls = 0;
        for (const WaitRecord& wait : segment.Waits()) polls += wait.time >= SendTime();
        return polls;
    }
    // A datagram as the selected device would answer, arriving at `at`.
    void InjectAnswer(std::uint8_t type, milliseconds at, std::string text = "",
                      const ClientId* client = nullptr, std::string fromIp = "") {
        Bytes bytes(28, 0);
        bytes[0] = type;
        const ClientId& id = client ? *client : protocol.Identity();
        std::copy(id.begin(), id.end(), bytes.begin() + 1);
        const auto device = nas->DeviceIdBytes();
        std::copy(device.begin(), device.end(), bytes.begin() + 11);
        if (!fromIp.empty()) {
            FakeAppliance other(ApplianceConfig{});
            other.config.ip = fromIp;
            const auto otherId = other.DeviceIdBytes();
            std::copy(otherId.begin() + 6, otherId.end(), bytes.begin() + 17);
        }
        bytes.insert(bytes.end(), text.begin(), text.end());
        segment.Inject(kLocal0, at, bytes);
    }

    FakeAppliance* nas = nullptr;
};

TEST_F(ExchangeTest, QueryDrainsElevenPollsThenSendsAndTakesTheAnswer) {
    nas->config.shares = {"a", "b", "c"};
    OpenAndSelect();
    const milliseconds start = clock.Now();
    EXPECT_EQ(QueryShareCount(protocol), 3);
    ASSERT_GE(segment.Waits().size(), 12u);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(segment.Waits()[i].time, start + milliseconds(10 * i));
    EXPECT_EQ(SendTime(), start + milliseconds(110));
    EXPECT_TRUE(clock.Sleeps().empty());
    EXPECT_EQ(clock.Now(), SendTime() + nas->config.replyDelay);
}

TEST_F(ExchangeTest, DrainDiscardsLateAnswersOfEarlierRequests) {
    nas->config.shareCountText = "23";
    OpenAndSelect();
    for (int i = 0; i < 5; ++i) InjectAnswer(0x04, clock.Now(), "99");
    EXPECT_EQ(QueryShareCount(protocol), 23);
}

TEST_F(ExchangeTest, MissLimitsBoundEveryRequest) {
    struct Case { const char* what; int (*request)(DeviceProtocol&); bool drains; std::size_t polls; };
    const Case cases[] = {
        {"share count", QueryShareCount, true, 21},
        {"target list", QueryTargetList, true, 21},
        {"login", AdminLogin, false, 11},
        {"static address", SetStaticAddress, false, 101},
        {"dhcp", SetDhcpClient, false, 101},
    };
    for (const Case& c : cases) {
        OpenAndSelect();
        nas->dropNextRequests = 1000;
        protocol.NewIpText = L"192.168.0.50";
        const milliseconds start = clock.Now();
        c.request(protocol);
        EXPECT_EQ(PollsAfterSend(), c.polls) << c.what;
        EXPECT_EQ(clock.Sleeps(), std::vector<milliseconds>(c.polls - 1, milliseconds(100))) << c.what;
        EXPECT_EQ(SendTime() - start, milliseconds(c.drains ? 110 : 0)) << c.what;
        const auto polls = static_cast<int>(c.polls);
        EXPECT_EQ(clock.Now() - SendTime(), milliseconds(10 * polls + 100 * (polls - 1))) << c.what;
        protocol.CloseDeviceSockets(false);
        nas->dropNextRequests = 0;
    }
}

TEST_F(ExchangeTest, FailedReadsAndOtherTypesAreNotMisses) {
    nas->config.shareCountText = "4";
    nas->config.replyDelay = milliseconds(8);
    OpenAndSelect();
    const milliseconds sendAt = clock.Now() + milliseconds(110);
    for (int i = 1; i <= 5; ++i) {
        segment.InjectFailedRead(kLocal0, sendAt + milliseconds(i));
        InjectAnswer(0x03, sendAt + milliseconds(i));  // another client's query
        InjectAnswer(0x06, sendAt + milliseconds(i));  // a settings answer
    }
    EXPECT_EQ(QueryShareCount(protocol), 4);
    EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(ExchangeTest, OtherClientsAndOtherAddressesAreMisses) {
    OpenAndSelect();
    nas->dropNextRequests = 1000;
    const milliseconds sendAt = clock.Now() + milliseconds(110);
    const ClientId stranger{7, 7, 7, 7, 7, 7, 0, 0, 0, 0};
    InjectAnswer(0x04, sendAt + milliseconds(1), "5", &stranger);
    InjectAnswer(0x04, sendAt + milliseconds(150), "6", nullptr, "192.168.0.99");
    ClientId sameLeadingSix = protocol.Identity();
    sameLeadingSix[9] = 0x55;  // the four trailing bytes are not compared
    InjectAnswer(0x04, sendAt + milliseconds(300), "7", &sameLeadingSix);
    EXPECT_EQ(QueryShareCount(protocol), 7);
    EXPECT_EQ(clock.Sleeps(), std::vector<milliseconds>(3, milliseconds(100)));
}

TEST_F(ExchangeTest, StaleSetReplyFromTheOldAddressIsAMiss) {
    nas->staleSetReplyFirst = true;
    OpenAndSelect();
    protocol.AdminUserName = "admin";
    ASSERT_EQ(AdminLogin(protocol), 1);
    segment.ClearLogs();
    clock.ClearSleeps();
    protocol.NewIpText = L"192.168.0.50";
    protocol.NewNetmaskText = L"255.255.0.0";
    protocol.NewGatewayText = L"192.168.0.254";
    EXPECT_EQ(SetStaticAddress(protocol), 1);
    EXPECT_EQ(clock.Sleeps(), std::vector<milliseconds>{milliseconds(100)});
}

TEST_F(ExchangeTest, ForeignFloodCannotHoldAnExchangeBeyondItsLongestWait) {
    struct Case { int (*request)(DeviceProtocol&); milliseconds longest; };
    for (const Case& c : {Case{QueryShareCount, milliseconds(2210)}, Case{AdminLogin, milliseconds(1110)},
                          Case{SetDhcpClient, milliseconds(11010)}}) {
        OpenAndSelect();
        nas->dropNextRequests = 1000;
        segment.Flood(kLocal0, clock.Now() + milliseconds(111), clock.Now() + milliseconds(30000),
                      milliseconds(1), Bytes(40, 0x05));
        c.request(protocol);
        const milliseconds waited = clock.Now() - SendTime();
        EXPECT_GE(waited, c.longest);
        EXPECT_LE(waited, c.longest + milliseconds(10));
        protocol.CloseDeviceSockets(false);
        nas->dropNextRequests = 0;
    }
}

TEST_F(ExchangeTest, AnswerOfExactlyTheBufferSizeIsReadWhole) {
    OpenAndSelect();
    nas->dropNextRequests = 1;
    // 4068 text bytes fill the datagram to 4096; the count is its last byte.
    InjectAnswer(0x04, clock.Now() + milliseconds(200), std::string(4067, ' ') + "7");
    EXPECT_EQ(QueryShareCount(protocol), 7);
}

TEST_F(ExchangeTest, NoSelectedDeviceMeansNoTraffic) {
    OpenAndSelect();
    const milliseconds before = clock.Now();
    struct Case { std::wstring selected; int (*request)(DeviceProtocol&); int result; };
    const Case cases[] = {
        {L"", QueryTargetCount, -1},           {L"10.9.9.9", QueryTargetCount, 0},
        {L"10.9.9.9", QueryShareCount, 0},     {L"10.9.9.9", QueryTargetList, 0},
        {L"10.9.9.9", AdminLogin, 0},          {L"10.9.9.9", SetStaticAddress, 0},
        {L"10.9.9.9", SetDhcpClient, 0},       {L"192.168.0.10 ", QueryShareCount, 0},
    };
    for (const Case& c : cases) {
        protocol.SelectedDeviceIp = c.selected;
        EXPECT_EQ(c.request(protocol), c.result);
    }
    EXPECT_EQ(QueryShareList(protocol, 0), 0);
    EXPECT_TRUE(segment.Sent().empty());
    EXPECT_TRUE(segment.Waits().empty());
    EXPECT_EQ(clock.Now(), before);
}

}  // namespace
}  // namespace norvale::test
