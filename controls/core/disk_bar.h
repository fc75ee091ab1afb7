// The disk bar's decisions, without a device context: where each segment of
// a disk lies in the bar, what its label says, which segment a click hits,
// and the selection and hover state between paints. The Win32 control
// (controls/win32/button_bar_ctrl) paints what this decides; the fake dialog
// surface uses the same state to click bars in host tests.
#pragma once

#include <string>
#include <vector>

#include "controls/core/dialog_types.h"
#include "controls/core/disk_view.h"
#include "controls/core/dpi_scale.h"

namespace norvale {

// Notification codes a bar sends its parent (WM_NOTIFY, id = disk number).
inline constexpr int kDiskBarLeftClick = 1;
inline constexpr int kDiskBarRightClick = 2;

// One rectangle per used slot of `view` inside the bar's client rectangle.
// Widths follow the sizes in MiB of the first four slots; every segment has
// a constant part of 20 pixels, segments are 4 pixels apart, and the last
// one always ends one pixel inside the right edge. Those pixel sizes (and
// the insets) are 96-DPI ones, taken to `scale`.
std::vector<Rect> LayoutSegments(const DiskView& view, const Rect& client, const DpiScale& scale = DpiScale());

// The index of the segment under `point`, -1 for none. Where rectangles
// overlap (a narrow bar) the last one wins, as the bar tests them in order.
int HitSegment(const std::vector<Rect>& segments, Point point);

// Size in GB as the label shows it: bytes times 2^-30 in single precision.
float SizeInGigabytes(std::uint64_t bytes);

// The three-line label of a slot; `unallocated` names free space.
std::wstring SegmentLabel(const DiskSlot& slot, const std::wstring& unallocated);

// What one bar holds between paints.
class DiskBarState {
public:
    // Copies the view whole; the selection is left to the owner.
    void SetView(const DiskView& view) { view_ = view; }
    const DiskView& View() const { return view_; }

    // The DPI of the bar's window; layouts after this use it.
    void SetScale(const DpiScale& scale) { scale_ = scale; }
    const DpiScale& Scale() const { return scale_; }

    // Recomputes the segment rectangles for this client rectangle.
    const std::vector<Rect>& Layout(const Rect& client);
    const std::vector<Rect>& Segments() const { return segments_; }

    int SelectedSegment() const { return selected_; }
    void SetSelectedSegment(int index) { selected_ = index; }

    // A button press: selects the segment under the point (or none) against
    // the last layout and answers the index the notification carries.
    int Press(Point point);

    void MouseMoved(Point point) { mouse_ = point; }
    void MouseLeft() { mouse_ = Point{-1, -1}; }
    Point MousePosition() const { return mouse_; }
    // Whether the mouse is over segment `index`.
    bool IsHovered(int index) const;

private:
    DiskView view_;
    DpiScale scale_;
    std::vector<Rect> segments_;
    int selected_ = -1;
    Point mouse_{0, 0};
};

}  // namespace norvale
