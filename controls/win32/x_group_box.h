// The themed group box: a frame drawn with the theme of the BUTTON class
// (or etched, without themes) and a caption in a colour band of its own.
// What to draw is decided by group_box_layout.h; this class only paints.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "controls/core/group_box_layout.h"

namespace norvale::win32 {

class CXGroupBox {
public:
    CXGroupBox() = default;
    ~CXGroupBox();
    CXGroupBox(const CXGroupBox&) = delete;
    CXGroupBox& operator=(const CXGroupBox&) = delete;

    // Takes over painting of a control of the dialog: drops its border and
    // edges, decides the theme and builds the caption font.
    bool Attach(HWND control);
    HWND Window() const { return window_; }

    CXGroupBox& SetBackgroundColor(COLORREF color, bool redraw = true);
    CXGroupBox& SetTextColor(COLORREF color, bool redraw = true);
    // A string id below 65536 is loaded from the program's string table.
    CXGroupBox& SetCaption(const std::wstring& text, bool redraw = true);
    CXGroupBox& SetCaption(UINT stringId, bool redraw = true);

    bool ThemesActive() const { return themesActive_; }

    // The window's DPI: the caption band's margins and the frame's pens
    // follow it.
    CXGroupBox& SetScale(const DpiScale& scale, bool redraw = true);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    void Paint();
    void PaintInto(HDC dc, const RECT& client);
    void Redraw(bool now);
    // The caption font: the control's own font (or the dialog's).
    void TakeFont();
    COLORREF Resolve(const PaintColor& color) const;

    HWND window_ = nullptr;
    HFONT captionFont_ = nullptr;
    PaintColor textColor_ = PaintColor::Of(SystemColor::ButtonText);
    PaintColor background_ = PaintColor::Of(SystemColor::ButtonFace);
    std::optional<Color> border_;  // automatic
    bool etched_ = true;
    bool useTheme_ = true;
    bool themesActive_ = false;
    DpiScale scale_;
    std::optional<Extent> captionSize_;  // measured at the next paint
    RECT lastFrame_{};
    bool painting_ = false;
};

}  // namespace norvale::win32
