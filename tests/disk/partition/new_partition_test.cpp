// The new entry in a table read just now: what may be written, and where a
// partition may end.
#include "disk/core/partition/new_partition.h"

#include <gtest/gtest.h>

namespace norvale::test {
namespace {

class FixedIds final : public IdSourcePort {
public:
    Guid NewGuid() override { return *Guid::Parse(L"{99999999-9999-4999-8999-999999999999}"); }
    std::uint32_t NewMbrSignature() override { return 0xABCD; }
};

PartitionEntry Used(PartitionStyle style, std::int64_t start) {
    PartitionEntry entry;
    entry.style = style;
    entry.startingOffset = start;
    entry.partitionLength = kMiB;
    entry.partitionNumber = 1;
    entry.mbrType = mbr_type::kIfs;
    if (style == PartitionStyle::Gpt) entry.gptType = *Guid::Parse(kBasicDataType);
    return entry;
}

TEST(NewPartition, EndsInsideTheDiskOnWholeSectors) {
    struct Case {
        std::int64_t disk, start, requested;
        bool gpt;
        std::int64_t length;
    } cases[] = {
        {10 * 1024 * kMiB, 65536, 10 * 1024 * kMiB - 32256, false, 10 * 1024 * kMiB - 65536},  // past the end
        {10 * 1024 * kMiB, 17408, 10 * 1024 * kMiB, true, 10 * 1024 * kMiB - 17408 - 33 * 512},  // backup table
        {10 * 1024 * kMiB, kMiB, 100 * kMiB, false, 100 * kMiB},                                 // fits
        {10 * 1024 * kMiB + 700, kMiB, 20 * 1024 * kMiB, false, 10 * 1024 * kMiB + 512 - kMiB}, // partial sector
        {kMiB, kMiB, kMiB, false, 0},                                                             // no room
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClampedLength(c.start, c.requested, UsableEnd(c.disk, c.gpt, 512), 512), c.length) << c.requested;
    }
}

TEST(NewPartition, KeepsThePartitionsAndIdentityOfTheTableRead) {
    FixedIds ids;
    NewPartition second{1, 2 * kMiB, kMiB, 2, 512};

    DriveLayout mbr;
    mbr.mbrSignature = 0x1234;
    mbr.entries = {Used(PartitionStyle::Mbr, kMiB), {}, {}, {}};
    const auto written = WithMbrEntry(mbr, second, ids);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->mbrSignature, 0x1234u);  // the first partition's letter stays its own
    EXPECT_EQ(written->entries[0].startingOffset, kMiB);
    EXPECT_FALSE(written->entries[0].rewritePartition);
    EXPECT_EQ(written->entries[1].hiddenSectors, 4096u);
    EXPECT_EQ(WithMbrEntry(DriveLayout{}, NewPartition{0, kMiB, kMiB, 1, 512}, ids)->mbrSignature, 0xABCDu);

    DriveLayout gpt;
    gpt.style = PartitionStyle::Gpt;
    gpt.gptDiskId = *Guid::Parse(L"{11111111-1111-4111-8111-111111111111}");
    gpt.entries = {Used(PartitionStyle::Gpt, kMiB)};
    const auto gptWritten = WithGptEntry(gpt, second, ids, 1);
    ASSERT_TRUE(gptWritten.has_value());
    EXPECT_EQ(gptWritten->entries.size(), 2u);
    EXPECT_EQ(gptWritten->gptDiskId, gpt.gptDiskId);
    EXPECT_EQ(gptWritten->entries[1].gptName, L"microsoft reserved partition");

    // A slot that holds a partition, or lies outside the table, is never written.
    EXPECT_FALSE(WithMbrEntry(mbr, NewPartition{0, 2 * kMiB, kMiB, 1, 512}, ids).has_value());
    EXPECT_FALSE(WithMbrEntry(mbr, NewPartition{4, 2 * kMiB, kMiB, 5, 512}, ids).has_value());
    EXPECT_FALSE(WithGptEntry(gpt, NewPartition{0, 2 * kMiB, kMiB, 1, 512}, ids, 0).has_value());
    EXPECT_FALSE(WithGptEntry(gpt, NewPartition{-1, 2 * kMiB, kMiB, 1, 512}, ids, 0).has_value());
}

// Checked before the write, whatever the Windows would refuse itself.
TEST(NewPartition, FitsOnlyFreeSpaceInsideTheUsableArea) {
    constexpr std::int64_t kDisk = 10 * 1024 * kMiB;
    DriveLayout mbr;
    mbr.style = PartitionStyle::Mbr;
    mbr.entries = {Used(PartitionStyle::Mbr, kMiB), {}, {}, {}};
    DriveLayout gpt;
    gpt.style = PartitionStyle::Gpt;
    gpt.startingUsableOffset = 17408;
    gpt.usableLength = kDisk - 17408 - 33 * 512;
    PartitionEntry reserved = Used(PartitionStyle::Gpt, 17408);
    reserved.gptType = kReservedPartitionType;
    reserved.partitionLength = 128 * kMiB;
    gpt.entries = {reserved};
    DriveLayout big = gpt;  // a 4096-byte disk: usable from 24 576
    big.startingUsableOffset = 24576;
    struct Case {
        const char* name;
        const DriveLayout& table;
        std::int64_t start, length;
        std::uint32_t sector;
        bool fits;
    } cases[] = {
        {"after the MBR partition", mbr, 2 * kMiB, kMiB, 512, true},
        {"over the MBR partition", mbr, kMiB + 512, kMiB, 512, false},
        {"touching its end", mbr, kMiB - 512, 512, 512, true},
        {"over the MBR itself", mbr, 0, kMiB, 512, false},
        {"past the disk's end", mbr, kDisk - kMiB, 2 * kMiB, 512, false},
        {"after the reserved partition", gpt, 17408 + 128 * kMiB, kMiB, 512, true},
        {"over the reserved partition", gpt, 17408, kMiB, 512, false},
        {"over the backup table", gpt, kDisk - kMiB, kMiB, 512, false},
        {"inside a 4K entry array", big, 17408, kMiB, 4096, false},
        {"not on 4K sectors", big, 200 * kMiB + 512, kMiB, 4096, false},
        {"on 4K sectors", big, 200 * kMiB, kMiB, 4096, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitsTable(c.table, NewPartition{1, c.start, c.length, 2, c.sector}, kDisk), c.fits) << c.name;
    }
}

}  // namespace
}  // namespace norvale::test
