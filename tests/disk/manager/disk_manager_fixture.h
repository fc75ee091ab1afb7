// The disk manager on the fake surface over the simulated Windows: Archive
// with LUNs of 10 GiB, 1 GiB, 1 TiB, 3 TiB and 1 GiB, Backup with 2 GiB. The
// partition manager is answered by a stand-in that writes the partition the
// job describes (at the slot, over the whole usable free area) the way the
// real one does, so the images show what Add leads to.
#pragma once

#include <memory>
#include <vector>

#include "disk/core/manager/disk_manager_dialog.h"
#include "resources/resource.h"
#include "tests/disk/disksim_fixture.h"
#include "tests/disk/simulated_windows_fixture.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
inline namespace disk_manager_fixture {

inline constexpr wchar_t kArchiveTera[] = L"iqn.2026-12.com.orrin:archive.tera";
inline constexpr wchar_t kArchiveHuge[] = L"iqn.2026-12.com.orrin:archive.huge";
inline constexpr wchar_t kArchiveSpare[] = L"iqn.2026-12.com.orrin:archive.spare";

inline std::unique_ptr<FakeDialogSurface> MeasuredSurface(const ClockPort& clock) {
    auto surface = std::make_unique<FakeDialogSurface>();
    surface->MeasureHandlers(clock);
    return surface;
}

class DiskManagerTest : public SimulatedWindowsTest {
protected:
    void SetUp() override {
        SimulatedWindowsTest::SetUp();
        BootAs(Windows7Professional());
    }
    void BootAs(FakeVersionSource version) {
        NewSurface();
        windows_.reset();
        RunTool("rm -rf '" + dir_ + "'/*");
        std::vector<sim::ApplianceConfig> appliances = TwoAppliances();
        appliances[0].targets.push_back({"iqn.2026-12.com.orrin:archive.tera", false, "", "", 1ull << 40});
        appliances[0].targets.push_back({"iqn.2026-12.com.orrin:archive.huge", false, "", "", 3ull << 40});
        appliances[0].targets.push_back({"iqn.2026-12.com.orrin:archive.spare", false, "", "", 1ull << 30});
        windows_ = std::make_unique<sim::SimulatedWindows>(clock_, sim::WindowsSetup::For(std::move(version), dir_,
                                                                                         std::move(appliances)));
    }

    DiskManagerPorts Ports() {
        DiskIds ids{[] { return 0x4E4F5256u; }, [] { return TestGuid(7); }};
        return DiskManagerPorts{Pc().Inventory(), Pc().ScriptFiles(), Pc().Runner(), clock_, errors_,
                                Disks(), Disks(), Pc().Wow64(), ids,
                                [this] { return targetCount_; },
                                [this](DialogSurfacePort& owner, const PartitionJob& job) {
                                    // Modal over the disk manager, as the real one.
                                    DialogController standIn;
                                    pendingJob_ = job;
                                    return owner.RunModal(standIn, IDD_PARTITION);
                                },
                                [this] { ++letterRefreshes_; }};
    }

    // Opens a dialog on `surface_`; successors are answered by recording
    // their volume list.
    // A fresh surface for the next dialog.
    void NewSurface() {
        surface_ = std::make_unique<FakeDialogSurface>();
        surface_->MeasureHandlers(clock_);
        dialog_.reset();
    }
    CDiskMgrDlg& Open() {
        surface_->DefineMenu(IDR_DISK_MENU, {{{ID_DISK_ADD, L"Add"}},
                                            {{ID_DISK_DELETE, L"Delete"},
                                             {ID_DISK_UNMOUNT, L"UnMount"},
                                             {ID_DISK_MOUNT, L"Mount"}}});
        surface_->ScriptChild(IDD_DISK_MANAGER, [this](DialogController&, FakeDialogSurface& next) {
            reopened_.push_back(next.Control(IDC_DISK_VOLUMES).list.rows);
            return kIdCancel;
        });
        surface_->ScriptChild(IDD_PARTITION,
                              [this](DialogController&, FakeDialogSurface&) { return PartitionManager(pendingJob_); });
        dialog_ = std::make_unique<CDiskMgrDlg>(Ports(), ApplianceAddresses{kArchiveIp, kArchiveOtherIp});
        surface_->Open(*dialog_);
        return *dialog_;
    }
    // A right click on segment `segment` of bar `bar`, picking `command`.
    void Choose(int bar, int segment, int command) {
        surface_->QueueMenuChoice(command);
        surface_->ClickDiskBarSegment(bar, segment, MouseButton::Right);
    }
    std::vector<std::wstring> Column(int listId, int column) {
        std::vector<std::wstring> cells;
        for (const auto& row : surface_->Control(listId).list.rows) cells.push_back(row.at(column));
        return cells;
    }
    std::wstring LastBoxText() {
        return surface_->MessageBoxes().empty() ? L"" : surface_->MessageBoxes().back().request.text;
    }
    std::string Image(std::int32_t disk) { return Disks().Disk(static_cast<std::uint32_t>(disk))->imagePath; }

    // The partition manager's stand-in: the partition over the job's free area.
    int PartitionManager(const PartitionJob& job) {
        jobs_.push_back(job);
        const DiskSegment* free = job.FreeArea();
        if (free == nullptr) return 0;
        auto device = Disks().Open(PhysicalDrivePath(static_cast<std::uint32_t>(job.diskNumber)),
                                   disk_access::kGenericRead | disk_access::kGenericWrite,
                                   disk_access::kShareRead | disk_access::kShareWrite);
        if (!device.Ok()) return 2;
        const bool older = job.mode == PartitionJobMode::OlderWindows;
        DriveLayout table = older ? device.value->GetDriveLayout().value : device.value->GetDriveLayoutEx().value;
        const std::int64_t length = job.availableMiB * kMiB;
        PartitionEntry entry = job.gpt ? GptEntry(free->start, length, L"data") : MbrEntry(free->start, length);
        entry.partitionNumber = static_cast<std::uint32_t>(job.partitionNumber);
        entry.rewritePartition = true;
        if (table.entries.size() <= static_cast<std::size_t>(job.slot)) table.entries.resize(job.slot + 1);
        table.entries[static_cast<std::size_t>(job.slot)] = entry;
        const DiskStatus written = older ? device.value->SetDriveLayout(table) : device.value->SetDriveLayoutEx(table);
        if (!written.Ok()) return 2;
        device.value->UpdateProperties();
        // As the partition manager does, it ends when Windows has lettered the volume.
        clock_.Advance(Pc().Setup().volumeDelay + Pc().Setup().letterDelay);
        return 1;
    }

    EnglishErrorText errors_;
    int targetCount_ = 4;
    int letterRefreshes_ = 0;
    std::vector<PartitionJob> jobs_;
    PartitionJob pendingJob_;
    std::vector<std::vector<std::vector<std::wstring>>> reopened_;
    // The surface goes first: it detaches the dialog as it ends.
    std::unique_ptr<CDiskMgrDlg> dialog_;
    std::unique_ptr<FakeDialogSurface> surface_ = MeasuredSurface(clock_);
};

}  // namespace disk_manager_fixture
}  // namespace norvale::test
