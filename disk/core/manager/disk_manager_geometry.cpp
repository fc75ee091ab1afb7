#include "disk/core/manager/disk_manager_geometry.h"

#include <algorithm>

namespace norvale {
namespace {

constexpr Extent kEmptyDialog{460, 265};
constexpr Extent kScrollingDialog{470, 445};
constexpr int kScrollPage = 50;
constexpr int kMinimumStep = 5;
constexpr int kWheelNotch = 120;

int Clamp(int position, int limit) { return std::clamp(position, 0, std::max(limit, 0)); }

}  // namespace

Rect DiskBarRect(int index) {
    const int dy = kDiskBarPitch * index;
    return Rect{kFirstDiskBar.left, kFirstDiskBar.top + dy, kFirstDiskBar.right, kFirstDiskBar.bottom + dy};
}

DiskManagerFrame FrameForDisks(int disks) {
    if (disks <= 0) return {kEmptyDialog, std::nullopt};
    if (disks <= 2) return {Extent{kEmptyDialog.width, kEmptyDialog.height + kDiskBarPitch * disks}, std::nullopt};
    const int max = disks == 3 ? 130 : 105 * disks - 210;
    return {kScrollingDialog, ScrollBarState{0, max, kScrollPage, 0}};
}

DiskManagerFrame FrameHolding(DiskManagerFrame frame, Extent templateSize) {
    const int needed = templateSize.width + (frame.scroll ? kScrollingDialog.width - kEmptyDialog.width : 0);
    frame.size.width = std::max(frame.size.width, needed);
    return frame;
}

int ScrollLimit(int scrollMax, int disks) { return scrollMax - 12 * disks + 24; }

int ScrollTarget(ScrollRequest request, int position, int thumb, int limit) {
    const int line = std::max(limit / 20, kMinimumStep);
    const int page = std::max(limit / 10, kMinimumStep);
    switch (request) {
        case ScrollRequest::LineUp: return Clamp(position - line, limit);
        case ScrollRequest::LineDown: return Clamp(position + line, limit);
        case ScrollRequest::PageUp: return Clamp(position - page, limit);
        case ScrollRequest::PageDown: return Clamp(position + page, limit);
        case ScrollRequest::ThumbPosition:
        case ScrollRequest::ThumbTrack: return Clamp(thumb, limit);
        case ScrollRequest::Top: return 0;
        case ScrollRequest::Bottom: return Clamp(limit, limit);
        case ScrollRequest::EndScroll: break;
    }
    return Clamp(position, limit);
}

int WheelTarget(int delta, int position, int limit) {
    const int step = std::max(limit / 20, kMinimumStep);
    // Fractions of a notch (precise touchpads) still move one step.
    int notches = delta / kWheelNotch;
    if (notches == 0 && delta != 0) notches = delta > 0 ? 1 : -1;
    return Clamp(position - notches * step, limit);
}

}  // namespace norvale
