#include "disk/core/wizard/wizard_dialog.h"

#include "controls/core/ok_box.h"
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

constexpr int kLetterRereads = 10;
// Between two looks at the target's disk while the wizard waits for it.
constexpr std::chrono::milliseconds kLookupPause{100};
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
      gate_({kIdOk, kIdCancel, IDC_WIZARD_SIZE, IDC_WIZARD_MAX_SPACE, IDC_WIZARD_NTFS, IDC_WIZARD_FAT32,
             IDC_WIZARD_LETTER}),
      format_(ports.formats, FormatOwner::Wizard, *this, steps_) {
    format_.Bind(Messages());
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(kIdOk, [this] { OnOk(); })
        .OnClicked(kIdCancel, [this] { Leave(); })
        // The close box, and the close a finished format posts: the dialog
        // ends by itself once its end steps have run.
        .OnCloseUnless([this] {
            Leave();
            return true;
        })
        .OnClicked(IDC_WIZARD_MAX_SPACE, [this] { OnMaximumSpace(); })
        .OnClicked(IDC_WIZARD_NTFS, [this] { OnFileSystem(true); })
        .OnClicked(IDC_WIZARD_FAT32, [this] { OnFileSystem(false); })
        .OnDestroy([this] {
            gate_.DialogEnded();
            steps_.DialogEnded();
            format_.DialogEnded();
        });
}

CWizardDialog::~CWizardDialog() { format_.DialogEnded(); }

int CWizardDialog::Run(DialogSurfacePort& owner) {
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
    // The dialog shows at once; what it needs of the disk comes behind it.
    const StepGate::Ticket flow = gate_.Enter(surface);
    steps_.Run(surface, [this] { return Open(); }, [this, flow](const Opening& opening) { Opened(opening); });
    return true;
}

CWizardDialog::Opening CWizardDialog::Open() {
    Opening opening;
    // The new disk takes a moment to show up after the login.
    const std::chrono::milliseconds recordGiveUp = ports_.clock.Now() + kDiskRecordWait;
    opening.record = LookUp();
    while (!opening.record && ports_.clock.Now() < recordGiveUp) {
        ports_.clock.Sleep(kLookupPause);
        opening.record = LookUp();
    }
    const auto version = Version();
    const std::optional<VolumeRecord>& record = opening.record;
    // A reused LUN keeps what it holds: the disk manager shows it instead,
    // and nothing is run on it (bringing it online would mount its volumes).
    if (record && record->diskNumber > 0 &&
        ReadWizardDiskContent(ports_.disks, record->diskNumber, version && IsOlderNt(*version)) ==
            WizardDiskContent::HoldsPartitions) {
        opening.holdsPartitions = true;
        return opening;
    }
    if (record && version && InServerEditionSet(*version) &&
        ConfirmDiskIdentity(ports_.inventory, record->diskNumber, target_.owner).Confirmed()) {
        ports_.scripts.WriteAndRun(ScriptFile::Active, OnlineScriptText(record->diskText));
    }
    opening.letters = OfferDriveLetters(ReadLetterTable(ports_.network), ports_.driveTypes);
    // A new disk reports no size for a moment; one that never does ends the
    // wait with a message rather than a dialog that never becomes usable.
    const std::chrono::milliseconds sizeGiveUp = ports_.clock.Now() + kDiskSizeWait;
    std::optional<VolumeRecord> sized = LookUp();
    while (!(sized && sized->lengthMiB != 0) && ports_.clock.Now() < sizeGiveUp) {
        ports_.clock.Sleep(kLookupPause);
        sized = LookUp();
    }
    if (sized && sized->lengthMiB != 0) opening.sizeMiB = sized->lengthMiB;
    opening.availableMiB = opening.sizeMiB;
    if (const std::optional<WizardDisk> disk = sized ? ReadWizardDisk(ports_.disks, sized->diskNumber) : std::nullopt;
        disk && opening.sizeMiB != 0 && AlignsPartitions(OsClass(version, ports_.wow64))) {
        const int osClass = OsClass(version, ports_.wow64);
        opening.availableMiB = WizardAvailableMiB(disk->geometryBytes / kMiB, osClass, *disk);
    }
    return opening;
}

void CWizardDialog::Opened(const Opening& opening) {
    DialogSurfacePort& surface = Surface();
    if (opening.holdsPartitions) {
        ShowOkBox(surface, disk_text::FillText(UiText(text::kHoldsPartitions), opening.record->diskNumber),
                  text::kTitle, MessageIcon::Exclamation);
        // Handed over to the disk manager: no logout, nothing written.
        wizardState_ = 1;
        Leave();
        return;
    }
    FillOfferedLetterCombo(surface, IDC_WIZARD_LETTER, opening.letters);
    surface.SetText(IDC_WIZARD_AVAILABLE, AvailableText(opening.availableMiB));
    surface.SetText(IDC_WIZARD_SIZE, L"11");
    if (surface.ComboSelection(IDC_WIZARD_LETTER) < 0) {
        surface.SetText(IDC_WIZARD_STATUS, UiText(text::kNoFreeLetter));
        surface.Enable(IDC_WIZARD_LETTER, false);
        surface.Enable(kIdOk, false);
    } else if (opening.sizeMiB == 0) {
        surface.SetText(IDC_WIZARD_STATUS, UiText(text::kNoDiskSize));
        surface.Enable(kIdOk, false);
    }
    surface.Enable(kIdCancel, true);
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
    WizardChoice choice;
    choice.ntfs = surface.IsChecked(IDC_WIZARD_NTFS);
    choice.fat32 = surface.IsChecked(IDC_WIZARD_FAT32);
    choice.maximumSpace = surface.IsChecked(IDC_WIZARD_MAX_SPACE);
    choice.sizeText = surface.Text(IDC_WIZARD_SIZE);
    OkChecks checks(surface);
    checks.RefuseIf(!choice.ntfs && !choice.fat32, [] {
        return OkRefusal::Box(UiText(text::kNoFormatType), UiText(text::kCaptionWarning), MessageIcon::None);
    });
    if (!checks.Passed()) return;
    // From here the disk may be written: a close waits for the step.
    const StepGate::Ticket flow = gate_.Enter(surface, FlowWrites::Yes);
    if (!flow) return;
    surface.EnableDialog(false);
    const int osClass = OsClass(Version(), ports_.wow64);
    // The disk as it is now: its record and its size.
    struct DiskRead {
        bool readable = false;
        std::int64_t diskMiB = 0;
        std::int64_t availableMiB = 0;
    };
    steps_.Run(
        surface,
        [this, osClass] {
            DiskRead read;
            const auto record = LookUp();
            if (!record) return read;
            const std::optional<WizardDisk> disk = ReadWizardDisk(ports_.disks, record->diskNumber);
            if (!disk) return read;
            read.readable = true;
            read.diskMiB = disk->geometryBytes / kMiB;
            read.availableMiB = WizardAvailableMiB(read.diskMiB, osClass, *disk);
            return read;
        },
        [this, flow, choice, osClass](const DiskRead& read) {
            if (!read.readable) {
                Tell(text::kCannotPartition);
                Surface().EnableDialog(true);
                return;
            }
            const WizardSizing sizing = CheckWizardSize(choice, read.diskMiB, osClass, read.availableMiB);
            if (!sizing.Accepted()) {
                Tell(sizing.refusal, sizing.refusalMiB);
                Surface().EnableDialog(true);
                return;
            }
            Partition(flow, osClass, sizing.sizeMiB, sizing.gpt);
        });
}

void CWizardDialog::Partition(const StepGate::Ticket& flow, int osClass, std::int64_t sizeMiB, bool gpt) {
    struct Partitioned {
        WizardPartitionResult result;
        std::wstring diskText;
    };
    steps_.Run(
        Surface(),
        [this, osClass, sizeMiB, gpt] {
            Partitioned partitioned;
            const auto record = LookUp();
            if (!record || record->diskNumber <= 0) {
                partitioned.result.outcome = WizardPartitionResult::Outcome::Refused;
                partitioned.result.refusal = disk_text::FillText(UiText(text::kDiskUnavailable), 0);
                return partitioned;
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
            partitioned.result = CreateWizardPartition(
                WizardPartitionPorts{ports_.disks, ports_.inventory, ports_.scripts, ports_.clock}, request);
            partitioned.diskText = record->diskText;
            return partitioned;
        },
        [this, flow](const Partitioned& partitioned) {
            DialogSurfacePort& surface = Surface();
            const WizardPartitionResult& result = partitioned.result;
            switch (result.outcome) {
                case WizardPartitionResult::Outcome::Written:
                    break;
                case WizardPartitionResult::Outcome::HoldsPartitions:
                    // Handed over to the disk manager: no logout, nothing written.
                    Warn(result.refusal, MessageIcon::Exclamation);
                    wizardState_ = 1;
                    surface.EnableDialog(true);
                    Leave();
                    return;
                case WizardPartitionResult::Outcome::Refused:
                    if (!result.refusal.empty()) Warn(result.refusal, MessageIcon::Exclamation);
                    surface.EnableDialog(true);
                    return;
                case WizardPartitionResult::Outcome::SystemError:
                    Warn(ports_.errors.TextOf(result.error), MessageIcon::Stop);
                    surface.EnableDialog(true);
                    return;
            }
            partitionNumber_ = result.partitionNumber;
            surface.Show(IDC_WIZARD_PROGRESS, true);
            Progress(10);
            const int selected = surface.ComboSelection(IDC_WIZARD_LETTER);
            const auto chosen =
                selected < 0 ? std::nullopt : DriveLetterOf(surface.ComboItemText(IDC_WIZARD_LETTER, selected));
            if (!chosen) {
                Tell(text::kNoFreeLetter);
                surface.EnableDialog(true);
                return;
            }
            const std::wstring diskText = partitioned.diskText;
            const wchar_t letter = *chosen;
            steps_.RunReporting(
                surface, [this, diskText, letter](StepReporter& progress) {
                    return LetterTheVolume(progress, diskText, letter);
                },
                [this](std::intptr_t percent) { Progress(static_cast<int>(percent)); },
                [this, flow](const Lettering& lettering) {
                    ShowNotices(Surface(), lettering.notices);
                    if (!lettering.record) {
                        Surface().EnableDialog(true);
                        return;
                    }
                    StartTheFormat(flow, lettering.record);
                });
        });
}

CWizardDialog::Lettering CWizardDialog::LetterTheVolume(StepReporter& progress, const std::wstring& diskText,
                                                        wchar_t chosen) {
    Lettering out;
    const auto version = Version();
    const bool assignSet = version && InAssignSet(*version);
    const bool xpServer = version && InXpServerSet(*version);
    const auto assign = [&] {
        ports_.scripts.WriteAndRun(ScriptFile::AssignLetter,
                                   partitionNumber_ == 1 ? AssignFirstScriptText(diskText, chosen)
                                                         : AssignScriptText(diskText, partitionNumber_, chosen));
    };
    if (assignSet && !diskText.empty()) {
        WaitForVolume(ports_.clock, [this]() -> std::optional<VolumeRecord> {
            std::optional<VolumeRecord> record = LookUp();
            if (record && record->partitionNumber > 0) return record;
            return std::nullopt;  // the disk's own record, before the volume
        });
        assign();
    }
    progress.Report(12);

    // Windows mounts the new partition's volume a moment after the table was
    // written, and letters it a moment later: looked for until it has.
    const LetterWaitResult polled = PollForLetter(
        ports_.clock, [this] { return LookUp(); },
        xpServer && !diskText.empty() ? std::function<void()>(assign) : std::function<void()>());
    progress.Report(15);
    if (!polled.Lettered()) {
        if (assignSet) ports_.scripts.Remove(ScriptFile::AssignLetter);
        norvale::Tell(out.notices, disk_text::NoLetterInTimeText(), text::kCaptionWarning, MessageIcon::Exclamation);
        return out;
    }
    std::optional<VolumeRecord> record = polled.record;
    if (DriveLetterOf(record->driveLetter) != chosen) {
        const std::wstring oldRoot = record->driveLetter;
        std::wstring expected = DriveRootOf(chosen);
        const bool removed = ports_.disks.DeleteMountPoint(oldRoot).Ok();
        if (!removed) {
            out.notices.push_back(*Refusal(text::kDeleteMountFailed).box);
            expected = oldRoot;
        }
        if (removed && !ports_.disks.SetMountPoint(DriveRootOf(chosen), record->volumeName).Ok()) {
            out.notices.push_back(*Refusal(text::kSetMountFailed).box);
            // The volume keeps the letter it had rather than none.
            ports_.disks.SetMountPoint(oldRoot, record->volumeName);
            expected = oldRoot;
        }
        // Windows shows the volume at its letter a moment after the move.
        const std::chrono::milliseconds giveUp = ports_.clock.Now() + (xpServer ? std::chrono::milliseconds(0) : kLetterMoveWait);
        record = LookUp();
        while (!(record && SameName(record->driveLetter, expected)) && ports_.clock.Now() < giveUp) {
            ports_.clock.Sleep(kLookupPause);
            record = LookUp();
        }
    }
    progress.Report(20);
    if (assignSet) ports_.scripts.Remove(ScriptFile::AssignLetter);
    out.record = std::move(record);
    return out;
}

void CWizardDialog::StartTheFormat(const StepGate::Ticket& flow, std::optional<VolumeRecord> record) {
    DialogSurfacePort& surface = Surface();
    const bool ntfs = surface.IsChecked(IDC_WIZARD_NTFS);
    if (!ntfs && !surface.IsChecked(IDC_WIZARD_FAT32)) {
        surface.EnableDialog(true);
        return;
    }
    Progress(30);
    surface.SetText(IDC_WIZARD_STATUS, UiText(text::kWaitingForOs));
    steps_.Run(
        surface,
        [this, record]() mutable {
            for (int remaining = kRecognitionRounds; remaining > 0 && !StartsWithLetter(record); --remaining) {
                if (remaining % 3 != 0) record = LookUp();
            }
            for (int rereads = 0; record && !record->HasLetter() && rereads < kLetterRereads; ++rereads) {
                record = LookUp();
            }
            return record;
        },
        [this, flow, ntfs](const std::optional<VolumeRecord>& recognised) {
            DialogSurfacePort& shown = Surface();
            shown.SetText(IDC_WIZARD_STATUS, L"");
            if (StartsWithLetter(recognised)) Progress(40);
            const FormatSession::Start start =
                format_.StartFormat(shown, recognised ? recognised->driveLetter : std::wstring(kNoValueText),
                                    ntfs ? FormatFileSystem::Ntfs : FormatFileSystem::Fat32);
            // A format that never started leaves the dialog to the user; one
            // that could not get its worker is reported as a failed format.
            if (start == FormatSession::Start::InvalidVolume || start == FormatSession::Start::Busy) {
                shown.EnableDialog(true);
                return;
            }
            // The flow (and a close's wait) lasts until the format's end.
            if (start == FormatSession::Start::Started) formatFlow_ = flow;
        });
}

void CWizardDialog::FormatSucceeded(const std::wstring& drive) {
    wizardState_ = 1;
    Surface().KillTimer(TimersOf(FormatOwner::Wizard).progress);
    const bool server = [this] {
        const auto version = Version();
        return version && InServerEditionSet(*version);
    }();
    // The initiator mounts the volume again at every start of Windows.
    steps_.Run(
        Surface(),
        [this, drive, server] {
            if (const CommandLine line = AddPersistentDeviceCommand(drive); line.Built()) {
                ports_.commands.RunConsoleCommand(line.text);
            }
            if (server) ports_.scripts.Remove(ScriptFile::Active);
        },
        [this, flow = std::move(formatFlow_)] {
            Surface().EnableDialog(true);
            Surface().PostClose();
        });
    formatFlow_.reset();
}

void CWizardDialog::FormatFailed() {
    // The partition stays: the user may format it again from Windows.
    Surface().EnableDialog(true);
    wizardState_ = 1;
    const auto version = Version();
    const bool server = version && InServerEditionSet(*version);
    steps_.Run(
        Surface(), [this, server] {
            if (server) ports_.scripts.Remove(ScriptFile::Active);
        },
        [flow = std::move(formatFlow_)] {});
    formatFlow_.reset();
}

void CWizardDialog::Leave() {
    // Logging the target out under a running format would pull its disk
    // away mid-write; the engine ends every format in bounded time.
    if (format_.Running() || leaving_) return;
    // A step that writes runs: the dialog waits for it and says so.
    if (gate_.DeferClose(Surface(), [this] { Leave(); })) return;
    leaving_ = true;
    bool logout = false;
    switch (wizardState_) {
        case 1:
            endMark_ = 0;
            break;
        case 2:
            endMark_ = 2;
            break;
        default:
            endMark_ = 1;
            logout = static_cast<bool>(target_.logout);
            break;
    }
    format_.DialogEnded();
    // The logout and the script file's removal are the dialog's last steps.
    std::function<void()> logoutTarget = logout ? target_.logout : std::function<void()>();
    const bool started = steps_.Run(
        Surface(),
        [this, logoutTarget] {
            ports_.scripts.Remove(ScriptFile::Active);
            if (logoutTarget) logoutTarget();
        },
        [this] { Surface().EndDialog(kIdCancel); });
    if (!started) Surface().EndDialog(kIdCancel);
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
