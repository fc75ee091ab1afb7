#include "controls/core/contrast_palette.h"

namespace norvale {

namespace {

ThemeColor SystemColorOf(ColorRole role) {
    switch (role) {
        // The caption band lies on the dialog (its frame is erased in the
        // band's colour), so it takes the dialog's colours.
        case ColorRole::GroupBand:
        case ColorRole::DialogBackground:
        case ColorRole::ProgressBackground:
        case ColorRole::ListRow:
        case ColorRole::BarBackground: return ThemeColor::Window;
        case ColorRole::StaticText:
        case ColorRole::GroupText:
        case ColorRole::BarText:
        case ColorRole::BarFrame: return ThemeColor::WindowText;
        case ColorRole::ProgressBar:
        case ColorRole::BarFocus: return ThemeColor::Highlight;
        case ColorRole::BarFocusText: return ThemeColor::HighlightText;
    }
    return ThemeColor::WindowText;
}

}  // namespace

ChosenColor ChooseColor(ColorRole role, Color requested, bool highContrast) {
    if (!highContrast) return ChosenColor{requested, ThemeColor::WindowText};
    return ChosenColor{std::nullopt, SystemColorOf(role)};
}

SegmentLook PlanHighContrastSegment(bool partition, bool selected, bool hovered) {
    SegmentLook look;
    look.frame = partition ? SegmentFrame::Solid : SegmentFrame::Dotted;
    look.frameWidth = selected ? 2 : 1;
    look.fill = selected ? ThemeColor::Highlight : ThemeColor::Window;
    look.text = selected ? ThemeColor::HighlightText : ThemeColor::WindowText;
    // On the highlight fill a highlight frame would not show.
    look.hoverFrame = hovered && !selected;
    return look;
}

}  // namespace norvale
