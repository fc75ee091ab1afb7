// Partition tables checked by tools that share no code with the simulation:
// what the simulation writes must satisfy sfdisk, sgdisk and blkid, and what
// sfdisk and sgdisk write must read back through the disk port with the same
// entries.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/core/utf8.h"
#include "tests/disk/disksim_fixture.h"

namespace norvale::test {
namespace {

std::string Upper(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string GuidText(const Guid& guid) {
    const std::string text = WideToUtf8(guid.ToString());
    return Upper(text.substr(1, 36));
}

nlohmann::json Sfdisk(const std::string& image) {
    const ToolRun run = RunTool("sfdisk --json '" + image + "'");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const auto parsed = nlohmann::json::parse(run.output, nullptr, false);
    return parsed.is_discarded() ? nlohmann::json::object() : parsed.value("partitiontable", nlohmann::json::object());
}

// The used entries of `layout` are exactly the partitions sfdisk lists.
void ExpectSfdiskAgrees(const std::string& image, const DriveLayout& layout) {
    const nlohmann::json table = Sfdisk(image);
    const bool gpt = layout.style == PartitionStyle::Gpt;
    EXPECT_EQ(table.value("label", ""), gpt ? "gpt" : "dos");
    if (gpt) {
        EXPECT_EQ(Upper(table.value("id", "")), GuidText(layout.gptDiskId));
    } else {
        EXPECT_EQ(std::stoul(table.value("id", "0x0"), nullptr, 16), layout.mbrSignature);
    }
    std::vector<const PartitionEntry*> used;
    for (const auto& entry : layout.entries) {
        if (entry.partitionNumber != 0) used.push_back(&entry);
    }
    const auto partitions = table.value("partitions", nlohmann::json::array());
    ASSERT_EQ(partitions.size(), used.size()) << table.dump();
    for (std::size_t i = 0; i < used.size(); ++i) {
        const auto& listed = partitions[i];
        SCOPED_TRACE("partition " + std::to_string(i + 1));
        EXPECT_EQ(listed.value("start", -1LL) * 512, used[i]->startingOffset);
        EXPECT_EQ(listed.value("size", -1LL) * 512, used[i]->partitionLength);
        if (gpt) {
            EXPECT_EQ(Upper(listed.value("type", "")), GuidText(used[i]->gptType));
            EXPECT_EQ(Upper(listed.value("uuid", "")), GuidText(used[i]->gptId));
            EXPECT_EQ(listed.value("name", ""), WideToUtf8(used[i]->gptName));
        } else {
            EXPECT_EQ(std::stoul(listed.value("type", "0"), nullptr, 16), used[i]->mbrType);
            EXPECT_EQ(listed.value("bootable", false), used[i]->bootIndicator);
        }
    }
}

// --- layouts the simulation writes -----------------------------------------------

struct WrittenCase {
    const char* label;
    std::int64_t diskBytes;
    DriveLayout layout;
};

std::vector<WrittenCase> WrittenCases() {
    PartitionEntry reserved = GptEntry(17408, kGiB, L"microsoft reserved partition");
    reserved.gptAttributes = gpt_attribute::kPlatformRequired;
    PartitionEntry booted = MbrEntry(kMiB, 100 * kMiB);
    booted.bootIndicator = true;
    return {
        // The whole disk from 64 KiB, and from 63 sectors on older systems.
        {"OneNtfsPartitionFrom64KiB", 10 * kGiB, MbrLayout(0x1CEB00DA, {MbrEntry(65536, 10 * kGiB - 65536)})},
        {"OneNtfsPartitionFrom63Sectors", 10 * kGiB, MbrLayout(0x00000001, {MbrEntry(32256, 10 * kGiB - 32256)})},
        {"FourMbrPartitionsWithGaps", 4 * kGiB,
         MbrLayout(0xCAFEF00D, {booted, MbrEntry(200 * kMiB, 500 * kMiB, mbr_type::kFat32Lba),
                                MbrEntry(kGiB, kGiB - 8 * kMiB), MbrEntry(3 * kGiB, kGiB, mbr_type::kFat32)})},
        {"GptFrom17408OnThreeTerabytes", 3'000'000'000'000LL, GptLayout(TestGuid(1), {reserved})},
        {"GptWithFivePartitions", 20 * kGiB,
         // The first two touch: a partition may start where the last one ends.
         GptLayout(TestGuid(2), {GptEntry(kMiB, kGiB, L"one"), GptEntry(kMiB + kGiB, kGiB, L"Données"),
                                 GptEntry(4 * kGiB, 3 * kGiB, L"three"), GptEntry(8 * kGiB, kGiB, L""),
                                 GptEntry(12 * kGiB, 8 * kGiB - 34 * 512, L"last, to the usable end")})},
    };
}

void PrintTo(const WrittenCase& c, std::ostream* os) { *os << c.label; }

class WrittenLayout : public DiskSimTest, public testing::WithParamInterface<WrittenCase> {};

TEST_P(WrittenLayout, IsWhatSfdiskSgdiskAndBlkidRead) {
    const WrittenCase& c = GetParam();
    const std::uint32_t disk = AttachSized(c.diskBytes);
    CreateDiskParams create;
    create.style = c.layout.style;
    create.gptDiskId = c.layout.gptDiskId;
    create.mbrSignature = c.layout.mbrSignature;
    ASSERT_EQ(Write(disk, c.layout, &create), win32_error::kSuccess);

    // The port reads back what was written, numbered 1, 2, ... in table order.
    const auto readBack = OpenDisk(disk)->GetDriveLayoutEx();
    ASSERT_TRUE(readBack.Ok());
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < c.layout.entries.size(); ++i) {
        const auto& wanted = c.layout.entries[i];
        if (wanted.partitionLength == 0) continue;
        const auto& got = readBack.value.entries.at(c.layout.style == PartitionStyle::Gpt ? number : i);
        EXPECT_EQ(got.partitionNumber, ++number);
        EXPECT_EQ(got.startingOffset, wanted.startingOffset);
        EXPECT_EQ(got.partitionLength, wanted.partitionLength);
        EXPECT_EQ(got.gptName, wanted.gptName);
    }
    ExpectSfdiskAgrees(ImageOf(disk), readBack.value);

    const ToolRun blkid = RunTool("blkid -p -o export '" + ImageOf(disk) + "'");
    const bool gpt = c.layout.style == PartitionStyle::Gpt;
    EXPECT_NE(blkid.output.find(gpt ? "PTTYPE=gpt" : "PTTYPE=dos"), std::string::npos) << blkid.output;
    if (gpt) {
        const ToolRun verify = RunTool("sgdisk --verify '" + ImageOf(disk) + "'");
        EXPECT_EQ(verify.exitCode, 0) << verify.output;
        EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
        std::string id = GuidText(c.layout.gptDiskId);
        for (auto& ch : id) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_NE(blkid.output.find("PTUUID=" + id), std::string::npos) << blkid.output;
    }
}

INSTANTIATE_TEST_SUITE_P(Simulation, WrittenLayout, testing::ValuesIn(WrittenCases()),
                         [](const auto& param) { return std::string(param.param.label); });

// --- layouts made by the tools ------------------------------------------------------

class ToolMadeLayout : public DiskSimTest {
protected:
    std::string NewImage(const char* name, const char* size) {
        const std::string path = Dir() + "/" + name;
        EXPECT_EQ(RunTool("truncate -s " + std::string(size) + " '" + path + "'").exitCode, 0);
        return path;
    }
    std::uint32_t AttachImage(const std::string& path) {
        const auto number = Stack().Attach(disksim::DiskSpec::Image(path));
        EXPECT_TRUE(number.has_value());
        return number.value_or(0);
    }
};

// Slots 1 and 3 used, 2 and 4 empty: Windows numbers the partitions 1 and 2
// and reports all four slots.
TEST_F(ToolMadeLayout, MbrWithGapsBetweenPartitionsAndSlots) {
    const std::string image = NewImage("mbr.img", "2G");
    const ToolRun made = RunTool("printf 'label: dos\\nlabel-id: 0x1234abcd\\n"
                                 "%s1 : start=2048, size=204800, type=7, bootable\\n"
                                 "%s3 : start=1228800, size=409600, type=c\\n' '" +
                                 image + "' '" + image + "' | sfdisk -q '" + image + "'");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const std::uint32_t disk = AttachImage(image);
    const auto layout = OpenDisk(disk)->GetDriveLayoutEx();
    ASSERT_TRUE(layout.Ok());
    ASSERT_EQ(layout.value.style, PartitionStyle::Mbr);
    EXPECT_EQ(layout.value.mbrSignature, 0x1234abcdu);
    ASSERT_EQ(layout.value.entries.size(), 4u);
    const auto& slots = layout.value.entries;
    EXPECT_EQ(slots[0].partitionNumber, 1u);
    EXPECT_TRUE(slots[0].bootIndicator);
    EXPECT_EQ(slots[0].hiddenSectors, 2048u);
    EXPECT_EQ(slots[1].partitionNumber, 0u);
    EXPECT_EQ(slots[1].mbrType, mbr_type::kUnused);
    EXPECT_EQ(slots[2].partitionNumber, 2u);
    EXPECT_EQ(slots[2].startingOffset, 1228800LL * 512);
    EXPECT_EQ(slots[2].partitionLength, 409600LL * 512);
    EXPECT_EQ(slots[2].mbrType, mbr_type::kFat32Lba);
    EXPECT_EQ(slots[3].partitionNumber, 0u);
    ExpectSfdiskAgrees(image, layout.value);
    // The older request answers the same four slots.
    const auto older = OpenDisk(disk)->GetDriveLayout();
    ASSERT_TRUE(older.Ok());
    EXPECT_EQ(older.value.entries.size(), 4u);
    EXPECT_EQ(older.bytesReturned, 8u + 4 * 32);
}

// Five partitions of three types; only the basic data ones become volumes.
TEST_F(ToolMadeLayout, GptWithFivePartitionsBySgdisk) {
    const std::string image = NewImage("gpt.img", "4G");
    const ToolRun made = RunTool(
        "sgdisk -o -U 11111111-2222-4333-8444-555555555555 "
        "-n 1:2048:+100M -t 1:0700 -c 1:Alpha -u 1:aaaaaaaa-0000-4000-8000-000000000001 "
        "-n 2:0:+16M -t 2:0C01 -c 2:'Microsoft reserved' "
        "-n 3:0:+200M -t 3:8300 -c 3:Linux "
        "-n 4:0:+1G -t 4:0700 -c 4:Delta "
        "-n 5:0:0 -t 5:0700 -c 5:Echo '" +
        image + "'");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const std::uint32_t disk = AttachImage(image);
    const auto layout = OpenDisk(disk)->GetDriveLayoutEx();
    ASSERT_TRUE(layout.Ok());
    ASSERT_EQ(layout.value.style, PartitionStyle::Gpt);
    EXPECT_EQ(layout.value.gptDiskId, *Guid::Parse(L"11111111-2222-4333-8444-555555555555"));
    EXPECT_EQ(layout.value.maxPartitionCount, 128u);
    EXPECT_EQ(layout.value.startingUsableOffset, 34 * 512);
    ASSERT_EQ(layout.value.entries.size(), 5u);
    EXPECT_EQ(layout.value.entries[0].gptId, *Guid::Parse(L"{AAAAAAAA-0000-4000-8000-000000000001}"));
    EXPECT_EQ(layout.value.entries[0].gptName, L"Alpha");
    EXPECT_EQ(layout.value.entries[4].gptName, L"Echo");
    EXPECT_EQ(layout.value.entries[4].End(), layout.value.startingUsableOffset + layout.value.usableLength);
    EXPECT_EQ(layout.bytesReturned, 48u + 5 * 144);
    ExpectSfdiskAgrees(image, layout.value);

    std::vector<std::uint32_t> volumeParts;
    for (const auto& volume : Stack().Volumes()) {
        if (volume.disk == disk) volumeParts.push_back(volume.partitionNumber);
    }
    EXPECT_EQ(volumeParts, (std::vector<std::uint32_t>{1, 4, 5}));
}

// Past 2 TiB the offsets no longer fit 32 bits of sectors.
TEST_F(ToolMadeLayout, GptBeyondTwoTebibytes) {
    const std::string image = NewImage("big.img", "3T");
    const ToolRun made =
        RunTool("sgdisk -o -n 1:0:+2500G -t 1:0700 -n 2:0:0 -t 2:0700 '" + image + "'");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const std::uint32_t disk = AttachImage(image);
    auto device = OpenDisk(disk);
    const auto layout = device->GetDriveLayoutEx();
    ASSERT_TRUE(layout.Ok());
    ASSERT_EQ(layout.value.entries.size(), 2u);
    EXPECT_GT(layout.value.entries[1].startingOffset, 2LL << 40);
    ExpectSfdiskAgrees(image, layout.value);
    const auto length = device->GetLengthInfo();
    EXPECT_EQ(length.value, 3LL << 40);
    EXPECT_EQ(device->GetDriveGeometry().value.cylinders, (3LL << 40) / (255 * 63 * 512));
}

// --- file systems written by the real formatters ------------------------------------

TEST_F(ToolMadeLayout, VolumesReportTheFileSystemsMkfsWrote) {
    const std::uint32_t disk = AttachSized(2 * kGiB);
    ASSERT_EQ(Write(disk, MbrLayout(7, {MbrEntry(kMiB, 256 * kMiB), MbrEntry(512 * kMiB, 256 * kMiB, 0x0C),
                                        MbrEntry(kGiB, 64 * kMiB)})),
              win32_error::kSuccess);
    const std::string image = ImageOf(disk);
    // NTFS in a file of the partition's size, copied into its place.
    const std::string ntfs = Dir() + "/ntfs.part";
    ASSERT_EQ(RunTool("truncate -s 256M '" + ntfs + "' && mkntfs -F -Q -q -L iSCSI -p 2048 -H 255 -S 63 '" + ntfs +
                      "' && dd if='" + ntfs + "' of='" + image + "' bs=1M seek=1 conv=notrunc,sparse status=none")
                  .exitCode,
              0);
    ASSERT_EQ(RunTool("mkfs.fat -F 32 -s 1 -n STICK --offset 1048576 '" + image + "' 262144").exitCode, 0);

    std::map<std::uint32_t, std::wstring> found;
    for (const auto& volume : Stack().Volumes()) {
        if (volume.disk != disk) continue;
        const auto information = Stack().VolumeInfo(volume.guidPath);
        found[volume.partitionNumber] =
            information.Ok() ? information.value.fileSystemName + L"/" + information.value.volumeLabel
                             : L"error " + std::to_wstring(information.error);
    }
    EXPECT_EQ(found[1], L"NTFS/iSCSI");
    EXPECT_EQ(found[2], L"FAT32/STICK");
    EXPECT_EQ(found[3], L"error 1005");  // raw: ERROR_UNRECOGNIZED_VOLUME
    EXPECT_NE(RunTool("blkid -p -O 1048576 '" + image + "'").output.find("LABEL=\"iSCSI\""), std::string::npos);
}

}  // namespace
}  // namespace norvale::test
