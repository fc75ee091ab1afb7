// Geometry and style decisions of the themed group box.
#include <gtest/gtest.h>

#include "controls/core/group_box_layout.h"

namespace norvale::test {
namespace {

TEST(LayoutGroupBox, FrameRunsThroughTheMiddleOfTheCaption) {
    const GroupBoxGeometry g = LayoutGroupBox({200, 100}, {60, 13});
    EXPECT_EQ(g.captionHeight, 14);
    EXPECT_EQ(g.frame, (Rect{0, 7, 200, 100}));
    EXPECT_EQ(g.parentCopyTop, 14);
    EXPECT_EQ(g.band, (Rect{8, 0, 8 + 60 + 6, 14}));
    EXPECT_EQ(g.text, (Rect{11, 0, 71, 14}));
}

TEST(LayoutGroupBox, OddCaptionHeightAndIcon) {
    // 14 + 1 = 15: the frame sits at 7, the parent shows from 14.
    const GroupBoxGeometry g = LayoutGroupBox({200, 100}, {10, 14});
    EXPECT_EQ(g.frame.top, 7);
    EXPECT_EQ(g.parentCopyTop, 14);
    EXPECT_EQ(LayoutGroupBox({200, 100}, {10, 13}, 20).captionHeight, 21) << "the icon is taller";
}

TEST(LayoutGroupBox, EmptyCaptionHasABandOfSixAndNoText) {
    const GroupBoxGeometry g = LayoutGroupBox({200, 100}, {0, 13});
    EXPECT_EQ(g.band.Width(), 6);
    EXPECT_EQ(g.text.Width(), 0);
}

TEST(LayoutGroupBox, LongCaptionIsClippedToTheControl) {
    const GroupBoxGeometry g = LayoutGroupBox({50, 40}, {300, 13});
    EXPECT_EQ(g.band.right, 50);
    EXPECT_LE(g.text.right, 50);
}

TEST(GroupBoxTheme, ActiveOnlyWhenAllThreeHold) {
    for (int bits = 0; bits < 8; ++bits) {
        const ThemeAvailability a{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        EXPECT_EQ(ThemesActive(a), bits == 7) << bits;
    }
}

TEST(GroupBoxTheme, InitialTextColour) {
    const Color themeBlue{0, 70, 213};
    EXPECT_EQ(InitialGroupBoxTextColor(true, themeBlue).fixed, themeBlue);
    const PaintColor fallback = InitialGroupBoxTextColor(true, std::nullopt);
    EXPECT_FALSE(fallback.fixed);
    EXPECT_EQ(fallback.system, SystemColor::Highlight);
    EXPECT_EQ(InitialGroupBoxTextColor(false, themeBlue).system, SystemColor::ButtonText);
    EXPECT_FALSE(InitialGroupBoxTextColor(false, themeBlue).fixed);
}

TEST(GroupBoxFrame, PlanByState) {
    const Color red{255, 0, 0};
    struct Case {
        const char* what;
        GroupBoxState state;
        bool themed;
        std::optional<Color> fixedBorder;  // nullopt: button shadow
        bool highlight;
    };
    const Case cases[] = {
        {"themed", {true, true, std::nullopt, true, true}, true, std::nullopt, false},
        {"themed even when disabled", {true, true, std::nullopt, true, false}, true, std::nullopt, false},
        {"no themes: etched shadow", {false, true, std::nullopt, true, true}, false, std::nullopt, true},
        {"theme refused by the flag", {true, false, std::nullopt, false, true}, false, std::nullopt, false},
        {"own border colour", {true, true, red, true, true}, false, red, true},
        {"own border, disabled: shadow", {false, true, red, true, false}, false, std::nullopt, true},
    };
    for (const Case& c : cases) {
        const FramePlan plan = PlanGroupBoxFrame(c.state);
        EXPECT_EQ(plan.themed, c.themed) << c.what;
        if (c.themed) continue;
        EXPECT_EQ(plan.border.fixed, c.fixedBorder) << c.what;
        if (!c.fixedBorder) {
            EXPECT_EQ(plan.border.system, SystemColor::ButtonShadow) << c.what;
        }
        EXPECT_EQ(plan.highlight, c.highlight) << c.what;
    }
}

TEST(GroupBoxCaption, GreyWhileDisabled) {
    GroupBoxState state;
    const PaintColor white = PaintColor::Of(kWhite);
    EXPECT_EQ(GroupBoxCaptionColor(state, white).fixed, kWhite);
    state.enabled = false;
    EXPECT_FALSE(GroupBoxCaptionColor(state, white).fixed);
    EXPECT_EQ(GroupBoxCaptionColor(state, white).system, SystemColor::GrayText);
}

}  // namespace
}  // namespace norvale::test
