#include "disk/core/partition/partition_dialog.h"

#include <algorithm>

#include "controls/core/ok_box.h"
#include "controls/core/ok_checks.h"
#include "controls/core/wait_cursor.h"
#include "disk/core/disk_texts.h"
#include "disk/core/inventory/disk_identity.h"
#include "disk/core/inventory/letter_wait.h"
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
    : job_(std::move(job)), ports_(ports), format_(ports.format, FormatOwner::PartitionManager, *this) {
    format_.Bind(Messages());
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(kIdOk, [this] { OnStart(); })
        .OnClicked(kIdCancel, [this] { Surface().EndDialog(kIdCancel); })
        .OnClicked(IDC_PARTITION_NTFS, [this] { OnFileSystem(IDC_PARTITION_NTFS, IDC_PARTITION_FAT32); })
        .OnClicked(IDC_PARTITION_FAT32, [this] { OnFileSystem(IDC_PARTITION_FAT32, IDC_PARTITION_NTFS); })
        .OnClicked(IDC_PARTITION_MAX_SPACE,
                   [this] { Surface().Enable(IDC_PARTITION_SIZE, !Surface().IsChecked(IDC_PARTITION_MAX_SPACE)); })
        .OnDestroy([this] { format_.DialogEnded(); });
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
    ports_.clock.Sleep(std::chrono::milliseconds(500));
    FillOfferedLetterCombo(surface, IDC_PARTITION_LETTER,
                           OfferDriveLetters(ReadLetterTable(ports_.network), ports_.driveTypes));
    const auto available = static_cast<std::int32_t>(static_cast<std::uint32_t>(job_.availableMiB));
    std::wstring availableText = UiText(text::kAvailable);
    if (const std::size_t at = availableText.find(L"%ld"); at != std::wstring::npos) {
        availableText.replace(at, 3, std::to_wstring(available));
    }
    surface.SetText(IDC_PARTITION_AVAILABLE, availableText);
    surface.SetText(IDC_PARTITION_SIZE, L"11");
    if (surface.ComboSelection(IDC_PARTITION_LETTER) < 0) {
        surface.SetText(IDC_PARTITION_STATUS, UiText(disk_text::kNoFreeLetter));
        surface.Enable(IDC_PARTITION_LETTER, false);
        surface.Enable(kIdOk, false);
        surface.Enable(kIdCancel, true);
    }
    return true;
}

void CPartition::OnFileSystem(int clicked, int other) {
    if (Surface().IsChecked(clicked)) Surface().SetChecked(other, false);
}

void CPartition::Warn(const std::wstring& message, MessageIcon icon) {
    ShowOkBox(Surface(), message, disk_text::kCaptionWarning, icon);
}

void CPartition::WarnSystemError(std::uint32_t code) {
    ShowOkBox(Surface(), ports_.errors.TextOf(code), disk_text::kCaptionWarning, MessageIcon::Stop);
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
    WaitCursor busy(surface);
    surface.EnableDialog(false);
    const std::optional<std::uint32_t> size = ValidSize(osClass);
    if (!size) {
        surface.EnableDialog(true);
        return;
    }
    sizeMiB_ = *size;
    const int chosen = surface.ComboSelection(IDC_PARTITION_LETTER);
    letter_ = DriveLetterOf(surface.ComboItemText(IDC_PARTITION_LETTER, chosen)).value_or(L'\0');
    surface.Show(IDC_PARTITION_PROGRESS, true);
    ShowFormatProgress(surface, 10);
    const bool created =
        job_.mode == PartitionJobMode::OlderWindows ? CreateOnOlderWindows() : Create(osClass);
    if (!created) surface.Enable(kIdOk, true);
    // While a format runs the engine gives the dialog back at its end; any
    // other way out of here must not leave a dialog that cannot be closed.
    if (!format_.Running()) surface.EnableDialog(true);
}

std::optional<std::unique_ptr<DiskDevice>> CPartition::OpenDisk() {
    auto device = ports_.disks.Open(PhysicalDrivePath(static_cast<std::uint32_t>(job_.diskNumber)),
                                    disk_access::kGenericRead | disk_access::kGenericWrite,
                                    disk_access::kShareRead | disk_access::kShareWrite);
    if (!device.Ok()) {
        WarnSystemError(device.error);
        return std::nullopt;
    }
    return std::move(device.value);
}

bool CPartition::WriteLayout(DiskDevice& device, const DriveLayout& layout, bool older) {
    // The disk number may have moved to another disk since the disk manager
    // read it: only the target's own disk is written.
    const DiskIdentityCheck identity = ConfirmDiskIdentity(ports_.inventory, job_.diskNumber, job_.owner);
    if (!identity.Confirmed()) {
        Warn(identity.refusal, MessageIcon::Stop);
        return false;
    }
    const DiskStatus written = older ? device.SetDriveLayout(layout) : device.SetDriveLayoutEx(layout);
    if (!written.Ok()) {
        WarnSystemError(written.error);
        endState_ = EndState::WriteFailed;
        return false;
    }
    device.UpdateProperties();
    return true;
}

std::optional<CPartition::TableForCreation> CPartition::ReadTableForCreation(bool older) {
    if (job_.diskNumber <= 0 || job_.FreeArea() == nullptr) {
        WarnSystemError(win32_error::kInvalidParameter);
        return std::nullopt;
    }
    auto device = OpenDisk();
    if (!device) return std::nullopt;
    const auto geometry = (*device)->GetDriveGeometry();
    const auto read = older ? (*device)->GetDriveLayout() : (*device)->GetDriveLayoutEx();
    // A table that could not be read is not an empty one: a layout built on
    // it would wipe the partitions the disk has.
    if (!geometry.Returned(ioctl_bytes::kDiskGeometry) || !read.Ok()) {
        WarnSystemError(!geometry.Ok() ? geometry.error : read.Ok() ? win32_error::kInvalidParameter : read.error);
        return std::nullopt;
    }
    return TableForCreation{std::move(*device), geometry.value, read.value};
}

bool CPartition::Create(int osClass) {
    DialogSurfacePort& surface = Surface();
    const DiskSegment* area = job_.FreeArea();
    auto opened = ReadTableForCreation(false);
    if (!opened) return false;
    DiskDevice* const device = opened->device.get();
    const DiskGeometry& geometry = opened->geometry;
    const DriveLayout& table = opened->table;
    ShowFormatProgress(surface, 20);
    if (ServerEdition()) {
        // The dialog may have been open for minutes: the number may name
        // another disk now, and bringing that online would mount its volumes.
        const DiskIdentityCheck identity = ConfirmDiskIdentity(ports_.inventory, job_.diskNumber, job_.owner);
        if (!identity.Confirmed()) {
            Warn(identity.refusal, MessageIcon::Stop);
            return false;
        }
        // An online script stopped at its limit ends the step (the runner
        // has told the user).
        if (DiskScripts(ports_.scriptFiles, ports_.commands)
                .WriteAndRun(ScriptFile::Active, OnlineScriptText(static_cast<std::uint32_t>(job_.diskNumber)))
                .outcome == ScriptRun::Outcome::TimedOut) {
            return false;
        }
    }
    if (job_.slot < 0) return false;

    const bool gpt = job_.gpt && osClass != kOsClassUnknown && osClass != 0 && osClass != 4;
    const auto length = device->GetLengthInfo();
    const std::int64_t diskBytes = length.Ok() && length.value > 0 ? length.value : geometry.Bytes();
    const std::uint32_t sector = geometry.bytesPerSector == 0 ? 512 : geometry.bytesPerSector;
    const std::int64_t limit = std::min(area->end, UsableEnd(diskBytes, gpt, sector));
    NewPartition partition{job_.slot, area->start,
                           ClampedLength(area->start, static_cast<std::int64_t>(sizeMiB_) * kMiB, limit, sector),
                           static_cast<std::uint32_t>(job_.partitionNumber), sector};
    // A table of the other style is never rewritten in this one, nor an
    // entry that holds a partition.
    const bool otherStyle = table.style != (gpt ? PartitionStyle::Gpt : PartitionStyle::Mbr) &&
                            std::any_of(table.entries.begin(), table.entries.end(), EntryUsed);
    const std::optional<DriveLayout> layout =
        partition.length == 0 || otherStyle ? std::nullopt
        : gpt ? WithGptEntry(table, partition, ports_.ids, gpt_attribute::kPlatformRequired)
              : WithMbrEntry(table, partition, ports_.ids);
    if (!layout) {
        WarnSystemError(win32_error::kInvalidParameter);
        return false;
    }
    if (!FitsTable(table, partition, diskBytes)) {
        Warn(UiText(text::kDoesNotFit), MessageIcon::Stop);
        return false;
    }
    if (!WriteLayout(*device, *layout, false)) return false;

    const auto reread = device->GetDriveLayoutEx();
    newStart_ = partition.start;
    newPartition_ = reread.Ok() ? NumberOfPartitionAt(reread.value, partition.start) : 0;
    ShowFormatProgress(surface, 30);
    if (newPartition_ == 0) {
        Warn(UiText(text::kNoLetterAfterAdd));
        return true;
    }
    DiskScripts scripts(ports_.scriptFiles, ports_.commands);
    const std::wstring diskText = std::to_wstring(job_.diskNumber);
    const auto assignText = AssignScriptText(diskText, newPartition_, letter_);
    if (AssignSet()) scripts.WriteAndRun(ScriptFile::AssignLetter, assignText);
    ShowFormatProgress(surface, 35);
    const RecordLookup lookup = PartitionLookup(ports_.inventory, job_.diskNumber, static_cast<std::int32_t>(newPartition_));
    lookup();
    ShowFormatProgress(surface, 40);
    std::function<void()> rerun;
    if (XpServerSet()) rerun = [&] { scripts.WriteAndRun(ScriptFile::AssignLetter, assignText); };
    const LetterWaitResult waited = PollForLetter(ports_.clock, lookup, rerun);
    if (waited.record) MoveToChosenLetter(*waited.record, true);
    std::optional<VolumeRecord> record = lookup();
    ports_.clock.Sleep(std::chrono::milliseconds(500));
    if (AssignSet()) scripts.Remove(ScriptFile::AssignLetter);
    LetterAndFormat(std::move(record));
    return true;
}

bool CPartition::CreateOnOlderWindows() {
    const DiskSegment* area = job_.FreeArea();
    auto opened = ReadTableForCreation(true);
    if (!opened) return false;
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
        WarnSystemError(win32_error::kInvalidParameter);
        return false;
    }
    if (!FitsTable(table, partition, diskBytes)) {
        Warn(UiText(text::kDoesNotFit), MessageIcon::Stop);
        return false;
    }
    if (!WriteLayout(*device, *layout, true)) return false;
    const auto reread = device->GetDriveLayout();
    newStart_ = partition.start;
    newPartition_ = reread.Ok() ? NumberOfPartitionAt(reread.value, partition.start) : 0;
    std::optional<VolumeRecord> record;
    if (newPartition_ != 0) {
        const RecordLookup lookup =
            PartitionLookup(ports_.inventory, job_.diskNumber, static_cast<std::int32_t>(newPartition_));
        const LetterWaitResult waited = WaitForDriveLetter(ports_.clock, lookup);
        if (waited.record) MoveToChosenLetter(*waited.record, false);
        record = lookup();
    }
    LetterAndFormat(std::move(record));
    return true;
}

void CPartition::MoveToChosenLetter(const VolumeRecord& record, bool withMessages) {
    if (letter_ == L'\0') return;
    const std::optional<wchar_t> has = DriveLetterOf(record.driveLetter);
    if (has == letter_) return;
    if (has && !ports_.disks.DeleteMountPoint(record.driveLetter).Ok() && withMessages) {
        Warn(UiText(text::kDeleteMountFailed), MessageIcon::None);
    }
    if (!ports_.disks.SetMountPoint(DriveRootOf(letter_), record.volumeName).Ok() && withMessages) {
        Warn(UiText(text::kSetMountFailed), MessageIcon::None);
    }
}

void CPartition::LetterAndFormat(std::optional<VolumeRecord> record) {
    DialogSurfacePort& surface = Surface();
    if (!record) {
        Warn(UiText(text::kNoLetterAfterAdd));
        return;
    }
    const bool ntfs = surface.IsChecked(IDC_PARTITION_NTFS);
    if (!ntfs && !surface.IsChecked(IDC_PARTITION_FAT32)) return;
    ShowFormatProgress(surface, 45);
    format_.StartFormat(surface, record->driveLetter, ntfs ? FormatFileSystem::Ntfs : FormatFileSystem::Fat32);
    ports_.commands.RunConsoleCommand(AddPersistentDeviceCommand(record->driveLetter).text);
}

void CPartition::FormatSucceeded(const std::wstring& drive) {
    ports_.commands.RunConsoleCommand(AddPersistentDeviceCommand(drive).text);
    ports_.clock.Sleep(std::chrono::milliseconds(500));
    endState_ = EndState::FormatEnded;
    if (ServerEdition()) DiskScripts(ports_.scriptFiles, ports_.commands).Remove(ScriptFile::Active);
    Surface().PostClose();
}

void CPartition::FormatFailed() {
    const auto version = ReadWindowsVersion(ports_.version);
    if (!version || InServerEditionSet(*version)) {
        DiskScripts(ports_.scriptFiles, ports_.commands).Remove(ScriptFile::Active);
    }
    RemoveCreatedPartition();
    ports_.clock.Sleep(std::chrono::milliseconds(3000));
    endState_ = EndState::FormatEnded;
}

void CPartition::RemoveCreatedPartition() {
    // Only the partition this dialog made goes: the disk must still be the
    // target's, and its partition of that number must start where ours did.
    const DiskIdentityCheck identity = ConfirmDiskIdentity(ports_.inventory, job_.diskNumber, job_.owner);
    if (!identity.Confirmed()) {
        Warn(identity.refusal, MessageIcon::Stop);
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
        Warn(scripts.RefusalText(ScriptFile::Delete), MessageIcon::Stop);
    } else if (const auto warning = DeleteRunWarning(scripts.CapturedOutput())) {
        Warn(*warning, MessageIcon::Stop);
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
