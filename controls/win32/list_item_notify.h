// A list view's LVN_ITEMCHANGED as the portable ListItemChange: the row,
// its selection before and after, and whether the program, the keyboard or
// the mouse made it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <optional>

#include "controls/core/list_item_change.h"

namespace norvale::win32 {

// nullopt unless `header` is an LVN_ITEMCHANGED of a list view. A change
// made while a mouse button is down belongs to a click (the list view
// selects on the press and sends NM_CLICK on the release); `byProgram` is
// the surface's word that it is changing the selection itself.
std::optional<ListItemChange> ListItemChangeOf(const NMHDR& header, bool byProgram);

}  // namespace norvale::win32
