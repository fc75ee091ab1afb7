// The share list of the selected device (Volume Name, Location) and its
// page selector.
#pragma once

#include <string>

#include "controls/core/dialog_surface_port.h"
#include "platform/core/drives/mapped_drive_table.h"
#include "protocol/core/name_list.h"

namespace norvale {

enum class ServerMatch { IgnoringCase, Exact };

// One row per ShareNameList entry, in order, with the share name; column 1
// shows the letter the share is mapped to on the device (by its name or its
// address). Of several letters the one nearest A: is shown.
void FillShareList(DialogSurfacePort& surface, int listId, const NameList& shares, const MappedDriveTable& table,
                   const std::wstring& deviceName, const std::wstring& deviceIp, ServerMatch match);

// The page selector for `count` shares (10 a page; one page also for no
// answer, -1); none for a nonsensical count below -1, and at most 1000
// pages. The first page is selected.
void FillSharePages(DialogSurfacePort& surface, int comboId, int count);

}  // namespace norvale
