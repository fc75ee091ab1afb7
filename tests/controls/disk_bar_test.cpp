// Where the disk bar puts each segment, what a click hits and what the
// labels say.
#include <gtest/gtest.h>

#include <initializer_list>

#include "controls/core/disk_bar.h"

namespace norvale::test {
namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

DiskView ViewOf(std::initializer_list<std::uint64_t> lengths, int firstPartition = 1) {
    DiskView view;
    view.diskNumber = 3;
    for (std::uint64_t length : lengths) {
        DiskSlot& slot = view.slots[static_cast<size_t>(view.slotCount++)];
        slot.length = length;
        slot.partitionNumber = firstPartition > 0 ? firstPartition++ : 0;
        slot.partitionFlag = slot.partitionNumber != 0 ? 1 : 0;
    }
    return view;
}

TEST(LayoutSegments, SegmentsFollowTheSizesOfTheFirstFourAreas) {
    const Rect bar{0, 0, 415, 80};
    struct Case {
        const char* what;
        DiskView view;
        std::vector<Rect> segments;
    };
    const Case cases[] = {
        {"100 GB and 50 GB: the second reaches the right edge minus one", ViewOf({100 * kGiB, 50 * kGiB}),
         {{1, 10, 268, 70}, {272, 10, 414, 70}}},
        {"six areas: five and six get the constant part only", ViewOf({10 * kGiB, 10 * kGiB, 10 * kGiB, 10 * kGiB,
                                                                      10 * kGiB, 10 * kGiB}),
         {{4, 10, 68, 70}, {72, 10, 136, 70}, {140, 10, 204, 70}, {208, 10, 272, 70}, {276, 10, 292, 70},
          {296, 10, 414, 70}}},
        {"one area fills the bar", ViewOf({1 * kGiB}), {{1, 10, 414, 70}}},
        {"areas below one MiB count nothing", ViewOf({1000, 2000}), {{1, 10, 20, 70}, {24, 10, 414, 70}}},
        {"no area, no segment", ViewOf({}), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(LayoutSegments(c.view, bar), c.segments) << c.what;

    // The layout is relative to the client rectangle's edges.
    const std::vector<Rect> moved = LayoutSegments(ViewOf({100 * kGiB, 50 * kGiB}), Rect{0, 0, 415, 120});
    EXPECT_EQ(moved.back(), (Rect{272, 10, 414, 110}));
}

TEST(LayoutSegments, ASlotCountBeyondTheSlotsIsTakenAtItsBound) {
    DiskView view = ViewOf({kGiB, kGiB});
    view.slotCount = 40;
    EXPECT_EQ(LayoutSegments(view, Rect{0, 0, 415, 80}).size(), 16u);
    view.slotCount = -3;
    EXPECT_TRUE(LayoutSegments(view, Rect{0, 0, 415, 80}).empty());
}

TEST(HitSegment, GapsMissAndTheLastMatchWins) {
    const std::vector<Rect> bar = LayoutSegments(ViewOf({100 * kGiB, 50 * kGiB}), Rect{0, 0, 415, 80});
    const std::vector<Rect> overlapping{{0, 0, 50, 10}, {40, 0, 90, 10}};
    struct Case {
        const std::vector<Rect>* segments;
        Point point;
        int hit;
    };
    const Case cases[] = {
        {&bar, {1, 10}, 0},   {&bar, {267, 69}, 0}, {&bar, {268, 40}, -1}, {&bar, {270, 40}, -1},
        {&bar, {272, 40}, 1}, {&bar, {300, 9}, -1}, {&bar, {300, 70}, -1}, {&bar, {414, 40}, -1},
        {&overlapping, {45, 5}, 1}, {&overlapping, {20, 5}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(HitSegment(*c.segments, c.point), c.hit) << c.point.x << "," << c.point.y;
}

TEST(SegmentLabel, PartitionsAndFreeSpace) {
    DiskSlot free;
    free.length = 13'421'772'800;
    EXPECT_EQ(SegmentLabel(free, L"Unallocated"), L" \n 12.50GB\n Unallocated\n");
    DiskSlot partition;
    partition.partitionNumber = 2;
    partition.partitionFlag = 1;
    partition.driveLetter = L"E:\\";
    partition.fileSystem = L"NTFS";
    partition.length = kGiB;
    EXPECT_EQ(SegmentLabel(partition, L"Unallocated"), L" (E:\\)\n 1.00GB\n NTFS\n");
    partition.length = 2'147'483'647;  // rounds up to 2 GiB in single precision
    EXPECT_EQ(SegmentLabel(partition, L""), L" (E:\\)\n 2.00GB\n NTFS\n");
    partition.length = 0;
    EXPECT_EQ(SegmentLabel(partition, L""), L" (E:\\)\n 0.00GB\n NTFS\n");
}

TEST(DiskBarState, PressSelectsAndHoverFollowsTheMouse) {
    DiskBarState bar;
    bar.SetView(ViewOf({100 * kGiB, 50 * kGiB}));
    bar.Layout(Rect{0, 0, 415, 80});
    EXPECT_EQ(bar.SelectedSegment(), -1);
    EXPECT_EQ(bar.Press(Point{300, 40}), 1);
    EXPECT_EQ(bar.SelectedSegment(), 1);
    EXPECT_EQ(bar.Press(Point{270, 40}), -1) << "a click in the gap selects nothing";
    EXPECT_EQ(bar.SelectedSegment(), -1);

    EXPECT_FALSE(bar.IsHovered(0)) << "the mouse starts at the corner, outside every segment";
    bar.MouseMoved(Point{100, 40});
    EXPECT_TRUE(bar.IsHovered(0));
    EXPECT_FALSE(bar.IsHovered(1));
    bar.MouseLeft();
    EXPECT_EQ(bar.MousePosition(), (Point{-1, -1}));
    EXPECT_FALSE(bar.IsHovered(0));
    EXPECT_FALSE(bar.IsHovered(7));
}

}  // namespace
}  // namespace norvale::test
