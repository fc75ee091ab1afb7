#include "controls/core/group_box_layout.h"

#include <algorithm>

namespace norvale {

GroupBoxGeometry LayoutGroupBox(Extent client, Extent caption, int iconSize, int logicalMargin,
                                const DpiScale& scale) {
    const int margin = scale.Scale(logicalMargin);
    const int padding = scale.Scale(kGroupBoxBandPadding);
    const int indent = scale.Scale(kGroupBoxTextIndent);
    GroupBoxGeometry g;
    g.captionHeight = std::max(caption.height, iconSize) + 1;
    const int half = g.captionHeight / 2;
    g.frame = Rect{0, half, client.width, client.height};
    g.parentCopyTop = 2 * half;
    // A caption wider than the control is clipped to it rather than drawn
    // past the frame.
    const int bandRight =
        std::min(margin + caption.width + padding, std::max(client.width, margin));
    g.band = Rect{margin, 0, bandRight, g.captionHeight};
    if (caption.width > 0) {
        g.text = Rect{margin + indent, 0, std::max(margin + indent, bandRight - indent),
                      g.captionHeight};
    }
    return g;
}

bool ThemesActive(const ThemeAvailability& a) {
    return a.themeActive && a.appThemed && a.buttonTheme;
}

PaintColor InitialGroupBoxTextColor(bool themesActive, std::optional<Color> themeTextColor) {
    if (!themesActive) return PaintColor::Of(SystemColor::ButtonText);
    if (themeTextColor) return PaintColor::Of(*themeTextColor);
    return PaintColor::Of(SystemColor::Highlight);
}

FramePlan PlanGroupBoxFrame(const GroupBoxState& s) {
    FramePlan plan;
    if (s.themesActive && s.useTheme && !s.border) {
        plan.themed = true;
        return plan;
    }
    plan.border = (!s.border || !s.enabled) ? PaintColor::Of(SystemColor::ButtonShadow)
                                            : PaintColor::Of(*s.border);
    plan.highlight = s.etched;
    return plan;
}

PaintColor GroupBoxCaptionColor(const GroupBoxState& s, PaintColor textColor) {
    return s.enabled ? textColor : PaintColor::Of(SystemColor::GrayText);
}

}  // namespace norvale
