// The disk manager end to end: the fake surface over the simulated Windows,
// its images checked with sfdisk and sgdisk, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>

#include "disk/core/manager/disk_manager_geometry.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/utf8.h"
#include "tests/disk/manager/disk_manager_fixture.h"

namespace norvale {
namespace {

using test::DiskManagerTest;
using test::kGiB;
using test::kMiB;
using test::RunTool;

// Bars, size and scroll bar by the number of the appliance's disks; the
// other appliance's disk is never listed.
TEST_F(DiskManagerTest, LayoutFollowsTheAppliancesDisks) {
    Connect(test::kBackupData, test::kBackupIp);
    const wchar_t* targets[] = {test::kArchiveData, test::kArchiveSmall, test::kArchiveTera, test::kArchiveHuge,
                                test::kArchiveSpare};
    int connected = 0;
    for (const int disks : {0, 1, 2, 3, 5}) {
        while (connected < disks) Connect(targets[connected++]);
        CDiskMgrDlg dialog(Ports(), ApplianceAddresses{test::kArchiveIp, test::kArchiveOtherIp});
        test::FakeDialogSurface surface;
        surface.Open(dialog);
        EXPECT_EQ(surface.DialogSize(), FrameForDisks(disks).size) << disks;
        // A dialog font wider than the one the sizes were made for: the
        // frame holds the template (and the scroll bar beside it).
        CDiskMgrDlg wide(Ports(), ApplianceAddresses{test::kArchiveIp, test::kArchiveOtherIp});
        test::FakeDialogSurface wideSurface;
        wideSurface.ResizeDialog(Extent{520, 300});
        wideSurface.Open(wide);
        EXPECT_EQ(wideSurface.DialogSize().width, disks >= 3 ? 530 : 520) << disks;
        EXPECT_EQ(surface.DiskBarCount(), disks);
        EXPECT_EQ(surface.VerticalScrollBar().has_value(), disks >= 3) << disks;
        for (int bar = 0; bar < disks; ++bar) EXPECT_EQ(surface.DiskBar(bar).rect, DiskBarRect(bar)) << bar;
        const auto& list = surface.Control(IDC_DISK_VOLUMES).list;
        ASSERT_EQ(list.rows.size(), static_cast<std::size_t>(disks));
        EXPECT_EQ(list.columns.size(), 6u);
        for (const auto& row : list.rows) EXPECT_NE(row[5], L"backup.data");
        if (disks > 0) {
            EXPECT_EQ(list.rows[0][5], L"archive.data");
        }
        if (disks == 5) {  // wheel and drag move the content within the range
            surface.Wheel(-120);
            EXPECT_EQ(surface.ContentOffset(), -13);
            surface.MouseDown({100, 300});
            surface.MouseMove({100, 100});
            surface.MouseUp({100, 100});
            EXPECT_EQ(surface.ContentOffset(), -213);
            surface.ScrollBarRequest(ScrollRequest::Bottom);  // the bar stops short of the range
            EXPECT_EQ(surface.ContentOffset(), -HighestScrollPosition(*surface.VerticalScrollBar()));
        }
    }
    // A device with no target leaves the dialog as its template made it.
    targetCount_ = 0;
    CDiskMgrDlg dialog(Ports(), ApplianceAddresses{test::kArchiveIp, test::kArchiveOtherIp});
    test::FakeDialogSurface surface;
    surface.Open(dialog);
    EXPECT_EQ(surface.DialogSize(), Extent{});
    EXPECT_EQ(surface.DiskBarCount(), 0);
}

// The first row of a disk carries its number and colour, the others neither.
TEST_F(DiskManagerTest, RowsOfOneDiskAndTheMenus) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB), test::MbrEntry(2 * kGiB, kGiB)}));
    Open();
    const auto& list = surface_->Control(IDC_DISK_VOLUMES).list;
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0][0], std::to_wstring(disk));
    EXPECT_EQ(list.rows[1][0], L"");
    const auto& colors = list.stripes->RowColors();
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(colors[0].second, kFirstRowOfDisk);
    EXPECT_EQ(colors[1].second, kOtherRowOfDisk);

    // Segments: partition, free, partition, free.
    surface_->ClickDiskBarSegment(0, 2, MouseButton::Right);
    ASSERT_EQ(surface_->PopupMenus().size(), 1u);
    EXPECT_EQ(surface_->PopupMenus()[0].subMenu, 1);
    EXPECT_FALSE(list.selected[0]);
    EXPECT_TRUE(list.selected[1]);
    surface_->ClickDiskBarSegment(0, 1, MouseButton::Right);
    EXPECT_EQ(surface_->PopupMenus().back().subMenu, 0);
    EXPECT_TRUE(surface_->Control(IDC_DISK_SEGMENTS).list.selected[1]);
    EXPECT_TRUE(surface_->PressKey(0x74));  // F5 goes nowhere
}

// Add on an empty disk of each Windows that partitions differently: the
// question, the table the disk gets, the job, and the refreshed dialog.
TEST_F(DiskManagerTest, AddInitialisesAnEmptyDiskAndHandsOverTheFreeArea) {
    struct Case {
        const char* name;
        test::FakeVersionSource version;
        PartitionJobMode mode;
    };
    const Case cases[] = {
        {"XP", test::XpProfessional(), PartitionJobMode::XpOrLater},
        {"XP x64", test::XpProfessionalX64(), PartitionJobMode::XpOrLater},
        {"2003 SP2", test::Server2003DatacenterDomainController(), PartitionJobMode::XpOrLater},
        {"2003 RTM", test::Server2003StandardRtm(), PartitionJobMode::XpOrLater},
        {"2003 R2", test::Server2003R2Enterprise(), PartitionJobMode::XpOrLater},
        {"Vista", test::VistaBusiness(), PartitionJobMode::XpOrLater},
        {"7", test::Windows7Professional(), PartitionJobMode::XpOrLater},
        {"2000", test::Windows2000(), PartitionJobMode::OlderWindows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BootAs(c.version);
        jobs_.clear();
        reopened_.clear();
        NewSurface();
        const std::int32_t disk = Connect(test::kArchiveData);
        Open();
        surface_->QueueAnswer(MessageAnswer::Yes);
        Choose(0, 0, ID_DISK_ADD);
        ASSERT_EQ(jobs_.size(), 1u) << WideToUtf8(LastBoxText());
        const PartitionJob& job = jobs_[0];
        EXPECT_EQ(job.mode, c.mode);
        EXPECT_FALSE(job.gpt);
        EXPECT_EQ(job.diskNumber, disk);
        EXPECT_EQ(job.slot, 0);
        EXPECT_EQ(job.partitionNumber, 1);
        EXPECT_EQ(job.owner.targetName, test::kArchiveData);
        EXPECT_LE(job.FreeArea()->end, 10 * kGiB);
        EXPECT_EQ(job.availableMiB, job.FreeArea()->length / kMiB);
        EXPECT_GT(job.availableMiB, 10200);
        EXPECT_EQ(RunTool("sfdisk --verify '" + Image(disk) + "'").exitCode, 0);
        EXPECT_NE(RunTool("sfdisk --dump '" + Image(disk) + "'").output.find("label: dos"), std::string::npos);
        ASSERT_EQ(reopened_.size(), 1u);
        ASSERT_EQ(reopened_[0].size(), 1u);
        EXPECT_EQ(reopened_[0][0][1], L"1");  // partition 1 is listed now
        EXPECT_EQ(letterRefreshes_ > 0, true);
    }
}

// 3 TiB on Windows 7 becomes GPT with the partition before the backup
// table; on 32-bit XP it stays MBR and the partition stops at 2 TiB.
TEST_F(DiskManagerTest, LargeDiskGetsGptOrAnMbrPartitionWithinReach) {
    for (const bool seven : {true, false}) {
        BootAs(seven ? test::Windows7Professional() : test::XpProfessional());
        jobs_.clear();
        NewSurface();
        const std::int32_t disk = Connect(test::kArchiveHuge);
        Open();
        surface_->QueueAnswer(MessageAnswer::Yes);
        Choose(0, 0, ID_DISK_ADD);
        ASSERT_EQ(jobs_.size(), 1u) << seven;
        EXPECT_EQ(jobs_[0].gpt, seven);
        if (seven) {
            EXPECT_LE(jobs_[0].FreeArea()->end, (3LL << 40) - 33 * 512);
            const auto verify = RunTool("sgdisk --verify '" + Image(disk) + "'");
            EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
        } else {
            EXPECT_LE(jobs_[0].FreeArea()->end, 2LL << 40);
            EXPECT_EQ(RunTool("sfdisk --verify '" + Image(disk) + "'").exitCode, 0);
        }
    }
}

// Four partitions fill a disk below the limit; a GPT disk beyond it takes a fifth.
TEST_F(DiskManagerTest, FourPartitionsBelowTheLimitOnly) {
    const std::int32_t tera = Connect(test::kArchiveTera);
    const std::int32_t huge = Connect(test::kArchiveHuge);
    std::vector<PartitionEntry> mbr, gpt;
    for (int i = 0; i < 4; ++i) {
        mbr.push_back(test::MbrEntry(kMiB + i * kGiB, kGiB - kMiB));
        gpt.push_back(test::GptEntry(kMiB + i * kGiB, kGiB - kMiB));
    }
    Partition(tera, test::MbrLayout(5, mbr));
    Partition(huge, test::GptLayout(test::TestGuid(3), gpt));
    Open();
    Choose(0, 4, ID_DISK_ADD);
    EXPECT_EQ(LastBoxText(), L"Only four partitions are allowed.");
    EXPECT_TRUE(jobs_.empty());
    Choose(1, 4, ID_DISK_ADD);
    ASSERT_EQ(jobs_.size(), 1u);
    EXPECT_TRUE(jobs_[0].gpt);
    EXPECT_EQ(jobs_[0].slot, 4);
    EXPECT_EQ(jobs_[0].partitionNumber, 5);
}

// A failed write, and a failed read of a disk that holds a partition: the
// system's text under "Warning", and the image as it was.
TEST_F(DiskManagerTest, FailedTableRequestsLeaveTheDiskAsItWas) {
    const std::int32_t empty = Connect(test::kArchiveSmall);
    const std::int32_t used = Connect(test::kArchiveData);
    Partition(used, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB)}));
    const std::string emptyBefore = test::ImageDigest(Image(empty));
    const std::string usedBefore = test::ImageDigest(Image(used));
    Open();
    Disks().Inject({disksim::Request::CreateDisk, static_cast<std::uint32_t>(empty), win32_error::kGenFailure, std::nullopt, 1});
    surface_->QueueAnswer(MessageAnswer::Yes);
    Choose(0, 0, ID_DISK_ADD);
    ASSERT_EQ(LastBoxText(), L"A device attached to the system is not functioning.\r\n");
    EXPECT_EQ(surface_->MessageBoxes().back().request.caption, L"Warning");
    EXPECT_EQ(test::ImageDigest(Image(empty)), emptyBefore);

    // Only the bar's read fails (a dialog that opens anew): it shows the
    // whole disk free, which Add must refuse before it asks Windows
    // anything, even if a read now works.
    surface_->Destroy();
    NewSurface();
    Disks().Inject({disksim::Request::GetDriveLayoutEx, static_cast<std::uint32_t>(used), win32_error::kIoDevice,
                    std::nullopt, 1});
    Open();
    const std::size_t boxes = surface_->MessageBoxes().size();
    const auto writes = Disks().Calls(disksim::Request::SetDriveLayoutEx) + Disks().Calls(disksim::Request::CreateDisk);
    Choose(1, 0, ID_DISK_ADD);
    ASSERT_EQ(surface_->MessageBoxes().size(), boxes + 1);
    EXPECT_EQ(LastBoxText().rfind(L"The partition table of this disk could not be read", 0), 0u);
    EXPECT_EQ(Disks().Calls(disksim::Request::SetDriveLayoutEx) + Disks().Calls(disksim::Request::CreateDisk), writes);
    EXPECT_EQ(test::ImageDigest(Image(used)), usedBefore);
    EXPECT_TRUE(jobs_.empty());
    EXPECT_TRUE(reopened_.empty());
}

// Delete by the table (XP client) and by the delete script (7); diskpart's
// own error comes up as its text.
TEST_F(DiskManagerTest, DeleteRemovesThePartitionByTableOrScript) {
    for (const bool script : {false, true}) {
        SCOPED_TRACE(script ? "script" : "table");
        BootAs(script ? test::Windows7Professional() : test::XpProfessional());
        reopened_.clear();
        NewSurface();
        const std::int32_t disk = Connect(test::kArchiveData);
        Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB), test::MbrEntry(2 * kGiB, kGiB)}));
        Open();
        surface_->QueueAnswer(MessageAnswer::Yes);
        Choose(0, 2, ID_DISK_DELETE);
        const std::string dump = RunTool("sfdisk --dump '" + Image(disk) + "'").output;
        EXPECT_NE(dump.find("start=        2048"), std::string::npos) << dump;
        EXPECT_EQ(dump.find("start=", dump.find("start=") + 1), std::string::npos) << dump;
        EXPECT_EQ(Disks().Partitions(static_cast<std::uint32_t>(disk))->size(), 1u);
        EXPECT_EQ(Pc().DiskpartRuns().size(), script ? 1u : 0u);
        EXPECT_FALSE(Pc().ScriptFiles().Exists(L"C:\\diskdel.script"));
        EXPECT_EQ(reopened_.size(), 1u);
    }
    // The disk turned read-only: diskpart says so.
    const std::int32_t disk = *Pc().DiskOf(test::kArchiveData);
    Disks().SetReadOnly(static_cast<std::uint32_t>(disk), true);
    NewSurface();
    Open();
    surface_->QueueAnswer(MessageAnswer::Yes);
    Choose(0, 0, ID_DISK_DELETE);
    EXPECT_EQ(LastBoxText(), L":\r\nThe media is write protected.\r\n");
}

// A diskpart that never ends is stopped at its limit: the partition stays,
// the user reads which program stopped, and the script file goes.
TEST_F(DiskManagerTest, AHungDeleteScriptIsStoppedAndLeavesTheDiskAsItWas) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB), test::MbrEntry(2 * kGiB, kGiB)}));
    const std::string before = test::ImageDigest(Image(disk));
    Pc().Processes().Hang(L"cmd");
    Open();
    const auto started = clock_.Now();
    surface_->QueueAnswer(MessageAnswer::Yes);
    Choose(0, 2, ID_DISK_DELETE);
    EXPECT_EQ(test::ImageDigest(Image(disk)), before);
    EXPECT_EQ(Disks().Partitions(static_cast<std::uint32_t>(disk))->size(), 2u);
    EXPECT_EQ(Pc().Processes().stopped, 1);
    EXPECT_GE(clock_.Now() - started, std::chrono::minutes(10));
    EXPECT_LT(clock_.Now() - started, std::chrono::minutes(11));
    ASSERT_EQ(Pc().RunTimeouts().size(), 1u);
    EXPECT_EQ(Pc().RunTimeouts()[0].rfind(L"diskpart did not finish within 10 minutes and was stopped", 0), 0u);
    EXPECT_TRUE(Pc().DiskpartRuns().empty());
    EXPECT_FALSE(Pc().ScriptFiles().Exists(L"C:\\diskdel.script"));
    EXPECT_TRUE(reopened_.empty());

    // Add on an empty disk: the online script before the initialisation
    // hangs, and the disk is not initialised.
    const std::int32_t empty = Connect(test::kArchiveSpare);
    const std::string emptyBefore = test::ImageDigest(Image(empty));
    NewSurface();
    Open();
    surface_->QueueAnswer(MessageAnswer::Yes);
    Choose(1, 0, ID_DISK_ADD);
    EXPECT_EQ(test::ImageDigest(Image(empty)), emptyBefore);
    EXPECT_EQ(Pc().RunTimeouts().size(), 2u);
    EXPECT_TRUE(jobs_.empty());
}

// diskpart opens its script denying writers: a script still held with write
// access cannot be opened and nothing is deleted; held by a reader, it runs.
TEST_F(DiskManagerTest, DiskpartReadsItsScriptOnlyWhenNoWriterHoldsIt) {
    for (const bool writerKept : {true, false}) {
        SCOPED_TRACE(writerKept ? "writer kept" : "reader only");
        BootAs(test::Windows7Professional());
        reopened_.clear();
        const std::int32_t disk = Connect(test::kArchiveData);
        Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB), test::MbrEntry(2 * kGiB, kGiB)}));
        Pc().ScriptFiles().KeepWriterWhileHeld(writerKept);
        Open();
        surface_->QueueAnswer(MessageAnswer::Yes);
        Choose(0, 2, ID_DISK_DELETE);
        ASSERT_EQ(Pc().DiskpartRuns().size(), 1u);
        const bool violated = Pc().DiskpartRuns()[0].output.find("being used by another process") != std::string::npos;
        EXPECT_EQ(violated, writerKept);
        EXPECT_EQ(Disks().Partitions(static_cast<std::uint32_t>(disk))->size(), writerKept ? 2u : 1u);
    }
}

// Input reaching the disk manager between the steps of a Delete (a click
// queued before the bar was held, the close box, Escape): nothing else
// starts, and a close is told once and waits until the table is written.
TEST_F(DiskManagerTest, InputDuringADeleteStartsNothingAndACloseWaitsForIt) {
    const std::function<void(test::FakeDialogSurface&)> inputs[] = {
        [](test::FakeDialogSurface& s) { s.CloseBox(); },
        [](test::FakeDialogSurface& s) { s.Click(kIdCancel); },
        [this](test::FakeDialogSurface&) { Choose(0, 1, ID_DISK_DELETE); },
        [this](test::FakeDialogSurface&) { Choose(0, 0, ID_DISK_UNMOUNT); },
    };
    for (std::size_t index = 0; index < std::size(inputs); ++index) {
        SCOPED_TRACE(index);
        BootAs(test::Windows7Professional());
        reopened_.clear();
        const std::int32_t disk = Connect(test::kArchiveData);
        Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB), test::MbrEntry(2 * kGiB, kGiB)}));
        Open();
        surface_->HoldWorkers();
        surface_->LetHeldInputThrough();
        surface_->QueueAnswer(MessageAnswer::Yes);
        Choose(0, 2, ID_DISK_DELETE);
        for (int round = 0; round < 100 && surface_->PendingWorkers() + surface_->PendingPosts() > 0; ++round) {
            if (!surface_->EndCode()) inputs[index](*surface_);
            surface_->RunWorkers();
            surface_->DeliverPosted();
        }
        const bool closing = index < 2;
        EXPECT_EQ(Disks().Partitions(static_cast<std::uint32_t>(disk))->size(), 1u);
        EXPECT_EQ(Pc().DiskpartRuns().size(), 1u);
        ASSERT_EQ(surface_->MessageBoxes().size(), closing ? 2u : 1u) << "the confirmation, and the close notice";
        if (closing) {
            EXPECT_EQ(surface_->MessageBoxes()[1].request.text, UiText(main_text::kClosesAfterChange));
            EXPECT_TRUE(surface_->EndCode());
            EXPECT_TRUE(reopened_.empty()) << "a closed manager opens no successor";
        } else {
            EXPECT_EQ(reopened_.size(), 1u);
        }
    }
}

// UnMount takes the letter away; Mount gives the volume the letter picked.
TEST_F(DiskManagerTest, UnmountAndMountMoveTheLetter) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB)}));
    Open();
    const std::wstring letter = surface_->Control(IDC_DISK_VOLUMES).list.rows.at(0).at(2);
    ASSERT_NE(letter, L"*");
    Choose(0, 0, ID_DISK_UNMOUNT);
    ASSERT_EQ(reopened_.size(), 1u);
    EXPECT_EQ(reopened_[0][0][2], L"*");

    NewSurface();
    reopened_.clear();
    std::wstring picked;
    surface_->ScriptChild(IDD_DRIVE_SELECT, [&](DialogController&, test::FakeDialogSurface& select) {
        select.ChooseComboItem(IDC_DRIVE_SELECT_LETTERS, 1);
        picked = select.Control(IDC_DRIVE_SELECT_LETTERS).combo.items.at(1);
        select.Click(kIdOk);
        return kIdOk;
    });
    Open();
    Choose(0, 0, ID_DISK_MOUNT);
    ASSERT_EQ(reopened_.size(), 1u);
    const std::wstring mounted = reopened_[0][0][2];
    EXPECT_EQ(mounted, picked);
    const auto& devices = Pc().Initiator().PersistentDevices();
    EXPECT_NE(std::find(devices.begin(), devices.end(), WideToUtf8(mounted)), devices.end());
}

// A new letter Windows refuses: the user reads the system's text, the volume
// keeps its letter and the manager is not reopened as after a change.
TEST_F(DiskManagerTest, AMountWindowsRefusesIsReportedAndTheLetterStays) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB)}));
    surface_->ScriptChild(IDD_DRIVE_SELECT, [&](DialogController&, test::FakeDialogSurface& select) {
        select.ChooseComboItem(IDC_DRIVE_SELECT_LETTERS, 1);
        select.Click(kIdOk);
        return select.EndCode().value_or(kIdCancel);
    });
    Open();
    const std::wstring letter = surface_->Control(IDC_DISK_VOLUMES).list.rows.at(0).at(2);
    Disks().Inject({disksim::Request::SetVolumeMountPoint, std::nullopt, win32_error::kAccessDenied, std::nullopt, 1});
    Choose(0, 0, ID_DISK_MOUNT);
    EXPECT_EQ(LastBoxText(), L"Access is denied.\r\n");
    EXPECT_TRUE(reopened_.empty());
    DiskInventory inventory(Pc().Inventory());
    const auto record = inventory.FindPartition(disk, 1);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->driveLetter, letter);
}

// The appliance's disk went and another target's disk took its number: the
// stale Delete is refused and the other disk keeps its partition.
TEST_F(DiskManagerTest, ADiskThatChangedIdentityIsRefused) {
    const std::int32_t disk = Connect(test::kArchiveSmall);
    Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, 512 * kMiB)}));
    Open();
    ASSERT_TRUE(Pc().Disconnect(test::kArchiveSmall));
    ASSERT_EQ(Connect(test::kBackupData, test::kBackupIp), disk);
    Partition(disk, test::MbrLayout(7, {test::MbrEntry(kMiB, 512 * kMiB)}));
    const std::string before = test::ImageDigest(Image(disk));
    surface_->QueueAnswer(MessageAnswer::Yes);
    Choose(0, 0, ID_DISK_DELETE);
    EXPECT_NE(LastBoxText().find(L"is not a disk of the selected iSCSI target"), std::wstring::npos);
    EXPECT_EQ(test::ImageDigest(Image(disk)), before);
    EXPECT_TRUE(Pc().DiskpartRuns().empty());
}

// Refreshes nest, but never deeper than the bound, however many there are.
TEST_F(DiskManagerTest, ReopeningIsBoundedInDepth) {
    const std::int32_t disk = Connect(test::kArchiveData);
    Partition(disk, test::MbrLayout(9, {test::MbrEntry(kMiB, kGiB)}));
    test::FakeDialogSurface owner;
    owner.DefineMenu(IDR_DISK_MENU, {{{ID_DISK_ADD, L"Add"}}, {}});
    int opened = 0, depth = 0, deepest = 0;
    owner.ScriptChild(IDD_DISK_MANAGER, [&](DialogController&, test::FakeDialogSurface& surface) {
        ++opened;
        deepest = std::max(deepest, ++depth);
        if (opened <= 20) {  // Add, answered "done" without a change
            surface.QueueMenuChoice(ID_DISK_ADD);
            surface.ClickDiskBarSegment(0, 1, MouseButton::Right);
        }
        --depth;
        return kIdCancel;
    });
    DiskManagerPorts ports = Ports();
    ports.runPartitionManager = [](DialogSurfacePort&, const PartitionJob&) { return 1; };
    EXPECT_EQ(OpenDiskManager(owner, {test::kArchiveIp, test::kArchiveOtherIp}, ports), kIdCancel);
    EXPECT_EQ(opened, 21);
    EXPECT_LE(deepest, kMaxNestedDiskManagers);
}

}  // namespace
}  // namespace norvale
