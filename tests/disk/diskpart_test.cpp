// The diskpart stand-in: the script lines this program writes, what they do to
// the images and the mount manager, and the output the delete-run check reads
// (one colon in the banner on success, more after a service error).
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/disk/disksim_fixture.h"
#include "tools/disksim/diskpart.h"

namespace norvale::test {
namespace {

using disksim::DiskpartCommand;
using disksim::ParseDiskpartLine;
using disksim::RunDiskpartScript;
using Kind = DiskpartCommand::Kind;

TEST(DiskpartLine, ReadsTheLinesOfTheScriptsAndNothingElse) {
    struct Case {
        const char* line;
        Kind kind;
        std::uint32_t number;
        char letter;
        bool noerr;
    };
    const Case cases[] = {
        {"select disk 12", Kind::SelectDisk, 12, 0, false},
        {"SELECT   Disk 3\r", Kind::SelectDisk, 3, 0, false},
        {"select partition 2", Kind::SelectPartition, 2, 0, false},
        {"attributes disk clear readonly noerr", Kind::ClearReadOnly, 0, 0, true},
        {"online disk noerr", Kind::OnlineDisk, 0, 0, true},
        {"online disk", Kind::OnlineDisk, 0, 0, false},
        {"delete partition override", Kind::DeletePartition, 0, 0, false},
        {"assign letter=F", Kind::AssignLetter, 0, 'F', false},
        {"assign letter=e:", Kind::AssignLetter, 0, 'E', false},
        {"", Kind::Blank, 0, 0, false},
        {"rem clean disk 1", Kind::Blank, 0, 0, false},
        {"exit", Kind::Exit, 0, 0, false},
        {"select disk", Kind::BadArguments, 0, 0, false},
        {"select disk -1", Kind::BadArguments, 0, 0, false},
        {"select disk 9999999999", Kind::BadArguments, 0, 0, false},
        {"select volume 3", Kind::BadArguments, 0, 0, false},
        {"assign letter=FG", Kind::BadArguments, 0, 0, false},
        {"assign letter=1", Kind::BadArguments, 0, 0, false},
        {"assign", Kind::BadArguments, 0, 0, false},
        {"attributes disk set readonly", Kind::BadArguments, 0, 0, false},
        {"clean", Kind::Unknown, 0, 0, false},
        {"format fs=ntfs quick", Kind::Unknown, 0, 0, false},
        {"noerr", Kind::Unknown, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const DiskpartCommand command = ParseDiskpartLine(c.line);
        EXPECT_EQ(command.kind, c.kind);
        EXPECT_EQ(command.number, c.number);
        EXPECT_EQ(command.letter, c.letter);
        EXPECT_EQ(command.noerr, c.noerr);
    }
}

std::size_t Colons(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), ':')); }

class Diskpart : public DiskSimTest {
protected:
    // A disk with two NTFS-type partitions, F: and G:.
    std::uint32_t DiskWithTwoPartitions() {
        const std::uint32_t disk = AttachSized(4 * kGiB);
        EXPECT_EQ(Write(disk, MbrLayout(0x77, {MbrEntry(kMiB, kGiB), MbrEntry(2 * kGiB, kGiB)})), 0u);
        return disk;
    }
};

TEST_F(Diskpart, DeleteScriptRemovesThePartitionAndItsLetter) {
    const std::uint32_t disk = DiskWithTwoPartitions();
    ASSERT_EQ(disk, 1u);
    const auto run = RunDiskpartScript(Stack(), "select disk 1\nselect partition 2\ndelete partition override\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("On computer: NORVALE-PC"), std::string::npos);
    EXPECT_NE(run.output.find("Disk 1 is now the selected disk."), std::string::npos);
    EXPECT_NE(run.output.find("Partition 2 is now the selected partition."), std::string::npos);
    EXPECT_NE(run.output.find("DiskPart successfully deleted the selected partition."), std::string::npos);
    EXPECT_EQ(Colons(run.output), 1u);  // the banner's: no message for the user
    const auto partitions = Stack().Partitions(disk);
    ASSERT_EQ(partitions->size(), 1u);
    EXPECT_EQ(partitions->front().startingOffset, kMiB);
    EXPECT_EQ(Stack().TypeOf(L"G:"), DriveType::NoRootDirectory);
    EXPECT_EQ(Stack().TypeOf(L"F:"), DriveType::Fixed);
    EXPECT_EQ(RunTool("sfdisk --dump '" + ImageOf(disk) + "'").exitCode, 0);
}

// The failures a user can meet, each with its service text after a colon of
// its own, and nothing changed on the disk.
TEST_F(Diskpart, FailuresPrintTheirTextAndChangeNothing) {
    const std::uint32_t disk = DiskWithTwoPartitions();
    struct Case {
        const char* label;
        std::function<void()> prepare;
        std::string script;
        const char* text;
        int exitCode;
    };
    const Case cases[] = {
        {"missing partition", [] {}, "select disk 1\nselect partition 3\ndelete partition override\n",
         "The partition you selected is not valid.", 5},
        {"missing disk", [] {}, "select disk 7\nselect partition 1\ndelete partition override\n",
         "The disk you specified is not valid.", 5},
        {"read-only disk", [&] { Stack().SetReadOnly(disk, true); },
         "select disk 1\nselect partition 1\ndelete partition override\n",
         "Virtual Disk Service error:\r\nThe media is write protected.", 4},
        {"letter in use", [] {}, "select disk 1\nonline disk noerr\nselect partition 1\nassign letter=E",
         "Virtual Disk Service error:\r\nThe specified drive letter is not free to be assigned.", 4},
        {"unknown command", [] {}, "select disk 1\nclean\n", "ONLINE      - Online an object", 2},
        {"bad arguments", [] {}, "select disk one\n", "For more information on the command type: HELP SELECT DISK",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        c.prepare();
        const std::string before = ImageDigest(ImageOf(disk));
        const auto run = RunDiskpartScript(Stack(), c.script);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.output.find(c.text), std::string::npos) << run.output;
        EXPECT_EQ(ImageDigest(ImageOf(disk)), before);
        EXPECT_EQ(Stack().Partitions(disk)->size(), 2u);
        EXPECT_EQ(Stack().TypeOf(L"F:"), DriveType::Fixed);
        Stack().SetReadOnly(disk, false);
    }
    // A service error gives the delete-run check a second colon, and the text
    // from the last colon on is what the user reads.
    Stack().SetReadOnly(disk, true);
    const auto run = RunDiskpartScript(Stack(), "select disk 1\nselect partition 1\ndelete partition override\n");
    EXPECT_GE(Colons(run.output), 2u);
    EXPECT_EQ(run.output.substr(run.output.rfind(':')), ":\r\nThe media is write protected.\r\n");
}

// A new iSCSI disk on a server edition: offline and read-only until the
// online script has run; then its volume and letter appear.
TEST_F(Diskpart, OnlineScriptBringsAnOfflineReadOnlyDiskIn) {
    const std::uint32_t disk = DiskWithTwoPartitions();
    Stack().SetOnline(disk, false);
    Stack().SetReadOnly(disk, true);
    ASSERT_EQ(Stack().Volumes().size(), 4u);
    const auto run =
        RunDiskpartScript(Stack(), "select disk 1\nattributes disk clear readonly noerr\nonline disk noerr\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("Disk attributes cleared successfully."), std::string::npos);
    EXPECT_NE(run.output.find("DiskPart successfully onlined the selected disk."), std::string::npos);
    EXPECT_TRUE(Stack().Disk(disk)->online);
    EXPECT_FALSE(Stack().Disk(disk)->readOnly);
    EXPECT_EQ(Stack().Volumes().size(), 6u);
    // Run again: the disk is online already; noerr lets the script go on.
    const auto again = RunDiskpartScript(Stack(), "select disk 1\nonline disk noerr\nselect partition 1\n");
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(again.output.find("This disk is already online."), std::string::npos);
    EXPECT_NE(again.output.find("Partition 1 is now the selected partition."), std::string::npos);
    // Without noerr the first error ends the run.
    const auto strict = RunDiskpartScript(Stack(), "select disk 1\nonline disk\nselect partition 1\n");
    EXPECT_EQ(strict.exitCode, 4);
    EXPECT_EQ(strict.output.find("Partition 1 is now"), std::string::npos);
}

// The diskpart of XP and Server 2003 knows neither command of the online
// script: each fails, and noerr lets the script go on as on Windows.
TEST_F(Diskpart, OlderDiskpartRefusesTheDiskAttributeCommands) {
    const std::uint32_t disk = DiskWithTwoPartitions();
    Stack().SetOnline(disk, false);
    Stack().SetReadOnly(disk, true);
    struct Case {
        disksim::DiskpartVersion version;
        const char* script;
        int exitCode;
        bool reachesTheLastLine;
    } cases[] = {
        {{5, 2}, "select disk 1\nattributes disk clear readonly noerr\nonline disk noerr\nselect partition 1\n", 0, true},
        {{5, 1}, "select disk 1\nattributes disk clear readonly\nselect partition 1\n", 2, false},
        {{5, 2}, "select disk 1\nonline disk\nselect partition 1\n", 2, false},
    };
    for (const Case& c : cases) {
        const auto run = RunDiskpartScript(Stack(), c.script, c.version);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.script;
        EXPECT_EQ(run.output.find("Partition 1 is now") != std::string::npos, c.reachesTheLastLine) << c.script;
        EXPECT_NE(run.output.find("Microsoft DiskPart version 5."), std::string::npos);
        EXPECT_FALSE(Stack().Disk(disk)->online) << c.script;
        EXPECT_TRUE(Stack().Disk(disk)->readOnly) << c.script;
    }
}

// The assign script as written for disk 12: no final line feed, and the
// letter after the configured delay.
TEST_F(Diskpart, AssignScriptMovesTheVolumeToItsLetterAfterTheDelay) {
    for (std::uint32_t n = 1; n < 12; ++n) AttachSized(kGiB);
    const std::uint32_t disk = AttachSized(4 * kGiB);
    ASSERT_EQ(disk, 12u);
    Stack().SetAutoMount(false);
    ASSERT_EQ(Write(disk, MbrLayout(5, {MbrEntry(65536, kGiB)})), 0u);
    Stack().SetLetterDelay(std::chrono::milliseconds(1500));
    const auto run = RunDiskpartScript(Stack(), "select disk 12\nonline disk noerr\nselect partition 1\nassign letter=K");
    EXPECT_NE(run.output.find("DiskPart successfully assigned the drive letter or mount point."), std::string::npos)
        << run.output;
    EXPECT_EQ(Stack().TypeOf(L"K:"), DriveType::NoRootDirectory);
    clock_.Advance(std::chrono::milliseconds(1500));
    EXPECT_EQ(Stack().TypeOf(L"K:"), DriveType::Fixed);
}

TEST_F(Diskpart, SystemDiskPartitionIsNotDeleted) {
    const auto run = RunDiskpartScript(Stack(), "select disk 0\nselect partition 1\ndelete partition override\n");
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.output.find("Virtual Disk Service error:"), std::string::npos);
    EXPECT_EQ(Stack().TypeOf(L"C:"), DriveType::Fixed);
    ExpectSystemTouches(1);
}

}  // namespace
}  // namespace norvale::test
