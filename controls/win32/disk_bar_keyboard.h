// The disk bar's keyboard and screen-reader layer, a second subclass over
// the bar's window: Tab stops on it (WS_TABSTOP, arrows and Enter through
// WM_GETDLGCODE), a focus rectangle marks the focused segment, the keys of
// DiskBarKeyboard move and act, WM_CONTEXTMENU opens the bar's menu for a
// segment, and WM_GETOBJECT answers the bar's accessible object.
#pragma once

#include <windows.h>

#include <optional>

#include "controls/win32/button_bar_ctrl.h"

namespace norvale::win32 {

// Installs the layer on a created bar; false when the subclass could not be
// set (the bar then works by mouse only).
bool AttachDiskBarKeyboard(CButtonBarCtrl& bar);

// While a bar delivers a context-menu request made from the keyboard: the
// screen point of its focused segment, where the popup menu opens instead
// of at the mouse cursor. nullopt otherwise.
std::optional<POINT> KeyboardMenuAnchor();

}  // namespace norvale::win32
