// Where the disk manager puts its bars and how big it is: one bar of 80
// pixels per disk under the volume list, 10 pixels apart; from three disks on
// the dialog keeps a fixed size and scrolls instead of growing off screen.
#pragma once

#include <optional>

#include "controls/core/dialog_types.h"

namespace norvale {

// The first bar's rectangle in the dialog's client area.
inline constexpr Rect kFirstDiskBar{20, 235, 435, 315};
// From one bar's top to the next one's.
inline constexpr int kDiskBarPitch = 90;

// The rectangle of the bar shown in place `index` (0 first).
Rect DiskBarRect(int index);

struct DiskManagerFrame {
    Extent size;                          // the dialog's outer size in pixels
    std::optional<ScrollBarState> scroll;  // from three disks on
};

DiskManagerFrame FrameForDisks(int disks);

// The frame widened, where the template's own size (its controls at the
// dialog font in use, in 96-DPI pixels) is wider: a font wider than the
// one the sizes above were made for must not cut the list off. A scrolling
// frame keeps room for its scroll bar beside the template.
DiskManagerFrame FrameHolding(DiskManagerFrame frame, Extent templateSize);

// How far the content scrolls: the scroll bar's maximum less 12 pixels a
// disk, plus 24.
int ScrollLimit(int scrollMax, int disks);

// The position a scroll request asks for, within 0 .. limit.
int ScrollTarget(ScrollRequest request, int position, int thumb, int limit);

// The position after a wheel turn of `delta` (120 a notch; negative: down).
int WheelTarget(int delta, int position, int limit);

}  // namespace norvale
