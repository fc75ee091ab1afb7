#include "controls/win32/high_contrast.h"

namespace norvale::win32 {

namespace {

int SystemIndex(ThemeColor color) {
    switch (color) {
        case ThemeColor::Window: return COLOR_WINDOW;
        case ThemeColor::WindowText: return COLOR_WINDOWTEXT;
        case ThemeColor::Highlight: return COLOR_HIGHLIGHT;
        case ThemeColor::HighlightText: return COLOR_HIGHLIGHTTEXT;
        case ThemeColor::ButtonFace: return COLOR_BTNFACE;
        case ThemeColor::ButtonText: return COLOR_BTNTEXT;
        case ThemeColor::GrayText: return COLOR_GRAYTEXT;
    }
    return COLOR_WINDOWTEXT;
}

void OutlineRect(HDC dc, const RECT& r, HPEN pen) {
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

}  // namespace

bool HighContrastOn() {
    HIGHCONTRASTW setting{};
    setting.cbSize = sizeof setting;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) != FALSE &&
           (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

COLORREF SystemColorRef(ThemeColor color) { return GetSysColor(SystemIndex(color)); }

COLORREF ColorRefOf(const ChosenColor& color) {
    return color.fixed ? RGB(color.fixed->red, color.fixed->green, color.fixed->blue) : SystemColorRef(color.system);
}

Color ColorOf(COLORREF c) { return Color{GetRValue(c), GetGValue(c), GetBValue(c)}; }

void PaintHighContrastSegment(HDC dc, const RECT& outer, const SegmentLook& look, const DpiScale& scale) {
    HBRUSH fill = CreateSolidBrush(SystemColorRef(look.fill));
    FillRect(dc, &outer, fill);
    DeleteObject(fill);
    // Windows draws dotted lines one pixel wide only: a thicker dotted
    // frame is several one-pixel ones inside each other.
    const int width = scale.Scale(look.frameWidth);
    const COLORREF frameColor = SystemColorRef(ThemeColor::WindowText);
    RECT r = outer;
    if (look.frame == SegmentFrame::Solid) {
        HPEN pen = CreatePen(PS_INSIDEFRAME, width, frameColor);
        OutlineRect(dc, r, pen);
        DeleteObject(pen);
    } else {
        HPEN pen = CreatePen(PS_DOT, 1, frameColor);
        const int oldMode = SetBkMode(dc, OPAQUE);
        const COLORREF oldBack = SetBkColor(dc, SystemColorRef(look.fill));
        for (int i = 0; i < width; ++i) {
            OutlineRect(dc, r, pen);
            InflateRect(&r, -1, -1);
        }
        SetBkColor(dc, oldBack);
        SetBkMode(dc, oldMode);
        DeleteObject(pen);
    }
    if (look.hoverFrame) {
        RECT hover = outer;
        InflateRect(&hover, -width - 1, -width - 1);
        HPEN pen = CreatePen(PS_INSIDEFRAME, scale.Scale(1), SystemColorRef(ThemeColor::Highlight));
        OutlineRect(dc, hover, pen);
        DeleteObject(pen);
    }
}

}  // namespace norvale::win32
