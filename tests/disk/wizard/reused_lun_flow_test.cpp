// A connect of a target whose LUN already holds data, and the disk manager
// driven step by step: on the simulated Windows, with the LUN's content made
// by the system's own tools and the image checked by them afterwards.
#include <gtest/gtest.h>

#include "disk/core/stack/reserved_partition.h"
#include "disk/core/wizard/wizard_partition.h"
#include "platform/core/utf8.h"
#include "resources/resource.h"
#include "tests/disk/disksim_fixture.h"
#include "tests/platform/version_machines.h"
#include "tools/diskflow/disk_flow_rig.h"
#include "tools/diskflow/flow_actions.h"

namespace norvale {
namespace {

using diskflow::DiskFlowRig;
using diskflow::ExistingContent;
using diskflow::FlowSetup;
using test::RunTool;

class ReusedLunFlowTest : public testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/norvale-reused-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override {
        rig_.reset();
        RunTool("rm -rf '" + dir_ + "'");
    }
    DiskFlowRig& Boot(test::FakeVersionSource version, ExistingContent existing, std::uint64_t bytes = 10ull << 30,
                      std::chrono::milliseconds reservedDelay = std::chrono::milliseconds(1000)) {
        rig_.reset();
        RunTool("rm -rf '" + dir_ + "'/*");
        FlowSetup setup = FlowSetup::For(std::move(version), dir_, bytes);
        setup.existing = existing;
        setup.windows.reservedPartitionDelay = reservedDelay;
        setup.windows.lunSectorBytes = sectorBytes_;
        rig_ = std::make_unique<DiskFlowRig>(std::move(setup), clock_);
        rig_->OpenAndSelect();
        return *rig_;
    }
    std::string TargetImage() {
        for (const auto& disk : rig_->Pc().Disks().Disks()) {
            if (static_cast<std::int32_t>(disk.number) == rig_->TargetDisk()) return disk.imagePath;
        }
        return {};
    }
    // The wizard's partitioning step on the target's disk, for a disk owner
    // of `target` at the appliance.
    WizardPartitionResult PartitionAsTheWizard(const std::wstring& target) {
        DiskScripts scripts = rig_->Pc().Scripts();
        WizardPartitionRequest request;
        request.disk = rig_->TargetDisk();
        request.diskText = std::to_wstring(request.disk);
        request.sizeMiB = 100;
        request.osClass = 7;
        request.owner = {target, {diskflow::kApplianceIp}};
        return CreateWizardPartition(WizardPartitionPorts{rig_->Pc().Disks(), rig_->Inventory(), scripts, clock_},
                                     request);
    }
    std::uint64_t TableWrites() {
        auto& disks = rig_->Pc().Disks();
        return disks.Calls(disksim::Request::SetDriveLayoutEx) + disks.Calls(disksim::Request::SetDriveLayout) +
               disks.Calls(disksim::Request::CreateDisk);
    }
    // Runs the steps in the disk manager that Management opens.
    std::vector<std::string> Manage(const std::string& steps, bool connect = true) {
        std::string error;
        auto parsed = diskflow::ParseFlowSteps(steps, error);
        EXPECT_TRUE(parsed) << error;
        std::vector<std::string> seen;
        user_ = std::make_unique<diskflow::ManagerUser>(*rig_, parsed.value_or(std::vector<diskflow::FlowStep>{}),
                                                        [&seen](const std::string& line) { seen.push_back(line); });
        rig_->OnDiskManager([this](test::FakeDialogSurface& manager) { return user_->Run(manager); });
        if (connect) {
            rig_->ConnectAndManage();
        } else {
            rig_->Manage();
        }
        EXPECT_EQ(user_->StepsLeft(), 0u);
        return seen;
    }

    test::VirtualClock clock_;
    std::string dir_;
    std::int64_t sectorBytes_ = 512;
    std::unique_ptr<DiskFlowRig> rig_;
    std::unique_ptr<diskflow::ManagerUser> user_;
};

// What a file-system checker that shares no code with this program says of
// the partition at `start` (copied out: the checkers read whole devices).
int CheckPartition(const std::string& checker, const std::string& image, std::int64_t start, std::int64_t length) {
    const std::string part = image + ".check";
    RunTool("dd if='" + image + "' of='" + part + "' iflag=skip_bytes,count_bytes skip=" + std::to_string(start) +
            " count=" + std::to_string(length) + " bs=4M conv=sparse status=none");
    const int code = RunTool(checker + " '" + part + "' >/dev/null 2>&1").exitCode;
    RunTool("rm -f '" + part + "'");
    return code;
}

bool Shows(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos) return true;
    }
    return false;
}

TEST(FlowSteps, ReadsTheStepsAndRefusesAnythingElse) {
    const struct {
        const char* text;
        std::size_t steps;  // 0: refused (an empty text has no steps either)
    } cases[] = {
        {"init; add 500M ntfs F; unmount 1; mount 1 G; delete 1", 5},
        {" add max fat32 ;; add 2G NTFS ", 2},
        {"add 500 ntfs", 0},
        {"add 500M ext4", 0},
        {"mount 1", 0},
        {"delete 0", 0},
        {"format 1", 0},
        {"add 500M ntfs F:; mount 2 1", 0},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto steps = diskflow::ParseFlowSteps(c.text, error);
        EXPECT_EQ(steps ? steps->size() : 0u, c.steps) << c.text;
        EXPECT_EQ(steps.has_value(), error.empty()) << c.text;
    }
}

// A reused LUN is never repartitioned, whatever it holds and whatever the
// Windows: the image stays byte for byte, no table request and no diskpart
// run touch it, and a disk without a volume is handed to the disk manager
// with the message.
TEST_F(ReusedLunFlowTest, ConnectLeavesEveryKindOfContentByteIdentical) {
    const struct {
        const char* name;
        test::FakeVersionSource (*version)();
    } windows[] = {{"7", test::Windows7Professional},
                   {"Server 2008 R2", test::Server2008R2Datacenter},
                   {"XP", test::XpProfessional}};
    for (const auto& w : windows) {
        for (const std::string& kind : diskflow::ExistingContentNames()) {
            SCOPED_TRACE(std::string(w.name) + " " + kind);
            DiskFlowRig& rig = Boot(w.version(), *diskflow::ParseExistingContent(kind), 1ull << 30);
            ASSERT_EQ(rig.ExistingError(), "");
            const std::string before = test::ImageDigest(rig.ExistingImage());
            bool wizardShown = false;
            rig.OnWizard([&](test::FakeDialogSurface& wizard) {
                wizardShown = true;
                wizard.Click(kIdOk);
            });
            rig.Connect();
            EXPECT_EQ(test::ImageDigest(rig.ExistingImage()), before);
            EXPECT_FALSE(wizardShown);
            EXPECT_EQ(TableWrites(), 0u);
            EXPECT_TRUE(rig.Pc().DiskpartRuns().empty());
            EXPECT_GE(rig.TargetDisk(), 1) << "stays connected";
            bool told = false;
            for (const auto& box : rig.MainSurface().MessageBoxes()) {
                told |= box.request.text.find(L"already holds partitions") != std::wstring::npos;
            }
            // Where Windows mounted a volume the wizard has no business at all.
            const auto volumes = rig.Pc().Disks().Volumes();
            const bool mounted = std::any_of(volumes.begin(), volumes.end(), [&](const auto& v) {
                return v.disk && static_cast<std::int32_t>(*v.disk) == rig.TargetDisk();
            });
            EXPECT_EQ(told, !mounted);
            if (told) EXPECT_EQ(rig.DiskManagerOpens(), 1);
            // A foreign disk that came up offline and read-only stays so.
            const auto facts = rig.Pc().Disks().Disk(static_cast<std::uint32_t>(rig.TargetDisk()));
            ASSERT_TRUE(facts);
            if (kind == "offline-ntfs" || std::string(w.name) == "Server 2008 R2") {
                EXPECT_FALSE(facts->online);
                EXPECT_TRUE(facts->readOnly);
            }
        }
    }
}

// The wizard's own step, called on a disk that holds partitions: nothing is
// run or written, not even the online script.
TEST_F(ReusedLunFlowTest, PartitioningStepHandsBackADiskWithPartitions) {
    DiskFlowRig& rig = Boot(test::Server2008R2Datacenter(), ExistingContent::OfflineNtfs, 1ull << 30);
    ASSERT_TRUE(rig.Pc().Connect(diskflow::kApplianceIp, diskflow::kTarget));
    const std::string before = test::ImageDigest(rig.ExistingImage());
    EXPECT_EQ(PartitionAsTheWizard(diskflow::kTarget).outcome, WizardPartitionResult::Outcome::HoldsPartitions);
    EXPECT_TRUE(rig.Pc().DiskpartRuns().empty());
    EXPECT_EQ(test::ImageDigest(rig.ExistingImage()), before);
    EXPECT_FALSE(rig.Pc().Disks().Disk(static_cast<std::uint32_t>(rig.TargetDisk()))->online);
}

// A disk at the number that is not the target's (another appliance's LUN,
// offline and read-only on a server): the online script is not even run.
TEST_F(ReusedLunFlowTest, ForeignDiskAtTheNumberStaysOfflineAndUntouched) {
    DiskFlowRig& rig = Boot(test::Server2008R2Datacenter(), ExistingContent::None, 1ull << 30);
    ASSERT_TRUE(rig.Pc().Connect(diskflow::kApplianceIp, diskflow::kTarget));
    EXPECT_EQ(PartitionAsTheWizard(L"iqn.2026-12.com.orrin:other.lun").outcome,
              WizardPartitionResult::Outcome::Refused);
    EXPECT_TRUE(rig.Pc().DiskpartRuns().empty());
    const auto facts = rig.Pc().Disks().Disk(static_cast<std::uint32_t>(rig.TargetDisk()));
    EXPECT_FALSE(facts->online);
    EXPECT_TRUE(facts->readOnly);
    EXPECT_EQ(TableWrites(), 0u);
}

// Initialise a 3 TB LUN as GPT and add a partition: Windows' reserved
// partition arrives a moment later and the new one follows it.
TEST_F(ReusedLunFlowTest, InitialisedGptDiskKeepsTheReservedPartitionInFront) {
    Boot(test::Windows7Professional(), ExistingContent::None, 3'000'000'000'000ull);
    const auto seen = Manage("init; add 1G ntfs R");
    EXPECT_TRUE(Shows(seen, "Would you like to initialize the disk?"));
    const std::string image = TargetImage();
    const auto table = rig_->Pc().Disks().ReadTable(static_cast<std::uint32_t>(rig_->TargetDisk()));
    ASSERT_TRUE(table);
    ASSERT_EQ(table->layout.entries.size(), 2u);
    const PartitionEntry& reserved = table->layout.entries[0];
    const PartitionEntry& added = table->layout.entries[1];
    EXPECT_TRUE(IsReservedPartition(reserved));
    EXPECT_EQ(reserved.startingOffset, 17408);
    EXPECT_EQ(reserved.partitionLength, 128 << 20);
    EXPECT_EQ(added.startingOffset, 129 << 20);
    EXPECT_EQ(added.partitionLength, 1LL << 30);
    const auto verify = RunTool("sgdisk --verify '" + image + "'");
    EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
    // The reserved partition is offered for nothing: no menu, no question.
    const auto refused = Manage("delete 1", false);
    EXPECT_TRUE(Shows(refused, "(no menu: nothing is offered on it)"));
    EXPECT_FALSE(Shows(refused, "All files on the disk will disappear"));
    EXPECT_EQ(rig_->Pc().Disks().ReadTable(static_cast<std::uint32_t>(rig_->TargetDisk()))->layout.entries.size(), 2u);
    const auto probe = RunTool("blkid -p -o value -s TYPE -O " + std::to_string(added.startingOffset) + " '" + image + "'");
    EXPECT_EQ(probe.output, "ntfs\n");
    EXPECT_EQ(CheckPartition("ntfsfix -n", image, added.startingOffset, added.partitionLength), 0);
}

// A reserved partition that never arrives ends the wait within its bound,
// with a message and no partition added.
TEST_F(ReusedLunFlowTest, ReservedPartitionThatNeverArrivesEndsTheWait) {
    Boot(test::Windows7Professional(), ExistingContent::None, 3'000'000'000'000ull, std::chrono::hours(1));
    const auto start = clock_.Now();
    const auto seen = Manage("init; add 10G ntfs");
    EXPECT_TRUE(Shows(seen, "did not report the reserved partition"));
    EXPECT_LE(clock_.Now() - start, kReservedPartitionWait + std::chrono::seconds(30));
    EXPECT_EQ(rig_->Pc().Disks().Calls(disksim::Request::SetDriveLayoutEx), 0u);
}

// A native 4K disk: every start and end on a whole 4096-byte sector inside
// the usable area Windows reports, file systems made for 4096-byte sectors,
// and the checkers of the system content with what they find.
TEST_F(ReusedLunFlowTest, FourKilobyteSectorsGetWholeSectorsEverywhere) {
    sectorBytes_ = 4096;
    const struct {
        const char* name;
        test::FakeVersionSource (*version)();
        std::uint64_t lunBytes;
        bool fat32;
        std::int64_t start;
    } cases[] = {
        {"7 MBR NTFS", test::Windows7Professional, 4ull << 30, false, 65536},
        {"Vista MBR FAT32", test::VistaBusiness, 4ull << 30, true, 1 << 20},
        {"7 GPT NTFS", test::Windows7Professional, 3'000'000'000'000ull, false, 129 << 20},
        {"Vista GPT FAT32", test::VistaBusiness, 3'000'000'000'000ull, true, 129 << 20},
        {"2019 GPT NTFS", test::Server2019Standard, 3'000'000'000'000ull, false, 16 << 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiskFlowRig& rig = Boot(c.version(), ExistingContent::None, c.lunBytes);
        rig.OnWizard([&](test::FakeDialogSurface& wizard) {
            wizard.ClickCheckBox(IDC_WIZARD_MAX_SPACE);
            wizard.TypeText(IDC_WIZARD_SIZE, c.fat32 ? L"600" : L"1024");
            if (c.fat32) wizard.ClickCheckBox(IDC_WIZARD_FAT32);
            wizard.Click(kIdOk);
        });
        rig.Connect();
        ASSERT_TRUE(rig.WizardBoxes().empty()) << WideToUtf8(rig.WizardBoxes().front().request.text);
        const auto table = rig.Pc().Disks().ReadTable(static_cast<std::uint32_t>(rig.TargetDisk()));
        ASSERT_TRUE(table);
        const bool gpt = table->layout.style == PartitionStyle::Gpt;
        const std::int64_t first = gpt ? table->layout.startingUsableOffset : 4096;
        const std::int64_t end = gpt ? first + table->layout.usableLength : static_cast<std::int64_t>(c.lunBytes);
        const PartitionEntry* data = nullptr;
        for (const PartitionEntry& entry : table->layout.entries) {
            if (entry.partitionLength == 0) continue;
            EXPECT_EQ(entry.startingOffset % 4096, 0);
            EXPECT_EQ(entry.partitionLength % 4096, 0);
            EXPECT_GE(entry.startingOffset, first);
            EXPECT_LE(entry.End(), end);
            data = &entry;
        }
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->startingOffset, c.start);
        EXPECT_EQ(rig.FormatLibrary().LastSectorBytes(), 4096);
        const std::string image = TargetImage();
        EXPECT_EQ(RunTool("fdisk -b 4096 -l '" + image + "' >/dev/null 2>&1").exitCode, 0);
        EXPECT_EQ(CheckPartition(c.fat32 ? "fsck.fat -n" : "ntfsfix -n", image, data->startingOffset,
                                 data->partitionLength),
                  0);
    }
}

// Delete, unmount and mount through the disk manager on a reused LUN the
// user chose to work on.
TEST_F(ReusedLunFlowTest, StepsOfTheDiskManagerActOnTheTargetsDisk) {
    Boot(test::Windows7Professional(), ExistingContent::None);
    const auto seen = Manage("init; add 600M fat32 P; unmount 1; mount 1 Q");
    EXPECT_TRUE(Shows(seen, "Format was completed successfully."));
    const auto volumes = rig_->Pc().Disks().Volumes();
    const auto lettered = std::find_if(volumes.begin(), volumes.end(), [&](const auto& v) {
        return v.disk && static_cast<std::int32_t>(*v.disk) == rig_->TargetDisk();
    });
    ASSERT_NE(lettered, volumes.end());
    EXPECT_EQ(lettered->letter, L'Q');
    EXPECT_EQ(CheckPartition("fsck.fat -n", TargetImage(), lettered->start, lettered->length), 0);
    const auto deleted = Manage("delete 1", false);
    EXPECT_TRUE(Shows(deleted, "Would you like to delete"));
    const auto table = rig_->Pc().Disks().ReadTable(static_cast<std::uint32_t>(rig_->TargetDisk()));
    ASSERT_TRUE(table);
    for (const PartitionEntry& entry : table->layout.entries) EXPECT_EQ(entry.partitionLength, 0);
}

}  // namespace
}  // namespace norvale
