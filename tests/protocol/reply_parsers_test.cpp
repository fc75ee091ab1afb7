// Reading received answers: acceptance of discovery answers, the record built
// from them (also from malformed ones), query results, number and name texts.
#include <gtest/gtest.h>

#include "protocol/core/name_text.h"
#include "protocol/core/reply_parsers.h"
#include "protocol/core/wire_text.h"

namespace norvale {
namespace {

const ClientId kClient{1, 2, 3, 4, 5, 6, 0, 0, 0, 0};

struct ReplyBytes {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(72, 0);

    ReplyBytes() {
        bytes[0] = 0x07;
        std::copy(kClient.begin(), kClient.end(), bytes.begin() + 1);
        const std::uint8_t id[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 192, 168, 0, 10};
        std::copy(std::begin(id), std::end(id), bytes.begin() + 11);
        bytes[21] = '0';
        Text(24, "255.255.255.0");
        Text(40, "192.168.0.1");
        bytes[56] = 0;
        bytes[57] = 8;
        Text(59, "iscsi");
        Name("NAS");
    }
    ReplyBytes& Text(std::size_t offset, const std::string& text) {
        if (bytes.size() < offset + text.size()) bytes.resize(offset + text.size(), 0);
        std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        return *this;
    }
    ReplyBytes& Name(const std::string& name, std::optional<std::uint32_t> lengthField = {}) {
        bytes.resize(72);
        WriteLe32(&bytes[68], lengthField.value_or(static_cast<std::uint32_t>(name.size())));
        return Text(72, name);
    }
    bool Accepted(std::uint8_t selector1 = 0, std::uint8_t selector2 = 8) const {
        return AcceptsDiscoverReply(bytes.data(), bytes.size(), kClient, selector1, selector2);
    }
    std::optional<DeviceRecord> Parsed() const { return ParseDiscoverReply(bytes.data(), bytes.size()); }
};

TEST(DiscoverReplyFilter, ChecksTypeIdentityAndSelectors) {
    struct Case { const char* what; std::size_t offset; std::uint8_t value; bool accepted; };
    const Case cases[] = {
        {"well-formed", 0, 0x07, true},
        {"query reply type", 0, 0x04, false},
        {"client request type", 0, 0x01, false},
        {"other identity byte 1", 1, 9, false},
        {"other identity byte 6", 6, 9, false},
        {"identity byte 7 is not compared", 7, 9, true},
        {"selector 1 wildcard", 56, 3, true},
        {"selector 1 wrong", 56, 1, false},
        {"selector 2 wildcard", 57, 3, true},
        {"selector 2 wrong", 57, 0, false},
    };
    for (const Case& c : cases) {
        ReplyBytes reply;
        reply.bytes[c.offset] = c.value;
        EXPECT_EQ(reply.Accepted(), c.accepted) << c.what;
    }
    ReplyBytes both;
    both.bytes[56] = 3, both.bytes[57] = 3;
    EXPECT_TRUE(both.Accepted(7, 7));
}

TEST(DiscoverReplyFilter, ShortDatagramsAreRejected) {
    ReplyBytes reply;
    for (std::size_t size : {0u, 1u, 6u, 57u}) {
        EXPECT_FALSE(AcceptsDiscoverReply(reply.bytes.data(), size, kClient, 0, 8)) << size;
    }
}

TEST(DiscoverReplyRecord, TakesEveryField) {
    const std::optional<DeviceRecord> record = ReplyBytes().Name("NAS:eth1=192.168.0.20").Parsed();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->name, L"NAS:eth1=192.168.0.20");
    EXPECT_EQ(record->ipText, L"192.168.0.10");
    EXPECT_EQ(record->netmaskText, L"255.255.255.0");
    EXPECT_EQ(record->gatewayText, L"192.168.0.1");
    EXPECT_EQ(record->addressMode, L"0");
    EXPECT_FALSE(record->UsesDhcp());
    EXPECT_EQ(record->deviceId, (DeviceId{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 192, 168, 0, 10}));
    EXPECT_TRUE(record->isIscsi);
}

TEST(DiscoverReplyRecord, AddressBytesAreUnsigned) {
    ReplyBytes reply;
    reply.bytes[17] = 255, reply.bytes[18] = 128, reply.bytes[19] = 0, reply.bytes[20] = 254;
    EXPECT_EQ(reply.Parsed()->ipText, L"255.128.0.254");
}

TEST(DiscoverReplyRecord, AddressModeIsTheCharacterOfByte21) {
    ReplyBytes dhcp;
    dhcp.bytes[21] = '1';
    EXPECT_TRUE(dhcp.Parsed()->UsesDhcp());
    ReplyBytes binaryOne;
    binaryOne.bytes[21] = 1;
    EXPECT_FALSE(binaryOne.Parsed()->UsesDhcp());
    ReplyBytes zero;
    zero.bytes[21] = 0;
    EXPECT_EQ(zero.Parsed()->addressMode, L"");
}

TEST(DiscoverReplyRecord, IscsiOnlyForTheExactServiceText) {
    for (const char* service : {"ISCSI", "iscsi ", "iscs", "nas", ""}) {
        ReplyBytes reply;
        std::fill(reply.bytes.begin() + 59, reply.bytes.begin() + 68, 0);
        reply.Text(59, service);
        EXPECT_FALSE(reply.Parsed()->isIscsi) << service;
    }
}

TEST(DiscoverReplyRecord, OverrunningFieldsAreCutNeverReadBeyond) {
    // A name length above 255 is cut to 255 bytes.
    const std::string longName(300, 'n');
    EXPECT_EQ(ReplyBytes().Name(longName).Parsed()->name, std::wstring(255, L'n'));
    // A name length beyond the datagram reads only what arrived.
    EXPECT_EQ(ReplyBytes().Name("NAS", 200).Parsed()->name, L"NAS");
    EXPECT_EQ(ReplyBytes().Name("", 0xFFFFFFFFu).Parsed()->name, L"");
    // Unterminated netmask, gateway and service texts stop at their fields.
    ReplyBytes full;
    std::fill(full.bytes.begin() + 24, full.bytes.begin() + 56, '7');
    std::fill(full.bytes.begin() + 59, full.bytes.begin() + 68, 'i');
    const std::optional<DeviceRecord> record = full.Parsed();
    EXPECT_EQ(record->netmaskText, std::wstring(15, L'7'));
    EXPECT_EQ(record->gatewayText, std::wstring(15, L'7'));
    EXPECT_FALSE(record->isIscsi);
    // A name of invalid UTF-8 becomes replacement characters.
    EXPECT_EQ(ReplyBytes().Name("\xFF\xC3").Parsed()->name, L"\xFFFD\xFFFD");
}

TEST(DiscoverReplyRecord, ShortDatagramIsDropped) {
    ReplyBytes reply;
    EXPECT_FALSE(ParseDiscoverReply(reply.bytes.data(), 71));
    EXPECT_FALSE(ParseDiscoverReply(reply.bytes.data(), 0));
    EXPECT_TRUE(ParseDiscoverReply(reply.bytes.data(), 72));  // name length and no name
    EXPECT_EQ(ParseDiscoverReply(reply.bytes.data(), 72)->name, L"");
}

TEST(QueryReply, ResultTextEndsAtZeroOrAtTheDatagram) {
    std::vector<std::uint8_t> answer(28, 0);
    const std::string text = "public:media";
    answer.insert(answer.end(), text.begin(), text.end());
    EXPECT_EQ(QueryReplyText(answer.data(), answer.size()), text);  // unterminated
    answer.push_back(0);
    answer.push_back('x');
    EXPECT_EQ(QueryReplyText(answer.data(), answer.size()), text);
    EXPECT_EQ(QueryReplyText(answer.data(), 28), "");
    EXPECT_EQ(QueryReplyText(answer.data(), 3), "");
}

TEST(QueryReply, LoginByteIsSigned) {
    std::vector<std::uint8_t> answer(29, 0);
    struct Case { std::uint8_t byte; int result; };
    for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{0x7F, 127}, Case{0xFF, -1}, Case{0x80, -128}}) {
        answer[28] = c.byte;
        EXPECT_EQ(QueryReplyLoginByte(answer.data(), answer.size()), c.result) << int(c.byte);
    }
    EXPECT_EQ(QueryReplyLoginByte(answer.data(), 28), 0);  // not received: refused
}

TEST(AtoiRule, ReadsLikeAtoi) {
    struct Case { const char* text; int value; };
    const Case cases[] = {
        {"23", 23},      {"  23", 23},   {"\t\n 7", 7},   {"+5", 5},     {"-3", -3},
        {"12abc", 12},   {"abc", 0},     {"", 0},         {"- 3", 0},    {"0x10", 0},
        {"007", 7},      {"2147483647", 2147483647},      {"99999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},                 {"-99999999999", -2147483647 - 1},
    };
    for (const Case& c : cases) EXPECT_EQ(AtoiRule(c.text), c.value) << '"' << c.text << '"';
}

TEST(NameText, DisplayNameOtherPortNumberAndAddress) {
    struct Case { const wchar_t* name; const wchar_t* display; int port; const wchar_t* other; };
    const Case cases[] = {
        {L"NAS:eth1=192.168.0.20", L"NAS", 1, L"192.168.0.20"},
        {L"NAS:ETH0=10.0.0.5", L"NAS", 2, L"10.0.0.5"},
        {L"NAS:eth2=10.0.0.5", L"NAS", 0, L"10.0.0.5"},
        {L"NAS:eth", L"NAS", 0, L"NAS:eth"},      // no '=': the whole name stands for it
        {L"NAS", L"NAS", 0, L"NAS"},              // a plain name is its own other-port text
        {L"eth1box", L"eth1box", 1, L"eth1box"},  // no ':': the whole name is the port text
        {L"NAS:eth1=", L"NAS", 1, L""},           // ends with '=': no address
        {L"NAS:", L"NAS", 0, L""},                // nothing after ':'
        {L"", L"", 0, L""},
        {L"NAS:eth0=192.168.100.200.1", L"NAS", 2, L"192.168.100.200"},  // at most 15
        {L"A=B:eth1", L"A=B", 1, L"B:eth1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DisplayName(c.name), c.display) << c.name;
        EXPECT_EQ(OtherPortNumber(c.name), c.port) << c.name;
        EXPECT_EQ(OtherPortAddress(c.name), c.other) << c.name;
    }
}

}  // namespace
}  // namespace norvale
