// The disk bar of the disk manager: one strip per disk, one segment per
// partition or free area, each labelled and clickable. A click selects the
// segment and sends the parent WM_NOTIFY (sent, not posted) with a
// DiskBarNotification: id = the view's disk number, code kDiskBarLeftClick
// or kDiskBarRightClick, then the segment index (-1: none). Layout, labels
// and hit test come from controls/core/disk_bar.h.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "controls/core/disk_bar.h"

namespace norvale::win32 {

inline constexpr wchar_t kButtonBarClassName[] = L"BUTTONBAR_CTRL";

// The record of a bar's WM_NOTIFY: the standard header, then a 32-bit
// segment index right behind it (offset 12 on 32-bit Windows, 24 on 64-bit).
struct DiskBarNotification {
    NMHDR header;
    std::int32_t segment;
};
static_assert(offsetof(DiskBarNotification, segment) == sizeof(NMHDR),
              "the segment index follows the header directly");

class CButtonBarCtrl {
public:
    // Builds the label font and registers the window class (a class that
    // exists already is used as it is).
    CButtonBarCtrl();
    ~CButtonBarCtrl();
    CButtonBarCtrl(const CButtonBarCtrl&) = delete;
    CButtonBarCtrl& operator=(const CButtonBarCtrl&) = delete;

    // Creates the bar as a visible child of `parent`; false on failure.
    bool Create(HWND parent, int controlId, const RECT& rect);
    HWND Window() const { return window_; }

    // Copies the view whole and repaints without erasing.
    void SetView(const DiskView& view);
    int SelectedSegment() const { return state_.SelectedSegment(); }
    // Selects no segment; Repaint shows it.
    void ClearSelection() { state_.SetSelectedSegment(-1); }
    void Repaint();
    const DiskBarState& State() const { return state_; }
    DiskBarState& EditState() { return state_; }
    // Sends the parent the bar's WM_NOTIFY for `segment` (code
    // kDiskBarLeftClick or kDiskBarRightClick) and repaints, as a click does.
    void Notify(int code, int segment);

    // The window's DPI (the label font, the frames and the layout follow it)
    // and whether to paint in the system's high-contrast colours; repaints.
    void SetDisplay(const DpiScale& scale, bool highContrast);
    bool HighContrast() const { return highContrast_; }

    // The segment index of a WM_NOTIFY that a bar sent, nullopt when the
    // header is not a bar's.
    static std::optional<int> ClickedSegment(const NMHDR& header);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    void Paint();
    void PaintInto(HDC dc, const RECT& client);
    void PaintSegment(HDC dc, int index, const Rect& segment);
    void Press(LPARAM lParam, int code);
    Rect Client() const;

    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    DiskBarState state_;
    bool highContrast_ = false;
};

}  // namespace norvale::win32
