// The layout of a disk as the disk bar draws it: partitions and the free
// areas between them, from hand-made layouts and from real tables that
// sfdisk and sgdisk wrote into images.
#include <gtest/gtest.h>

#include <vector>

#include "disk/core/inventory/disk_layout.h"
#include "tests/disk/disksim_fixture.h"
#include "tests/disk/scripted_disk_port.h"

namespace norvale {

void PrintTo(const DiskSegment& s, std::ostream* os) {
    *os << "{" << s.partitionNumber << ", " << s.start << ", " << s.length << ", " << s.end << "}";
}

namespace {

using test::kGiB;
using test::kMiB;

constexpr std::int64_t kFirstTrack = 63 * 512;
// 1305 cylinders of 255 × 63 × 512 bytes, in whole MiB: what a 10 GiB disk's
// geometry gives.
constexpr std::int64_t kTenGiBDiskSize = 10236 * kMiB;

DiskSegment Part(std::int32_t number, std::int64_t start, std::int64_t length) {
    return {number, start, length, start + length};
}
DiskSegment Free(std::int64_t start, std::int64_t end) { return {0, start, end - start, end}; }

PartitionEntry Numbered(std::uint32_t number, std::int64_t start, std::int64_t length) {
    PartitionEntry entry = test::MbrEntry(start, length);
    entry.partitionNumber = number;
    return entry;
}

// --- hand-made layouts ----------------------------------------------------------

struct LayoutCase {
    const char* label;
    std::vector<PartitionEntry> entries;
    bool olderWindows;
    std::vector<DiskSegment> expected;
};

const std::int64_t kP1End = kFirstTrack + 100 * kMiB;

const LayoutCase kLayoutCases[] = {
    {"EmptyDiskIsFreeFromTheFirstTrackToItsEnd", {}, false, {Free(kFirstTrack, kTenGiBDiskSize)}},
    {"GapOfEightMiBIsFree",
     {Numbered(2, kFirstTrack, 100 * kMiB), Numbered(5, kP1End + 8 * kMiB, kGiB)},
     false,
     {Part(2, kFirstTrack, 100 * kMiB), Free(kP1End, kP1End + 8 * kMiB), Part(5, kP1End + 8 * kMiB, kGiB),
      Free(kP1End + 8 * kMiB + kGiB, kTenGiBDiskSize)}},
    {"GapOneByteShortOfEightMiBIsNot",
     {Numbered(2, kFirstTrack, 100 * kMiB), Numbered(5, kP1End + 8 * kMiB - 1, kGiB)},
     false,
     {Part(2, kFirstTrack, 100 * kMiB), Part(5, kP1End + 8 * kMiB - 1, kGiB),
      Free(kP1End + 8 * kMiB - 1 + kGiB, kTenGiBDiskSize)}},
    {"PartitionsSortedByStartAndLeadingSpaceFree",
     {Numbered(1, 5 * kGiB, kGiB), Numbered(2, kGiB, kGiB)},
     false,
     {Free(kFirstTrack, kGiB), Part(2, kGiB, kGiB), Free(2 * kGiB, 5 * kGiB), Part(1, 5 * kGiB, kGiB),
      Free(6 * kGiB, kTenGiBDiskSize)}},
    {"NumbersOutsideOneToFifteenAreNoPartitions",
     {Numbered(0, kFirstTrack, kGiB), Numbered(16, 2 * kGiB, kGiB)},
     false,
     {Free(kFirstTrack, kTenGiBDiskSize)}},
    {"OlderWindowsLooksAtFourSlotsOnly",
     {Numbered(1, kFirstTrack, kGiB), Numbered(0, 0, 0), Numbered(0, 0, 0), Numbered(2, kGiB + kFirstTrack, kGiB),
      Numbered(5, 3 * kGiB, kGiB)},
     true,
     {Part(1, kFirstTrack, kGiB), Part(2, kGiB + kFirstTrack, kGiB), Free(2 * kGiB + kFirstTrack, kTenGiBDiskSize)}},
    {"NewerWindowsLooksAtEveryEntry",
     {Numbered(1, kFirstTrack, kGiB), Numbered(0, 0, 0), Numbered(0, 0, 0), Numbered(2, kGiB + kFirstTrack, kGiB),
      Numbered(5, 3 * kGiB, kGiB)},
     false,
     {Part(1, kFirstTrack, kGiB), Part(2, kGiB + kFirstTrack, kGiB), Free(2 * kGiB + kFirstTrack, 3 * kGiB),
      Part(5, 3 * kGiB, kGiB), Free(4 * kGiB, kTenGiBDiskSize)}},
};

class HandMadeLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(HandMadeLayout, Segments) {
    test::ScriptedDiskPort port;
    port.layout.entries = GetParam().entries;
    const DiskLayout layout = BuildDiskLayout(port, 1, GetParam().olderWindows);
    EXPECT_TRUE(layout.tableRead);
    EXPECT_EQ(layout.diskSize, kTenGiBDiskSize);
    EXPECT_EQ(layout.segments, GetParam().expected);
    EXPECT_EQ(port.olderLayoutReads, GetParam().olderWindows ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Disk, HandMadeLayout, testing::ValuesIn(kLayoutCases),
                         [](const auto& param) { return std::string(param.param.label); });

// Fifteen partitions with gaps would give 29 spans; the bar holds 16, and
// every partition stays in view.
TEST(DiskLayoutLimits, SixteenSpansAtMostAndNoPartitionLeftOut) {
    test::ScriptedDiskPort port;
    for (std::uint32_t n = 1; n <= 15; ++n) {
        port.layout.entries.push_back(Numbered(n, static_cast<std::int64_t>(n) * 400 * kMiB, 100 * kMiB));
    }
    const DiskLayout layout = BuildDiskLayout(port, 1, false);
    ASSERT_EQ(layout.segments.size(), kMaxDiskSegments);
    int partitions = 0;
    for (std::size_t i = 0; i < layout.segments.size(); ++i) {
        partitions += layout.segments[i].IsFree() ? 0 : 1;
        if (i > 0) {
            EXPECT_LE(layout.segments[i - 1].start, layout.segments[i].start);
        }
    }
    EXPECT_EQ(partitions, 15);
}

// A failed read shows the disk as free, but says so: a step about to write
// must not take it for an empty disk.
TEST(DiskLayoutLimits, FailedTableReadIsMarked) {
    test::ScriptedDiskPort port;
    port.layout.entries = {Numbered(1, kFirstTrack, kGiB)};
    port.layoutError = win32_error::kIoDevice;
    const DiskLayout layout = BuildDiskLayout(port, 1, false);
    EXPECT_FALSE(layout.tableRead);
    EXPECT_EQ(layout.segments, (std::vector<DiskSegment>{Free(kFirstTrack, kTenGiBDiskSize)}));
}

TEST(DiskLayoutLimits, UnknownDiskHasNoLayoutAndNoSize) {
    test::ScriptedDiskPort port;
    const DiskLayout layout = BuildDiskLayout(port, 7, false);
    EXPECT_TRUE(layout.segments.empty());
    EXPECT_EQ(layout.diskSize, 0);
    EXPECT_EQ(DiskSizeOf(port, 7), 0);
    EXPECT_FALSE(ReadDiskGeometry(port, 7).has_value());
}

// --- real tables in images ------------------------------------------------------

class LayoutOfImage : public test::DiskSimTest {
protected:
    std::uint32_t ToolMade(const char* size, const std::string& tool) {
        const std::string image = Dir() + "/tool.img";
        EXPECT_EQ(test::RunTool("truncate -s " + std::string(size) + " '" + image + "'").exitCode, 0);
        std::string command = tool;
        for (std::size_t at; (at = command.find("IMG")) != std::string::npos;) command.replace(at, 3, image);
        const test::ToolRun made = test::RunTool(command);
        EXPECT_EQ(made.exitCode, 0) << made.output;
        return Stack().Attach(disksim::DiskSpec::Image(image)).value_or(0);
    }
    static std::int64_t GeometrySize(std::int64_t bytes) { return bytes / 8225280 * 8225280 / kMiB * kMiB; }
};

TEST_F(LayoutOfImage, EmptyTenGiBDisk) {
    const std::uint32_t disk = AttachSized(10 * kGiB);
    const DiskLayout layout = BuildDiskLayout(Stack(), disk, false);
    EXPECT_EQ(layout.diskSize, kTenGiBDiskSize);
    EXPECT_EQ(layout.segments, (std::vector<DiskSegment>{Free(kFirstTrack, kTenGiBDiskSize)}));
    EXPECT_EQ(DiskSizeOf(Stack(), disk), kTenGiBDiskSize);
}

TEST_F(LayoutOfImage, MbrWithGapsBySfdisk) {
    const std::uint32_t disk = ToolMade("2G",
                                        "printf 'label: dos\\n"
                                        "IMG1 : start=2048, size=204800, type=7\\n"
                                        "IMG3 : start=1228800, size=409600, type=c\\n' | sfdisk -q 'IMG'");
    const std::int64_t size = GeometrySize(2 * kGiB);
    const DiskLayout layout = BuildDiskLayout(Stack(), disk, false);
    // 1 MiB alignment leaves less than 8 MiB before the first partition.
    EXPECT_EQ(layout.segments, (std::vector<DiskSegment>{Part(1, kMiB, 100 * kMiB), Free(101 * kMiB, 600 * kMiB),
                                                         Part(2, 600 * kMiB, 200 * kMiB), Free(800 * kMiB, size)}));
    // Older Windows reads the same four slots.
    EXPECT_EQ(BuildDiskLayout(Stack(), disk, true).segments, layout.segments);
}

TEST_F(LayoutOfImage, GptWithFivePartitionsBySgdisk) {
    const std::uint32_t disk = ToolMade("4G",
                                        "sgdisk -o -n 1:2048:+100M -t 1:0700 -n 2:0:+16M -t 2:0C01 "
                                        "-n 3:0:+200M -t 3:8300 -n 4:0:+1G -t 4:0700 -n 5:0:+500M -t 5:0700 'IMG'");
    const DiskLayout layout = BuildDiskLayout(Stack(), disk, false);
    const std::int64_t size = GeometrySize(4 * kGiB);
    DiskSegment reserved = Part(2, 101 * kMiB, 16 * kMiB);  // type 0C01: Microsoft's reserved partition
    reserved.reserved = true;
    EXPECT_EQ(layout.segments,
              (std::vector<DiskSegment>{Part(1, kMiB, 100 * kMiB), reserved,
                                        Part(3, 117 * kMiB, 200 * kMiB), Part(4, 317 * kMiB, kGiB),
                                        Part(5, 1341 * kMiB, 500 * kMiB), Free(1841 * kMiB, size)}));
    // The older request knows no GPT: the table reads as unreadable.
    const DiskLayout older = BuildDiskLayout(Stack(), disk, true);
    EXPECT_FALSE(older.tableRead);
    EXPECT_EQ(older.segments, (std::vector<DiskSegment>{Free(kFirstTrack, size)}));
}

TEST_F(LayoutOfImage, GptBeyondTwoTebibytes) {
    const std::uint32_t disk = ToolMade("3T", "sgdisk -o -n 1:0:+2500G -t 1:0700 -n 2:0:+100G -t 2:0700 'IMG'");
    const std::int64_t size = GeometrySize(3LL << 40);
    const std::int64_t second = kMiB + 2500 * kGiB;
    const DiskLayout layout = BuildDiskLayout(Stack(), disk, false);
    EXPECT_EQ(layout.diskSize, size);
    EXPECT_EQ(layout.segments, (std::vector<DiskSegment>{Part(1, kMiB, 2500 * kGiB), Part(2, second, 100 * kGiB),
                                                         Free(second + 100 * kGiB, size)}));
}

}  // namespace
}  // namespace norvale
