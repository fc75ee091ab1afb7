// The disk bar from the keyboard: which segment has the focus, how the keys
// move it, and what Enter and a context-menu request mean. The bar answers
// each with the notice a mouse click on that segment would send, so the
// dialog behind it needs nothing of its own for the keyboard. The Win32 bar
// (controls/win32/disk_bar_keyboard) and the fake surface both run this.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "controls/core/disk_bar.h"

namespace norvale {

// Virtual keys the bar takes.
inline constexpr int kKeySpace = 0x20;  // VK_SPACE
inline constexpr int kKeyEnd = 0x23;    // VK_END
inline constexpr int kKeyHome = 0x24;   // VK_HOME
inline constexpr int kKeyLeft = 0x25;   // VK_LEFT
inline constexpr int kKeyUp = 0x26;     // VK_UP
inline constexpr int kKeyRight = 0x27;  // VK_RIGHT
inline constexpr int kKeyDown = 0x28;   // VK_DOWN
inline constexpr int kKeyApps = 0x5D;   // VK_APPS, the context-menu key
inline constexpr int kKeyF10 = 0x79;    // VK_F10

// What the bar tells its parent: code 0 nothing, else kDiskBarLeftClick or
// kDiskBarRightClick for `segment` (-1: no segment).
struct BarNotice {
    int code = 0;
    int segment = -1;
    friend bool operator==(const BarNotice& a, const BarNotice& b) {
        return a.code == b.code && a.segment == b.segment;
    }
};

class DiskBarKeyboard {
public:
    // Tab or a click gave the bar the focus: the focus rests on the
    // selected segment, else where it was, else on the first.
    void FocusGained(const DiskBarState& bar);
    void FocusLost() { hasFocus_ = false; }
    bool HasFocus() const { return hasFocus_; }
    // The focused segment within the bar's current view, -1 when the bar has
    // no focus or no segment.
    int FocusedSegment(const DiskBarState& bar) const;
    // A mouse press on a segment moves the focus there.
    void Pressed(int segment) {
        if (segment >= 0) focused_ = segment;
    }

    // A key pressed while the bar has the focus; nullopt when the key is not
    // the bar's (it goes on to the dialog). Moves answer a notice with code 0
    // (repaint only); Enter and Space select the focused segment and answer
    // a left click on it; the context-menu key and Shift+F10 act as
    // ContextMenu from the keyboard.
    std::optional<BarNotice> Key(int virtualKey, bool shift, DiskBarState& bar);
    // WM_CONTEXTMENU: from the keyboard (nullopt) for the focused segment,
    // else for the segment under the point (client coordinates, against the
    // bar's last layout). Selects that segment and answers a right click.
    BarNotice ContextMenu(std::optional<Point> point, DiskBarState& bar);

private:
    int focused_ = 0;
    bool hasFocus_ = false;
};

}  // namespace norvale

namespace norvale {

// What a screen reader reads for the bar ("Disk 1": the list's word for a
// disk and its number) and for one segment: its label's lines in one line,
// "(E:\) 10.00GB NTFS" or "10.00GB Unallocated".
std::wstring BarSpokenName(const std::wstring& diskWord, std::int32_t diskNumber);
std::wstring SegmentSpokenName(const DiskSlot& slot, const std::wstring& unallocated);

}  // namespace norvale
