#include "disk/core/letters/select_drive_dialog.h"

#include "disk/core/disk_texts.h"
#include "disk/core/inventory/volume_names.h"
#include "platform/core/texts/norvale_texts.h"
#include "resources/resource.h"

namespace norvale {

CSelectDriveDlg::CSelectDriveDlg(std::vector<std::wstring> offered, VolumeRecord volume, DiskPort& disks)
    : offered_(std::move(offered)), volume_(std::move(volume)), disks_(disks) {
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(kIdOk, [this] { OnOk(); });
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
    surface.EndDialog(kIdOk);
    const int selected = surface.ComboSelection(IDC_DRIVE_SELECT_LETTERS);
    if (selected < 0) return;
    // An item of a remembered share reads "E: \\NAS\music\"; the mount point
    // is its drive root alone.
    const auto letter = DriveLetterOf(surface.ComboItemText(IDC_DRIVE_SELECT_LETTERS, selected));
    if (!letter) return;
    move_.attempted = true;
    move_.newRoot = DriveRootOf(*letter);
    move_.removeError = disks_.DeleteMountPoint(volume_.driveLetter).error;
    move_.setError = disks_.SetMountPoint(move_.newRoot, volume_.volumeName).error;
    // A volume must not lose the letter it had because the new one could
    // not be set (the letter was taken meanwhile, the volume went away).
    if (move_.setError != win32_error::kSuccess && move_.removeError == win32_error::kSuccess) {
        move_.oldLetterRestored = disks_.SetMountPoint(volume_.driveLetter, volume_.volumeName).Ok();
    }
}

}  // namespace norvale
