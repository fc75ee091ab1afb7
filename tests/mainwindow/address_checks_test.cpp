#include "mainwindow/core/lan/address_checks.h"

#include <gtest/gtest.h>

#include <ostream>

namespace norvale {
namespace {

struct AddressCase {
    AddressKind kind;
    Ipv4Octets octets;
    unsigned messageId;  // 0: accepted
    int focusOctet;
};

std::ostream& operator<<(std::ostream& out, const AddressCase& c) {
    return out << "kind " << int(c.kind) << " " << int(c.octets[0]) << '.' << int(c.octets[1])
               << '.' << int(c.octets[2]) << '.' << int(c.octets[3]);
}

class AddressCheckTest : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressCheckTest, NamesTheTextAndTheOctet) {
    const AddressCase& c = GetParam();
    const auto refusal = CheckAddress(c.kind, c.octets);
    if (c.messageId == 0) {
        EXPECT_FALSE(refusal.has_value()) << "refused with " << refusal->messageId;
        return;
    }
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->messageId, c.messageId);
    EXPECT_EQ(refusal->focusOctet, c.focusOctet);
    EXPECT_EQ(refusal->captionId, kCaptionError);
    EXPECT_EQ(refusal->icon, MessageIcon::Stop);
    const AddressField expectedField =
        c.focusOctet == 0 ? AddressField::None
                          : c.kind == AddressKind::Ip      ? AddressField::Ip
                            : c.kind == AddressKind::Netmask ? AddressField::Netmask
                                                             : AddressField::Gateway;
    EXPECT_EQ(refusal->focusField, expectedField);
}

constexpr AddressKind kIp = AddressKind::Ip;
constexpr AddressKind kMask = AddressKind::Netmask;
constexpr AddressKind kGw = AddressKind::Gateway;

INSTANTIATE_TEST_SUITE_P(IpAddress, AddressCheckTest, testing::Values(
    AddressCase{kIp, {127, 0, 0, 5}, 172, 0},
    AddressCase{kIp, {224, 1, 1, 1}, 190, 1},
    AddressCase{kIp, {0, 1, 1, 1}, 190, 1},
    AddressCase{kIp, {10, 255, 1, 1}, 191, 2},
    AddressCase{kIp, {10, 1, 255, 1}, 192, 3},
    AddressCase{kIp, {10, 0, 0, 255}, 193, 4},
    AddressCase{kIp, {10, 0, 0, 0}, 193, 4},
    // The first failing rule decides: the loopback test comes before the rest.
    AddressCase{kIp, {127, 255, 255, 255}, 172, 0},
    AddressCase{kIp, {223, 254, 254, 254}, 0, 0},
    AddressCase{kIp, {1, 0, 0, 1}, 0, 0}));

INSTANTIATE_TEST_SUITE_P(Netmask, AddressCheckTest, testing::Values(
    AddressCase{kMask, {255, 255, 255, 0}, 0, 0},
    AddressCase{kMask, {255, 255, 240, 0}, 0, 0},
    AddressCase{kMask, {255, 255, 255, 248}, 0, 0},
    AddressCase{kMask, {255, 255, 255, 254}, 0, 0},
    AddressCase{kMask, {255, 0, 0, 0}, 0, 0},
    AddressCase{kMask, {128, 0, 0, 0}, 0, 0},
    AddressCase{kMask, {127, 0, 0, 0}, 173, 0},
    AddressCase{kMask, {3, 255, 0, 0}, 256, 1},
    AddressCase{kMask, {255, 255, 3, 1}, 258, 3},
    AddressCase{kMask, {255, 255, 0, 1}, 259, 4},
    AddressCase{kMask, {0, 0, 0, 0}, 194, 1},
    AddressCase{kMask, {255, 255, 255, 255}, 197, 4},
    AddressCase{kMask, {255, 3, 255, 0}, 257, 2},
    AddressCase{kMask, {255, 255, 254, 254}, 259, 4},
    // Masks whose ones do not form one run are refused at the octet that
    // breaks the run, also where the per-octet rules let them pass.
    AddressCase{kMask, {255, 255, 7, 0}, 258, 3},
    AddressCase{kMask, {7, 0, 0, 0}, 256, 1},
    AddressCase{kMask, {255, 7, 0, 0}, 257, 2},
    AddressCase{kMask, {255, 255, 255, 1}, 259, 4},
    AddressCase{kMask, {255, 0, 255, 0}, 258, 3},
    AddressCase{kMask, {128, 255, 0, 0}, 257, 2},
    AddressCase{kMask, {255, 128, 0, 128}, 259, 4}));

INSTANTIATE_TEST_SUITE_P(Gateway, AddressCheckTest, testing::Values(
    AddressCase{kGw, {127, 0, 0, 1}, 174, 0},
    AddressCase{kGw, {0, 0, 0, 1}, 198, 1},
    AddressCase{kGw, {230, 0, 0, 1}, 198, 1},
    AddressCase{kGw, {192, 168, 1, 0}, 201, 4},
    AddressCase{kGw, {192, 168, 1, 255}, 201, 4},
    // The middle octets are not examined.
    AddressCase{kGw, {10, 255, 255, 1}, 0, 0}));

TEST(FormatDottedQuadTest, WritesEveryOctetUnsigned) {
    EXPECT_EQ(FormatDottedQuad({0, 9, 200, 255}), L"0.9.200.255");
}

// --- the static change -----------------------------------------------------

AddressFieldInput Field(Ipv4Octets octets) { return {false, octets}; }

StaticChangeInput ValidInput() {
    StaticChangeInput input;
    input.ip = Field({192, 168, 1, 10});
    input.netmask = Field({255, 255, 255, 0});
    input.gateway = Field({192, 168, 1, 1});
    return input;
}

struct StaticCase {
    const char* name;
    void (*edit)(StaticChangeInput&);
    unsigned messageId;
    unsigned captionId;
};

std::ostream& operator<<(std::ostream& out, const StaticCase& c) { return out << c.name; }

class StaticChangeTest : public testing::TestWithParam<StaticCase> {};

TEST_P(StaticChangeTest, StopsAtTheFirstFailingCheck) {
    StaticChangeInput input = ValidInput();
    GetParam().edit(input);
    const StaticChangeCheck check = CheckStaticChange(input);
    ASSERT_FALSE(check.Accepted());
    EXPECT_EQ(check.refusal->messageId, GetParam().messageId);
    EXPECT_EQ(check.refusal->captionId, GetParam().captionId);
    EXPECT_EQ(check.refusal->icon,
              GetParam().captionId == kCaptionWarning ? MessageIcon::Exclamation : MessageIcon::Stop);
}

INSTANTIATE_TEST_SUITE_P(Order, StaticChangeTest, testing::Values(
    StaticCase{"all blank: the IP first", [](StaticChangeInput& in) {
        in.ip.blank = in.netmask.blank = in.gateway.blank = true; }, 169, kCaptionWarning},
    StaticCase{"blank netmask before a bad IP", [](StaticChangeInput& in) {
        in.ip = Field({127, 0, 0, 1}); in.netmask.blank = true; }, 170, kCaptionWarning},
    StaticCase{"blank gateway", [](StaticChangeInput& in) { in.gateway.blank = true; },
               171, kCaptionWarning},
    StaticCase{"bad IP before a bad netmask", [](StaticChangeInput& in) {
        in.ip = Field({10, 0, 0, 255}); in.netmask = Field({0, 0, 0, 0}); }, 193, kCaptionError},
    StaticCase{"other port before a bad netmask", [](StaticChangeInput& in) {
        in.otherPortAddress = L"192.168.1.10"; in.otherPortNumber = 2;
        in.netmask = Field({0, 0, 0, 0}); }, 255, kCaptionWarning},
    StaticCase{"bad netmask before a bad gateway", [](StaticChangeInput& in) {
        in.netmask = Field({255, 255, 0, 1}); in.gateway = Field({0, 0, 0, 0}); },
               259, kCaptionError},
    StaticCase{"bad gateway", [](StaticChangeInput& in) { in.gateway = Field({192, 168, 1, 255}); },
               201, kCaptionError},
    StaticCase{"IP equal to the gateway, before the subnet test", [](StaticChangeInput& in) {
        in.ip = Field({10, 0, 0, 1}); in.gateway = Field({10, 0, 0, 1}); }, 177, kCaptionWarning},
    StaticCase{"gateway outside the subnet", [](StaticChangeInput& in) {
        in.ip = Field({192, 168, 2, 10}); }, 254, kCaptionWarning}));

TEST(StaticChangeTest, OtherPortAddressIsComparedWithoutCaseAndNamesThePort) {
    StaticChangeInput input = ValidInput();
    input.otherPortAddress = L"192.168.1.10";
    input.otherPortNumber = 1;
    const StaticChangeCheck check = CheckStaticChange(input);
    ASSERT_FALSE(check.Accepted());
    EXPECT_EQ(check.refusal->messageId, 255u);
    EXPECT_EQ(check.refusal->portNumber, 1);

    // A plain device name is its own other-port text; it never equals an address.
    input.otherPortAddress = L"NAS";
    EXPECT_TRUE(CheckStaticChange(input).Accepted());
    input.otherPortAddress.clear();
    EXPECT_TRUE(CheckStaticChange(input).Accepted());
}

TEST(StaticChangeTest, GatewayInTheWiderSubnetPasses) {
    StaticChangeInput input = ValidInput();
    input.ip = Field({192, 168, 2, 10});
    input.netmask = Field({255, 255, 0, 0});
    const StaticChangeCheck check = CheckStaticChange(input);
    ASSERT_TRUE(check.Accepted());
    EXPECT_EQ(check.values.ipText, L"192.168.2.10");
    EXPECT_EQ(check.values.netmaskText, L"255.255.0.0");
    EXPECT_EQ(check.values.gatewayText, L"192.168.1.1");
}

TEST(StaticChangeTest, DisabledBlankGatewayIsCheckedAsZero) {
    StaticChangeInput input = ValidInput();
    input.gateway.blank = true;
    input.gateway.octets = {};
    input.gatewayEnabled = false;
    const StaticChangeCheck check = CheckStaticChange(input);
    ASSERT_FALSE(check.Accepted());
    EXPECT_EQ(check.refusal->messageId, 198u);
    EXPECT_EQ(check.refusal->focusField, AddressField::Gateway);
}

}  // namespace
}  // namespace norvale
