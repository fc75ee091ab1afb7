#include "controls/core/contrast_palette.h"

namespace norvale {

namespace {

ThemeColor SystemColorOf(ColorRole role) {
    switch (role) {
        case ColorRole::DialogBackground:
        case ColorRole::ProgressBackground:
        case ColorRole::ListRow:
        case ColorRole::BarBackground: return ThemeColor::Window;
        case ColorRole::StaticText:
        case ColorRole::BarText:
        case ColorRole::BarFrame: return ThemeColor::WindowText;
        // The caption band keeps standing out from the dialog, as the blue
        // band does on the blue dialog with white text.
        case ColorRole::GroupBand:
        case ColorRole::ProgressBar:
        case ColorRole::BarFocus: return ThemeColor::Highlight;
        case ColorRole::GroupText:
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
