#include "controls/win32/progress_ctrl.h"

#include <commctrl.h>

#include "controls/win32/ux_theme.h"

namespace norvale::win32 {

void ProgressCtrl::SetColors(HWND bar, Color fill, Color background) {
    if (bar == nullptr) return;
    UxTheme::Instance().DisableVisualStyles(bar);
    SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(fill.red, fill.green, fill.blue));
    SendMessageW(bar, PBM_SETBKCOLOR, 0, RGB(background.red, background.green, background.blue));
}

void ProgressCtrl::SetRange(HWND bar, int low, int high) {
    if (bar != nullptr) SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void ProgressCtrl::SetPosition(HWND bar, int position) {
    if (bar != nullptr) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int ProgressCtrl::Position(HWND bar) {
    return bar != nullptr ? static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)) : 0;
}

}  // namespace norvale::win32
