// A report-style list view whose rows take the colours of a StripedList
// (controls/core/striped_list.h): two alternating stripes, or a colour the
// owner gave the row. Rows are coloured through the list's custom draw,
// which the dialog host hands the control (CustomDraw) when the list's
// NM_CUSTOMDRAW reaches the dialog; the area around the rows through the
// control's own background erasing.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "controls/core/striped_list.h"

namespace norvale::win32 {

class CColoredListCtrl {
public:
    CColoredListCtrl() = default;
    ~CColoredListCtrl();
    CColoredListCtrl(const CColoredListCtrl&) = delete;
    CColoredListCtrl& operator=(const CColoredListCtrl&) = delete;

    // Takes over the erasing of a list view of the dialog.
    bool Attach(HWND list);
    HWND Window() const { return window_; }

    StripedList& Colors() { return colors_; }
    // Repaints the list after a change of its colours.
    void Redraw();

    // In high contrast the list keeps the system's colours: no stripes and
    // no row colours (they stay recorded for when the theme goes).
    void SetHighContrast(bool on) { highContrast_ = on; }

    // The answer to the list's NM_CUSTOMDRAW (the notification's result).
    LRESULT CustomDraw(NMLVCUSTOMDRAW& draw) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    void EraseBackground(HDC dc) const;

    HWND window_ = nullptr;
    StripedList colors_;
    bool highContrast_ = false;
};

}  // namespace norvale::win32
