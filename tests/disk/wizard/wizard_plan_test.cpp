// The wizard's size checks and where its partition lies, edge by edge.
#include <gtest/gtest.h>

#include "disk/core/partition/random_id_source.h"
#include "disk/core/wizard/wizard_plan.h"

namespace norvale {
namespace {

constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t k10GiBMiB = 10240;
constexpr std::int64_t k3TbMiB = 2861022;  // 3 000 000 000 000 bytes
constexpr int kXp32 = 0;
constexpr int kWindows7 = 7;

struct SizeCase {
    const char* name;
    bool maximum;
    const wchar_t* text;
    bool fat32;
    std::int64_t diskMiB;
    int osClass;
    unsigned refusal;  // 0: accepted
    std::int64_t sizeMiB;
    bool gpt;
};

const SizeCase kSizeCases[] = {
    {"11 passes", false, L"11", false, k10GiBMiB, kWindows7, 0, 11, false},
    {"10 is too small", false, L"10", false, k10GiBMiB, kWindows7, 223, 0, false},
    {"empty is no size", false, L"", false, k10GiBMiB, kWindows7, 224, 0, false},
    {"12a is no size", false, L"12a", false, k10GiBMiB, kWindows7, 224, 0, false},
    {"a sign is no size", false, L"-5", false, k10GiBMiB, kWindows7, 224, 0, false},
    {"too many digits", false, L"99999999999999999999", false, k10GiBMiB, kWindows7, 224, 0, false},
    {"more than the disk", false, L"10241", false, k10GiBMiB, kWindows7, 251, 0, false},
    {"the whole disk typed", false, L"10240", false, k10GiBMiB, kWindows7, 0, 10240, false},
    {"FAT32 511", false, L"511", true, k10GiBMiB, kWindows7, 208, 0, false},
    {"FAT32 512", false, L"512", true, k10GiBMiB, kWindows7, 0, 512, false},
    {"FAT32 32768", false, L"32768", true, 40000, kWindows7, 0, 32768, false},
    {"FAT32 32769", false, L"32769", true, 40000, kWindows7, 207, 0, false},
    {"FAT32 small before too small", false, L"5", true, k10GiBMiB, kWindows7, 208, 0, false},
    {"XP 2089989", false, L"2089989", false, k3TbMiB, kXp32, 0, 2089989, false},
    {"XP 2089990", false, L"2089990", false, k3TbMiB, kXp32, 250, 0, false},
    {"7 2089990 on a large disk is GPT", false, L"2089990", false, k3TbMiB, kWindows7, 0, 2089990, true},
    {"7 small partition on a large disk is GPT", false, L"100", false, k3TbMiB, kWindows7, 0, 100, true},
    {"maximum of a 10 GiB disk", true, L"", false, k10GiBMiB, kWindows7, 0, k10GiBMiB, false},
    {"maximum of a tiny disk", true, L"", false, 10, kWindows7, 223, 0, false},
    {"maximum FAT32 of a large disk", true, L"", true, 40000, kWindows7, 207, 0, false},
    {"maximum of 3 TB on 7", true, L"", false, k3TbMiB, kWindows7, 0, k3TbMiB, true},
    {"maximum of 3 TB on XP", true, L"", false, k3TbMiB, kXp32, 250, 0, false},
    {"maximum of 3 TB on 2003 without SP", true, L"", false, k3TbMiB, 4, 250, 0, false},
    {"maximum of 3 TB on XP 64", true, L"", false, k3TbMiB, 1, 0, k3TbMiB, true},
    {"maximum just below the limit on 7", true, L"", false, 2089989, kWindows7, 0, 2089989, false},
};

TEST(WizardSizeTest, EdgesOfEveryCheck) {
    for (const SizeCase& c : kSizeCases) {
        WizardChoice choice;
        choice.maximumSpace = c.maximum;
        choice.sizeText = c.text;
        choice.ntfs = !c.fat32;
        choice.fat32 = c.fat32;
        const WizardSizing sizing = CheckWizardSize(choice, c.diskMiB, c.osClass, c.diskMiB);
        EXPECT_EQ(sizing.refusal, c.refusal) << c.name;
        if (c.refusal == 0) {
            EXPECT_EQ(sizing.sizeMiB, c.sizeMiB) << c.name;
            EXPECT_EQ(sizing.gpt, c.gpt) << c.name;
        }
    }
    WizardChoice tooLarge;
    tooLarge.maximumSpace = false;
    tooLarge.sizeText = L"20000";
    EXPECT_EQ(CheckWizardSize(tooLarge, k10GiBMiB, kWindows7, k10GiBMiB).refusalMiB, k10GiBMiB);
}

// An exact 10 GiB disk: the geometry ends at the last whole cylinder.
WizardDisk TenGiB() {
    WizardDisk disk;
    disk.diskBytes = 10LL << 30;
    disk.geometryBytes = (disk.diskBytes / (255 * 63 * 512)) * 255 * 63 * 512;
    return disk;
}

// 2048 cylinders of 255 × 63 sectors: a geometry of exactly 16 065 MiB,
// where the whole size from 64 KiB on would end past the last cylinder.
WizardDisk ExactMiBGeometry() {
    WizardDisk disk;
    disk.geometryBytes = 2048LL * 255 * 63 * 512;
    disk.diskBytes = disk.geometryBytes + 4 * kMiB;
    return disk;
}

TEST(WizardExtentTest, EveryPartitionEndsInsideTheDisk) {
    for (const WizardDisk& disk : {TenGiB(), ExactMiBGeometry()}) {
        const std::int64_t geometryMiB = disk.geometryBytes / kMiB;
        struct Case {
            const char* name;
            bool gpt;
            int osClass;
            std::int64_t start;
            std::int64_t end;  // the bound the partition must end at or before
        } cases[] = {
            {"MBR on 7 starts at 64 KiB", false, kWindows7, 65536, disk.geometryBytes},
            {"MBR on Vista at 1 MiB", false, 6, kMiB, disk.geometryBytes},
            {"MBR on XP at 32 256", false, kXp32, 32256, disk.geometryBytes},
            {"GPT before the backup table, at 1 MiB", true, kWindows7, kMiB, disk.diskBytes - 33 * 512},
        };
        for (const Case& c : cases) {
            const PartitionExtent extent = PlanWizardExtent(geometryMiB, c.gpt, c.osClass, disk);
            EXPECT_EQ(extent.start, c.start) << c.name;
            EXPECT_LE(extent.start + extent.length, c.end) << c.name;
            EXPECT_GE(extent.length, (geometryMiB - 2) * kMiB) << c.name;
            EXPECT_EQ(extent.length % 512, 0) << c.name;
        }
    }
    const WizardDisk disk = TenGiB();
    // A size that fits is taken as it is.
    EXPECT_EQ(PlanWizardExtent(100, false, kWindows7, disk).length, 100 * kMiB);
}

// From Vista on the partition starts on the first 1 MiB boundary after the
// table and its reserved partition, whatever the sector; Windows 7's MBR
// start of 64 KiB stays, and XP's GPT start keeps to whole sectors.
TEST(WizardExtentTest, StartsOnWholeSectorsAfterWhatTheTableHolds) {
    struct Case {
        const char* name;
        bool gpt;
        int osClass;
        std::uint32_t sector;
        std::int64_t firstUsable, firstFree;
        std::int64_t start;
    } cases[] = {
        {"GPT 512 without a reserved partition", true, kWindows7, 512, 17408, 0, kMiB},
        {"GPT 512 after a 128 MB reserved partition", true, kWindows7, 512, 17408, 17408 + 128 * kMiB, 129 * kMiB},
        {"GPT 512 after Windows 10's, which ends at 16 MiB", true, kWindows7, 512, 17408, 16 * kMiB, 16 * kMiB},
        {"GPT 4K after the reserved partition", true, kWindows7, 4096, 24576, 24576 + 128 * kMiB, 129 * kMiB},
        {"GPT 4K on XP x64 keeps whole sectors", true, 1, 4096, 24576, 0, 24576},
        {"MBR 4K on 7 keeps 64 KiB", false, kWindows7, 4096, 0, 0, 65536},
        {"MBR 4K on Vista at 1 MiB", false, 6, 4096, 0, 0, kMiB},
    };
    for (const Case& c : cases) {
        WizardDisk disk;
        disk.bytesPerSector = c.sector;
        disk.diskBytes = 100 * 1024 * kMiB;
        disk.geometryBytes = disk.diskBytes / (255 * 63 * c.sector) * (255 * 63 * c.sector);
        disk.gptFirstUsable = c.firstUsable;
        disk.gptUsableEnd = c.gpt ? disk.diskBytes - 5 * c.sector : 0;
        disk.firstFree = c.firstFree;
        const PartitionExtent extent = PlanWizardExtent(90 * 1024, c.gpt, c.osClass, disk);
        EXPECT_EQ(extent.start, c.start) << c.name;
        EXPECT_EQ(extent.length % c.sector, 0) << c.name;
        EXPECT_LE(extent.start + extent.length, c.gpt ? disk.gptUsableEnd : disk.geometryBytes) << c.name;
    }
}

TEST(WizardExtentTest, MbrEntryNeverExceedsItsSectorCount) {
    WizardDisk huge;
    huge.diskBytes = 3000000000000LL;
    huge.geometryBytes = huge.diskBytes;
    const PartitionExtent extent = PlanWizardExtent(huge.diskBytes / kMiB, false, -1, huge);
    EXPECT_LE(extent.length / 512, 0xFFFFFFFFLL);
}

TEST(WizardLayoutTest, FreshIdsAndTheOneEntry) {
    const PartitionExtent extent{65536, 100 * kMiB};
    const DriveLayout mbr = WizardMbrLayout(extent, RandomIds().NewMbrSignature(), 512);
    ASSERT_EQ(mbr.entries.size(), 4u);
    EXPECT_NE(mbr.mbrSignature, 0u);
    EXPECT_EQ(mbr.entries[0].mbrType, mbr_type::kIfs);
    EXPECT_EQ(mbr.entries[0].hiddenSectors, 128u);
    EXPECT_EQ(mbr.entries[1].mbrType, mbr_type::kUnused);
    const Guid a = RandomIds().NewGuid();
    const Guid b = RandomIds().NewGuid();
    EXPECT_NE(a, b);
    EXPECT_EQ(a.data3 >> 12, 4);
    const DriveLayout gpt = WizardGptLayout({17408, 100 * kMiB}, a, b);
    ASSERT_EQ(gpt.entries.size(), 1u);
    EXPECT_EQ(gpt.entries[0].gptType, kBasicDataPartitionType);
    EXPECT_EQ(gpt.entries[0].gptId, b);
}

}  // namespace
}  // namespace norvale
