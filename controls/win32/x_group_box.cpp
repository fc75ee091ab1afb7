#include "controls/win32/x_group_box.h"

#include <commctrl.h>

#include <vector>

#include "controls/win32/buffered_paint.h"
#include "controls/win32/ux_theme.h"

namespace norvale::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x4E47;  // one subclass per control
constexpr int kGroupBoxPart = 4;          // BP_GROUPBOX
constexpr int kNormalState = 1;           // GBS_NORMAL
constexpr int kTextColorProperty = 3803;  // TMT_TEXTCOLOR

COLORREF ToColorRef(Color c) { return RGB(c.red, c.green, c.blue); }
Color FromColorRef(COLORREF c) {
    return Color{GetRValue(c), GetGValue(c), GetBValue(c)};
}

int SystemIndex(SystemColor color) {
    switch (color) {
        case SystemColor::ButtonText: return COLOR_BTNTEXT;
        case SystemColor::ButtonFace: return COLOR_BTNFACE;
        case SystemColor::ButtonShadow: return COLOR_BTNSHADOW;
        case SystemColor::ButtonHighlight: return COLOR_BTNHIGHLIGHT;
        case SystemColor::GrayText: return COLOR_GRAYTEXT;
        case SystemColor::Highlight: return COLOR_HIGHLIGHT;
    }
    return COLOR_BTNTEXT;
}

std::wstring WindowText(HWND window) {
    std::vector<wchar_t> buffer(static_cast<size_t>(GetWindowTextLengthW(window)) + 1);
    const int length = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data(), static_cast<size_t>(length > 0 ? length : 0));
}

void FrameRect(HDC dc, RECT r, COLORREF color, int width) {
    HPEN pen = CreatePen(PS_SOLID, width, color);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

}  // namespace

CXGroupBox::~CXGroupBox() {
    if (window_ != nullptr) RemoveWindowSubclass(window_, SubclassProc, kSubclassId);
    if (captionFont_ != nullptr) DeleteObject(captionFont_);
}

bool CXGroupBox::Attach(HWND control) {
    if (control == nullptr || window_ != nullptr) return false;
    if (!SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    window_ = control;
    // Edges drawn by the window manager go; a box without any (as a dialog
    // template makes it) is left alone, since every change of a style and
    // the frame's recalculation is a trip to the window manager.
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    const LONG_PTR plainStyle = style & ~static_cast<LONG_PTR>(WS_BORDER | SS_SUNKEN);
    const LONG_PTR exStyle = GetWindowLongPtrW(control, GWL_EXSTYLE);
    const LONG_PTR plainExStyle =
        exStyle & ~static_cast<LONG_PTR>(WS_EX_STATICEDGE | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME);
    if (plainStyle != style || plainExStyle != exStyle) {
        SetWindowLongPtrW(control, GWL_STYLE, plainStyle);
        SetWindowLongPtrW(control, GWL_EXSTYLE, plainExStyle);
        SetWindowPos(control, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }

    UxTheme& theme = UxTheme::Instance();
    ThemeAvailability availability{theme.IsThemeActive(), theme.IsAppThemed(), false};
    if (availability.themeActive && availability.appThemed)
        availability.buttonTheme = theme.ButtonTheme(control) != nullptr;
    themesActive_ = norvale::ThemesActive(availability);
    std::optional<Color> themeText;
    if (themesActive_) {
        if (auto c = theme.GetThemeColor(theme.ButtonTheme(control), kGroupBoxPart, kNormalState,
                                         kTextColorProperty))
            themeText = FromColorRef(*c);
    }
    textColor_ = InitialGroupBoxTextColor(themesActive_, themeText);

    TakeFont();
    captionSize_.reset();
    return true;
}

void CXGroupBox::TakeFont() {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
    if (font == nullptr) font = reinterpret_cast<HFONT>(SendMessageW(GetParent(window_), WM_GETFONT, 0, 0));
    if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW logFont{};
    GetObjectW(font, sizeof logFont, &logFont);
    logFont.lfCharSet = DEFAULT_CHARSET;
    if (HFONT caption = CreateFontIndirectW(&logFont)) {
        if (captionFont_ != nullptr) DeleteObject(captionFont_);
        captionFont_ = caption;
    }
    captionSize_.reset();
}

CXGroupBox& CXGroupBox::SetScale(const DpiScale& scale, bool redraw) {
    scale_ = scale;
    Redraw(redraw);
    return *this;
}

CXGroupBox& CXGroupBox::SetBackgroundColor(COLORREF color, bool redraw) {
    background_ = PaintColor::Of(FromColorRef(color));
    Redraw(redraw);
    return *this;
}

CXGroupBox& CXGroupBox::SetTextColor(COLORREF color, bool redraw) {
    textColor_ = PaintColor::Of(FromColorRef(color));
    Redraw(redraw);
    return *this;
}

CXGroupBox& CXGroupBox::SetCaption(const std::wstring& text, bool redraw) {
    if (window_ != nullptr) SetWindowTextW(window_, text.c_str());
    captionSize_.reset();
    Redraw(redraw);
    return *this;
}

CXGroupBox& CXGroupBox::SetCaption(UINT stringId, bool redraw) {
    const wchar_t* text = nullptr;
    const int length = stringId < 65536
                           ? LoadStringW(GetModuleHandleW(nullptr), stringId,
                                         reinterpret_cast<LPWSTR>(&text), 0)
                           : 0;
    return SetCaption(length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring(),
                      redraw);
}

void CXGroupBox::Redraw(bool now) {
    if (now && window_ != nullptr)
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

COLORREF CXGroupBox::Resolve(const PaintColor& color) const {
    return color.fixed ? ToColorRef(*color.fixed) : GetSysColor(SystemIndex(color.system));
}

LRESULT CALLBACK CXGroupBox::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR selfData) {
    auto* self = reinterpret_cast<CXGroupBox*>(selfData);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            self->Paint();
            return 0;
        case WM_SETTEXT:
            self->captionSize_.reset();
            break;
        case WM_SETFONT: {
            // A dialog that moved to a monitor of another DPI hands its
            // controls the font of the new size.
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            self->TakeFont();
            InvalidateRect(window, nullptr, TRUE);
            return result;
        }
        case WM_ENABLE:
            InvalidateRect(window, nullptr, TRUE);
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, SubclassProc, kSubclassId);
            self->window_ = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void CXGroupBox::Paint() {
    if (painting_) {
        // Drawing the caption can make the box paint itself again: validate only.
        PAINTSTRUCT ps;
        BeginPaint(window_, &ps);
        EndPaint(window_, &ps);
        return;
    }
    painting_ = true;
    PaintBuffered(window_, [this](HDC memory, const RECT& client) { PaintInto(memory, client); });
    painting_ = false;
}

void CXGroupBox::PaintInto(HDC dc, const RECT& client) {
    const std::wstring caption = WindowText(window_);
    HGDIOBJ oldFont = SelectObject(dc, captionFont_);
    if (!captionSize_) {
        SIZE size{};
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        if (!caption.empty()) GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
        captionSize_ = Extent{static_cast<int>(size.cx), static_cast<int>(metrics.tmHeight)};
    }
    const GroupBoxGeometry g = LayoutGroupBox(Extent{client.right, client.bottom}, *captionSize_, 0, kGroupBoxCaptionMargin, scale_);
    const GroupBoxState state{themesActive_, useTheme_, border_, etched_, IsWindowEnabled(window_) != FALSE};
    const COLORREF background = Resolve(background_);

    // Band colour everywhere, then the parent's pixels below the caption.
    HBRUSH fill = CreateSolidBrush(background);
    FillRect(dc, &client, fill);
    HWND parent = GetParent(window_);
    POINT origin{0, 0};
    MapWindowPoints(window_, parent, &origin, 1);
    if (HDC parentDc = GetDC(parent)) {
        BitBlt(dc, 0, g.parentCopyTop, client.right, client.bottom - g.parentCopyTop, parentDc,
               origin.x, origin.y + g.parentCopyTop, SRCCOPY);
        ReleaseDC(parent, parentDc);
    }
    if (lastFrame_.right > lastFrame_.left) {
        RECT old = lastFrame_;
        InflateRect(&old, -scale_.Scale(2), -scale_.Scale(2));
        FrameRect(dc, old, background, scale_.Scale(5));
    }
    const RECT frame{g.frame.left, g.frame.top, g.frame.right, g.frame.bottom};
    lastFrame_ = frame;

    const FramePlan plan = PlanGroupBoxFrame(state);
    UxTheme& theme = UxTheme::Instance();
    if (plan.themed) {
        theme.DrawThemeBackground(theme.ButtonTheme(window_), dc, kGroupBoxPart, kNormalState, &frame, nullptr);
    } else {
        if (plan.highlight) {
            RECT moved = frame;
            OffsetRect(&moved, 1, 1);
            FrameRect(dc, moved, GetSysColor(COLOR_BTNHIGHLIGHT), scale_.Scale(2));
        }
        RECT shadow = frame;
        shadow.right -= 1;
        shadow.bottom -= 1;
        FrameRect(dc, shadow, Resolve(plan.border), 1);
    }

    const RECT band{g.band.left, g.band.top, g.band.right, g.band.bottom};
    FillRect(dc, &band, fill);
    DeleteObject(fill);
    if (!caption.empty() && g.text.right > g.text.left) {
        RECT text{g.text.left, g.text.top, g.text.right, g.text.bottom};
        ::SetTextColor(dc, Resolve(GroupBoxCaptionColor(state, textColor_)));
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, background);
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
}

}  // namespace norvale::win32
