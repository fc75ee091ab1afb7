// CWizardDialog, "Format" (template 231): after a login brought a disk
// without a volume, the whole disk becomes one partition with a drive letter
// and a file system. Its Cancel undoes the connection unless a format ended.
//
//   CWizardDialog wizard(ports, WizardTarget{L"IQN...", owner, [&] { logout();
//   }}); const int mark = wizard.Run(owner);  // 0: go on to the disk manager
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "controls/core/dialog_controller.h"
#include "controls/core/ok_checks.h"
#include "disk/core/format/format_engine.h"
#include "disk/core/inventory/disk_identity.h"
#include "disk/core/inventory/volume_inventory.h"
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
    std::function<void()> logout;  // LogoutTarget of the target, remove-devices off
};

// How long the wizard waits for the new disk to report its size.
inline constexpr std::chrono::milliseconds kDiskSizeWait{30000};

class CWizardDialog final : public DialogController, private FormatListener {
public:
    // `wizardState`: 1 or 2 as a caller may hand in; anything else means no
    // format has ended yet.
    CWizardDialog(const WizardPorts& ports, WizardTarget target, int wizardState = 0);
    ~CWizardDialog() override;

    // Pauses, has a server edition bring the disk online, and shows the
    // dialog over `owner`; answers the end mark.
    int Run(DialogSurfacePort& owner);
    // 0 after a format ended, 2 when handed in so, 1 when the user
    // cancelled (the target was logged out).
    int EndMark() const { return endMark_; }

private:
    bool OnInitDialog();
    void OnOk();
    // Cancel's work before the dialog ends: false while a format runs.
    bool Leave();
    void OnMaximumSpace();
    void OnFileSystem(bool ntfs);

    bool Validate(int osClass, std::int64_t& sizeMiB, bool& gpt);
    bool Partition(int osClass, std::int64_t sizeMiB, bool gpt);
    std::optional<VolumeRecord> LetterTheVolume(wchar_t chosen);
    void PrepareAndStartFormat(std::optional<VolumeRecord> record);

    void FormatSucceeded(const std::wstring& drive) override;
    void FormatFailed() override;

    std::optional<VolumeRecord> LookUp();
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
    FormatSession format_;
};

}  // namespace norvale
