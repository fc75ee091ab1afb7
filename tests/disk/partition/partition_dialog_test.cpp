// The partition manager on the simulated Windows: the whole Add from OK to
// the posted close, with real tables on the images, a real file system
// written by the format stand-in, and the refusals that must leave the disk
// as it was.
#include "disk/core/partition/partition_dialog.h"

#include <gtest/gtest.h>

#include "disk/core/partition/new_partition.h"
#include "resources/resource.h"
#include "tests/disk/simulated_windows_fixture.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/fake_dialog_surface.h"
#include "tools/disksim/mkfs_format_port.h"

namespace norvale::test {
namespace {

class CountingIds final : public IdSourcePort {
public:
    Guid NewGuid() override {
        std::uint8_t bytes[16] = {0x42};
        bytes[15] = static_cast<std::uint8_t>(++count_);
        return Guid::FromBytes(bytes);
    }
    std::uint32_t NewMbrSignature() override { return 0x5EED0000u + static_cast<std::uint32_t>(++count_); }

private:
    int count_ = 0;
};

constexpr wchar_t kHuge[] = L"iqn.2026-12.com.orrin:archive.huge";

class PartitionManager : public SimulatedWindowsTest {
protected:
    // A PC of that Windows with Archive's targets and a 3 TB one.
    void BootWith(FakeVersionSource version) {
        windows_.reset();
        RunTool("rm -rf '" + dir_ + "'/*");
        auto appliances = TwoAppliances();
        appliances[0].targets.push_back({"iqn.2026-12.com.orrin:archive.huge", false, "", "", 3000ull << 30});
        windows_ = std::make_unique<sim::SimulatedWindows>(clock_, sim::WindowsSetup::For(std::move(version), dir_,
                                                                                           appliances));
        inventory_ = std::make_unique<DiskInventory>(Pc().Inventory());
        format_ = std::make_unique<disksim::MkfsFormatPort>(Disks());
        engine_ = std::make_unique<FormatEngine>(*format_);
    }
    // Connects the target and gives its disk an empty table, as the disk
    // manager's initialisation does; answers the job for its free area.
    PartitionJob Job(const wchar_t* target, PartitionStyle style) {
        const std::int32_t disk = Connect(target);
        const auto number = static_cast<std::uint32_t>(disk);
        Disks().BringOnline(number);
        Disks().SetReadOnly(number, false);
        auto device = Disks().Open(PhysicalDrivePath(number), disk_access::kGenericRead | disk_access::kGenericWrite,
                                   disk_access::kShareRead | disk_access::kShareWrite);
        CreateDiskParams params{style, 0x1234, *Guid::Parse(L"{11111111-2222-3333-4444-555555555555}"), 128};
        EXPECT_EQ(device.value->CreateDisk(params).error, 0u);
        device.value->UpdateProperties();
        PartitionJob job;
        job.diskNumber = disk;
        job.gpt = style == PartitionStyle::Gpt;
        job.segments = inventory_->BuildLayout(number).segments;
        job.segmentIndex = 0;
        job.slot = 0;
        job.partitionNumber = 1;
        job.availableMiB = job.segments.at(0).length >> 20;
        job.owner = {target, {kArchiveIp, kArchiveOtherIp}};
        return job;
    }
    std::string Image(std::int32_t disk) { return Disks().Disk(static_cast<std::uint32_t>(disk))->imagePath; }
    PartitionPorts Ports() {
        return PartitionPorts{Disks(), *inventory_, Pc().ScriptFiles(), Pc().Runner(), Pc().Version(), Pc().Wow64(),
                              Disks(), Disks(), errors_, ids_, clock_, *engine_};
    }
    // OK with the dialog's defaults changed by `setUp`; the worker and the
    // posted reports run to the end.
    PartitionResult RunAdd(FakeDialogSurface& surface, CPartition& dialog,
                           const std::function<void(FakeDialogSurface&)>& setUp = {}) {
        surface.MeasureHandlers(clock_);
        surface.Open(dialog);
        if (setUp) setUp(surface);
        surface.Click(kIdOk);
        surface.RunWorkers();
        surface.DeliverPosted();
        surface.DeliverPosted();
        return dialog.Result();
    }
    std::vector<std::wstring> Boxes(const FakeDialogSurface& surface) {
        std::vector<std::wstring> texts;
        for (const auto& box : surface.MessageBoxes()) texts.push_back(box.request.text);
        return texts;
    }

    std::unique_ptr<DiskInventory> inventory_;
    std::unique_ptr<disksim::MkfsFormatPort> format_;
    std::unique_ptr<FormatEngine> engine_;
    EnglishErrorText errors_;
    CountingIds ids_;
};

TEST_F(PartitionManager, AddsFormatsAndLettersAPartitionOnEachWindows) {
    struct Case {
        const char* what;
        FakeVersionSource (*version)();
        bool fat32;
        PartitionJobMode mode;
        const char* blkidType;
        bool aligned;  // from Vista on: the first 1 MiB boundary of the free area
    } cases[] = {
        {"7", Windows7Professional, false, PartitionJobMode::XpOrLater, "ntfs", true},
        {"XP 32-bit FAT32", XpProfessional, true, PartitionJobMode::XpOrLater, "vfat", false},
        {"XP 64-bit", XpProfessionalX64, false, PartitionJobMode::XpOrLater, "ntfs", false},
        {"2003 R2 (assign script, reruns)", Server2003R2Enterprise, false, PartitionJobMode::XpOrLater, "ntfs", false},
        {"2003 without SP text", Server2003StandardRtm, true, PartitionJobMode::XpOrLater, "vfat", false},
        {"2008 (online script, no automount)", Server2008Standard, false, PartitionJobMode::XpOrLater, "ntfs", true},
        {"Vista", VistaBusiness, false, PartitionJobMode::XpOrLater, "ntfs", true},
        {"2000 (older requests)", Windows2000, false, PartitionJobMode::OlderWindows, "ntfs", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BootWith(c.version());
        PartitionJob job = Job(kArchiveData, PartitionStyle::Mbr);
        job.mode = c.mode;
        const std::int32_t disk = job.diskNumber;
        const std::int64_t start = c.aligned ? kMiB : job.segments[0].start;
        CPartition dialog(job, Ports());
        FakeDialogSurface surface;
        const PartitionResult result = RunAdd(surface, dialog, [&](FakeDialogSurface& s) {
            EXPECT_FALSE(s.IsEnabled(IDC_PARTITION_SIZE));
            if (!c.fat32) return;
            s.ClickCheckBox(IDC_PARTITION_MAX_SPACE);
            s.SetText(IDC_PARTITION_SIZE, L"1024");
            s.ClickCheckBox(IDC_PARTITION_FAT32);
        });
        EXPECT_EQ(Boxes(surface), std::vector<std::wstring>{});
        EXPECT_EQ(result, PartitionResult::Done);
        EXPECT_EQ(surface.EndCode(), kIdCancel);  // closed by the engine's posted close
        EXPECT_EQ(surface.Control(IDC_PARTITION_STATUS).text, L"Format was completed successfully.");
        EXPECT_EQ(RunTool("sfdisk -d '" + Image(disk) + "' | sed -n 's/.*start= *\\([0-9]*\\).*/\\1/p'").output,
                  std::to_string(start / 512) + "\n");
        const ToolRun probe = RunTool("blkid -p -O " + std::to_string(start) + " '" + Image(disk) + "'");
        EXPECT_NE(probe.output.find("TYPE=\"" + std::string(c.blkidType) + "\""), std::string::npos) << probe.output;
        const auto record = inventory_->FindPartition(disk, 1);
        ASSERT_TRUE(record.has_value());
        EXPECT_EQ(record->driveLetter, surface.ComboItemText(IDC_PARTITION_LETTER, 0));
        EXPECT_EQ(record->fileSystem, c.fat32 ? L"FAT32" : L"NTFS");
    }
}

TEST_F(PartitionManager, GptPartitionsEndBeforeTheBackupTable) {
    BootWith(Windows7Enterprise());
    PartitionJob job = Job(kHuge, PartitionStyle::Gpt);
    // A free area that reaches the disk's last byte, and all of it asked for.
    const std::int64_t bytes = Disks().Disk(static_cast<std::uint32_t>(job.diskNumber))->bytes;
    job.segments[0].length = bytes - job.segments[0].start;
    job.segments[0].end = bytes;
    job.availableMiB = job.segments[0].length >> 20;
    CPartition dialog(job, Ports());
    FakeDialogSurface surface;
    EXPECT_EQ(RunAdd(surface, dialog), PartitionResult::Done);
    EXPECT_EQ(Boxes(surface), std::vector<std::wstring>{});
    const ToolRun verify = RunTool("sgdisk --verify '" + Image(job.diskNumber) + "'");
    EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
    EXPECT_EQ(inventory_->FindPartition(job.diskNumber, 1)->fileSystem, L"NTFS");
}

TEST_F(PartitionManager, FailedStepsLeaveTheDiskAsItWas) {
    enum class Fault { WriteFails, ReadFails, OtherTarget, FormatFails, NoLibrary, OnlineScriptHangs };
    struct Case {
        const char* what;
        Fault fault;
        std::wstring box;
        PartitionResult result;
        bool imageChanges;
    } cases[] = {
        {"layout write fails", Fault::WriteFails,
         L"The request could not be performed because of an I/O device error.\r\n", PartitionResult::Failed, false},
        {"layout read fails", Fault::ReadFails, L"A device attached to the system is not functioning.\r\n",
         PartitionResult::NothingDone, false},
        {"disk of another target", Fault::OtherTarget, L"", PartitionResult::NothingDone, false},
        {"format fails: only the new partition goes", Fault::FormatFails, L"", PartitionResult::Done, true},
        {"no format library", Fault::NoLibrary, L"", PartitionResult::Done, true},
        {"online script hangs (2008)", Fault::OnlineScriptHangs, L"", PartitionResult::NothingDone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BootWith(c.fault == Fault::OnlineScriptHangs ? Server2008Standard() : Windows7Professional());
        PartitionJob job = Job(kArchiveData, PartitionStyle::Mbr);
        const auto disk = static_cast<std::uint32_t>(job.diskNumber);
        const std::string before = ImageDigest(Image(job.diskNumber));
        disksim::Injection injection;
        injection.disk = disk;
        switch (c.fault) {
            case Fault::WriteFails:
                injection.request = disksim::Request::SetDriveLayoutEx;
                injection.error = win32_error::kIoDevice;
                Disks().Inject(injection);
                break;
            case Fault::ReadFails:
                injection.request = disksim::Request::GetDriveLayoutEx;
                Disks().Inject(injection);
                break;
            case Fault::OtherTarget: job.owner.targetName = kBackupData; break;
            case Fault::FormatFails: format_->SetFailing(true); break;
            case Fault::NoLibrary: format_->SetMissing(true); break;
            case Fault::OnlineScriptHangs: Pc().Processes().Hang(L"cmd"); break;
        }
        CPartition dialog(job, Ports());
        FakeDialogSurface surface;
        EXPECT_EQ(RunAdd(surface, dialog), c.result);
        if (!c.box.empty()) {
            EXPECT_EQ(Boxes(surface), std::vector<std::wstring>{c.box});
        }
        EXPECT_FALSE(surface.EndCode().has_value());  // the dialog stays open...
        EXPECT_TRUE(surface.IsDialogEnabled());       // ...and can be closed
        EXPECT_TRUE(surface.IsEnabled(kIdCancel));
        EXPECT_EQ(ImageDigest(Image(job.diskNumber)) != before, c.imageChanges);
        EXPECT_EQ(RunTool("sfdisk -d '" + Image(job.diskNumber) + "' | grep -c start=").output, "0\n");
        EXPECT_EQ(Pc().RunTimeouts().size(), c.fault == Fault::OnlineScriptHangs ? 1u : 0u);
    }
}

TEST_F(PartitionManager, ValidationEdges) {
    struct Case {
        FakeVersionSource (*version)();
        const wchar_t* size;  // nullptr: maximum space
        bool fat32;
        std::int64_t availableMiB;
        std::wstring refusal;  // empty: accepted
    } cases[] = {
        {Windows7Professional, L"10", false, 5000, L"Partition size cannot be less than 11Mb."},
        {Windows7Professional, L"11", false, 5000, L""},
        {Windows7Professional, L"12a", false, 5000, L""},
        {Windows7Professional, L"5001", false, 5000, L"Invalid partition size.\nPartition must be less than 5000Mb"},
        {Windows7Professional, nullptr, false, 10, L"Partition size cannot be less than 11Mb."},
        {Windows7Professional, L"511", true, 50000, L"Invalid partition size.\nFAT32 partition cannot be less than 512Mb."},
        {Windows7Professional, L"512", true, 50000, L""},
        {Windows7Professional, L"32768", true, 50000, L""},
        {Windows7Professional, L"32769", true, 50000, L"Invalid partition size.\nFAT32 partition cannot exceed 32768Mb."},
        {XpProfessional, L"2089989", false, 3000000, L""},
        {XpProfessional, L"2089990", false, 3000000, L"Partition size exceed 2Tb.Partition size must less than 2Tb."},
        {Windows7Professional, L"2089990", false, 3000000, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size == nullptr ? "max" : std::string(c.size, c.size + std::wcslen(c.size)));
        BootWith(c.version());
        PartitionJob job;  // no disk: an accepted size stops at the disk
        job.availableMiB = c.availableMiB;
        job.segments = {DiskSegment{0, kMiB, c.availableMiB * kMiB, kMiB + c.availableMiB * kMiB}};
        CPartition dialog(job, Ports());
        FakeDialogSurface surface;
        surface.Open(dialog);
        if (c.size != nullptr) {
            surface.ClickCheckBox(IDC_PARTITION_MAX_SPACE);
            surface.SetText(IDC_PARTITION_SIZE, c.size);
        }
        if (c.fat32) surface.ClickCheckBox(IDC_PARTITION_FAT32);
        EXPECT_FALSE(surface.IsChecked(IDC_PARTITION_NTFS) && c.fat32);
        surface.Click(kIdOk);
        ASSERT_EQ(surface.MessageBoxes().size(), 1u);
        EXPECT_EQ(surface.MessageBoxes()[0].request.text,
                  c.refusal.empty() ? L"The parameter is incorrect.\r\n" : c.refusal);
        EXPECT_TRUE(surface.IsDialogEnabled());
        EXPECT_EQ(dialog.Result(), PartitionResult::NothingDone);
    }
}

TEST_F(PartitionManager, NoFormatTypeAndNoFreeLetter) {
    BootWith(Windows7Professional());
    PartitionJob job;
    job.availableMiB = 100;
    CPartition dialog(job, Ports());
    FakeDialogSurface surface;
    surface.Open(dialog);
    surface.ClickCheckBox(IDC_PARTITION_NTFS);
    surface.Click(kIdOk);
    EXPECT_EQ(Boxes(surface), std::vector<std::wstring>{L"Please Select Format Type."});
    EXPECT_EQ(surface.Control(IDC_PARTITION_AVAILABLE).text, L"Megabytes (Avaliable: 100 MB)");

    for (wchar_t letter = L'F'; letter <= L'Z'; ++letter) Pc().Pc().connections[letter] = L"\\\\NAS\\x";
    CPartition second(job, Ports());
    FakeDialogSurface full;
    full.Open(second);
    EXPECT_EQ(full.Control(IDC_PARTITION_STATUS).text, L"There is no avaliable drive letter to use.");
    EXPECT_FALSE(full.IsEnabled(kIdOk));
    EXPECT_TRUE(full.IsEnabled(kIdCancel));
}

}  // namespace
}  // namespace norvale::test
