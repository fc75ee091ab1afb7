// Sizes at 96, 120, 144 and 192 DPI, and the colours of high contrast.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <utility>

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

TEST(ContrastPalette, HighContrastPaintsInSystemColoursAndKeepsTextsReadable) {
    const Color blue{0, 98, 147};
    for (int r = 0; r <= static_cast<int>(ColorRole::BarFocusText); ++r) {
        const auto role = static_cast<ColorRole>(r);
        EXPECT_EQ(ChooseColor(role, blue, false).fixed, std::optional<Color>(blue)) << r << ": the controller's own";
        EXPECT_FALSE(ChooseColor(role, blue, true).fixed.has_value()) << r << ": a system colour";
    }
    // Each text against what it is drawn on.
    const std::pair<ColorRole, ColorRole> onTop[] = {{ColorRole::StaticText, ColorRole::DialogBackground},
                                                     {ColorRole::GroupText, ColorRole::GroupBand},
                                                     {ColorRole::BarText, ColorRole::BarBackground},
                                                     {ColorRole::BarFrame, ColorRole::BarBackground},
                                                     {ColorRole::BarFocusText, ColorRole::BarFocus},
                                                     {ColorRole::ProgressBar, ColorRole::ProgressBackground}};
    for (const auto& [text, ground] : onTop)
        EXPECT_FALSE(ChooseColor(text, blue, true) == ChooseColor(ground, blue, true)) << static_cast<int>(text);
    // The band is erased in its own colour over the dialog: the two agree.
    EXPECT_TRUE(ChooseColor(ColorRole::GroupBand, blue, true) == ChooseColor(ColorRole::DialogBackground, blue, true));
}

TEST(ContrastPalette, SegmentsDifferByFrameAndTextNotColourAlone) {
    for (bool selected : {false, true}) {
        for (bool hovered : {false, true}) {
            const SegmentLook partition = PlanHighContrastSegment(true, selected, hovered);
            const SegmentLook free = PlanHighContrastSegment(false, selected, hovered);
            EXPECT_NE(partition.frame, free.frame) << selected << hovered;
            EXPECT_NE(partition.text, partition.fill) << selected << hovered;
        }
    }
    // Selection shows in the frame's width as well as the fill.
    EXPECT_GT(PlanHighContrastSegment(true, true, false).frameWidth,
              PlanHighContrastSegment(true, false, false).frameWidth);
    EXPECT_TRUE(PlanHighContrastSegment(false, false, true).hoverFrame);
    EXPECT_FALSE(PlanHighContrastSegment(false, true, true).hoverFrame) << "no highlight frame on the highlight";
}

}  // namespace
}  // namespace norvale::test
