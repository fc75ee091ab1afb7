// Pixel sizes at the window's DPI. Controllers, layouts and paint code
// speak in pixels of a 96-DPI screen (what the templates and the bar were
// drawn for); a DpiScale turns those into the pixels of the window's
// monitor and back, rounding to the nearest pixel (halves away from zero,
// as MulDiv does) so that 120 DPI gives 1.25 times and 144 DPI 1.5 times.
#pragma once

#include "controls/core/dialog_types.h"

namespace norvale {

inline constexpr int kDefaultDpi = 96;

class DpiScale {
public:
    constexpr DpiScale() = default;
    // A DPI of zero or below (a failed look-up) counts as 96.
    explicit constexpr DpiScale(int dpi) : dpi_(dpi > 0 ? dpi : kDefaultDpi) {}

    constexpr int Dpi() const { return dpi_; }
    constexpr bool IsDefault() const { return dpi_ == kDefaultDpi; }

    // 96-DPI pixels to this DPI's pixels.
    int Scale(int logical) const { return MulDivRound(logical, dpi_, kDefaultDpi); }
    // Edges are scaled one by one, so rectangles that touch at 96 DPI still
    // touch.
    Rect Scale(const Rect& r) const { return Rect{Scale(r.left), Scale(r.top), Scale(r.right), Scale(r.bottom)}; }
    Extent Scale(Extent e) const { return Extent{Scale(e.width), Scale(e.height)}; }

    // This DPI's pixels back to 96-DPI pixels (mouse positions, sizes read
    // from a window).
    int Unscale(int physical) const { return MulDivRound(physical, kDefaultDpi, dpi_); }
    Point Unscale(Point p) const { return Point{Unscale(p.x), Unscale(p.y)}; }
    Extent Unscale(Extent e) const { return Extent{Unscale(e.width), Unscale(e.height)}; }

    // `value` pixels at this DPI, taken to `to` (a window that moved to
    // another monitor keeps its proportions).
    int Rescale(int value, const DpiScale& to) const { return MulDivRound(value, to.dpi_, dpi_); }

private:
    static int MulDivRound(int value, int numerator, int denominator);

    int dpi_ = kDefaultDpi;
};

}  // namespace norvale
