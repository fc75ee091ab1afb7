// Which colours the dialogs paint with. Normally the controllers' own (the
// blue dialogs with white text, the striped lists, the bar's palette); in a
// high-contrast theme the user's system colours instead, since a fixed
// colour may vanish against the theme or carry no contrast at all. The
// Win32 side reads the setting and maps the system colours.
#pragma once

#include <optional>

#include "controls/core/dialog_types.h"

namespace norvale {

// The system colours the dialogs fall back on (GetSysColor indices on Windows).
enum class ThemeColor { Window, WindowText, Highlight, HighlightText, ButtonFace, ButtonText, GrayText };

// What a colour of the dialogs is used for.
enum class ColorRole {
    DialogBackground,    // SetDialogColors: the dialog and its static texts
    StaticText,
    GroupBand,           // the group box's caption band and its text
    GroupText,
    ProgressBar,         // a progress bar's fill and track
    ProgressBackground,
    ListRow,             // striped and coloured list rows
    BarBackground,       // the disk bar
    BarText,
    BarFrame,            // the segment frames
    BarFocus,            // the selected segment's fill and hover frame
    BarFocusText,
};

// A colour as painted: the controller's own, or a system colour.
struct ChosenColor {
    std::optional<Color> fixed;
    ThemeColor system = ThemeColor::WindowText;
    friend bool operator==(const ChosenColor& a, const ChosenColor& b) {
        return a.fixed == b.fixed && (a.fixed || a.system == b.system);
    }
};

// The colour `role` is painted in: `requested` unless high contrast is on.
ChosenColor ChooseColor(ColorRole role, Color requested, bool highContrast);

// How one segment of the disk bar is drawn in high contrast, where colour
// alone may not tell a partition from free space or show the selection:
// partitions get a solid frame, free areas a dotted one, the selected
// segment a frame twice as thick and the highlight behind its text, the
// hovered one a highlight frame inside.
enum class SegmentFrame { Solid, Dotted };
struct SegmentLook {
    SegmentFrame frame = SegmentFrame::Solid;
    int frameWidth = 1;  // 96-DPI pixels
    ThemeColor fill = ThemeColor::Window;
    ThemeColor text = ThemeColor::WindowText;
    bool hoverFrame = false;  // a one-pixel highlight frame inside the frame
};
SegmentLook PlanHighContrastSegment(bool partition, bool selected, bool hovered);

}  // namespace norvale
