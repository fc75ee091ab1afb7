// The class mask the netmask field offers, and when it keeps what it holds.
#include <gtest/gtest.h>

#include "controls/core/subnet_mask_field.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
namespace {

TEST(DefaultMaskForFirstOctet, ClassBoundaries) {
    const std::optional<IpOctets> none;
    const IpOctets a{255, 0, 0, 0}, b{255, 255, 0, 0}, c{255, 255, 255, 0};
    const std::pair<int, std::optional<IpOctets>> cases[] = {
        {-1, none}, {0, none},  {1, a},     {10, a},    {127, a},   {128, b},  {172, b},
        {191, b},   {192, c},   {223, c},   {224, none}, {239, none}, {255, none}, {256, none},
    };
    for (const auto& [octet, mask] : cases) EXPECT_EQ(DefaultMaskForFirstOctet(octet), mask) << octet;
}

constexpr int kIp = 1006;
constexpr int kMask = 1010;

struct FocusCase {
    const char* what;
    std::optional<IpOctets> address;  // nullopt: blank field
    std::optional<IpOctets> maskBefore;
    std::optional<IpOctets> maskAfter;  // nullopt: blank
};

TEST(SubnetMaskField, FocusOffersTheClassMask) {
    const FocusCase cases[] = {
        {"class A into blank", IpOctets{10, 0, 0, 5}, std::nullopt, IpOctets{255, 0, 0, 0}},
        {"class B into blank", IpOctets{172, 16, 0, 1}, std::nullopt, IpOctets{255, 255, 0, 0}},
        {"class C replaces a class mask", IpOctets{192, 168, 1, 2}, IpOctets{255, 0, 0, 0},
         IpOctets{255, 255, 255, 0}},
        {"user mask kept", IpOctets{192, 168, 1, 2}, IpOctets{255, 255, 255, 128},
         IpOctets{255, 255, 255, 128}},
        {"multicast leaves it", IpOctets{224, 0, 0, 1}, IpOctets{255, 255, 0, 0}, IpOctets{255, 255, 0, 0}},
        {"blank address leaves it", std::nullopt, std::nullopt, std::nullopt},
        {"zero first octet leaves it", IpOctets{0, 1, 2, 3}, std::nullopt, std::nullopt},
    };
    for (const FocusCase& c : cases) {
        FakeDialogSurface surface;
        if (c.address) surface.SetIpAddress(kIp, *c.address);
        if (c.maskBefore) surface.SetIpAddress(kMask, *c.maskBefore);
        SubnetMaskField(kMask, kIp).OnFocus(surface);
        EXPECT_EQ(surface.IsIpBlank(kMask), !c.maskAfter) << c.what;
        if (c.maskAfter) {
            EXPECT_EQ(surface.IpAddress(kMask), *c.maskAfter) << c.what;
        }
    }
}

TEST(SubnetMaskField, BoundToATableFollowsTheFocus) {
    class Lan final : public DialogController {
    public:
        Lan() { mask_.Bind(Messages(), [this]() -> DialogSurfacePort& { return Surface(); }); }

    private:
        SubnetMaskField mask_{kMask, kIp};
    } lan;
    FakeDialogSurface surface;
    surface.Open(lan);
    surface.SetIpAddress(kIp, {150, 1, 2, 3});
    surface.UserFocus(kMask);
    EXPECT_EQ(surface.IpAddress(kMask), (IpOctets{255, 255, 0, 0}));
    surface.UserFocus(kIp);
    EXPECT_EQ(surface.IpAddress(kMask), (IpOctets{255, 255, 0, 0})) << "only the mask field's focus";
}

}  // namespace
}  // namespace norvale::test
