#include "disk/core/partition/partition_dialog.h"

#include <algorithm>
#include <chrono>

#include "controls/core/ok_box.h"
#include "controls/core/ok_checks.h"
#include "disk/core/disk_texts.h"
#include "disk/core/inventory/disk_identity.h"
#include "disk/core/inventory/letter_wait.h"
#include "disk/core/partition/aligned_extent.h"
#include "disk/core/inventory/os_class.h"
#include "disk/core/inventory/volume_names.h"
#include "disk/core/letters/drive_letter_offers.h"
#include "disk/core/partition/new_partition.h"
#include "disk/core/scripts/disk_scripts.h"
#include "disk/core/scripts/disk_version_sets.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/version/windows_version_reader.h"
#include "resources/resource.h"

namespace norvale {

namespace {

namespace text {
constexpr unsigned kPartitionOption = 122;
constexpr unsigned kPartitionSize = 136;
constexpr unsigned kFormatType = 137;
constexpr unsigned kDriveLetter = 138;
constexpr unsigned kMaximumSpace = 139;
constexpr unsigned kNtfs = 141;
constexpr unsigned kFat32 = 142;
constexpr unsigned kTitle = 176;
constexpr unsigned kFat32TooLarge = 207;
constexpr unsigned kFat32TooSmall = 208;
constexpr unsigned kDeleteMountFailed = 209;
constexpr unsigned kTooSmall = 210;
constexpr unsigned kSelectFormatType = 211;
constexpr unsigned kNoLetterAfterAdd = 213;
constexpr unsigned kAvailable = 232;
constexpr unsigned kSetMountFailed = 246;
constexpr unsigned kOver2Tb = 250;
constexpr unsigned kTooLarge = 251;
// The new entry would overlap a partition or leave the usable area.
constexpr unsigned kDoesNotFit = 276;
}  // namespace text

// The largest NTFS partition an MBR table of 32-bit sector numbers holds
// on the XP clients that cannot use GPT.
constexpr std::uint32_t kMbrLimitMiB = 2089990;

// The new volume shows at the chosen letter a moment after it was moved
// there: looked at this often, no longer than this.
constexpr std::chrono::milliseconds kLetterSettlePoll{100};
constexpr std::chrono::milliseconds kLetterSettle{500};

// Base-10 unsigned conversion as the C library does it: leading blanks and
// a sign are taken, the first other character ends the number, an overflow
// reads as the largest value.
std::uint32_t UnsignedValue(const std::wstring& text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == L' ' || text[at] == L'\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
    std::uint64_t value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        value = value * 10 + static_cast<std::uint64_t>(text[at] - L'0');
        if (value > 0xFFFFFFFFull) return 0xFFFFFFFFu;
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? 0u - result : result;
}

}  // namespace

CPartition::CPartition(PartitionJob job, const PartitionPorts& ports)
    : job_(std::move(job)),
      ports_(ports),
      gate_({kIdOk, kIdCancel, IDC_PARTITION_SIZE, IDC_PARTITION_MAX_SPACE, IDC_PARTITION_NTFS, IDC_PARTITION_FAT32,
             IDC_PARTITION_LETTER}),
      format_(ports.format, FormatOwner::PartitionManager, *this, steps_) {
    format_.Bind(Messages());
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(kIdOk, [this] { OnStart(); })
        .OnClicked(kIdCancel, [this] {
            if (!gate_.Busy()) Surface().EndDialog(kIdCancel);
        })
        // The table write and the format are not cut off: the close waits.
        .OnCloseUnless([this] { return gate_.DeferClose(Surface(), [this] { Surface().PostClose(); }); })
        .OnClicked(IDC_PARTITION_NTFS, [this] { OnFileSystem(IDC_PARTITION_NTFS, IDC_PARTITION_FAT32); })
        .OnClicked(IDC_PARTITION_FAT32, [this] { OnFileSystem(IDC_PARTITION_FAT32, IDC_PARTITION_NTFS); })
        .OnClicked(IDC_PARTITION_MAX_SPACE,
                   [this] { Surface().Enable(IDC_PARTITION_SIZE, !Surface().IsChecked(IDC_PARTITION_MAX_SPACE)); })
        .OnDestroy([this] {
            gate_.DialogEnded();
            steps_.DialogEnded();
            format_.DialogEnded();
        });
}

PartitionResult CPartition::Result() const {
    switch (endState_) {
        case EndState::Untouched: return PartitionResult::NothingDone;
        case EndState::WriteFailed: return PartitionResult::Failed;
        case EndState::FormatEnded: return PartitionResult::Done;
    }
    return PartitionResult::NothingDone;
}

bool CPartition::OnInitDialog() {
    DialogSurfacePort& surface = Surface();
    surface.SetDialogColors(kDialogBlue, kWhite);
    surface.SetTitle(UiText(text::kTitle));
    surface.SetGroupBoxColors(IDC_PARTITION_GROUP, kDialogBlue, kWhite);
    surface.SetText(IDC_PARTITION_GROUP, UiText(text::kPartitionOption));
    surface.SetText(IDC_PARTITION_SIZE_LABEL, UiText(text::kPartitionSize));
    surface.SetText(IDC_PARTITION_TYPE_LABEL, UiText(text::kFormatType));
    surface.SetText(IDC_PARTITION_LETTER_LABEL, UiText(text::kDriveLetter));
    surface.SetText(IDC_PARTITION_MAX_SPACE, UiText(text::kMaximumSpace));
    surface.SetText(IDC_PARTITION_NTFS, UiText(text::kNtfs));
    surface.SetText(IDC_PARTITION_FAT32, UiText(text::kFat32));
    surface.SetText(kIdOk, UiText(disk_text::kOk));
    surface.SetText(kIdCancel, UiText(disk_text::kCancel));
    surface.Show(IDC_PARTITION_PROGRESS, false);
    surface.SetProgressRange(IDC_PARTITION_PROGRESS, 0, 100);
    surface.SetProgressColors(IDC_PARTITION_PROGRESS, kProgressGreen, kWhite);
    surface.SetChecked(IDC_PARTITION_MAX_SPACE, true);
    surface.SetChecked(IDC_PARTITION_NTFS, true);
    surface.SetChecked(IDC_PARTITION_FAT32, false);
    surface.Enable(IDC_PARTITION_SIZE, false);
    const auto available = static_cast<std::int32_t>(static_cast<std::uint32_t>(job_.availableMiB));
    std::wstring availableText = UiText(text::kAvailable);
    if (const std::size_t at = availableText.find(L"%ld"); at != std::wstring::npos) {
        availableText.replace(at, 3, std::to_wstring(available));
    }
    surface.SetText(IDC_PARTITION_AVAILABLE, availableText);
    surface.SetText(IDC_PARTITION_SIZE, L"11");
    // The letters in use are asked of the network provider behind the shown dialog.
    const StepGate::Ticket flow = gate_.Enter(surface);
    steps_.Run(
        surface, [this] { return OfferDriveLetters(ReadLetterTable(ports_.network), ports_.driveTypes); },
        [this, flow](const OfferedLetters& offered) {
            DialogSurfacePort& shown = Surface();
            FillOfferedLetterCombo(shown, IDC_PARTITION_LETTER, offered);
            if (shown.ComboSelection(IDC_PARTITION_LETTER) < 0) {
                shown.SetText(IDC_PARTITION_STATUS, UiText(disk_text::kNoFreeLetter));
                shown.Enable(IDC_PARTITION_LETTER, false);
                shown.Enable(kIdOk, false);
                shown.Enable(kIdCancel, true);
            }
        });
    return true;
}

void CPartition::OnFileSystem(int clicked, int other) {
    if (Surface().IsChecked(clicked)) Surface().SetChecked(other, false);
}

void CPartition::Warn(const std::wstring& message, MessageIcon icon) { Surface().ShowMessage(WarningNotice(message, icon)); }

MessageBoxRequest CPartition::WarningNotice(const std::wstring& message, MessageIcon icon) const {
    return MessageBoxRequest{message, UiText(disk_text::kCaptionWarning), icon, MessageButtons::Ok};
}

MessageBoxRequest CPartition::SystemErrorNotice(std::uint32_t code) const {
    return WarningNotice(ports_.errors.TextOf(code), MessageIcon::Stop);
}

std::optional<std::uint32_t> CPartition::ValidSize(int osClass) {
    DialogSurfacePort& surface = Surface();
    const bool ntfs = surface.IsChecked(IDC_PARTITION_NTFS);
    const bool fat32 = surface.IsChecked(IDC_PARTITION_FAT32);
    const auto available = static_cast<std::uint32_t>(job_.availableMiB);
    const std::uint32_t size =
        surface.IsChecked(IDC_PARTITION_MAX_SPACE) ? available : UnsignedValue(surface.Text(IDC_PARTITION_SIZE));
    const auto warning = [](std::wstring message, MessageIcon icon = MessageIcon::Exclamation) {
        return [message = std::move(message), icon] {
            return OkRefusal::Box(message, UiText(disk_text::kCaptionWarning), icon);
        };
    };
    const bool mbrOnly = (osClass == 0 || osClass == 4) && ntfs;
    OkChecks checks(surface);
    checks.RefuseIf(!ntfs && !fat32, warning(UiText(text::kSelectFormatType), MessageIcon::None))
        .RefuseIf(size <= 10, warning(UiText(text::kTooSmall)))
        .RefuseIf(available < size,
                  warning(disk_text::FillText(UiText(text::kTooLarge), static_cast<std::int32_t>(available))))
        .RefuseIf(fat32 && size < 512, warning(UiText(text::kFat32TooSmall)))
        .RefuseIf(fat32 && size > 32768, warning(UiText(text::kFat32TooLarge)))
        .RefuseIf(mbrOnly && size >= kMbrLimitMiB, warning(UiText(text::kOver2Tb)));
    if (!checks.Passed()) return std::nullopt;
    return size;
}

void CPartition::OnStart() {
    DialogSurfacePort& surface = Surface();
    const int osClass = OsClass(ReadWindowsVersion(ports_.version), ports_.wow64);
    const std::optional<std::uint32_t> size = ValidSize(osClass);
    if (!size) return;
    const StepGate::Ticket flow = gate_.Enter(surface, FlowWrites::Yes);
    if (!flow) return;
    surface.EnableDialog(false);
    sizeMiB_ = *size;
    const int chosen = surface.ComboSelection(IDC_PARTITION_LETTER);
    letter_ = DriveLetterOf(surface.ComboItemText(IDC_PARTITION_LETTER, chosen)).value_or(L'\0');
    surface.Show(IDC_PARTITION_PROGRESS, true);
    ShowFormatProgress(surface, 10);
    const bool older = job_.mode == PartitionJobMode::OlderWindows;
    steps_.RunReporting(
        surface,
        [this, older, osClass](StepReporter& progress) {
            return older ? CreateOnOlderWindowsWork() : CreateWork(osClass, progress);
        },
        [this](std::intptr_t percent) { ShowFormatProgress(Surface(), static_cast<int>(percent)); },
        [this, flow](Created created) {
            DialogSurfacePort& shown = Surface();
            ShowNotices(shown, created.notices);
            if (created.writeFailed) endState_ = EndState::WriteFailed;
            newPartition_ = created.newPartition;
            newStart_ = created.newStart;
            if (!created.created) shown.Enable(kIdOk, true);
            if (created.format) {
                LetterAndFormat(flow, std::move(created.record));
                return;
            }
            shown.EnableDialog(true);
        });
}

bool CPartition::WriteLayout(DiskDevice& device, const DriveLayout& layout, bool older, Created& created) {
    // The disk number may have moved to another disk since the disk manager
    // read it: only the target's own disk is written.
    const DiskIdentityCheck identity = ConfirmDiskIdentity(ports_.inventory, job_.diskNumber, job_.owner);
    if (!identity.Confirmed()) {
        created.notices.push_back(WarningNotice(identity.refusal, MessageIcon::Stop));
        return false;
    }
    const DiskStatus written = older ? device.SetDriveLayout(layout) : device.SetDriveLayoutEx(layout);
    if (!written.Ok()) {
        created.notices.push_back(SystemErrorNotice(written.error));
        created.writeFailed = true;
        return false;
    }
    device.UpdateProperties();
    return true;
}

std::optional<CPartition::TableForCreation> CPartition::ReadTableForCreation(bool older, Notices& notices) {
    if (job_.diskNumber <= 0 || job_.FreeArea() == nullptr) {
        notices.push_back(SystemErrorNotice(win32_error::kInvalidParameter));
        return std::nullopt;
    }
    auto device = ports_.disks.Open(PhysicalDrivePath(static_cast<std::uint32_t>(job_.diskNumber)),
                                    disk_access::kGenericRead | disk_access::kGenericWrite,
                                    disk_access::kShareRead | disk_access::kShareWrite);
    if (!device.Ok()) {
        notices.push_back(SystemErrorNotice(device.error));
        return std::nullopt;
    }
    const auto geometry = device.value->GetDriveGeometry();
    const auto read = older ? device.value->GetDriveLayout() : device.value->GetDriveLayoutEx();
    // A table that could not be read is not an empty one: a layout built on
    // it would wipe the partitions the disk has.
    if (!geometry.Returned(ioctl_bytes::kDiskGeometry) || !read.Ok()) {
        notices.push_back(SystemErrorNotice(!geometry.Ok()  ? geometry.error
                                            : read.Ok()     ? win32_error::kInvalidParameter
                                                            : read.error));
        return std::nullopt;
    }
    return TableForCreation{std::move(device.value), geometry.value, read.value};
}

CPartition::Created CPartition::CreateWork(int osClass, StepReporter& progress) {
    Created created;
    const DiskSegment* area = job_.FreeArea();
    auto opened = ReadTableForCreation(false, created.notices);
    if (!opened) return created;
    DiskDevice* const device = opened->device.get();
    const DiskGeometry& geometry = opened->geometry;
    const DriveLayout& table = opened->table;
    progress.Report(20);
    if (ServerEdition()) {
        // The dialog may have been open for minutes: the number may name
        // another disk now, and bringing that online would mount its volumes.
        const DiskIdentityCheck identity = ConfirmDiskIdentity(ports_.inventory, job_.diskNumber, job_.owner);
        if (!identity.Confirmed()) {
            created.notices.push_back(WarningNotice(identity.refusal, MessageIcon::Stop));
            return created;
        }
        // An online script stopped at its limit ends the step (the runner
        // has told the user).
        if (DiskScripts(ports_.scriptFiles, ports_.commands)
                .WriteAndRun(ScriptFile::Active, OnlineScriptText(static_cast<std::uint32_t>(job_.diskNumber)))
                .outcome == ScriptRun::Outcome::TimedOut) {
            return created;
        }
    }
    if (job_.slot < 0) return created;

    const bool gpt = job_.gpt && osClass != kOsClassUnknown && osClass != 0 && osClass != 4;
    const auto length = device->GetLengthInfo();
    const std::int64_t diskBytes = length.Ok() && length.value > 0 ? length.value : geometry.Bytes();
    const std::uint32_t sector = geometry.bytesPerSector == 0 ? 512 : geometry.bytesPerSector;
    const std::int64_t limit = std::min(area->end, UsableEnd(diskBytes, gpt, sector));
    const std::int64_t requested = static_cast<std::int64_t>(sizeMiB_) * kMiB;
    // Vista and later lay partitions out on 1 MiB boundaries, as Windows' own tools do.
    const PartitionExtent extent = AlignsPartitions(osClass) ? AlignedExtent(area->start, limit, requested)
                                                             : PartitionExtent{area->start, ClampedLength(area->start, requested, limit, sector)};
    NewPartition partition{job_.slot, extent.start, extent.length, static_cast<std::uint32_t>(job_.partitionNumber),
                           sector};
    // A table of the other style is never rewritten in this one, nor an
    // entry that holds a partition.
    const bool otherStyle = table.style != (gpt ? PartitionStyle::Gpt : PartitionStyle::Mbr) &&
                            std::any_of(table.entries.begin(), table.entries.end(), EntryUsed);
    const std::optional<DriveLayout> layout =
        partition.length == 0 || otherStyle ? std::nullopt
        : gpt ? WithGptEntry(table, partition, ports_.ids, gpt_attribute::kPlatformRequired)
              : WithMbrEntry(table, partition, ports_.ids);
    if (!layout) {
        created.notices.push_back(SystemErrorNotice(win32_error::kInvalidParameter));
        return created;
    }
    if (!FitsTable(table, partition, diskBytes)) {
        created.notices.push_back(WarningNotice(UiText(text::kDoesNotFit), MessageIcon::Stop));
        return created;
    }
    if (!WriteLayout(*device, *layout, false, created)) return created;
    created.created = true;

    const auto reread = device->GetDriveLayoutEx();
    created.newStart = partition.start;
    created.newPartition = reread.Ok() ? NumberOfPartitionAt(reread.value, partition.start) : 0;
    progress.Report(30);
    if (created.newPartition == 0) {
        created.notices.push_back(WarningNotice(UiText(text::kNoLetterAfterAdd)));
        return created;
    }
    DiskScripts scripts(ports_.scriptFiles, ports_.commands);
    const std::wstring diskText = std::to_wstring(job_.diskNumber);
    const auto assignText = AssignScriptText(diskText, created.newPartition, letter_);
    const RecordLookup lookup =
        PartitionLookup(ports_.inventory, job_.diskNumber, static_cast<std::int32_t>(created.newPartition));
    if (AssignSet()) {
        WaitForVolume(ports_.clock, lookup);
        scripts.WriteAndRun(ScriptFile::AssignLetter, assignText);
    }
    progress.Report(40);
    std::function<void()> rerun;
    if (XpServerSet()) rerun = [&] { scripts.WriteAndRun(ScriptFile::AssignLetter, assignText); };
    // Windows mounts the new volume and letters it a moment after the
    // table was written: looked for until it has.
    const LetterWaitResult waited = PollForLetter(ports_.clock, lookup, rerun);
    if (waited.record) MoveToChosenLetter(*waited.record, true, created.notices);
    // The volume shows at its new letter a moment after the move.
    std::optional<VolumeRecord> record = lookup();
    const std::chrono::milliseconds giveUp = ports_.clock.Now() + kLetterSettle;
    while (letter_ != L'\0' && record && DriveLetterOf(record->driveLetter) != letter_ &&
           ports_.clock.Now() < giveUp) {
        ports_.clock.Sleep(kLetterSettlePoll);
        record = lookup();
    }
    if (AssignSet()) scripts.Remove(ScriptFile::AssignLetter);
    created.format = true;
    created.record = std::move(record);
    return created;
}

CPartition::Created CPartition::CreateOnOlderWindowsWork() {
    Created created;
    const DiskSegment* area = job_.FreeArea();
    auto opened = ReadTableForCreation(true, created.notices);
    if (!opened) return created;
    DiskDevice* const device = opened->device.get();
    const DiskGeometry& geometry = opened->geometry;
    const DriveLayout& table = opened->table;
    const std::uint32_t sector = geometry.bytesPerSector == 0 ? 512 : geometry.bytesPerSector;
    const auto length = device->GetLengthInfo();
    const std::int64_t diskBytes = length.Ok() && length.value > 0 ? length.value : geometry.Bytes();
    const std::int64_t limit = std::min(area->end, UsableEnd(diskBytes, false, sector));
    NewPartition partition{job_.slot, area->start,
                           ClampedLength(area->start, static_cast<std::int64_t>(sizeMiB_) * kMiB, limit, sector),
                           static_cast<std::uint32_t>(job_.partitionNumber), sector};
    const std::optional<DriveLayout> layout =
        partition.length == 0 ? std::nullopt : WithMbrEntry(table, partition, ports_.ids);
    if (!layout) {
        created.notices.push_back(SystemErrorNotice(win32_error::kInvalidParameter));
        return created;
    }
    if (!FitsTable(table, partition, diskBytes)) {
        created.notices.push_back(WarningNotice(UiText(text::kDoesNotFit), MessageIcon::Stop));
        return created;
    }
    if (!WriteLayout(*device, *layout, true, created)) return created;
    created.created = true;
    const auto reread = device->GetDriveLayout();
    created.newStart = partition.start;
    created.newPartition = reread.Ok() ? NumberOfPartitionAt(reread.value, partition.start) : 0;
    if (created.newPartition != 0) {
        const RecordLookup lookup =
            PartitionLookup(ports_.inventory, job_.diskNumber, static_cast<std::int32_t>(created.newPartition));
        const LetterWaitResult waited = WaitForDriveLetter(ports_.clock, lookup);
        if (waited.record) MoveToChosenLetter(*waited.record, false, created.notices);
        created.record = lookup();
    }
    created.format = true;
    return created;
}

void CPartition::MoveToChosenLetter(const VolumeRecord& record, bool withMessages, Notices& notices) {
    if (letter_ == L'\0') return;
    const std::optional<wchar_t> has = DriveLetterOf(record.driveLetter);
    if (has == letter_) return;
    if (has && !ports_.disks.DeleteMountPoint(record.driveLetter).Ok() && withMessages) {
        notices.push_back(WarningNotice(UiText(text::kDeleteMountFailed), MessageIcon::None));
    }
    if (!ports_.disks.SetMountPoint(DriveRootOf(letter_), record.volumeName).Ok() && withMessages) {
        notices.push_back(WarningNotice(UiText(text::kSetMountFailed), MessageIcon::None));
    }
}

void CPartition::LetterAndFormat(const StepGate::Ticket& flow, std::optional<VolumeRecord> record) {
    DialogSurfacePort& surface = Surface();
    if (!record) {
        Warn(UiText(text::kNoLetterAfterAdd));
        surface.EnableDialog(true);
        return;
    }
    const bool ntfs = surface.IsChecked(IDC_PARTITION_NTFS);
    if (!ntfs && !surface.IsChecked(IDC_PARTITION_FAT32)) {
        surface.EnableDialog(true);
        return;
    }
    ShowFormatProgress(surface, 45);
    format_.StartFormat(surface, record->driveLetter, ntfs ? FormatFileSystem::Ntfs : FormatFileSystem::Fat32);
    // The initiator is told at once to mount the volume at every start.
    CommandRunner& commands = ports_.commands;
    steps_.Run(surface, [&commands, line = AddPersistentDeviceCommand(record->driveLetter).text] {
        commands.RunConsoleCommand(line);
    }, [] {});
    // While a format runs the engine gives the dialog back at its end; any
    // other way out of here must not leave a dialog that cannot be closed.
    if (format_.Running()) {
        formatFlow_ = flow;
    } else {
        surface.EnableDialog(true);
    }
}

void CPartition::FormatSucceeded(const std::wstring& drive) {
    const bool server = ServerEdition();
    steps_.Run(
        Surface(),
        [this, drive, server] {
            ports_.commands.RunConsoleCommand(AddPersistentDeviceCommand(drive).text);
            if (server) DiskScripts(ports_.scriptFiles, ports_.commands).Remove(ScriptFile::Active);
        },
        [this, flow = std::move(formatFlow_)] {
            endState_ = EndState::FormatEnded;
            Surface().PostClose();
        });
    formatFlow_.reset();
}

void CPartition::FormatFailed() {
    const auto version = ReadWindowsVersion(ports_.version);
    const bool removeScript = !version || InServerEditionSet(*version);
    steps_.Run(
        Surface(),
        [this, removeScript] {
            Notices notices;
            if (removeScript) DiskScripts(ports_.scriptFiles, ports_.commands).Remove(ScriptFile::Active);
            RemoveCreatedPartitionWork(notices);
            return notices;
        },
        [this, flow = std::move(formatFlow_)](const Notices& notices) {
            ShowNotices(Surface(), notices);
            endState_ = EndState::FormatEnded;
        });
    formatFlow_.reset();
}

void CPartition::RemoveCreatedPartitionWork(Notices& notices) {
    // Only the partition this dialog made goes: the disk must still be the
    // target's, and its partition of that number must start where ours did.
    const DiskIdentityCheck identity = ConfirmDiskIdentity(ports_.inventory, job_.diskNumber, job_.owner);
    if (!identity.Confirmed()) {
        notices.push_back(WarningNotice(identity.refusal, MessageIcon::Stop));
        return;
    }
    auto device = ports_.disks.Open(PhysicalDrivePath(static_cast<std::uint32_t>(job_.diskNumber)),
                                    disk_access::kGenericRead, disk_access::kShareRead | disk_access::kShareWrite);
    const auto layout = device.Ok() ? device.value->GetDriveLayoutEx() : IoctlResult<DriveLayout>{};
    if (!device.Ok() || !layout.Ok() || NumberOfPartitionAt(layout.value, newStart_) != newPartition_) return;
    device.value.reset();
    DiskScripts scripts(ports_.scriptFiles, ports_.commands);
    const ScriptRun run = scripts.WriteAndRun(
        ScriptFile::Delete, DeleteScriptText(static_cast<std::uint32_t>(job_.diskNumber), newPartition_));
    if (run.outcome == ScriptRun::Outcome::Refused) {
        notices.push_back(WarningNotice(scripts.RefusalText(ScriptFile::Delete), MessageIcon::Stop));
    } else if (const auto warning = DeleteRunWarning(scripts.CapturedOutput())) {
        notices.push_back(WarningNotice(*warning, MessageIcon::Stop));
    }
    scripts.Remove(ScriptFile::Delete);
}

bool CPartition::ServerEdition() const {
    const auto version = ReadWindowsVersion(ports_.version);
    return version && InServerEditionSet(*version);
}

bool CPartition::AssignSet() const {
    const auto version = ReadWindowsVersion(ports_.version);
    return version && InAssignSet(*version);
}

bool CPartition::XpServerSet() const {
    const auto version = ReadWindowsVersion(ports_.version);
    return version && InXpServerSet(*version);
}

int RunPartitionManager(DialogSurfacePort& owner, PartitionJob job, const PartitionPorts& ports) {
    CPartition dialog(std::move(job), ports);
    if (owner.RunModal(dialog, IDD_PARTITION) < 0) return -1;
    return static_cast<int>(dialog.Result());
}

}  // namespace norvale
