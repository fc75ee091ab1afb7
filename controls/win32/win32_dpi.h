// The DPI of a window, and the per-monitor calls of newer Windows, looked
// up by name in USER32 so that the program still starts on Windows 7 and 8
// (where the whole process runs at the system DPI).
#pragma once

#include <windows.h>

#include "controls/core/dpi_scale.h"

namespace norvale::win32 {

// GetDpiForWindow (Windows 10 1607 on); before that the screen's
// LOGPIXELSY, which is the system DPI the window is drawn at.
DpiScale WindowDpi(HWND window);

// Keeps the dialog manager of per-monitor-v2 dialogs from moving, sizing
// and re-fonting a child we place and size ourselves (the disk bars) when
// the dialog changes DPI (SetDialogControlDpiChangeBehavior, 1703 on).
void KeepOutOfDialogRescaling(HWND child);

}  // namespace norvale::win32
