// CSelectDriveDlg, "Drive Select" (template 236): the user picks one of the
// offered letters for an existing volume, and OK moves the volume there (on
// a worker; the dialog ends when the move is done).
//
//   OfferedLetters offered = OfferDriveLetters(ReadLetterTable(network), driveTypes);
//   CSelectDriveDlg select(offered.items, record, disks);
//   if (surface.RunModal(select, IDD_DRIVE_SELECT) == kIdOk) { ... refresh ... }
#pragma once

#include <string>
#include <vector>

#include "controls/core/background_steps.h"
#include "controls/core/dialog_controller.h"
#include "controls/core/step_gate.h"
#include "disk/core/stack/disk_port.h"
#include "disk/core/inventory/volume_record.h"

namespace norvale {

// What OK did to the volume's letters.
struct LetterMove {
    bool attempted = false;       // an item was selected
    std::wstring newRoot;         // "G:\"
    std::uint32_t removeError = win32_error::kSuccess;  // of the old letter ("*": no letter to remove)
    std::uint32_t setError = win32_error::kSuccess;     // of the new one
    bool oldLetterRestored = false;
};

class CSelectDriveDlg final : public DialogController {
public:
    // `offered`: the items as OfferDriveLetters made them (Z: first).
    CSelectDriveDlg(std::vector<std::wstring> offered, VolumeRecord volume, DiskPort& disks);

    const LetterMove& Move() const { return move_; }

private:
    bool OnInitDialog();
    void OnOk();

    std::vector<std::wstring> offered_;
    VolumeRecord volume_;
    DiskPort& disks_;
    LetterMove move_;
    BackgroundSteps steps_{Messages()};
    StepGate gate_;
};

}  // namespace norvale
