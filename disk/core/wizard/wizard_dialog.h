// CWizardDialog, "Format" (template 231): after a login brought a disk
// without a volume, the whole disk becomes one partition with a drive letter
// and a file system. Its Cancel undoes the connection unless a format ended.
//
// Everything that touches the disk, the initiator or the network provider
// runs as a background step: the dialog shows at once and keeps answering,
// its controls held while a step runs.
//
//   CWizardDialog wizard(ports, WizardTarget{L"IQN...", owner, [&] { logout();
//   }}); const int mark = wizard.Run(owner);  // 0: go on to the disk manager
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "controls/core/background_steps.h"
#include "controls/core/dialog_controller.h"
#include "controls/core/ok_box.h"
#include "controls/core/ok_checks.h"
#include "controls/core/step_gate.h"
#include "disk/core/format/format_engine.h"
#include "disk/core/inventory/disk_identity.h"
#include "disk/core/inventory/volume_inventory.h"
#include "disk/core/letters/drive_letter_offers.h"
#include "disk/core/scripts/disk_scripts.h"
#include "disk/core/stack/disk_port.h"
#include "platform/core/clock_port.h"
#include "platform/core/drives/drive_type_port.h"
#include "platform/core/drives/network_drive_port.h"
#include "platform/core/error_text_port.h"
#include "platform/core/version/version_source_port.h"
#include "platform/core/version/windows_version_info.h"

namespace norvale {

struct WizardPorts {
    DiskInventory& inventory;
    DiskPort& disks;
    DiskScripts& scripts;
    CommandRunner& commands;
    NetworkDrivePort& network;
    DriveTypePort& driveTypes;
    VersionSourcePort& version;
    ErrorTextPort& errors;
    ClockPort& clock;
    FormatEngine& formats;
    bool wow64 = false;
};

struct WizardTarget {
    std::wstring name;  // as the connect hands it over (upper case)
    ExpectedTarget owner;
    // Logs the target out, remove-devices off. Blocks: run on a worker.
    std::function<void()> logout;
};

// How long the wizard waits for the new disk to report its size.
inline constexpr std::chrono::milliseconds kDiskSizeWait{30000};
// How long it waits for the target's disk to show up at all.
inline constexpr std::chrono::milliseconds kDiskRecordWait{1000};
// How long it waits for the volume to show at the letter it was moved to.
inline constexpr std::chrono::milliseconds kLetterMoveWait{3000};

class CWizardDialog final : public DialogController, private FormatListener {
public:
    // `wizardState`: 1 or 2 as a caller may hand in; anything else means no
    // format has ended yet.
    CWizardDialog(const WizardPorts& ports, WizardTarget target, int wizardState = 0);
    ~CWizardDialog() override;

    // Shows the dialog over `owner` and answers the end mark. As it opens it
    // waits for the disk, leaves a disk that holds partitions alone (with a
    // message, mark 0), has a server edition bring the disk online and
    // waits for the disk's size.
    int Run(DialogSurfacePort& owner);
    // 0 after a format ended, 2 when handed in so, 1 when the user
    // cancelled (the target was logged out).
    int EndMark() const { return endMark_; }

private:
    // What the opening step found.
    struct Opening {
        std::optional<VolumeRecord> record;
        bool holdsPartitions = false;
        OfferedLetters letters;
        std::int64_t sizeMiB = 0;  // 0: the disk reported no size in time
        std::int64_t availableMiB = 0;  // what the partition can have (WizardAvailableMiB)
    };
    // What the letter step did.
    struct Lettering {
        std::optional<VolumeRecord> record;
        Notices notices;
    };

    bool OnInitDialog();
    Opening Open();  // blocks
    void Opened(const Opening& opening);
    void OnOk();
    void Partition(const StepGate::Ticket& flow, int osClass, std::int64_t sizeMiB, bool gpt);
    Lettering LetterTheVolume(StepReporter& progress, const std::wstring& diskText, wchar_t chosen);  // blocks
    void StartTheFormat(const StepGate::Ticket& flow, std::optional<VolumeRecord> record);
    // Cancel, the close box and a finished format's close. Nothing while a
    // format runs; otherwise the dialog's end steps (the target logged out
    // unless a format ended), then the dialog ends.
    void Leave();
    void OnMaximumSpace();
    void OnFileSystem(bool ntfs);

    void FormatSucceeded(const std::wstring& drive) override;
    void FormatFailed() override;

    std::optional<VolumeRecord> LookUp();  // blocks
    std::optional<WindowsVersionInfo> Version();
    void Progress(int percent);
    void Warn(const std::wstring& text, MessageIcon icon);
    void Tell(unsigned stringId, long long number = 0);
    static OkRefusal Refusal(unsigned stringId, long long number = 0);

    WizardPorts ports_;
    WizardTarget target_;
    int wizardState_;
    int endMark_ = 1;
    std::uint32_t partitionNumber_ = 1;  // the new partition's (2 behind a reserved partition)
    StepGate::Ticket formatFlow_;  // the OK's flow while its format runs (let go before its gate)
    BackgroundSteps steps_{Messages()};
    StepGate gate_;
    bool leaving_ = false;
    FormatSession format_;
};

}  // namespace norvale
