// The changes the disk manager makes: Add (with the initialisation of an
// empty disk), Delete, UnMount and Mount. Each destructive step first makes
// sure the disk number still belongs to the appliance's target, and a step
// that fails leaves the disk as it was and the dialog open.
#include <algorithm>
#include <memory>

#include "controls/core/list_selection.h"
#include "controls/core/wait_cursor.h"
#include "disk/core/disk_texts.h"
#include "disk/core/inventory/letter_wait.h"
#include "disk/core/inventory/os_class.h"
#include "disk/core/letters/drive_letter_offers.h"
#include "disk/core/letters/select_drive_dialog.h"
#include "disk/core/manager/disk_manager_dialog.h"
#include "disk/core/manager/disk_manager_texts.h"
#include "disk/core/manager/new_partition_plan.h"
#include "disk/core/scripts/disk_version_sets.h"
#include "disk/core/stack/reserved_partition.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_reader.h"
#include "resources/resource.h"

namespace norvale {
namespace {

constexpr unsigned kCaptionConfirm = 235;
constexpr int kOlderTableEntries = 4;

struct WindowsFacts {
    std::optional<WindowsVersionInfo> version;
    bool older = false;
};

WindowsFacts ReadFacts(VersionSourcePort& source) {
    WindowsFacts facts;
    facts.version = ReadWindowsVersion(source);
    facts.older = facts.version && IsOlderNt(*facts.version);
    return facts;
}

}  // namespace

struct CDiskMgrDlg::OpenedTable {
    std::unique_ptr<DiskDevice> device;
    std::int32_t disk = -1;
    DriveLayout table;
    std::uint32_t bytesPerSector = 512;
    std::int64_t diskBytes = 0;  // the exact length where the system tells it
};

// --- shared steps -------------------------------------------------------------

void CDiskMgrDlg::ShowSystemError(std::uint32_t code) {
    Surface().ShowMessage(MessageBoxRequest{ports_.errorText.TextOf(code), UiText(disk_text::kCaptionWarning),
                                            MessageIcon::Stop, MessageButtons::Ok});
}

void CDiskMgrDlg::ShowText(const std::wstring& text, MessageIcon icon) {
    Surface().ShowMessage(
        MessageBoxRequest{text, UiText(disk_text::kCaptionWarning), icon, MessageButtons::Ok});
}

bool CDiskMgrDlg::Ask(unsigned stringId) {
    return Surface().ShowMessage(MessageBoxRequest{UiText(stringId), UiText(kCaptionConfirm), MessageIcon::Question,
                                                   MessageButtons::YesNo}) == MessageAnswer::Yes;
}

bool CDiskMgrDlg::Confirmed(std::int32_t disk) {
    const DiskIdentityCheck check = ConfirmDiskIdentity(inventory_, disk, OwnerOf(disk));
    if (!check.Confirmed()) ShowText(check.refusal, MessageIcon::Stop);
    return check.Confirmed();
}

void CDiskMgrDlg::RunPersistentDevice(bool add, const std::wstring& driveRoot) {
    const CommandLine line = add ? AddPersistentDeviceCommand(driveRoot) : RemovePersistentDeviceCommand(driveRoot);
    if (line.Built()) ports_.runner.RunConsoleCommand(line.text);
}

// The current disk, opened for writing, with its partition table. A drive
// that cannot be opened ends the command quietly; a table that cannot be
// read is reported and ends it too: an unread table is not an empty one.
std::optional<CDiskMgrDlg::OpenedTable> CDiskMgrDlg::OpenTable(bool olderWindows) {
    OpenedTable opened;
    opened.disk = static_cast<std::int32_t>(layout_.diskNumber);
    auto device = ports_.inventory.disks.Open(PhysicalDrivePath(layout_.diskNumber),
                                              disk_access::kGenericRead | disk_access::kGenericWrite,
                                              disk_access::kShareRead | disk_access::kShareWrite);
    if (!device.Ok() || !device.value) return std::nullopt;
    opened.device = std::move(device.value);
    const auto geometry = opened.device->GetDriveGeometry();
    if (geometry.Returned(ioctl_bytes::kDiskGeometry)) {
        if (geometry.value.bytesPerSector != 0) opened.bytesPerSector = geometry.value.bytesPerSector;
        opened.diskBytes = geometry.value.Bytes();
    }
    if (!olderWindows) {
        const auto exact = opened.device->GetDriveGeometryEx();
        if (exact.Returned(ioctl_bytes::kDiskGeometryEx)) opened.diskBytes = exact.value.diskSize;
    }
    const auto table = olderWindows ? opened.device->GetDriveLayout() : opened.device->GetDriveLayoutEx();
    if (!table.Ok()) {
        ShowSystemError(table.error);
        return std::nullopt;
    }
    opened.table = table.value;
    return opened;
}

// --- Add ----------------------------------------------------------------------

void CDiskMgrDlg::OnAdd() {
    WaitCursor busy(Surface());
    const int segmentIndex = SelectedSegmentIndex();
    const DiskSegment* selected = SelectedSegment();
    if (selected == nullptr || !selected->IsFree()) return;
    // A bar drawn without the table shows the whole disk free: nothing may
    // be built on that.
    if (!layout_.tableRead) {
        ShowText(UiText(disk_manager_text::kTableNotRead), MessageIcon::Exclamation);
        return;
    }
    const DiskSegment free = *selected;
    const int partitions = CountPartitions(layout_);
    const auto geometry = ReadDiskGeometry(ports_.inventory.disks, layout_.diskNumber);
    const std::int64_t geometryBytes = geometry ? geometry->Bytes() : 0;
    if (geometryBytes < kLargeDiskBytes && partitions >= 4) {
        ShowText(UiText(disk_manager_text::kFourPartitions), MessageIcon::Exclamation);
        return;
    }
    const WindowsFacts facts = ReadFacts(ports_.inventory.version);
    const int osClass = OsClass(facts.version, ports_.wow64);
    auto opened = OpenTable(facts.older);
    if (!opened) return;
    const PartitionStyle style = opened->table.style;
    // A disk nobody partitioned reads as RAW on Vista and later.
    if (style != PartitionStyle::Mbr && style != PartitionStyle::Gpt && style != PartitionStyle::Raw) {
        ShowText(UiText(disk_manager_text::kUnknownPartitioning), MessageIcon::Exclamation);
        return;
    }
    if (!TableHoldsAnything(opened->table) || style == PartitionStyle::Raw) {
        if (!Ask(disk_manager_text::kUninitialized)) return;
        if (!InitialiseDisk(*opened, facts.older, InitialiseAsGpt(osClass, free.length))) return;
    }
    const auto slot = FreeSlot(opened->table);
    if (!slot) {
        ShowText(UiText(disk_manager_text::kFourPartitions), MessageIcon::Exclamation);
        return;
    }
    const bool gpt = !facts.older && opened->table.style == PartitionStyle::Gpt;
    const auto usable = UsableFreeArea(free, gpt ? PartitionStyle::Gpt : PartitionStyle::Mbr, opened->diskBytes,
                                       opened->bytesPerSector, &opened->table);
    if (!usable) {
        ShowText(UiText(disk_manager_text::kBeyondTable), MessageIcon::Exclamation);
        return;
    }
    PartitionJob job;
    job.mode = facts.older ? PartitionJobMode::OlderWindows : PartitionJobMode::XpOrLater;
    job.availableMiB = usable->length >> 20;
    job.diskNumber = opened->disk;
    job.slot = *slot;
    job.partitionNumber = ExpectedPartitionNumber(partitions > 0 || TableHoldsAnything(opened->table), *slot,
                                                  segmentIndex);
    job.segmentIndex = segmentIndex;
    job.gpt = gpt;
    job.segments = layout_.segments;
    job.segments[static_cast<std::size_t>(segmentIndex)] = *usable;
    job.owner = OwnerOf(opened->disk);
    opened.reset();  // the partition manager opens the drive itself
    busy.Restore();
    if (!ports_.runPartitionManager || ports_.runPartitionManager(Surface(), job) != 1) return;
    Reopen();
}

bool CDiskMgrDlg::InitialiseDisk(OpenedTable& opened, bool olderWindows, bool gpt) {
    if (!Confirmed(opened.disk)) return false;
    std::uint32_t signature = ports_.ids.mbrSignature ? ports_.ids.mbrSignature() : 1;
    if (signature == 0) signature = 1;
    DiskStatus written;
    if (olderWindows) {
        DriveLayout empty;
        empty.mbrSignature = signature;
        empty.entries.resize(kOlderTableEntries);
        for (PartitionEntry& entry : empty.entries) entry.rewritePartition = true;
        written = opened.device->SetDriveLayout(empty);
    } else {
        DiskScripts scripts(ports_.scriptFiles, ports_.runner);
        const ScriptRun online =
            scripts.WriteAndRun(ScriptFile::Online, OnlineScriptText(static_cast<std::uint32_t>(opened.disk)));
        if (online.outcome == ScriptRun::Outcome::Refused) {
            ShowText(scripts.RefusalText(ScriptFile::Online), MessageIcon::Stop);
            return false;
        }
        // Stopped at its limit (the runner has told the user): nothing more.
        if (online.outcome == ScriptRun::Outcome::TimedOut) return false;
        // The script ran a moment ago: the number is checked again before the table goes.
        if (!Confirmed(opened.disk)) return false;
        CreateDiskParams params;
        params.style = gpt ? PartitionStyle::Gpt : PartitionStyle::Mbr;
        params.mbrSignature = signature;
        if (gpt && ports_.ids.newGuid) params.gptDiskId = ports_.ids.newGuid();
        params.maxPartitionCount = 128;
        written = opened.device->CreateDisk(params);
    }
    if (!written.Ok()) {
        ShowSystemError(written.error);
        return false;
    }
    if (gpt && !olderWindows) {
        // Windows adds its reserved partition after the request returned; the
        // new partition is planned on the table that holds it.
        const ReservedPartitionWait wait = WaitForReservedPartition(*opened.device, ports_.clock);
        if (!wait.table.Ok()) {
            ShowSystemError(wait.table.error);
            return false;
        }
        if (!wait.arrived) {
            ShowText(UiText(disk_manager_text::kNoReservedPartition), MessageIcon::Exclamation);
            return false;
        }
        opened.table = wait.table.value;
        return true;
    }
    opened.device->UpdateProperties();
    const auto table = olderWindows ? opened.device->GetDriveLayout() : opened.device->GetDriveLayoutEx();
    if (!table.Ok()) {
        ShowSystemError(table.error);
        return false;
    }
    opened.table = table.value;
    return true;
}

// --- Delete -------------------------------------------------------------------

void CDiskMgrDlg::OnDelete() {
    if (!Ask(disk_manager_text::kConfirmDelete)) return;
    WaitCursor busy(Surface());
    const int segmentIndex = SelectedSegmentIndex();
    const DiskSegment* selected = SelectedSegment();
    if (selected == nullptr || selected->IsFree()) return;
    const std::int32_t partition = selected->partitionNumber;
    const WindowsFacts facts = ReadFacts(ports_.inventory.version);
    auto opened = OpenTable(facts.older);
    if (!opened) return;
    const DeletionPath path = ChooseDeletionPath(facts.version);
    if (path != DeletionPath::None && !Confirmed(opened->disk)) return;
    // Windows' reserved partition belongs to the table, not to the user:
    // the delete script's override would take it, so it is refused here.
    for (const PartitionEntry& entry : opened->table.entries) {
        if (entry.partitionNumber == static_cast<std::uint32_t>(partition) && IsReservedPartition(entry)) {
            ShowSystemError(win32_error::kAccessDenied);
            return;
        }
    }
    const PartitionStyle style = opened->table.style;
    if (!facts.older) {
        if (style != PartitionStyle::Mbr && style != PartitionStyle::Gpt && style != PartitionStyle::Raw) {
            ShowText(UiText(disk_manager_text::kUnknownPartitioning), MessageIcon::Exclamation);
            return;
        }
        // What the bar showed is gone already: nothing to delete, and never
        // a reason to initialise a disk from a Delete.
        if (!TableHoldsAnything(opened->table)) return;
        const DiskSlot& slot = view_.slots[static_cast<std::size_t>(segmentIndex)];
        if (slot.driveLetter != kNoValueText && !slot.driveLetter.empty()) RunPersistentDevice(false, slot.driveLetter);
    }
    const std::int32_t disk = opened->disk;
    bool deleted = true;
    switch (path) {
        case DeletionPath::OlderTable: deleted = DeleteByTable(*opened, partition, true); break;
        case DeletionPath::Table: deleted = DeleteByTable(*opened, partition, false); break;
        case DeletionPath::Script:
            opened.reset();  // diskpart works on the disk itself
            deleted = DeleteByScript(partition);
            break;
        case DeletionPath::None: break;
    }
    if (!deleted) return;
    opened.reset();
    WaitForDriveLetter(ports_.clock, PartitionLookup(inventory_, disk, 0));
    for (const Bar& bar : bars_) {
        if (bar.disk != disk) continue;
        Surface().ClearDiskBarSelection(bar.index);
        Surface().RepaintDiskBar(bar.index);
    }
    for (int row = 0; row < Surface().ListRowCount(IDC_DISK_SEGMENTS); ++row) {
        Surface().SetListRowSelected(IDC_DISK_SEGMENTS, row, false);
    }
    DiskScripts(ports_.scriptFiles, ports_.runner).Remove(ScriptFile::Delete);
    busy.Restore();
    Reopen();
}

bool CDiskMgrDlg::DeleteByTable(OpenedTable& opened, std::int32_t partition, bool olderWindows) {
    DriveLayout table = opened.table;
    auto& entries = table.entries;
    if (table.style == PartitionStyle::Gpt) {
        // GPT has no fixed four entries: the partition leaves the table.
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const PartitionEntry& e) {
                                         return e.partitionNumber == static_cast<std::uint32_t>(partition);
                                     }),
                      entries.end());
        for (PartitionEntry& entry : entries) entry.rewritePartition = true;
    } else {
        const std::size_t look = std::min<std::size_t>(entries.size(), kOlderTableEntries);
        const auto found = std::find_if(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(look),
                                        [&](const PartitionEntry& e) {
                                            return e.partitionNumber == static_cast<std::uint32_t>(partition);
                                        });
        if (found == entries.begin() + static_cast<std::ptrdiff_t>(look)) return true;
        *found = PartitionEntry{};
        found->rewritePartition = true;
    }
    const DiskStatus written = olderWindows ? opened.device->SetDriveLayout(table) : opened.device->SetDriveLayoutEx(table);
    if (!written.Ok()) {
        ShowSystemError(written.error);
        return false;
    }
    opened.device->UpdateProperties();
    return true;
}

bool CDiskMgrDlg::DeleteByScript(std::int32_t partition) {
    const std::int32_t disk = static_cast<std::int32_t>(layout_.diskNumber);
    DiskScripts scripts(ports_.scriptFiles, ports_.runner);
    const ScriptRun run = scripts.WriteAndRun(
        ScriptFile::Delete, DeleteScriptText(static_cast<std::uint32_t>(disk), static_cast<std::uint32_t>(partition)));
    if (run.outcome == ScriptRun::Outcome::Refused) {
        ShowText(scripts.RefusalText(ScriptFile::Delete), MessageIcon::Stop);
        return false;
    }
    if (run.outcome == ScriptRun::Outcome::TimedOut) {
        scripts.Remove(ScriptFile::Delete);
        return false;
    }
    if (const auto warning = DeleteRunWarning(scripts.CapturedOutput())) ShowText(*warning, MessageIcon::Stop);
    return true;
}

// --- UnMount and Mount ----------------------------------------------------------

void CDiskMgrDlg::OnUnmount() {
    const std::vector<int> rows = SelectedRows(Surface(), IDC_DISK_VOLUMES);
    bool changed = false;
    for (const int row : rows) {
        const std::wstring letter = Surface().ListCell(IDC_DISK_VOLUMES, row, kVolumeColumn);
        if (letter.empty() || letter == kNoValueText) continue;
        RunPersistentDevice(false, letter);
        if (ports_.inventory.disks.DeleteMountPoint(letter).Ok()) changed = true;
    }
    if (changed) {
        Reopen();
    } else if (ports_.refreshDriveLetters) {
        ports_.refreshDriveLetters();
    }
}

void CDiskMgrDlg::OnMount() {
    const OfferedLetters offered = OfferDriveLetters(ReadLetterTable(ports_.network), ports_.driveTypes);
    FillOfferedLetterCombo(Surface(), IDC_DISK_MOUNT_LETTERS, offered);
    for (const int row : SelectedRows(Surface(), IDC_DISK_VOLUMES)) {
        if (row < 0 || static_cast<std::size_t>(row) >= list_.rows.size()) continue;
        const VolumeRecord& record = records_[list_.rows[static_cast<std::size_t>(row)].record];
        CSelectDriveDlg select(offered.items, record, ports_.inventory.disks);
        if (Surface().RunModal(select, IDD_DRIVE_SELECT) != kIdOk) continue;
        // The letter the volume carries now, as a fresh inventory sees it.
        for (const VolumeRecord& fresh : inventory_.Refresh()) {
            if (fresh.volumeName == record.volumeName && fresh.HasLetter()) RunPersistentDevice(true, fresh.driveLetter);
        }
        Reopen();
        return;
    }
}

}  // namespace norvale
