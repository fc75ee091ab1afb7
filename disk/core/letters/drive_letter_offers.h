// The drive letters offered for a volume (the disk manager's Mount, the
// partition manager, the format wizard): letters with nothing behind them,
// Z: first, never A: or B:. A letter remembered for a network share that is
// not connected now is offered with the share it belongs to.
#pragma once

#include <string>
#include <vector>

#include "controls/core/dialog_surface_port.h"
#include "platform/core/drives/drive_type_port.h"
#include "platform/core/drives/mapped_drive_table.h"
#include "platform/core/drives/network_drive_port.h"

namespace norvale {

struct OfferedLetters {
    // "G:\", or "E: \\NAS\music\" for a letter remembered for a share.
    std::vector<std::wstring> items;
    int firstFree = -1;  // index of the first item without a share, -1 when none
};

// The letter table of the partition manager and the wizard: each letter's
// network connection, as the disk manager's MappedDriveTable holds it.
MappedDriveTable ReadLetterTable(NetworkDrivePort& network);

// Only letters whose drive type is unknown or "no root" are offered.
OfferedLetters OfferDriveLetters(const MappedDriveTable& table, DriveTypePort& driveTypes);

// The offered letters as the items of a drop-down combo, the first free one
// selected (none when there is none), one character of typing at most.
void FillOfferedLetterCombo(DialogSurfacePort& surface, int comboId, const OfferedLetters& offered);

}  // namespace norvale
