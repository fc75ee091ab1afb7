// The changes the disk manager makes: Add (with the initialisation of an
// empty disk), Delete, UnMount and Mount. Each destructive step first makes
// sure the disk number still belongs to the appliance's target, and a step
// that fails leaves the disk as it was and the dialog open.
#include <algorithm>
#include <chrono>
#include <memory>

#include "controls/core/list_selection.h"
#include "disk/core/disk_texts.h"
#include "disk/core/inventory/volume_names.h"
#include "disk/core/inventory/letter_wait.h"
#include "disk/core/inventory/os_class.h"
#include "disk/core/letters/drive_letter_offers.h"
#include "disk/core/letters/select_drive_dialog.h"
#include "disk/core/manager/disk_manager_dialog.h"
#include "disk/core/manager/disk_manager_texts.h"
#include "disk/core/manager/new_partition_plan.h"
#include "disk/core/partition/aligned_extent.h"
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

// A drive opened for writing with its table, or why not.
struct CDiskMgrDlg::TableRead {
    std::optional<OpenedTable> opened;
    std::uint32_t error = 0;  // of a table read that failed (0: the drive did not open, quietly)
};

namespace {

// How long Windows may take to drop a deleted partition's volume, and how
// often it is looked at meanwhile.
constexpr std::chrono::milliseconds kVolumeGoneBound{10000};
constexpr std::chrono::milliseconds kVolumeGonePoll{250};

MessageBoxRequest SystemErrorNotice(ErrorTextPort& errors, std::uint32_t code) {
    return MessageBoxRequest{errors.TextOf(code), UiText(disk_text::kCaptionWarning), MessageIcon::Stop,
                             MessageButtons::Ok};
}

MessageBoxRequest WarningNotice(const std::wstring& text, MessageIcon icon) {
    return MessageBoxRequest{text, UiText(disk_text::kCaptionWarning), icon, MessageButtons::Ok};
}

}  // namespace

// --- shared steps -------------------------------------------------------------

void CDiskMgrDlg::ShowText(const std::wstring& text, MessageIcon icon) { Surface().ShowMessage(WarningNotice(text, icon)); }

bool CDiskMgrDlg::Ask(unsigned stringId) {
    return Surface().ShowMessage(MessageBoxRequest{UiText(stringId), UiText(kCaptionConfirm), MessageIcon::Question,
                                                   MessageButtons::YesNo}) == MessageAnswer::Yes;
}

bool CDiskMgrDlg::ConfirmedWork(std::int32_t disk, Notices& notices) {
    const DiskIdentityCheck check = ConfirmDiskIdentity(inventory_, disk, OwnerOf(disk));
    if (!check.Confirmed()) notices.push_back(WarningNotice(check.refusal, MessageIcon::Stop));
    return check.Confirmed();
}

void CDiskMgrDlg::RunPersistentDevice(bool add, const std::wstring& driveRoot) {
    const CommandLine line = add ? AddPersistentDeviceCommand(driveRoot) : RemovePersistentDeviceCommand(driveRoot);
    if (line.Built()) ports_.runner.RunConsoleCommand(line.text);
}

// The disk, opened for writing, with its partition table. A drive that
// cannot be opened ends the command quietly; a table that cannot be read is
// reported and ends it too: an unread table is not an empty one.
CDiskMgrDlg::TableRead CDiskMgrDlg::OpenTableWork(std::uint32_t disk, bool olderWindows) {
    TableRead read;
    OpenedTable opened;
    opened.disk = static_cast<std::int32_t>(disk);
    auto device = ports_.inventory.disks.Open(PhysicalDrivePath(disk),
                                              disk_access::kGenericRead | disk_access::kGenericWrite,
                                              disk_access::kShareRead | disk_access::kShareWrite);
    if (!device.Ok() || !device.value) return read;
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
        read.error = table.error;
        return read;
    }
    opened.table = table.value;
    read.opened = std::move(opened);
    return read;
}

// --- Add ----------------------------------------------------------------------

void CDiskMgrDlg::OnAdd() {
    const int segmentIndex = SelectedSegmentIndex();
    const DiskSegment* selected = SelectedSegment();
    if (selected == nullptr || !selected->IsFree()) return;
    // A bar drawn without the table shows the whole disk free: nothing may
    // be built on that.
    if (!layout_.tableRead) {
        ShowText(UiText(disk_manager_text::kTableNotRead), MessageIcon::Exclamation);
        return;
    }
    const StepGate::Ticket flow = gate_.Enter(Surface(), FlowWrites::Yes);
    if (!flow) return;
    const DiskSegment free = *selected;
    const int partitions = CountPartitions(layout_);
    const std::uint32_t disk = layout_.diskNumber;
    const WindowsFacts facts = ReadFacts(ports_.inventory.version);
    struct AddRead {
        std::int64_t geometryBytes = 0;
        TableRead table;
    };
    steps_.Run(
        Surface(),
        [this, disk, partitions, older = facts.older] {
            AddRead read;
            const auto geometry = ReadDiskGeometry(ports_.inventory.disks, disk);
            read.geometryBytes = geometry ? geometry->Bytes() : 0;
            if (read.geometryBytes < kLargeDiskBytes && partitions >= 4) return read;
            read.table = OpenTableWork(disk, older);
            return read;
        },
        [this, flow, free, partitions, segmentIndex, facts](AddRead read) {
            if (read.geometryBytes < kLargeDiskBytes && partitions >= 4) {
                ShowText(UiText(disk_manager_text::kFourPartitions), MessageIcon::Exclamation);
                return;
            }
            if (!read.table.opened) {
                if (read.table.error != 0) Surface().ShowMessage(SystemErrorNotice(ports_.errorText, read.table.error));
                return;
            }
            auto opened = std::make_shared<OpenedTable>(std::move(*read.table.opened));
            const PartitionStyle style = opened->table.style;
            // A disk nobody partitioned reads as RAW on Vista and later.
            if (style != PartitionStyle::Mbr && style != PartitionStyle::Gpt && style != PartitionStyle::Raw) {
                ShowText(UiText(disk_manager_text::kUnknownPartitioning), MessageIcon::Exclamation);
                return;
            }
            if (TableHoldsAnything(opened->table) && style != PartitionStyle::Raw) {
                PlanPartition(flow, *opened, free, partitions, segmentIndex, facts.older);
                return;
            }
            if (!Ask(disk_manager_text::kUninitialized)) return;
            const bool gpt = InitialiseAsGpt(OsClass(facts.version, ports_.wow64), free.length);
            struct Initialised {
                bool done = false;
                Notices notices;
            };
            steps_.Run(
                Surface(),
                [this, opened, older = facts.older, gpt] {
                    Initialised initialised;
                    initialised.done = InitialiseDiskWork(*opened, older, gpt, initialised.notices);
                    return initialised;
                },
                [this, flow, opened, free, partitions, segmentIndex, older = facts.older](const Initialised& result) {
                    ShowNotices(Surface(), result.notices);
                    if (result.done) PlanPartition(flow, *opened, free, partitions, segmentIndex, older);
                });
        });
}

void CDiskMgrDlg::PlanPartition(const StepGate::Ticket&, OpenedTable& opened, const DiskSegment& free,
                                int partitions, int segmentIndex, bool olderWindows) {
    const auto slot = FreeSlot(opened.table);
    if (!slot) {
        ShowText(UiText(disk_manager_text::kFourPartitions), MessageIcon::Exclamation);
        return;
    }
    const bool gpt = !olderWindows && opened.table.style == PartitionStyle::Gpt;
    const bool aligned = !olderWindows && AlignsPartitions(OsClass(ReadFacts(ports_.inventory.version).version, ports_.wow64));
    const auto usable = UsableFreeArea(free, gpt ? PartitionStyle::Gpt : PartitionStyle::Mbr, opened.diskBytes,
                                       opened.bytesPerSector, &opened.table, aligned);
    if (!usable) {
        ShowText(UiText(disk_manager_text::kBeyondTable), MessageIcon::Exclamation);
        return;
    }
    PartitionJob job;
    job.mode = olderWindows ? PartitionJobMode::OlderWindows : PartitionJobMode::XpOrLater;
    job.availableMiB = usable->length >> 20;
    job.diskNumber = opened.disk;
    job.slot = *slot;
    job.partitionNumber = ExpectedPartitionNumber(partitions > 0 || TableHoldsAnything(opened.table), *slot,
                                                  segmentIndex);
    job.segmentIndex = segmentIndex;
    job.gpt = gpt;
    job.segments = layout_.segments;
    job.segments[static_cast<std::size_t>(segmentIndex)] = *usable;
    job.owner = OwnerOf(opened.disk);
    opened.device.reset();  // the partition manager opens the drive itself
    if (!ports_.runPartitionManager || ports_.runPartitionManager(Surface(), job) != 1) return;
    Reopen();
}

bool CDiskMgrDlg::InitialiseDiskWork(OpenedTable& opened, bool olderWindows, bool gpt, Notices& notices) {
    if (!ConfirmedWork(opened.disk, notices)) return false;
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
            notices.push_back(WarningNotice(scripts.RefusalText(ScriptFile::Online), MessageIcon::Stop));
            return false;
        }
        // Stopped at its limit (the runner has told the user): nothing more.
        if (online.outcome == ScriptRun::Outcome::TimedOut) return false;
        // The script ran a moment ago: the number is checked again before the table goes.
        if (!ConfirmedWork(opened.disk, notices)) return false;
        CreateDiskParams params;
        params.style = gpt ? PartitionStyle::Gpt : PartitionStyle::Mbr;
        params.mbrSignature = signature;
        if (gpt && ports_.ids.newGuid) params.gptDiskId = ports_.ids.newGuid();
        params.maxPartitionCount = 128;
        written = opened.device->CreateDisk(params);
    }
    if (!written.Ok()) {
        notices.push_back(SystemErrorNotice(ports_.errorText, written.error));
        return false;
    }
    if (gpt && !olderWindows) {
        // Windows adds its reserved partition after the request returned; the
        // new partition is planned on the table that holds it.
        const ReservedPartitionWait wait = WaitForReservedPartition(*opened.device, ports_.clock);
        if (!wait.table.Ok()) {
            notices.push_back(SystemErrorNotice(ports_.errorText, wait.table.error));
            return false;
        }
        if (!wait.arrived) {
            notices.push_back(WarningNotice(UiText(disk_manager_text::kNoReservedPartition), MessageIcon::Exclamation));
            return false;
        }
        opened.table = wait.table.value;
        return true;
    }
    opened.device->UpdateProperties();
    const auto table = olderWindows ? opened.device->GetDriveLayout() : opened.device->GetDriveLayoutEx();
    if (!table.Ok()) {
        notices.push_back(SystemErrorNotice(ports_.errorText, table.error));
        return false;
    }
    opened.table = table.value;
    return true;
}

// --- Delete -------------------------------------------------------------------

void CDiskMgrDlg::OnDelete() {
    // Nothing is asked about what cannot be deleted (free space, Windows'
    // reserved partition).
    const DiskSegment* chosen = SelectedSegment();
    if (chosen == nullptr || chosen->IsFree() || chosen->reserved) return;
    if (!Ask(disk_manager_text::kConfirmDelete)) return;
    const int segmentIndex = SelectedSegmentIndex();
    const DiskSegment* selected = SelectedSegment();
    if (selected == nullptr || selected->IsFree()) return;
    const StepGate::Ticket flow = gate_.Enter(Surface(), FlowWrites::Yes);
    if (!flow) return;
    const std::int32_t disk = static_cast<std::int32_t>(layout_.diskNumber);
    const std::int32_t partition = selected->partitionNumber;
    const DiskSlot& slot = view_.slots[static_cast<std::size_t>(segmentIndex)];
    const std::wstring letter = slot.driveLetter != kNoValueText ? slot.driveLetter : std::wstring();
    // The volume that goes with the partition, as the dialog read it.
    std::wstring volumeName;
    for (const VolumeRecord& record : records_) {
        if (record.diskNumber == disk && record.partitionNumber == partition && !record.IsBareDisk()) {
            volumeName = record.volumeName;
        }
    }
    struct Deleted {
        bool done = false;
        Notices notices;
    };
    steps_.Run(
        Surface(),
        [this, disk, partition, letter, volumeName] {
            Deleted deleted;
            deleted.done = DeleteWork(disk, partition, letter, volumeName, deleted.notices);
            return deleted;
        },
        [this, flow, disk](const Deleted& deleted) {
            ShowNotices(Surface(), deleted.notices);
            if (!deleted.done) return;
            for (const Bar& bar : bars_) {
                if (bar.disk != disk) continue;
                Surface().ClearDiskBarSelection(bar.index);
                Surface().RepaintDiskBar(bar.index);
            }
            for (int row = 0; row < Surface().ListRowCount(IDC_DISK_SEGMENTS); ++row) {
                Surface().SetListRowSelected(IDC_DISK_SEGMENTS, row, false);
            }
            Reopen();
        });
}

bool CDiskMgrDlg::DeleteWork(std::int32_t disk, std::int32_t partition, const std::wstring& driveLetter,
                             const std::wstring& volumeName, Notices& notices) {
    const WindowsFacts facts = ReadFacts(ports_.inventory.version);
    TableRead read = OpenTableWork(static_cast<std::uint32_t>(disk), facts.older);
    if (!read.opened) {
        if (read.error != 0) notices.push_back(SystemErrorNotice(ports_.errorText, read.error));
        return false;
    }
    OpenedTable& opened = *read.opened;
    const DeletionPath path = ChooseDeletionPath(facts.version);
    if (path != DeletionPath::None && !ConfirmedWork(opened.disk, notices)) return false;
    // Windows' reserved partition belongs to the table, not to the user:
    // the delete script's override would take it, so it is refused here.
    for (const PartitionEntry& entry : opened.table.entries) {
        if (entry.partitionNumber == static_cast<std::uint32_t>(partition) && IsReservedPartition(entry)) {
            notices.push_back(SystemErrorNotice(ports_.errorText, win32_error::kAccessDenied));
            return false;
        }
    }
    const PartitionStyle style = opened.table.style;
    if (!facts.older) {
        if (style != PartitionStyle::Mbr && style != PartitionStyle::Gpt && style != PartitionStyle::Raw) {
            notices.push_back(WarningNotice(UiText(disk_manager_text::kUnknownPartitioning), MessageIcon::Exclamation));
            return false;
        }
        // What the bar showed is gone already: nothing to delete, and never
        // a reason to initialise a disk from a Delete.
        if (!TableHoldsAnything(opened.table)) return false;
        if (!driveLetter.empty()) RunPersistentDevice(false, driveLetter);
    }
    bool deleted = true;
    switch (path) {
        case DeletionPath::OlderTable: deleted = DeleteByTable(opened, partition, true, notices); break;
        case DeletionPath::Table: deleted = DeleteByTable(opened, partition, false, notices); break;
        case DeletionPath::Script:
            read.opened.reset();  // diskpart works on the disk itself
            deleted = DeleteByScript(disk, partition, notices);
            break;
        case DeletionPath::None: break;
    }
    if (!deleted) return false;
    read.opened.reset();
    // Windows drops the partition's volume a moment after the table changed:
    // the new dialog must not show it still there.
    if (!volumeName.empty()) {
        const std::chrono::milliseconds giveUp = ports_.clock.Now() + kVolumeGoneBound;
        const auto present = [this, &volumeName] {
            for (const VolumeRecord& record : inventory_.Refresh()) {
                if (SameName(record.volumeName, volumeName)) return true;
            }
            return false;
        };
        while (present() && ports_.clock.Now() < giveUp) ports_.clock.Sleep(kVolumeGonePoll);
    }
    DiskScripts(ports_.scriptFiles, ports_.runner).Remove(ScriptFile::Delete);
    return true;
}

bool CDiskMgrDlg::DeleteByTable(OpenedTable& opened, std::int32_t partition, bool olderWindows, Notices& notices) {
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
        notices.push_back(SystemErrorNotice(ports_.errorText, written.error));
        return false;
    }
    opened.device->UpdateProperties();
    return true;
}

bool CDiskMgrDlg::DeleteByScript(std::int32_t disk, std::int32_t partition, Notices& notices) {
    DiskScripts scripts(ports_.scriptFiles, ports_.runner);
    const ScriptRun run = scripts.WriteAndRun(
        ScriptFile::Delete, DeleteScriptText(static_cast<std::uint32_t>(disk), static_cast<std::uint32_t>(partition)));
    if (run.outcome == ScriptRun::Outcome::Refused) {
        notices.push_back(WarningNotice(scripts.RefusalText(ScriptFile::Delete), MessageIcon::Stop));
        return false;
    }
    if (run.outcome == ScriptRun::Outcome::TimedOut) {
        scripts.Remove(ScriptFile::Delete);
        return false;
    }
    if (const auto warning = DeleteRunWarning(scripts.CapturedOutput())) {
        notices.push_back(WarningNotice(*warning, MessageIcon::Stop));
    }
    return true;
}

// --- UnMount and Mount ----------------------------------------------------------

void CDiskMgrDlg::OnUnmount() {
    if (SelectedIsReserved()) return;
    std::vector<std::wstring> letters;
    for (const int row : SelectedRows(Surface(), IDC_DISK_VOLUMES)) {
        const std::wstring letter = Surface().ListCell(IDC_DISK_VOLUMES, row, kVolumeColumn);
        if (!letter.empty() && letter != kNoValueText) letters.push_back(letter);
    }
    const StepGate::Ticket flow = gate_.Enter(Surface(), FlowWrites::Yes);
    if (!flow) return;
    steps_.Run(
        Surface(),
        [this, letters] {
            bool changed = false;
            for (const std::wstring& letter : letters) {
                RunPersistentDevice(false, letter);
                if (ports_.inventory.disks.DeleteMountPoint(letter).Ok()) changed = true;
            }
            return changed;
        },
        [this, flow](bool changed) {
            if (changed) {
                Reopen();
            } else if (ports_.refreshDriveLetters) {
                ports_.refreshDriveLetters();
            }
        });
}

void CDiskMgrDlg::OnMount() {
    if (SelectedIsReserved()) return;
    const StepGate::Ticket flow = gate_.Enter(Surface(), FlowWrites::Yes);
    if (!flow) return;
    steps_.Run(
        Surface(), [this] { return OfferDriveLetters(ReadLetterTable(ports_.network), ports_.driveTypes); },
        [this, flow](const OfferedLetters& offered) {
            FillOfferedLetterCombo(Surface(), IDC_DISK_MOUNT_LETTERS, offered);
            for (const int row : SelectedRows(Surface(), IDC_DISK_VOLUMES)) {
                if (row < 0 || static_cast<std::size_t>(row) >= list_.rows.size()) continue;
                const VolumeRecord record = records_[list_.rows[static_cast<std::size_t>(row)].record];
                CSelectDriveDlg select(offered.items, record, ports_.inventory.disks);
                if (Surface().RunModal(select, IDD_DRIVE_SELECT) != kIdOk) continue;
                const LetterMove& move = select.Move();
                if (move.attempted && move.setError != win32_error::kSuccess) {
                    // Windows refused the new letter: the user reads why, and
                    // the volume keeps the letter it had (given back where
                    // it had to go first); one that lost it is shown so.
                    Surface().ShowMessage(SystemErrorNotice(ports_.errorText, move.setError));
                    if (move.removeError == win32_error::kSuccess && !move.oldLetterRestored) Reopen();
                    return;
                }
                // The letter the volume carries now, as a fresh inventory sees it.
                steps_.Run(
                    Surface(),
                    [this, record] {
                        for (const VolumeRecord& fresh : inventory_.Refresh()) {
                            if (fresh.volumeName == record.volumeName && fresh.HasLetter()) {
                                RunPersistentDevice(true, fresh.driveLetter);
                            }
                        }
                    },
                    [this, flow] { Reopen(); });
                return;
            }
        });
}

}  // namespace norvale
