// Byte layouts of every request the client sends.
#include <gtest/gtest.h>

#include "protocol/core/client_id.h"
#include "protocol/core/request_builders.h"
#include "protocol/core/wire_text.h"

namespace norvale {
namespace {

const ClientId kClient{0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0, 0, 0, 0};
const DeviceId kDevice{0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 192, 168, 0, 10};

// The 24-byte header every request but Discover starts with.
Datagram ExpectedHeader(std::uint8_t opcode, std::uint8_t subCommand, std::size_t size) {
    Datagram bytes(size, 0);
    bytes[0] = opcode;
    std::copy(kClient.begin(), kClient.end(), bytes.begin() + 1);
    std::copy(kDevice.begin(), kDevice.end(), bytes.begin() + 11);
    bytes[21] = subCommand;
    return bytes;
}

TEST(RequestLayout, DiscoverIsOpcodeAndIdentity) {
    const Datagram expected{0x01, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0, 0, 0, 0};
    EXPECT_EQ(BuildDiscover(kClient), expected);
}

TEST(RequestLayout, EmptyBodyQueriesAre28Bytes) {
    struct Case { SubCommand sub; std::uint8_t byte; };
    for (const Case& c : {Case{SubCommand::ShareCount, 0x36}, Case{SubCommand::TargetCount, 0x37},
                          Case{SubCommand::TargetList, 0x33}}) {
        EXPECT_EQ(BuildQuery(kClient, kDevice, c.sub), ExpectedHeader(0x03, c.byte, 28)) << int(c.byte);
    }
}

TEST(RequestLayout, ShareListCarriesPageIndexTextBehindZeroBodyLength) {
    struct Case { int firstIndex; const char* text; };
    for (const Case& c : {Case{0, "0"}, Case{10, "10"}, Case{990, "990"}, Case{1230, "1230"},
                          Case{12340, "1234"}, Case{-10, "0"}}) {
        Datagram expected = ExpectedHeader(0x03, 0x03, 32);
        const std::string text = c.text;
        std::copy(text.begin(), text.end(), expected.begin() + 28);
        const Datagram built = BuildShareListQuery(kClient, kDevice, c.firstIndex);
        EXPECT_EQ(built, expected) << c.firstIndex;
        EXPECT_EQ(ReadLe32(&built[24]), 0u);
    }
}

TEST(RequestLayout, AdminLoginBodyIsUserMarksPassword) {
    Datagram expected = ExpectedHeader(0x03, 0x04, 35);
    expected[24] = 7;
    const std::uint8_t body[] = {'a', 'd', 'm', 'i', 'n', 0x55, 0xAA};
    std::copy(std::begin(body), std::end(body), expected.begin() + 28);
    EXPECT_EQ(BuildAdminLogin(kClient, kDevice, "admin", ""), expected);

    const Datagram withPassword = BuildAdminLogin(kClient, kDevice, "root", "s3cr\xC3\xA9t");
    ASSERT_EQ(withPassword.size(), 28u + 4 + 2 + 7);
    EXPECT_EQ(ReadLe32(&withPassword[24]), 13u);
    EXPECT_EQ(std::string(withPassword.begin() + 34, withPassword.end()), "s3cr\xC3\xA9t");
}

TEST(RequestLayout, AdminLoginCutsOverlongTextsToTheirFields) {
    const Datagram built = BuildAdminLogin(kClient, kDevice, std::string(40, 'u'), std::string(200, 'p'));
    EXPECT_EQ(ReadLe32(&built[24]), 31u + 2 + 127u);
    EXPECT_EQ(built.size(), 28u + 31 + 2 + 127);
    EXPECT_EQ(built[28 + 31], 0x55);
}

TEST(RequestLayout, SetStaticAddressCarriesTextsAndUnterminatedAddress) {
    const Datagram built =
        BuildSetStaticAddress(kClient, kDevice, L"192.168.0.50", L"255.255.255.0", L"192.168.0.1");
    Datagram expected = ExpectedHeader(0x05, 0x01, 72);
    const std::string netmask = "255.255.255.0", gateway = "192.168.0.1", address = "192.168.0.50";
    std::copy(netmask.begin(), netmask.end(), expected.begin() + 24);
    std::copy(gateway.begin(), gateway.end(), expected.begin() + 40);
    expected[56] = 12;
    std::copy(address.begin(), address.end(), expected.begin() + 60);
    EXPECT_EQ(built, expected);
}

TEST(RequestLayout, SetStaticAddressKeepsTextsInsideTheirFields) {
    const Datagram built = BuildSetStaticAddress(kClient, kDevice, L"1111.2222.3333.4444",
                                                 std::wstring(20, L'9'), std::wstring(20, L'8'));
    ASSERT_EQ(built.size(), 75u);  // the address text is cut to 15 bytes
    EXPECT_EQ(ReadLe32(&built[56]), 15u);
    EXPECT_EQ(built[24 + 14], '9');
    EXPECT_EQ(built[24 + 15], 0);  // the netmask keeps a terminator in its field
    EXPECT_EQ(built[40 + 15], 0);
}

TEST(RequestLayout, SetDhcpClientHasAnAllZeroSettingsBody) {
    EXPECT_EQ(BuildSetDhcpClient(kClient, kDevice), ExpectedHeader(0x05, 0x02, 60));
}

TEST(ClientIdentity, SixLowBytesOfDrawsAfterSeedingWithTheTime) {
    struct Scripted final : RandomSource {
        void Seed(unsigned int s) override { seed = s; }
        int Next() override { return 0x1200 + 0x11 * ++draws; }
        unsigned int seed = 0;
        int draws = 0;
    } random;
    const ClientId id = MakeClientId(1'700'000'123, random);
    EXPECT_EQ(random.seed, 1'700'000'123u);
    EXPECT_EQ(id, (ClientId{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace norvale
