#include "tools/simulator/wire_format.h"

#include <gtest/gtest.h>

#include <string>

namespace norvale::sim {
namespace {

Bytes Header(std::uint8_t opcode, std::uint8_t subcommand, std::size_t size) {
    Bytes bytes(size, 0);
    bytes[0] = opcode;
    for (int i = 0; i < 10; ++i) bytes[1 + i] = static_cast<std::uint8_t>(0xA0 + i);
    for (int i = 0; i < 10; ++i) bytes[11 + i] = static_cast<std::uint8_t>(0x10 + i);
    bytes[21] = subcommand;
    return bytes;
}

void Put32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Bytes Login(const std::string& user, const std::string& password, std::uint32_t declared) {
    Bytes bytes = Header(0x03, 0x04, 28);
    bytes.insert(bytes.end(), user.begin(), user.end());
    bytes.push_back(0x55);
    bytes.push_back(0xAA);
    bytes.insert(bytes.end(), password.begin(), password.end());
    Put32(bytes, 24, declared);
    return bytes;
}

Bytes Settings(const std::string& address, std::uint32_t declaredLength) {
    Bytes bytes = Header(0x05, 0x01, 60);
    const std::string mask = "255.255.0.0";
    std::copy(mask.begin(), mask.end(), bytes.begin() + 24);
    Put32(bytes, 56, declaredLength);
    bytes.insert(bytes.end(), address.begin(), address.end());
    return bytes;
}

struct DecodeCase {
    const char* label;
    Bytes bytes;
    bool accepted;
};

TEST(SimWireFormat, DecodeAcceptsOnlyCompleteRequests) {
    Bytes discover(11, 0);
    discover[0] = 0x01;
    Bytes shortDiscover(10, 0);
    shortDiscover[0] = 0x01;
    const DecodeCase cases[] = {
        {"empty", {}, false},
        {"discover", discover, true},
        {"short discover", shortDiscover, false},
        {"a reply, not a request", Header(0x04, 0, 40), false},
        {"unknown opcode", Header(0x42, 0, 40), false},
        {"query of 27 bytes", Header(0x03, 0x36, 27), false},
        {"query of 28 bytes", Header(0x03, 0x36, 28), true},
        {"settings of 59 bytes", Header(0x05, 0x02, 59), false},
        {"dhcp settings", Header(0x05, 0x02, 60), true},
        {"address length past the end", Settings("10.0.0.1", 9), false},
        {"huge address length", Settings("10.0.0.1", 0xFFFFFFFF), false},
        {"exact address length", Settings("10.0.0.1", 8), true},
    };
    for (const DecodeCase& c : cases) {
        const DecodeResult result = DecodeRequest(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(result.request.has_value(), c.accepted) << c.label;
        EXPECT_EQ(result.problem.empty(), c.accepted) << c.label;
    }
}

TEST(SimWireFormat, DecodeReadsTheFieldsOfEachRequest) {
    Bytes list = Header(0x03, 0x03, 32);
    list[28] = '2';
    list[29] = '0';
    const Request page = *DecodeRequest(list.data(), list.size()).request;
    EXPECT_EQ(page.shareIndex, "20");
    EXPECT_EQ(page.clientId[0], 0xA0);
    EXPECT_EQ(page.deviceId[9], 0x19);

    Bytes fourDigits = Header(0x03, 0x03, 32);
    std::copy_n("1230", 4, fourDigits.begin() + 28);
    EXPECT_EQ(DecodeRequest(fourDigits.data(), fourDigits.size()).request->shareIndex, "1230");

    const Bytes settings = Settings("192.168.0.50", 12);
    const Request change = *DecodeRequest(settings.data(), settings.size()).request;
    EXPECT_EQ(change.address, "192.168.0.50");
    EXPECT_EQ(change.netmask, "255.255.0.0");
    EXPECT_EQ(change.gateway, "");
}

TEST(SimWireFormat, LoginSplitsAtTheMarkerAndKeepsToTheDatagram) {
    struct Case {
        const char* label;
        Bytes bytes;
        std::string user;
        std::string password;
    };
    const Case cases[] = {
        {"empty password", Login("admin", "", 7), "admin", ""},
        {"password", Login("admin", "s3cret", 13), "admin", "s3cret"},
        {"declared longer than sent", Login("admin", "pw", 500), "admin", "pw"},
        {"declared shorter cuts the password", Login("admin", "pw", 8), "admin", "p"},
    };
    for (const Case& c : cases) {
        const Request request = *DecodeRequest(c.bytes.data(), c.bytes.size()).request;
        EXPECT_EQ(request.user, c.user) << c.label;
        EXPECT_EQ(request.password, c.password) << c.label;
    }
}

TEST(SimWireFormat, DiscoverReplyLayout) {
    DiscoverAnswer answer;
    answer.clientId = {1, 2, 3, 4, 5, 6, 0, 0, 0, 0};
    answer.deviceId = {0xDE, 0xAD, 0xBE, 0xEF, 0, 1, 10, 1, 0, 20};
    answer.addressMode = '1';
    answer.netmask = "255.255.255.0";
    answer.gateway = "10.1.0.1";
    answer.selector1 = 3;
    answer.selector2 = 8;
    answer.service = "iscsi";
    answer.nameText = "NAS:eth0=10.2.0.20";
    const Bytes out = EncodeDiscoverReply(answer);
    ASSERT_EQ(out.size(), 72 + answer.nameText.size());
    EXPECT_EQ(out[0], 0x07);
    EXPECT_EQ(out[6], 6);
    EXPECT_EQ(out[17], 10);
    EXPECT_EQ(out[20], 20);
    EXPECT_EQ(out[21], '1');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&out[24])), "255.255.255.0");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&out[40])), "10.1.0.1");
    EXPECT_EQ(out[56], 3);
    EXPECT_EQ(out[57], 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&out[59])), "iscsi");
    EXPECT_EQ(out[68], answer.nameText.size());
    EXPECT_EQ(out[69] | out[70] | out[71], 0);
    EXPECT_EQ(std::string(out.begin() + 72, out.end()), answer.nameText);
}

TEST(SimWireFormat, DiscoverReplyKeepsToItsFields) {
    DiscoverAnswer answer;
    answer.netmask = std::string(40, '9');
    answer.service = "iscsi-and-more";
    answer.nameText = std::string(300, 'n');
    const Bytes out = EncodeDiscoverReply(answer);
    EXPECT_EQ(out.size(), 72u + 255u);
    EXPECT_EQ(out[39], 0) << "netmask keeps its terminator";
    EXPECT_EQ(out[67], 0) << "service keeps its terminator";
    EXPECT_EQ(out[68], 255);
}

TEST(SimWireFormat, QueryAndSetReplies) {
    const Identity client{9, 8, 7, 6, 5, 4, 0, 0, 0, 0};
    const Identity device{1, 1, 1, 1, 1, 1, 192, 168, 0, 50};
    const Bytes text = EncodeQueryReply(client, device, "23");
    ASSERT_EQ(text.size(), 31u);
    EXPECT_EQ(text[0], 0x04);
    EXPECT_EQ(text[28], '2');
    EXPECT_EQ(text[30], 0);

    const Bytes login = EncodeLoginReply(client, device, 1);
    ASSERT_EQ(login.size(), 29u);
    EXPECT_EQ(login[28], 1);

    const Bytes set = EncodeSetReply(client, device);
    ASSERT_EQ(set.size(), 24u);
    EXPECT_EQ(set[0], 0x06);
    EXPECT_EQ(AddressOfDeviceId(device), "192.168.0.50");
    EXPECT_EQ(set[17], 192);
    EXPECT_EQ(set[20], 50);
}

TEST(SimWireFormat, ParseIpv4) {
    const std::pair<const char*, bool> cases[] = {
        {"10.0.0.1", true},     {"255.255.255.255", true}, {"0.0.0.0", true},
        {"256.0.0.1", false},   {"10.0.0", false},         {"10.0.0.1.", false},
        {"10..0.1", false},     {"", false},               {"1000.0.0.1", false},
        {"10.0.0.1 ", false},   {"a.b.c.d", false},
    };
    for (const auto& [text, valid] : cases) EXPECT_EQ(ParseIpv4(text).has_value(), valid) << text;
}

}  // namespace
}  // namespace norvale::sim
