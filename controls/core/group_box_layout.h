// What the themed group box draws, decided without a device context: the
// geometry of its frame and caption band, the frame style and the colours
// that depend on the control's state. The Win32 control only paints it.
#pragma once

#include <optional>

#include "controls/core/dialog_types.h"
#include "controls/core/dpi_scale.h"

namespace norvale {

inline constexpr int kGroupBoxCaptionMargin = 8;  // band from the left edge
inline constexpr int kGroupBoxBandPadding = 6;    // band width beyond the text
inline constexpr int kGroupBoxTextIndent = 3;     // text from the band's left edge

struct GroupBoxGeometry {
    int captionHeight = 0;  // max(text height, icon size) + 1
    Rect frame;             // the window with its top at the caption's middle
    Rect band;              // the caption band, filled with the band colour
    Rect text;              // where the caption text goes (empty: no text)
    int parentCopyTop = 0;  // the parent shows through from here down
};

// `client` is the control's size; `caption` the measured caption text (0 x
// height of the font for an empty caption), both in the window's pixels;
// the margin, padding and indent are 96-DPI pixels taken to `scale`.
GroupBoxGeometry LayoutGroupBox(Extent client, Extent caption, int iconSize = 0,
                                int margin = kGroupBoxCaptionMargin, const DpiScale& scale = DpiScale());

// System colours the drawing refers to; the Win32 side maps them.
enum class SystemColor { ButtonText, ButtonFace, ButtonShadow, ButtonHighlight, GrayText, Highlight };

// A colour that is either fixed or one of the system's.
struct PaintColor {
    std::optional<Color> fixed;
    SystemColor system = SystemColor::ButtonText;
    static PaintColor Of(Color c) { return PaintColor{c, SystemColor::ButtonText}; }
    static PaintColor Of(SystemColor s) { return PaintColor{std::nullopt, s}; }
};

// Where the theme functions stand, read once when the control is attached.
struct ThemeAvailability {
    bool themeActive = false;  // IsThemeActive
    bool appThemed = false;    // IsAppThemed
    bool buttonTheme = false;  // OpenThemeData(L"BUTTON") gave a handle
};

// Themes count only when all three hold.
bool ThemesActive(const ThemeAvailability& availability);

// The text colour the control starts with: the theme's group-box text colour
// (when the lookup failed: the highlight colour) with themes, the button
// text colour without.
PaintColor InitialGroupBoxTextColor(bool themesActive, std::optional<Color> themeTextColor);

struct GroupBoxState {
    bool themesActive = false;
    bool useTheme = true;
    std::optional<Color> border;  // nullopt: automatic
    bool etched = true;
    bool enabled = true;
};

struct FramePlan {
    bool themed = false;     // DrawThemeBackground, group-box part, normal state
    PaintColor border;       // plain frames: one-pixel rectangle
    bool highlight = false;  // plain frames: two-pixel highlight, one pixel right and down
};

FramePlan PlanGroupBoxFrame(const GroupBoxState& state);

// The caption text colour: grey while disabled, else the chosen colour.
PaintColor GroupBoxCaptionColor(const GroupBoxState& state, PaintColor textColor);

}  // namespace norvale
