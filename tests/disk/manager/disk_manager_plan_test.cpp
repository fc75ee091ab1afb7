// The disk manager's arithmetic: scrolling, and the decisions Add takes
// before the partition manager opens.
#include <gtest/gtest.h>

#include "disk/core/manager/disk_manager_geometry.h"
#include "disk/core/manager/new_partition_plan.h"

namespace norvale {
namespace {

constexpr std::int64_t kMiB = 1LL << 20;
constexpr std::int64_t kGiB = 1LL << 30;
constexpr std::int64_t kTiB = 1LL << 40;
constexpr std::int64_t kTrack = 63 * 512;

TEST(DiskManagerGeometry, ScrollStepsStayWithinTheLimit) {
    const int three = ScrollLimit(130, 3);  // 118
    const int five = ScrollLimit(315, 5);   // 279
    struct Case {
        ScrollRequest request;
        int position, thumb, limit, expected;
    };
    for (const Case& c : {Case{ScrollRequest::LineDown, 0, 0, three, 5}, Case{ScrollRequest::PageDown, 0, 0, three, 11},
                          Case{ScrollRequest::LineDown, 0, 0, five, 13}, Case{ScrollRequest::PageDown, 0, 0, five, 27},
                          Case{ScrollRequest::LineUp, 3, 0, three, 0}, Case{ScrollRequest::PageDown, 115, 0, three, 118},
                          Case{ScrollRequest::ThumbTrack, 0, 500, three, 118}, Case{ScrollRequest::Bottom, 0, 0, five, 279},
                          Case{ScrollRequest::Top, 40, 0, five, 0}}) {
        EXPECT_EQ(ScrollTarget(c.request, c.position, c.thumb, c.limit), c.expected) << static_cast<int>(c.request);
    }
    EXPECT_EQ(WheelTarget(-120, 0, three), 5);
    EXPECT_EQ(WheelTarget(-240, 0, five), 26);
    EXPECT_EQ(WheelTarget(120, 4, three), 0);
    EXPECT_EQ(WheelTarget(-30, 0, three), 5);  // part of a notch still moves
}

// A free area is cut to where a partition may end: the disk's end (the
// layout reports an empty disk's free area 63 sectors too long), the backup
// GPT, and what 32-bit MBR sectors reach.
TEST(NewPartitionPlan, FreeAreaEndsInsideTheUsableArea) {
    struct Case {
        const char* name;
        DiskSegment free;
        PartitionStyle style;
        std::int64_t disk;
        std::int64_t expectedEnd;  // 0: nothing usable
    };
    const Case cases[] = {
        {"empty MBR", {0, kTrack, 10 * kGiB, kTrack + 10 * kGiB}, PartitionStyle::Mbr, 10 * kGiB, 10 * kGiB},
        {"empty GPT", {0, kTrack, 3 * kTiB, kTrack + 3 * kTiB}, PartitionStyle::Gpt, 3 * kTiB, 3 * kTiB - 33 * 512},
        {"MBR past 2 TiB", {0, kTrack, 3 * kTiB, kTrack + 3 * kTiB}, PartitionStyle::Mbr, 3 * kTiB, 2 * kTiB},
        {"inside", {0, kGiB, kGiB, 2 * kGiB}, PartitionStyle::Gpt, 10 * kGiB, 2 * kGiB},
        {"all beyond MBR", {0, 2 * kTiB + kGiB, kTiB, 3 * kTiB + kGiB}, PartitionStyle::Mbr, 3 * kTiB, 0},
        {"last 33 sectors", {0, 10 * kGiB - 8 * kMiB - 1024, 8 * kMiB + 1024, 10 * kGiB}, PartitionStyle::Gpt, 10 * kGiB, 0},
    };
    for (const Case& c : cases) {
        const auto usable = UsableFreeArea(c.free, c.style, c.disk, 512);
        EXPECT_EQ(usable ? usable->end : 0, c.expectedEnd) << c.name;
        if (usable) {
            EXPECT_EQ(usable->start + usable->length, usable->end) << c.name;
        }
    }
}

// After an initialisation the table holds Windows' reserved partition, and
// a 4K disk reports its own usable area: the free area keeps out of both.
TEST(NewPartitionPlan, FreeAreaKeepsOutOfTheTablesEntries) {
    PartitionEntry reserved;
    reserved.style = PartitionStyle::Gpt;
    reserved.gptType = kReservedPartitionType;
    reserved.startingOffset = 17408;
    reserved.partitionLength = 128 * kMiB;
    DriveLayout gpt;
    gpt.style = PartitionStyle::Gpt;
    gpt.startingUsableOffset = 17408;
    gpt.usableLength = 3 * kTiB - 17408 - 33 * 512;
    gpt.entries = {reserved};
    DriveLayout fourK;
    fourK.style = PartitionStyle::Gpt;
    fourK.startingUsableOffset = 24576;  // 6 sectors of 4096 bytes
    fourK.usableLength = 3 * kTiB - 24576 - 5 * 4096;
    const DiskSegment whole{0, kTrack, 3 * kTiB - kTrack, 3 * kTiB};
    struct Case {
        const char* name;
        const DriveLayout& table;
        std::uint32_t sector;
        std::int64_t start, end;
    } cases[] = {
        {"after the reserved partition", gpt, 512, 17408 + 128 * kMiB, 3 * kTiB - 33 * 512},
        // The bar's free area starts after the first track: the next whole sector.
        {"4K: whole sectors inside the reported area", fourK, 4096, 32768, 3 * kTiB - 5 * 4096},
    };
    for (const Case& c : cases) {
        const auto usable = UsableFreeArea(whole, PartitionStyle::Gpt, 3 * kTiB, c.sector, &c.table);
        ASSERT_TRUE(usable) << c.name;
        EXPECT_EQ(usable->start, c.start) << c.name;
        EXPECT_EQ(usable->end, c.end) << c.name;
        EXPECT_EQ(usable->start % c.sector, 0) << c.name;
    }
    // An MBR free area on a 4K disk starts and ends on whole sectors.
    const auto mbr = UsableFreeArea(whole, PartitionStyle::Mbr, 10 * kGiB + 512, 4096);
    ASSERT_TRUE(mbr);
    EXPECT_EQ(mbr->start, 32768);
    EXPECT_EQ(mbr->end % 4096, 0);
}

TEST(NewPartitionPlan, SlotIsTheFirstUnusedEntry) {
    PartitionEntry used;
    used.partitionNumber = 1;
    used.partitionLength = kGiB;
    PartitionEntry container;  // an extended partition: no number, but taken
    container.partitionLength = kGiB;
    container.mbrType = mbr_type::kExtended;
    const PartitionEntry empty;
    auto table = [](PartitionStyle style, std::vector<PartitionEntry> entries) {
        DriveLayout layout;
        layout.style = style;
        layout.entries = std::move(entries);
        return layout;
    };
    EXPECT_EQ(FreeSlot(table(PartitionStyle::Mbr, {used, empty, used, empty})), 1);
    EXPECT_EQ(FreeSlot(table(PartitionStyle::Mbr, {container, empty, empty, empty})), 1);
    EXPECT_EQ(FreeSlot(table(PartitionStyle::Mbr, {used, used, container, used})), std::nullopt);
    EXPECT_EQ(FreeSlot(table(PartitionStyle::Gpt, {used, used, used, used, used})), 5);
    EXPECT_EQ(FreeSlot(table(PartitionStyle::Raw, {})), 0);
    EXPECT_FALSE(TableHoldsAnything(table(PartitionStyle::Mbr, {empty, empty, empty, empty})));
    EXPECT_TRUE(TableHoldsAnything(table(PartitionStyle::Mbr, {empty, container, empty, empty})));
}

TEST(NewPartitionPlan, NumberAndTableStyleOfTheNewPartition) {
    EXPECT_EQ(ExpectedPartitionNumber(false, 0, 0), 1);
    EXPECT_EQ(ExpectedPartitionNumber(true, 1, 1), 2);  // after partition 1
    EXPECT_EQ(ExpectedPartitionNumber(true, 2, 0), 3);  // in front of partitions 1 and 2
    EXPECT_EQ(ExpectedPartitionNumber(true, 1, 2), 1);  // between: partition 1 was deleted
    for (const int osClass : {0, 4, -1}) EXPECT_FALSE(InitialiseAsGpt(osClass, 3 * kTiB)) << osClass;
    for (const int osClass : {1, 2, 3, 5, 6, 7}) {
        EXPECT_TRUE(InitialiseAsGpt(osClass, kLargeDiskBytes)) << osClass;
        EXPECT_FALSE(InitialiseAsGpt(osClass, kLargeDiskBytes - 1)) << osClass;
    }
}

}  // namespace
}  // namespace norvale
