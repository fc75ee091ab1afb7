// Sizes at 96, 120, 144 and 192 DPI, and the colours of high contrast.
#include <gtest/gtest.h>

#include <cstdlib>

#include "controls/core/contrast_palette.h"
#include "controls/core/disk_bar.h"
#include "controls/core/dpi_scale.h"
#include "controls/core/group_box_layout.h"

namespace norvale::test {
namespace {

TEST(DpiScale, ScalesTheSizesTheDialogsUseAndRoundsHalvesAway) {
    // 96-DPI size, then the expected pixels at 120, 144 and 192 DPI.
    struct Case {
        int logical, at120, at144, at192;
    };
    const Case cases[] = {
        {0, 0, 0, 0},       {1, 1, 2, 2},       {2, 3, 3, 4},      {4, 5, 6, 8},
        {13, 16, 20, 26},   {20, 25, 30, 40},   {21, 26, 32, 42},  {90, 113, 135, 180},
        {415, 519, 623, 830}, {-5, -6, -8, -10}, {-3, -4, -5, -6},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DpiScale(96).Scale(c.logical), c.logical);
        EXPECT_EQ(DpiScale(120).Scale(c.logical), c.at120) << c.logical;
        EXPECT_EQ(DpiScale(144).Scale(c.logical), c.at144) << c.logical;
        EXPECT_EQ(DpiScale(192).Scale(c.logical), c.at192) << c.logical;
    }
    // Back from the window's pixels (mouse positions): the nearest 96-DPI pixel.
    EXPECT_EQ(DpiScale(144).Unscale(Point{15, 16}), (Point{10, 11}));
    EXPECT_EQ(DpiScale(120).Unscale(Extent{575, 331}), (Extent{460, 265}));
    // A failed look-up answers 0: taken as 96, never a division by zero.
    EXPECT_EQ(DpiScale(0).Dpi(), 96);
    EXPECT_EQ(DpiScale(-1).Scale(7), 7);
    // A move between monitors keeps proportions; far-off values stay in range.
    EXPECT_EQ(DpiScale(144).Rescale(150, DpiScale(96)), 100);
    EXPECT_EQ(DpiScale(96).Rescale(100, DpiScale(192)), 200);
    EXPECT_EQ(DpiScale(960).Scale(2000000000), 2147483647);
}

TEST(DpiScale, RectanglesThatTouchStillTouch) {
    for (int dpi : {120, 144, 168, 192}) {
        const DpiScale scale(dpi);
        const Rect a = scale.Scale(Rect{20, 235, 435, 315});
        const Rect b = scale.Scale(Rect{20, 315, 435, 405});
        EXPECT_EQ(a.bottom, b.top) << dpi;
    }
}

DiskView TwoPartitionsAndFree() {
    DiskView view;
    view.diskNumber = 1;
    view.slotCount = 3;
    view.slots[0] = DiskSlot{1, 1, L"E:\\", 4ull << 30, L"NTFS"};
    view.slots[1] = DiskSlot{2, 1, L"F:\\", 1ull << 30, L"FAT32"};
    view.slots[2] = DiskSlot{0, 0, L"", 3ull << 30, L""};
    return view;
}

TEST(DpiScale, TheDiskBarLaysOutInProportionAtEveryDpi) {
    const DiskView view = TwoPartitionsAndFree();
    const Rect client96{0, 0, 415, 80};
    const std::vector<Rect> at96 = LayoutSegments(view, client96);
    for (int dpi : {120, 144, 192}) {
        const DpiScale scale(dpi);
        const std::vector<Rect> scaled = LayoutSegments(view, scale.Scale(client96), scale);
        ASSERT_EQ(scaled.size(), at96.size());
        for (size_t i = 0; i < at96.size(); ++i) {
            // The 96-DPI layout taken to this DPI, within the rounding of the
            // few pixel sizes it adds up (never a whole gap of 4 pixels).
            const Rect expected = scale.Scale(at96[i]);
            const int slack = scale.Scale(3);
            EXPECT_LE(std::abs(scaled[i].left - expected.left), slack) << dpi << " segment " << i;
            EXPECT_LE(std::abs(scaled[i].right - expected.right), slack) << dpi << " segment " << i;
            EXPECT_LE(std::abs(scaled[i].top - expected.top), 1) << dpi;
            EXPECT_LE(std::abs(scaled[i].bottom - expected.bottom), 1) << dpi;
            if (i > 0) {
                EXPECT_EQ(scaled[i].left - scaled[i - 1].right, scale.Scale(4)) << dpi << " gap";
            }
        }
        // The click test follows the state's own DPI.
        DiskBarState state;
        state.SetView(view);
        state.SetScale(scale);
        state.Layout(scale.Scale(client96));
        const Rect& second = state.Segments()[1];
        EXPECT_EQ(state.Press(Point{(second.left + second.right) / 2, second.top + 1}), 1) << dpi;
    }
}

TEST(DpiScale, TheGroupBoxBandGrowsWithItsCaption) {
    // The caption is measured in the window's pixels already (a 1.5 times
    // larger font at 144 DPI); margin, padding and indent scale here.
    const GroupBoxGeometry g = LayoutGroupBox({300, 150}, {90, 20}, 0, kGroupBoxCaptionMargin, DpiScale(144));
    EXPECT_EQ(g.band, (Rect{12, 0, 12 + 90 + 9, 21}));
    EXPECT_EQ(g.text, (Rect{12 + 5, 0, 12 + 90 + 9 - 5, 21}));
    EXPECT_EQ(LayoutGroupBox({300, 150}, {90, 20}).text, (Rect{11, 0, 101, 21})) << "96 DPI as before";
}

TEST(ContrastPalette, HighContrastReplacesEveryColourWithTheSystems) {
    const Color blue{0, 98, 147};
    struct Case {
        ColorRole role;
        ThemeColor system;
    };
    const Case cases[] = {
        {ColorRole::DialogBackground, ThemeColor::Window}, {ColorRole::StaticText, ThemeColor::WindowText},
        {ColorRole::GroupBand, ThemeColor::Window},        {ColorRole::GroupText, ThemeColor::WindowText},
        {ColorRole::ProgressBar, ThemeColor::Highlight},   {ColorRole::ProgressBackground, ThemeColor::Window},
        {ColorRole::ListRow, ThemeColor::Window},          {ColorRole::BarBackground, ThemeColor::Window},
        {ColorRole::BarText, ThemeColor::WindowText},      {ColorRole::BarFrame, ThemeColor::WindowText},
        {ColorRole::BarFocus, ThemeColor::Highlight},      {ColorRole::BarFocusText, ThemeColor::HighlightText},
    };
    for (const Case& c : cases) {
        const ChosenColor normal = ChooseColor(c.role, blue, false);
        ASSERT_TRUE(normal.fixed.has_value());
        EXPECT_EQ(*normal.fixed, blue);
        const ChosenColor contrast = ChooseColor(c.role, blue, true);
        EXPECT_FALSE(contrast.fixed.has_value()) << static_cast<int>(c.role);
        EXPECT_EQ(contrast.system, c.system) << static_cast<int>(c.role);
    }
    // A text is never painted in its own background's colour.
    EXPECT_FALSE(ChooseColor(ColorRole::StaticText, blue, true) == ChooseColor(ColorRole::DialogBackground, blue, true));
    EXPECT_FALSE(ChooseColor(ColorRole::GroupText, blue, true) == ChooseColor(ColorRole::GroupBand, blue, true));
}

TEST(ContrastPalette, SegmentsDifferByFrameAndTextNotColourAlone) {
    struct Case {
        bool partition, selected, hovered;
        SegmentFrame frame;
        int width;
        ThemeColor fill, text;
        bool hoverFrame;
    };
    const Case cases[] = {
        {true, false, false, SegmentFrame::Solid, 1, ThemeColor::Window, ThemeColor::WindowText, false},
        {false, false, false, SegmentFrame::Dotted, 1, ThemeColor::Window, ThemeColor::WindowText, false},
        {true, true, false, SegmentFrame::Solid, 2, ThemeColor::Highlight, ThemeColor::HighlightText, false},
        {false, true, false, SegmentFrame::Dotted, 2, ThemeColor::Highlight, ThemeColor::HighlightText, false},
        {true, false, true, SegmentFrame::Solid, 1, ThemeColor::Window, ThemeColor::WindowText, true},
        {false, true, true, SegmentFrame::Dotted, 2, ThemeColor::Highlight, ThemeColor::HighlightText, false},
    };
    for (const Case& c : cases) {
        const SegmentLook look = PlanHighContrastSegment(c.partition, c.selected, c.hovered);
        const auto name = ::testing::Message() << c.partition << c.selected << c.hovered;
        EXPECT_EQ(look.frame, c.frame) << name;
        EXPECT_EQ(look.frameWidth, c.width) << name;
        EXPECT_EQ(look.fill, c.fill) << name;
        EXPECT_EQ(look.text, c.text) << name;
        EXPECT_EQ(look.hoverFrame, c.hoverFrame) << name;
    }
}

}  // namespace
}  // namespace norvale::test
