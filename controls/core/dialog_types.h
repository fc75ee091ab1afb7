// Plain values shared by dialog controllers, the dialog-surface port and its
// implementations. Numbers that Windows gives a meaning to keep the Windows
// value, so the Win32 adapter passes them through unchanged.
#pragma once

#include <array>
#include <cstdint>

namespace norvale {

// A colour as red, green and blue intensities.
struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend constexpr bool operator==(Color a, Color b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    friend constexpr bool operator!=(Color a, Color b) { return !(a == b); }
};

// The looks every dialog of the program shares.
inline constexpr Color kDialogBlue{0, 98, 147};
inline constexpr Color kWhite{255, 255, 255};
inline constexpr Color kProgressGreen{124, 252, 0};

// Four octets of an IPv4 address, most significant first.
using IpOctets = std::array<std::uint8_t, 4>;

// Standard command ids of a dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Notification codes of WM_COMMAND (control notifications).
inline constexpr int kButtonClicked = 0;      // BN_CLICKED
inline constexpr int kComboSelChange = 1;     // CBN_SELCHANGE
inline constexpr int kEditSetFocus = 0x0100;  // EN_SETFOCUS
inline constexpr int kEditChange = 0x0300;    // EN_CHANGE

// Notification codes of WM_NOTIFY.
inline constexpr int kNotifyClick = -2;           // NM_CLICK
inline constexpr int kNotifyDoubleClick = -3;     // NM_DBLCLK
inline constexpr int kListItemChanged = -101;     // LVN_ITEMCHANGED

// Virtual key codes the controllers look at.
inline constexpr int kKeyReturn = 0x0D;   // VK_RETURN
inline constexpr int kKeyEscape = 0x1B;   // VK_ESCAPE

// Horizontal alignment of a list-view column.
enum class ColumnAlignment { Left, Right, Center };

// The icon of a message box.
enum class MessageIcon { None, Stop, Exclamation, Information, Question };

// The buttons of a message box.
enum class MessageButtons { Ok, OkCancel, YesNo };

// What the user answered in a message box.
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Why a dialog was resized (the kinds of WM_SIZE).
enum class SizeKind { Restored, Minimized, Maximized };

// A point in pixels, in the client coordinates of a window.
struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(Point a, Point b) { return a.x == b.x && a.y == b.y; }
};

// A rectangle in pixels; right and bottom lie outside it, as in Windows.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    friend bool operator==(const Rect& a, const Rect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

struct Extent {
    int width = 0;
    int height = 0;
    friend bool operator==(Extent a, Extent b) { return a.width == b.width && a.height == b.height; }
};

// What a scroll bar asks for (WM_VSCROLL), with the Windows values.
enum class ScrollRequest {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndScroll = 8,
};

// Range, page and position of a scroll bar. Like the Windows scroll bar, the
// position stays within min .. max - (page - 1).
struct ScrollBarState {
    int min = 0;
    int max = 0;
    int page = 0;
    int position = 0;
    friend bool operator==(const ScrollBarState& a, const ScrollBarState& b) {
        return a.min == b.min && a.max == b.max && a.page == b.page && a.position == b.position;
    }
};

// The highest position a scroll bar takes, as SetScrollInfo clamps it.
constexpr int HighestScrollPosition(const ScrollBarState& s) {
    const int highest = s.max - (s.page > 0 ? s.page - 1 : 0);
    return highest < s.min ? s.min : highest;
}

// The mouse button of a click.
enum class MouseButton { Left, Right };

}  // namespace norvale
