// The drive-letter combo of the share section: the letters a share may be
// mapped to, Z: downwards. Local disks, removable and optical drives and RAM
// disks are never offered, nor A: and B:. A letter that is a network
// connection shows where it leads ('Y: \\NAS\music'); the others are free,
// and the highest free one is selected.
#pragma once

#include "controls/core/dialog_surface_port.h"
#include "platform/core/drives/drive_type_port.h"
#include "platform/core/drives/mapped_drive_table.h"

namespace norvale {

void FillDriveLetterCombo(DialogSurfacePort& surface, int comboId, const MappedDriveTable& table,
                          DriveTypePort& driveTypes);

}  // namespace norvale
