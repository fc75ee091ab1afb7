#include "disk/core/wizard/wizard_dialog.h"

#include "controls/core/ok_box.h"
#include "controls/core/wait_cursor.h"
#include "disk/core/disk_texts.h"
#include "disk/core/inventory/letter_wait.h"
#include "disk/core/inventory/os_class.h"
#include "disk/core/inventory/volume_names.h"
#include "disk/core/letters/drive_letter_offers.h"
#include "disk/core/scripts/disk_version_sets.h"
#include "disk/core/wizard/wizard_partition.h"
#include "disk/core/wizard/wizard_plan.h"
#include "disk/core/wizard/wizard_texts.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_reader.h"
#include "resources/resource.h"

namespace norvale {
namespace {

using namespace std::chrono_literals;
namespace text = wizard_text;

constexpr std::int64_t kMiB = 1 << 20;
// Look-ups of the new volume before its letter is polled for.
constexpr int kRecordLookups = 11;
constexpr int kLetterRereads = 10;
// Rounds of "Waiting for OS to recognize partition..." before the format.
constexpr int kRecognitionRounds = 30;

bool StartsWithLetter(const std::optional<VolumeRecord>& record) {
    return record && !record->driveLetter.empty() && DriveLetterOf(record->driveLetter.substr(0, 1) + L":");
}

std::wstring AvailableText(std::int64_t mib) {
    std::wstring line = UiText(text::kAvailable);
    if (const std::size_t at = line.find(L"%ld"); at != std::wstring::npos) {
        line.replace(at, 3, std::to_wstring(static_cast<std::int32_t>(mib)));
    }
    return line;
}

}  // namespace

CWizardDialog::CWizardDialog(const WizardPorts& ports, WizardTarget target, int wizardState)
    : ports_(ports),
      target_(std::move(target)),
      wizardState_(wizardState),
      format_(ports.formats, FormatOwner::Wizard, *this) {
    format_.Bind(Messages());
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(kIdOk, [this] { OnOk(); })
        .OnClicked(kIdCancel,
                   [this] {
                       if (Leave()) Surface().EndDialog(kIdCancel);
                   })
        // The close box, and the close a finished format posts; the dialog
        // then ends by itself.
        .OnClose([this] { Leave(); })
        .OnClicked(IDC_WIZARD_MAX_SPACE, [this] { OnMaximumSpace(); })
        .OnClicked(IDC_WIZARD_NTFS, [this] { OnFileSystem(true); })
        .OnClicked(IDC_WIZARD_FAT32, [this] { OnFileSystem(false); });
}

CWizardDialog::~CWizardDialog() { format_.DialogEnded(); }

int CWizardDialog::Run(DialogSurfacePort& owner) {
    // The new disk takes a moment to show up after the login.
    ports_.clock.Sleep(1000ms);
    const auto record = LookUp();
    const auto version = Version();
    // A reused LUN keeps what it holds: the disk manager shows it instead,
    // and nothing is run on it (bringing it online would mount its volumes).
    if (record && record->diskNumber > 0 &&
        ReadWizardDiskContent(ports_.disks, record->diskNumber, version && IsOlderNt(*version)) ==
            WizardDiskContent::HoldsPartitions) {
        ShowOkBox(owner, disk_text::FillText(UiText(text::kHoldsPartitions), record->diskNumber), text::kTitle,
                  MessageIcon::Exclamation);
        endMark_ = 0;
        return endMark_;
    }
    if (record && version && InServerEditionSet(*version) &&
        ConfirmDiskIdentity(ports_.inventory, record->diskNumber, target_.owner).Confirmed()) {
        ports_.scripts.WriteAndRun(ScriptFile::Active, OnlineScriptText(record->diskText));
    }
    owner.RunModal(*this, IDD_FORMAT_WIZARD);
    return endMark_;
}

bool CWizardDialog::OnInitDialog() {
    DialogSurfacePort& surface = Surface();
    surface.SetDialogColors(kDialogBlue, kWhite);
    surface.SetTitle(UiText(text::kFormat));
    surface.SetGroupBoxColors(IDC_WIZARD_GROUP, kDialogBlue, kWhite);
    surface.SetText(IDC_WIZARD_GROUP, UiText(text::kWizardOption));
    surface.SetText(IDC_WIZARD_TARGET_LABEL, UiText(text::kTarget));
    surface.SetText(IDC_WIZARD_SIZE_LABEL, UiText(text::kPartitionSize));
    surface.SetText(IDC_WIZARD_TYPE_LABEL, UiText(text::kFormatType));
    surface.SetText(IDC_WIZARD_LETTER_LABEL, UiText(text::kDriveLetter));
    surface.SetText(IDC_WIZARD_MAX_SPACE, UiText(text::kMaximumSpace));
    surface.SetText(IDC_WIZARD_NTFS, UiText(text::kNtfs));
    surface.SetText(IDC_WIZARD_FAT32, UiText(text::kFat32));
    surface.SetText(kIdOk, UiText(text::kOk));
    surface.SetText(kIdCancel, UiText(text::kCancel));
    surface.SetText(IDC_WIZARD_TARGET, target_.name);
    surface.SetReadOnly(IDC_WIZARD_TARGET, true);
    surface.Show(IDC_WIZARD_PROGRESS, false);
    surface.SetProgressRange(IDC_WIZARD_PROGRESS, 0, 100);
    surface.SetProgressColors(IDC_WIZARD_PROGRESS, kProgressGreen, kWhite);
    surface.SetChecked(IDC_WIZARD_MAX_SPACE, true);
    surface.SetChecked(IDC_WIZARD_NTFS, true);
    surface.SetChecked(IDC_WIZARD_FAT32, false);
    surface.Enable(IDC_WIZARD_SIZE, false);
    FillOfferedLetterCombo(surface, IDC_WIZARD_LETTER,
                           OfferDriveLetters(ReadLetterTable(ports_.network), ports_.driveTypes));

    // A new disk reports no size for a moment; one that never does ends the
    // wait with a message rather than a dialog that never appears.
    std::optional<VolumeRecord> record = LookUp();
    for (auto waited = 0ms; !(record && record->lengthMiB != 0) && waited < kDiskSizeWait; waited += 1000ms) {
        ports_.clock.Sleep(1000ms);
        record = LookUp();
    }
    const bool sized = record && record->lengthMiB != 0;
    surface.SetText(IDC_WIZARD_AVAILABLE, AvailableText(sized ? record->lengthMiB : 0));
    surface.SetText(IDC_WIZARD_SIZE, L"11");
    if (surface.ComboSelection(IDC_WIZARD_LETTER) < 0) {
        surface.SetText(IDC_WIZARD_STATUS, UiText(text::kNoFreeLetter));
        surface.Enable(IDC_WIZARD_LETTER, false);
        surface.Enable(kIdOk, false);
    } else if (!sized) {
        surface.SetText(IDC_WIZARD_STATUS, UiText(text::kNoDiskSize));
        surface.Enable(kIdOk, false);
    }
    surface.Enable(kIdCancel, true);
    return true;
}

void CWizardDialog::OnMaximumSpace() {
    Surface().Enable(IDC_WIZARD_SIZE, !Surface().IsChecked(IDC_WIZARD_MAX_SPACE));
}

void CWizardDialog::OnFileSystem(bool ntfs) {
    DialogSurfacePort& surface = Surface();
    const int clicked = ntfs ? IDC_WIZARD_NTFS : IDC_WIZARD_FAT32;
    if (surface.IsChecked(clicked)) surface.SetChecked(ntfs ? IDC_WIZARD_FAT32 : IDC_WIZARD_NTFS, false);
}

void CWizardDialog::OnOk() {
    DialogSurfacePort& surface = Surface();
    const int osClass = OsClass(Version(), ports_.wow64);
    WaitCursor cursor(surface);
    surface.EnableDialog(false);
    std::int64_t sizeMiB = 0;
    bool gpt = false;
    if (!Validate(osClass, sizeMiB, gpt) || !Partition(osClass, sizeMiB, gpt)) {
        surface.EnableDialog(true);
        return;
    }
    surface.Show(IDC_WIZARD_PROGRESS, true);
    Progress(10);
    ports_.clock.Sleep(1000ms);
    const int selected = surface.ComboSelection(IDC_WIZARD_LETTER);
    const auto chosen =
        selected < 0 ? std::nullopt : DriveLetterOf(surface.ComboItemText(IDC_WIZARD_LETTER, selected));
    if (!chosen) {
        Tell(text::kNoFreeLetter);
        surface.EnableDialog(true);
        return;
    }
    const auto record = LetterTheVolume(*chosen);
    if (!record) {
        surface.EnableDialog(true);
        return;
    }
    PrepareAndStartFormat(record);
}

bool CWizardDialog::Validate(int osClass, std::int64_t& sizeMiB, bool& gpt) {
    DialogSurfacePort& surface = Surface();
    WizardChoice choice;
    choice.ntfs = surface.IsChecked(IDC_WIZARD_NTFS);
    choice.fat32 = surface.IsChecked(IDC_WIZARD_FAT32);
    choice.maximumSpace = surface.IsChecked(IDC_WIZARD_MAX_SPACE);
    choice.sizeText = surface.Text(IDC_WIZARD_SIZE);
    std::int64_t diskMiB = 0;
    WizardSizing sizing;
    OkChecks checks(surface);
    checks
        .RefuseIf(!choice.ntfs && !choice.fat32,
                  [] {
                      return OkRefusal::Box(UiText(text::kNoFormatType), UiText(text::kCaptionWarning),
                                            MessageIcon::None);
                  })
        .Then([&]() -> std::optional<OkRefusal> {
            ports_.clock.Sleep(1000ms);
            const auto record = LookUp();
            if (!record || record->diskNumber <= 0) return Refusal(text::kCannotPartition);
            auto device = ports_.disks.Open(PhysicalDrivePath(static_cast<std::uint32_t>(record->diskNumber)),
                                            disk_access::kGenericRead,
                                            disk_access::kShareRead | disk_access::kShareWrite);
            const auto geometry =
                device.Ok() && device.value ? device.value->GetDriveGeometry() : IoctlResult<DiskGeometry>{};
            if (!geometry.Returned(ioctl_bytes::kDiskGeometry)) return Refusal(text::kCannotPartition);
            diskMiB = geometry.value.Bytes() / kMiB;
            return std::nullopt;
        })
        .Then([&]() -> std::optional<OkRefusal> {
            sizing = CheckWizardSize(choice, diskMiB, osClass);
            if (sizing.Accepted()) return std::nullopt;
            return Refusal(sizing.refusal, sizing.refusalMiB);
        });
    if (!checks.Passed()) return false;
    sizeMiB = sizing.sizeMiB;
    gpt = sizing.gpt;
    return true;
}

bool CWizardDialog::Partition(int osClass, std::int64_t sizeMiB, bool gpt) {
    const auto record = LookUp();
    if (!record || record->diskNumber <= 0) {
        Tell(text::kDiskUnavailable);
        return false;
    }
    const auto version = Version();
    WizardPartitionRequest request;
    request.disk = record->diskNumber;
    request.diskText = record->diskText;
    request.sizeMiB = sizeMiB;
    request.gpt = gpt;
    request.osClass = osClass;
    request.olderWindows = version && IsOlderNt(*version);
    request.owner = target_.owner;
    const WizardPartitionResult result =
        CreateWizardPartition(WizardPartitionPorts{ports_.disks, ports_.inventory, ports_.scripts, ports_.clock},
                              request);
    switch (result.outcome) {
        case WizardPartitionResult::Outcome::Written:
            partitionNumber_ = result.partitionNumber;
            return true;
        case WizardPartitionResult::Outcome::HoldsPartitions:
            // Handed over to the disk manager: no logout, nothing written.
            Warn(result.refusal, MessageIcon::Exclamation);
            wizardState_ = 1;
            if (Leave()) Surface().EndDialog(kIdCancel);
            return false;
        case WizardPartitionResult::Outcome::Refused:
            if (!result.refusal.empty()) Warn(result.refusal, MessageIcon::Exclamation);
            return false;
        case WizardPartitionResult::Outcome::SystemError:
            Warn(ports_.errors.TextOf(result.error), MessageIcon::Stop);
            return false;
    }
    return false;
}

std::optional<VolumeRecord> CWizardDialog::LetterTheVolume(wchar_t chosen) {
    const auto version = Version();
    const bool assignSet = version && InAssignSet(*version);
    const bool xpServer = version && InXpServerSet(*version);
    std::optional<VolumeRecord> record = LookUp();
    const std::wstring diskText = record ? record->diskText : std::wstring{};
    const auto assign = [&] {
        ports_.scripts.WriteAndRun(ScriptFile::AssignLetter,
                                   partitionNumber_ == 1 ? AssignFirstScriptText(diskText, chosen)
                                                         : AssignScriptText(diskText, partitionNumber_, chosen));
    };
    if (assignSet && record) assign();
    Progress(12);

    ports_.clock.Sleep(500ms);
    record = LookUp();
    for (int lookups = 1; !record && lookups < kRecordLookups; ++lookups) record = LookUp();
    for (int rereads = 0; record && !record->HasLetter() && rereads < kLetterRereads; ++rereads) record = LookUp();
    Progress(15);

    const LetterWaitResult polled = PollForLetter(
        ports_.clock, [this] { return LookUp(); },
        xpServer && record ? std::function<void()>(assign) : std::function<void()>());
    if (!polled.Lettered()) {
        if (assignSet) ports_.scripts.Remove(ScriptFile::AssignLetter);
        Warn(disk_text::NoLetterInTimeText(), MessageIcon::Exclamation);
        return std::nullopt;
    }
    record = polled.record;
    if (DriveLetterOf(record->driveLetter) != chosen) {
        const std::wstring oldRoot = record->driveLetter;
        const bool removed = ports_.disks.DeleteMountPoint(oldRoot).Ok();
        if (!removed) Tell(text::kDeleteMountFailed);
        if (removed && !ports_.disks.SetMountPoint(DriveRootOf(chosen), record->volumeName).Ok()) {
            Tell(text::kSetMountFailed);
            // The volume keeps the letter it had rather than none.
            ports_.disks.SetMountPoint(oldRoot, record->volumeName);
        }
        if (!xpServer) ports_.clock.Sleep(3000ms);
        record = LookUp();
    }
    Progress(20);
    if (assignSet) ports_.scripts.Remove(ScriptFile::AssignLetter);
    return record;
}

void CWizardDialog::PrepareAndStartFormat(std::optional<VolumeRecord> record) {
    DialogSurfacePort& surface = Surface();
    const bool ntfs = surface.IsChecked(IDC_WIZARD_NTFS);
    if (!ntfs && !surface.IsChecked(IDC_WIZARD_FAT32)) {
        surface.EnableDialog(true);
        return;
    }
    Progress(30);
    const std::wstring waiting = UiText(text::kWaitingForOs);
    static const wchar_t* const kDots[] = {L".", L"..", L"..."};
    surface.SetText(IDC_WIZARD_STATUS, waiting);
    for (int remaining = kRecognitionRounds; remaining > 0 && !StartsWithLetter(record); --remaining) {
        surface.SetText(IDC_WIZARD_STATUS, waiting + kDots[remaining % 3]);
        if (remaining % 3 != 0) record = LookUp();
    }
    surface.SetText(IDC_WIZARD_STATUS, L"");
    for (int rereads = 0; record && !record->HasLetter() && rereads < kLetterRereads; ++rereads) record = LookUp();
    if (StartsWithLetter(record)) Progress(40);

    const FormatSession::Start start =
        format_.StartFormat(surface, record ? record->driveLetter : std::wstring(kNoValueText),
                            ntfs ? FormatFileSystem::Ntfs : FormatFileSystem::Fat32);
    // A format that never started leaves the dialog to the user; one that
    // could not get its worker is reported as a failed format.
    if (start == FormatSession::Start::InvalidVolume || start == FormatSession::Start::Busy) {
        surface.EnableDialog(true);
    }
}

void CWizardDialog::FormatSucceeded(const std::wstring& drive) {
    DialogSurfacePort& surface = Surface();
    // The initiator mounts the volume again at every start of Windows.
    if (const CommandLine line = AddPersistentDeviceCommand(drive); line.Built()) {
        ports_.commands.RunConsoleCommand(line.text);
    }
    ports_.clock.Sleep(500ms);
    surface.EnableDialog(true);
    wizardState_ = 1;
    surface.KillTimer(TimersOf(FormatOwner::Wizard).progress);
    surface.PostClose();
    if (const auto version = Version(); version && InServerEditionSet(*version)) {
        ports_.scripts.Remove(ScriptFile::Active);
    }
}

void CWizardDialog::FormatFailed() {
    // The partition stays: the user may format it again from Windows.
    Surface().EnableDialog(true);
    if (const auto version = Version(); version && InServerEditionSet(*version)) {
        ports_.scripts.Remove(ScriptFile::Active);
    }
    ports_.clock.Sleep(3000ms);
    wizardState_ = 1;
}

bool CWizardDialog::Leave() {
    // Logging the target out under a running format would pull its disk
    // away mid-write; the engine ends every format in bounded time.
    if (format_.Running()) return false;
    ports_.scripts.Remove(ScriptFile::Active);
    switch (wizardState_) {
        case 1:
            endMark_ = 0;
            break;
        case 2:
            endMark_ = 2;
            break;
        default:
            endMark_ = 1;
            if (target_.logout) target_.logout();
            break;
    }
    format_.DialogEnded();
    return true;
}

std::optional<VolumeRecord> CWizardDialog::LookUp() {
    for (VolumeRecord& record : ports_.inventory.Refresh()) {
        if (SameName(record.targetName, target_.name)) return std::move(record);
    }
    return std::nullopt;
}

std::optional<WindowsVersionInfo> CWizardDialog::Version() { return ReadWindowsVersion(ports_.version); }

void CWizardDialog::Progress(int percent) { ShowFormatProgress(Surface(), percent); }

void CWizardDialog::Warn(const std::wstring& message, MessageIcon icon) {
    Surface().ShowMessage(MessageBoxRequest{message, UiText(text::kCaptionWarning), icon, MessageButtons::Ok});
}

OkRefusal CWizardDialog::Refusal(unsigned stringId, long long number) {
    return OkRefusal::Box(disk_text::FillText(UiText(stringId), number), UiText(text::kTitle),
                          MessageIcon::Exclamation);
}

void CWizardDialog::Tell(unsigned stringId, long long number) { ShowRefusal(Surface(), Refusal(stringId, number)); }

}  // namespace norvale
