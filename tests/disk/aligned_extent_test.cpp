// Where a new partition lies from Vista on: the first 1 MiB boundary of its
// room, the size asked for when it fits, else the most whole MiB that do.
#include <gtest/gtest.h>

#include "disk/core/manager/new_partition_plan.h"
#include "disk/core/partition/aligned_extent.h"

namespace norvale {
namespace {

constexpr std::int64_t kMiB = 1LL << 20;

TEST(AlignedExtentTest, StartsOnTheNextBoundaryAndShrinksToWholeMiB) {
    struct Case {
        const char* name;
        std::int64_t roomStart, roomEnd, requested;
        std::int64_t start, length;
    } cases[] = {
        {"on a boundary", kMiB, 100 * kMiB, 10 * kMiB, kMiB, 10 * kMiB},
        {"a sector before one", kMiB - 512, 100 * kMiB, 10 * kMiB, kMiB, 10 * kMiB},
        {"a 4 KiB sector after one", kMiB + 4096, 100 * kMiB, 10 * kMiB, 2 * kMiB, 10 * kMiB},
        {"after a 128 MiB reserved partition", 17408 + 128 * kMiB, 1024 * kMiB, 100 * kMiB, 129 * kMiB, 100 * kMiB},
        {"fits only shrunk: whole MiB", 32256, 10 * kMiB + 300, 20 * kMiB, kMiB, 9 * kMiB},
        {"less than a MiB after the boundary", kMiB + 512, 2 * kMiB + 100, kMiB, 2 * kMiB, 0},
        {"nothing asked", 0, 10 * kMiB, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const PartitionExtent extent = AlignedExtent(c.roomStart, c.roomEnd, c.requested);
        EXPECT_EQ(extent.start, c.start) << c.name;
        EXPECT_EQ(extent.length, c.length) << c.name;
        EXPECT_LE(extent.start + extent.length, c.roomEnd) << c.name;
    }
    EXPECT_EQ(AlignedRoomMiB(32256, 10 * kMiB + 300), 9);
    EXPECT_EQ(AlignedRoomMiB(kMiB + 512, 2 * kMiB), 0);
}

// The disk manager offers the aligned area, on 512- and 4096-byte disks.
TEST(AlignedExtentTest, TheFreeAreaOfferedStartsOnABoundary) {
    for (const std::uint32_t sector : {512u, 4096u}) {
        const DiskSegment free{0, 63 * 512, 100 * kMiB - 63 * 512, 100 * kMiB};
        const auto older = UsableFreeArea(free, PartitionStyle::Mbr, 100 * kMiB, sector, nullptr, false);
        const auto aligned = UsableFreeArea(free, PartitionStyle::Mbr, 100 * kMiB, sector, nullptr, true);
        ASSERT_TRUE(older && aligned);
        EXPECT_EQ(older->start, sector == 512 ? 32256 : 32768);
        EXPECT_EQ(aligned->start, kMiB);
        EXPECT_EQ(aligned->length >> 20, 99);
    }
}

}  // namespace
}  // namespace norvale
