// A plain progress bar in the program's colours. Visual styles ignore bar
// colours, so they are turned off for the bar where UxTheme allows it.
#pragma once

#include <windows.h>

#include "controls/core/dialog_types.h"

namespace norvale::win32 {

class ProgressCtrl {
public:
    static void SetColors(HWND bar, Color fill, Color background);
    static void SetRange(HWND bar, int low, int high);
    static void SetPosition(HWND bar, int position);
    static int Position(HWND bar);
};

}  // namespace norvale::win32
