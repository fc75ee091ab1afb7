// Whether the texts of a dialog fit their controls: each visible static
// text, push button, check box, radio button and group-box caption is
// measured in its font and compared with the control's client area. Used
// by the Windows tests (the control's own font) and by norvale_probe.exe
// (from another process, where a font handle of the program means nothing:
// the dialog's font made again from its template's face and size).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace norvale::test {

struct ClippedText {
    int id = 0;
    std::wstring text;
    SIZE needed{};    // what the text takes, with the control's own parts
    SIZE available{};  // the client area
};

inline std::wstring ControlText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// The text's size in `font`; with `width` > 0 broken into lines of that width.
inline SIZE MeasureText(HWND window, HFONT font, const std::wstring& text, int width, UINT flags) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, width > 0 ? width : 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | flags | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// `font` nullptr: each control's own (WM_GETFONT). `checkedCount` learns
// how many texts were measured.
inline std::vector<ClippedText> ClippedTexts(HWND dialog, HFONT font = nullptr, int* checkedCount = nullptr) {
    std::vector<ClippedText> clipped;
    int checked = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        const std::wstring text = ControlText(child);
        if (text.empty()) continue;
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        RECT client{};
        GetClientRect(child, &client);
        const SIZE available{client.right, client.bottom};
        HFONT used = font != nullptr ? font : reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (used == nullptr) used = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
        SIZE needed{};
        if (lstrcmpiW(className, L"Static") == 0) {
            const LONG type = style & SS_TYPEMASK;
            const UINT prefix = (style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0;
            if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
                // Wrapped into lines: all of them must show, and no word may
                // be wider than the control.
                needed = MeasureText(child, used, text, available.cx, prefix);
            } else if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) {
                needed = MeasureText(child, used, text, 0, prefix);
            } else {
                continue;  // icons, bitmaps, frames
            }
        } else if (lstrcmpiW(className, L"Button") == 0) {
            const LONG type = style & BS_TYPEMASK;
            const bool multiline = (style & BS_MULTILINE) != 0;
            if (type == BS_GROUPBOX) {
                // The caption sits in the top border, inset on both sides.
                needed = MeasureText(child, used, text, 0, 0);
                needed.cx += 2 * GetSystemMetrics(SM_CXEDGE);
                needed.cy = 0;
            } else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
                const int frame = 2 * GetSystemMetrics(SM_CXEDGE);
                needed = MeasureText(child, used, text, multiline ? available.cx - frame : 0, 0);
                needed.cx += frame;
            } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                       type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE) {
                // The box and a gap of a quarter of it come before the text.
                const int box = GetSystemMetrics(SM_CXMENUCHECK);
                const int beside = box + box / 4;
                needed = MeasureText(child, used, text, multiline ? available.cx - beside : 0, 0);
                needed.cx += beside;
            } else {
                continue;
            }
        } else {
            continue;
        }
        ++checked;
        if (needed.cx > available.cx || needed.cy > available.cy)
            clipped.push_back(ClippedText{GetDlgCtrlID(child), text, needed, available});
    }
    if (checkedCount != nullptr) *checkedCount = checked;
    return clipped;
}

inline std::wstring Describe(const ClippedText& c) {
    return L"control " + std::to_wstring(c.id) + L" \"" + c.text + L"\" needs " + std::to_wstring(c.needed.cx) +
           L"x" + std::to_wstring(c.needed.cy) + L", has " + std::to_wstring(c.available.cx) + L"x" +
           std::to_wstring(c.available.cy);
}

}  // namespace norvale::test
