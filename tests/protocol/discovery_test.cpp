// The discovery pass on a simulated segment, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "protocol/core/request_builders.h"
#include "tests/protocol/protocol_fixture.h"

namespace norvale::test {
namespace {

using std::chrono::milliseconds;

ApplianceConfig Appliance(const std::string& ip, std::uint8_t idByte = 1) {
    ApplianceConfig config;
    config.ip = ip;
    config.identifier[5] = idByte;
    return config;
}

std::vector<milliseconds> PassPauses() {
    std::vector<milliseconds> pauses{milliseconds(50), milliseconds(50)};
    pauses.insert(pauses.end(), 47, milliseconds(20));
    return pauses;
}

class DiscoveryTest : public ProtocolTest {};

TEST_F(DiscoveryTest, ScheduleOfOneInterface) {
    Open();
    Discover();

    ASSERT_EQ(segment.Sent().size(), 2u);
    for (const SentDatagram& sent : segment.Sent()) {
        EXPECT_EQ(sent.interfaceAddress, kLocal0);
        EXPECT_EQ(sent.bytes, BuildDiscover(protocol.Identity()));
    }
    EXPECT_EQ(segment.Sent()[0].time, milliseconds(0));
    EXPECT_EQ(segment.Sent()[1].time, milliseconds(50));
    EXPECT_EQ(clock.Sleeps(), PassPauses());  // no pause after the 48th poll

    ASSERT_EQ(segment.Waits().size(), 48u);
    for (std::size_t i = 0; i < 48; ++i) {
        EXPECT_EQ(segment.Waits()[i].timeout, milliseconds(10));
        EXPECT_EQ(segment.Waits()[i].time, milliseconds(100 + 30 * static_cast<int>(i)));
    }
    EXPECT_EQ(clock.Now(), milliseconds(100 + 48 * 10 + 47 * 20));
}

TEST_F(DiscoveryTest, EveryApplianceThatAnswersInTimeIsListedHoweverMany) {
    for (int i = 0; i < 60; ++i) {
        ApplianceConfig config = Appliance("192.168.1." + std::to_string(i + 1), static_cast<std::uint8_t>(i));
        config.replyDelay = milliseconds(5 + 10 * i);  // spread over the pass
        segment.AddAppliance(config);
    }
    // A foreign flood that once crowded answers out of the 48 reads.
    std::vector<std::uint8_t> foreign(40, 0x03);
    segment.Flood(kLocal0, milliseconds(0), milliseconds(1500), milliseconds(2), foreign);
    Open();
    Discover();

    EXPECT_EQ(protocol.Devices().Count(), 60u);
    EXPECT_EQ(protocol.Devices().Records().front().ipText, L"192.168.1.1");
    EXPECT_EQ(clock.Sleeps(), PassPauses());  // the schedule is unchanged
    EXPECT_EQ(std::count_if(segment.Waits().begin(), segment.Waits().end(),
                            [](const WaitRecord& wait) { return wait.timeout == milliseconds(10); }),
              48);
}

TEST_F(DiscoveryTest, OnlyAcceptedAnswersMakeRecordsAndTheFirstWins) {
    ApplianceConfig wildcard = Appliance("192.168.0.11", 2);
    wildcard.selector1 = 3, wildcard.selector2 = 3;
    ApplianceConfig wrongSelector = Appliance("192.168.0.12", 3);
    wrongSelector.selector1 = 1;
    ApplianceConfig sameAddressLater = Appliance("192.168.0.10", 9);
    sameAddressLater.replyDelay = milliseconds(30);
    sameAddressLater.name = "LATE";
    segment.AddAppliance(Appliance("192.168.0.10")).duplicates = 2;
    segment.AddAppliance(wildcard);
    segment.AddAppliance(wrongSelector);
    segment.AddAppliance(Appliance("192.168.0.13", 4)).echoedClientId =
        std::array<std::uint8_t, 10>{9, 9, 9, 9, 9, 9, 0, 0, 0, 0};
    segment.AddAppliance(sameAddressLater);
    Open();
    Discover();

    ASSERT_EQ(protocol.Devices().Count(), 2u);
    EXPECT_EQ(protocol.Devices().Records()[0].ipText, L"192.168.0.10");
    EXPECT_EQ(protocol.Devices().Records()[0].name, L"NAS");
    EXPECT_EQ(protocol.Devices().Records()[1].ipText, L"192.168.0.11");
}

TEST_F(DiscoveryTest, FailedReadIsNotOneOfTheFortyEightPolls) {
    Open();
    segment.InjectFailedRead(kLocal0, milliseconds(105));
    segment.InjectFailedRead(kLocal0, milliseconds(105));
    Discover();
    // One more 10-ms poll: the one that found only failed reads.
    EXPECT_EQ(std::count_if(segment.Waits().begin(), segment.Waits().end(),
                            [](const WaitRecord& wait) { return wait.timeout == milliseconds(10); }),
              49);
    EXPECT_EQ(clock.Sleeps(), PassPauses());
}

TEST_F(DiscoveryTest, LateAnswersStayQueuedForTheNextDrain) {
    ApplianceConfig slow = Appliance("192.168.0.10");
    slow.replyDelay = milliseconds(1600);
    segment.AddAppliance(slow);
    Open();
    Discover();
    EXPECT_TRUE(protocol.Devices().Empty());
    EXPECT_EQ(segment.Queued(kLocal0), 2u);
}

TEST_F(DiscoveryTest, InterfacesAreAskedAtOnceAndListedAsOneAfterTheOther) {
    // Answers arrive interleaved across the two interfaces. The table lists
    // interface 0's in their arrival order, then interface 1's, and an
    // appliance heard on both keeps the lower index, as a pass over one
    // interface after the other lists them; yet the pass takes one schedule.
    segment.SetLocalAddresses(std::vector<std::string>{kLocal0, kLocal1});
    ApplianceConfig lateOnFirst = Appliance("192.168.0.10");
    lateOnFirst.interfaces = {kLocal0};
    lateOnFirst.replyDelay = milliseconds(800);
    ApplianceConfig earlyOnSecond = Appliance("10.0.0.10", 2);
    earlyOnSecond.interfaces = {kLocal1};
    earlyOnSecond.replyDelay = milliseconds(10);
    ApplianceConfig onBoth = Appliance("192.168.0.20", 3);
    onBoth.replyDelay = milliseconds(20);
    segment.AddAppliance(lateOnFirst);
    segment.AddAppliance(earlyOnSecond);
    segment.AddAppliance(onBoth);
    Open();
    Discover();

    ASSERT_EQ(segment.Sent().size(), 4u);
    EXPECT_EQ(segment.Sent()[0].interfaceAddress, kLocal0);
    EXPECT_EQ(segment.Sent()[1].interfaceAddress, kLocal1);
    EXPECT_EQ(segment.Sent()[1].time, milliseconds(0));
    EXPECT_EQ(segment.Sent()[3].time, milliseconds(50));
    EXPECT_EQ(clock.Sleeps(), PassPauses());
    const std::vector<std::pair<std::wstring, int>> expected{
        {L"192.168.0.20", 0}, {L"192.168.0.10", 0}, {L"10.0.0.10", 1}};
    std::vector<std::pair<std::wstring, int>> listed;
    for (const DeviceRecord& record : protocol.Devices().Records()) listed.emplace_back(record.ipText, record.interfaceIndex);
    EXPECT_EQ(listed, expected);
}

TEST_F(DiscoveryTest, NoAddressesNoSocketsPassReturnsAtOnce) {
    segment.SetLocalAddresses(std::nullopt);
    segment.AddAppliance(Appliance("192.168.0.10"));
    Open();
    EXPECT_EQ(segment.OpenSockets(), 0);
    Discover();
    EXPECT_TRUE(protocol.Devices().Empty());
    EXPECT_TRUE(segment.Sent().empty());
    EXPECT_TRUE(clock.Sleeps().empty());
    EXPECT_EQ(clock.Now(), milliseconds(0));
}

// The cards come first whatever Windows' order, so that an appliance seen on
// a card and on a virtual switch keeps the card's index; every address of an
// adapter that is up takes part, up to the bound, and a socket that failed
// is recorded with its error.
TEST_F(DiscoveryTest, TheTableHoldsEveryUpAdapterCardsFirstAndRecordsFailedSockets) {
    using K = AdapterKind;
    std::vector<LocalInterface> found = {
        {"172.20.0.1", L"vEthernet (WSL)", K::Virtual, true},  {"10.8.0.2", L"VPN", K::Tunnel, true},
        {"192.168.1.5", L"Ethernet", K::Ethernet, true},       {"192.168.1.5", L"Ethernet", K::Ethernet, true},
        {"127.0.0.1", L"Loopback", K::Loopback, true},         {"192.168.7.9", L"Wi-Fi", K::Wireless, false},
        {"192.168.2.5", L"Wi-Fi 2", K::Wireless, true},        {"0.0.0.0", L"Ethernet 3", K::Ethernet, true},
    };
    for (int i = 0; i < 70; ++i) found.push_back({"10.9." + std::to_string(i) + ".1", L"Docker", K::Virtual, true});
    segment.SetLocalInterfaces(found);
    segment.FailReceiversOn("10.8.0.2");
    Open();
    const std::vector<std::string> table = protocol.LocalAddresses().Entries();
    ASSERT_EQ(table.size(), kMaxLocalInterfaces);
    EXPECT_EQ(std::vector<std::string>(table.begin(), table.begin() + 4),
              (std::vector<std::string>{"192.168.1.5", "192.168.2.5", "172.20.0.1", "10.8.0.2"}));
    EXPECT_EQ(table.back(), "10.9.59.1");
    EXPECT_EQ(protocol.LocalAddresses().Interfaces()[1].adapterName, L"Wi-Fi 2");
    const auto states = protocol.SocketStates();
    ASSERT_EQ(states.size(), kMaxLocalInterfaces);
    EXPECT_TRUE(states[0].senderOpened && states[0].receiverOpened);
    EXPECT_EQ(states[0].error, 0);
    EXPECT_TRUE(states[3].senderOpened);
    EXPECT_FALSE(states[3].receiverOpened);
    EXPECT_EQ(states[3].error, 10013);
}

TEST_F(DiscoveryTest, EveryPassEmptiesTheTable) {
    FakeAppliance& nas = segment.AddAppliance(Appliance("192.168.0.10"));
    Open();
    Discover();
    ASSERT_EQ(protocol.Devices().Count(), 1u);
    nas.dropNextRequests = 2;
    Discover();
    EXPECT_TRUE(protocol.Devices().Empty());
}

TEST_F(DiscoveryTest, ReopeningMakesANewIdentityUnlessTheLookupFails) {
    Open();
    const ClientId first = protocol.Identity();
    protocol.CloseDeviceSockets(false);
    clock.Advance(milliseconds(5000));
    Open();
    EXPECT_NE(protocol.Identity(), first);
    EXPECT_EQ(random.seeds, (std::vector<unsigned>{1'700'000'000u, 1'700'000'005u}));

    const ClientId second = protocol.Identity();
    segment.SetLocalAddresses(std::nullopt);
    protocol.CloseDeviceSockets(false);
    Open();
    EXPECT_EQ(protocol.Identity(), second);
    EXPECT_EQ(protocol.LocalAddresses().Entries(), std::vector<std::string>{kLocal0});
    EXPECT_EQ(segment.OpenSockets(), 2);  // the previous table still gets its sockets

    protocol.CloseDeviceSockets(true);
    EXPECT_EQ(segment.OpenSockets(), 0);
    EXPECT_EQ(segment.Startups(), 3);
    EXPECT_EQ(segment.Cleanups(), 3);
}

TEST_F(DiscoveryTest, SocketLayerThatCannotStartIsReported) {
    segment.FailStartup(true);
    EXPECT_FALSE(protocol.OpenDeviceSockets());
    EXPECT_EQ(segment.OpenSockets(), 0);
}

TEST_F(DiscoveryTest, InterfaceWhoseReceiverFailedStillKeepsTheSchedule) {
    segment.SetLocalAddresses(std::vector<std::string>{kLocal0, kLocal1});
    segment.FailReceiversOn(kLocal0);
    segment.AddAppliance(Appliance("192.168.0.10"));
    Open();
    Discover();
    ASSERT_EQ(protocol.Devices().Count(), 1u);
    EXPECT_EQ(protocol.Devices().Records()[0].interfaceIndex, 1);
}

}  // namespace
}  // namespace norvale::test
