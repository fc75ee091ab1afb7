#include "disk/core/letters/select_drive_dialog.h"

#include "disk/core/disk_texts.h"
#include "disk/core/inventory/volume_names.h"
#include "platform/core/texts/norvale_texts.h"
#include "resources/resource.h"

namespace norvale {

CSelectDriveDlg::CSelectDriveDlg(std::vector<std::wstring> offered, VolumeRecord volume, DiskPort& disks)
    : offered_(std::move(offered)),
      volume_(std::move(volume)),
      disks_(disks),
      gate_({kIdOk, kIdCancel, IDC_DRIVE_SELECT_LETTERS}) {
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(kIdOk, [this] { OnOk(); })
        .OnClicked(kIdCancel, [this] {
            if (!gate_.Busy()) Surface().EndDialog(kIdCancel);
        })
        .OnCloseUnless([this] { return gate_.DeferClose(Surface(), [this] { Surface().PostClose(); }); })
        .OnDestroy([this] {
            gate_.DialogEnded();
            steps_.DialogEnded();
        });
}

bool CSelectDriveDlg::OnInitDialog() {
    DialogSurfacePort& surface = Surface();
    surface.SetDialogColors(kDialogBlue, kWhite);
    surface.SetTitle(UiText(disk_text::kDriveSelectTitle));
    surface.SetGroupBoxColors(IDC_DRIVE_SELECT_GROUP, kDialogBlue, kWhite);
    surface.SetText(IDC_DRIVE_SELECT_GROUP, UiText(disk_text::kSelectDriveLetter));
    surface.SetText(IDC_DRIVE_SELECT_DEVICE_LABEL, UiText(disk_text::kDevice));
    surface.SetText(kIdOk, UiText(disk_text::kOk));
    surface.SetText(kIdCancel, UiText(disk_text::kCancel));
    // Lowest letter first.
    surface.ClearCombo(IDC_DRIVE_SELECT_LETTERS);
    for (auto item = offered_.rbegin(); item != offered_.rend(); ++item) {
        surface.AddComboItem(IDC_DRIVE_SELECT_LETTERS, *item);
    }
    surface.SelectComboItem(IDC_DRIVE_SELECT_LETTERS, offered_.empty() ? -1 : 0);
    return true;
}

void CSelectDriveDlg::OnOk() {
    DialogSurfacePort& surface = Surface();
    const int selected = surface.ComboSelection(IDC_DRIVE_SELECT_LETTERS);
    // An item of a remembered share reads "E: \\NAS\music\"; the mount point
    // is its drive root alone.
    const auto letter =
        selected < 0 ? std::nullopt : DriveLetterOf(surface.ComboItemText(IDC_DRIVE_SELECT_LETTERS, selected));
    if (!letter) {
        surface.EndDialog(kIdOk);
        return;
    }
    const StepGate::Ticket flow = gate_.Enter(surface, FlowWrites::Yes);
    if (!flow) return;
    DiskPort& disks = disks_;
    steps_.Run(
        surface,
        [&disks, volume = volume_, newRoot = DriveRootOf(*letter)] {
            LetterMove move;
            move.attempted = true;
            move.newRoot = newRoot;
            move.removeError = disks.DeleteMountPoint(volume.driveLetter).error;
            move.setError = disks.SetMountPoint(move.newRoot, volume.volumeName).error;
            // A volume must not lose the letter it had because the new one
            // could not be set (the letter was taken meanwhile, the volume
            // went away).
            if (move.setError != win32_error::kSuccess && move.removeError == win32_error::kSuccess) {
                move.oldLetterRestored = disks.SetMountPoint(volume.driveLetter, volume.volumeName).Ok();
            }
            return move;
        },
        [this, flow](const LetterMove& move) {
            move_ = move;
            Surface().EndDialog(kIdOk);
        });
}

}  // namespace norvale
