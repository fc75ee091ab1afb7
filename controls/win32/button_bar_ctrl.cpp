#include "controls/win32/button_bar_ctrl.h"

#include <commctrl.h>

#include <string>

#include "controls/win32/buffered_paint.h"
#include "controls/win32/disk_bar_keyboard.h"
#include "controls/win32/high_contrast.h"
#include "platform/core/language_table.h"
#include "platform/core/system_language_port.h"

namespace norvale::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x4242;
constexpr unsigned kUnallocatedText = 252;

constexpr COLORREF kBackground = RGB(255, 250, 250);
constexpr COLORREF kEdgeLight = RGB(119, 136, 153);
constexpr COLORREF kEdgeDark = RGB(47, 79, 79);
constexpr COLORREF kHover = RGB(255, 215, 0);
constexpr COLORREF kPartitionHatch = RGB(176, 196, 222);
constexpr COLORREF kFreeHatch = RGB(169, 169, 169);
constexpr COLORREF kFreePen = RGB(47, 79, 79);
constexpr COLORREF kFreeInnerFrame = RGB(169, 169, 169);

RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

void FillSolid(HDC dc, int x, int y, int cx, int cy, COLORREF color) {
    const COLORREF old = SetBkColor(dc, color);
    const RECT r{x, y, x + cx, y + cy};
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

// A one-pixel frame: top and left edges in one colour, right and bottom in
// the other (raised: light over dark; sunken: the other way round).
void Frame3d(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    const int cx = r.right - r.left, cy = r.bottom - r.top;
    FillSolid(dc, r.left, r.top, cx - 1, 1, topLeft);
    FillSolid(dc, r.left, r.top, 1, cy - 1, topLeft);
    FillSolid(dc, r.right - 1, r.top, 1, cy, bottomRight);
    FillSolid(dc, r.left, r.bottom - 1, cx, 1, bottomRight);
}

void Frame(HDC dc, const RECT& r, COLORREF color) { Frame3d(dc, r, color, color); }

RECT Inflated(RECT r, int dx, int dy) {
    InflateRect(&r, dx, dy);
    return r;
}

// The bar's own palette: a raised frame, and for the selected segment a
// sunken one around a hatched fill.
void PaintColoredSegment(HDC dc, const RECT& outer, bool partition, bool selected, bool hovered,
                         const DpiScale& scale) {
    Frame3d(dc, outer, kEdgeLight, kEdgeDark);
    if (!selected) {
        if (hovered) Frame(dc, Inflated(outer, -1, -1), kHover);
        return;
    }
    const RECT sunken = Inflated(outer, -1, -1);
    Frame3d(dc, sunken, kEdgeDark, kEdgeLight);
    HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, partition ? kPartitionHatch : kFreeHatch);
    HPEN pen = CreatePen(PS_SOLID, scale.Scale(2), partition ? kPartitionHatch : kFreePen);
    HGDIOBJ oldBrush = SelectObject(dc, hatch);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const RECT fill{sunken.left + 2, sunken.top + 2, sunken.right - 1, sunken.bottom - 1};
    Rectangle(dc, fill.left, fill.top, fill.right, fill.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(hatch);
    const RECT inner = Inflated(fill, -1, -1);
    if (hovered) Frame(dc, inner, kHover);
    else if (!partition) Frame(dc, inner, kFreeInnerFrame);
}

// The labels' font: 13 pixels high at 96 DPI.
HFONT CreateLabelFont(const DpiScale& scale) {
    return CreateFontW(scale.Scale(13), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
}

void EnsureClass() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.style = CS_GLOBALCLASS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        wc.lpszClassName = kButtonBarClassName;
        // Another bar (or another module) may have registered it already.
        return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    (void)registered;
}

}  // namespace

CButtonBarCtrl::CButtonBarCtrl() {
    font_ = CreateLabelFont(state_.Scale());
    EnsureClass();
}

CButtonBarCtrl::~CButtonBarCtrl() {
    if (window_ != nullptr) {
        RemoveWindowSubclass(window_, SubclassProc, kSubclassId);
        DestroyWindow(window_);
    }
    if (font_ != nullptr) DeleteObject(font_);
}

bool CButtonBarCtrl::Create(HWND parent, int controlId, const RECT& rect) {
    if (window_ != nullptr) return false;
    HWND window = CreateWindowExW(0, kButtonBarClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                  GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) return false;
    if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        DestroyWindow(window);
        return false;
    }
    window_ = window;
    state_.Layout(Client());
    // Focus, keys and the accessible object; without them the mouse still works.
    AttachDiskBarKeyboard(*this);
    return true;
}

void CButtonBarCtrl::SetView(const DiskView& view) {
    state_.SetView(view);
    Repaint();
}

void CButtonBarCtrl::SetDisplay(const DpiScale& scale, bool highContrast) {
    highContrast_ = highContrast;
    if (scale.Dpi() != state_.Scale().Dpi()) {
        if (HFONT font = CreateLabelFont(scale)) {
            if (font_ != nullptr) DeleteObject(font_);
            font_ = font;
        }
        state_.SetScale(scale);
        state_.Layout(Client());
    }
    Repaint();
}

void CButtonBarCtrl::Repaint() {
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

std::optional<int> CButtonBarCtrl::ClickedSegment(const NMHDR& header) {
    wchar_t className[32] = {};
    if (header.hwndFrom == nullptr || GetClassNameW(header.hwndFrom, className, 32) == 0 ||
        lstrcmpiW(className, kButtonBarClassName) != 0)
        return std::nullopt;
    return reinterpret_cast<const DiskBarNotification&>(header).segment;
}

Rect CButtonBarCtrl::Client() const {
    RECT client{};
    if (window_ != nullptr) GetClientRect(window_, &client);
    return Rect{client.left, client.top, client.right, client.bottom};
}

LRESULT CALLBACK CButtonBarCtrl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR selfData) {
    auto* self = reinterpret_cast<CButtonBarCtrl*>(selfData);
    switch (message) {
        case WM_PAINT:
            self->Paint();
            return 0;
        case WM_SIZE: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            self->state_.Layout(self->Client());
            return result;
        }
        case WM_MOUSEMOVE: {
            // Hover after 1 ms repaints with the hover frame; leaving clears it.
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof track;
            track.dwFlags = TME_HOVER | TME_LEAVE;
            track.hwndTrack = window;
            track.dwHoverTime = 1;
            TrackMouseEvent(&track);
            self->state_.MouseMoved(Point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return 0;
        }
        case WM_MOUSEHOVER:
            self->Repaint();
            return 0;
        case WM_MOUSELEAVE:
            self->state_.MouseLeft();
            self->Repaint();
            return 0;
        case WM_LBUTTONDOWN:
            self->Press(lParam, kDiskBarLeftClick);
            return 0;
        case WM_RBUTTONDOWN:
            self->Press(lParam, kDiskBarRightClick);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, SubclassProc, kSubclassId);
            self->window_ = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void CButtonBarCtrl::Press(LPARAM lParam, int code) {
    const Point point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    Notify(code, state_.Press(point));
}

void CButtonBarCtrl::Notify(int code, int segment) {
    if (HWND parent = GetParent(window_)) {
        const std::int32_t disk = state_.View().diskNumber;
        DiskBarNotification record{};
        record.header.hwndFrom = window_;
        record.header.idFrom = static_cast<UINT_PTR>(static_cast<INT_PTR>(disk));
        record.header.code = static_cast<UINT>(code);
        record.segment = segment;
        SendMessageW(parent, WM_NOTIFY, static_cast<WPARAM>(static_cast<INT_PTR>(disk)),
                     reinterpret_cast<LPARAM>(&record));
    }
    // The parent may have destroyed the bar while handling the click.
    if (IsWindow(window_)) Repaint();
}

void CButtonBarCtrl::Paint() {
    PaintBuffered(window_, [this](HDC memory, const RECT& client) { PaintInto(memory, client); });
}

void CButtonBarCtrl::PaintInto(HDC dc, const RECT& client) {
    const std::vector<Rect>& segments = state_.Layout(Rect{client.left, client.top, client.right, client.bottom});
    const COLORREF background =
        ColorRefOf(ChooseColor(ColorRole::BarBackground, ColorOf(kBackground), highContrast_));
    FillSolid(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, background);
    DrawFocusRect(dc, &client);
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorRefOf(ChooseColor(ColorRole::BarText, Color{0, 0, 0}, highContrast_)));
    for (size_t i = 0; i < segments.size(); ++i) PaintSegment(dc, static_cast<int>(i), segments[i]);
    SelectObject(dc, oldFont);
}

void CButtonBarCtrl::PaintSegment(HDC dc, int index, const Rect& segment) {
    const DiskSlot& slot = state_.View().slots[static_cast<size_t>(index)];
    const bool hovered = state_.IsHovered(index);
    const DpiScale& scale = state_.Scale();
    const RECT outer = Inflated(ToRECT(segment), scale.Scale(1), scale.Scale(4));
    if (highContrast_) {
        const SegmentLook look = PlanHighContrastSegment(slot.IsPartition(), index == state_.SelectedSegment(), hovered);
        PaintHighContrastSegment(dc, outer, look, scale);
        SetTextColor(dc, SystemColorRef(look.text));
    } else {
        PaintColoredSegment(dc, outer, slot.IsPartition(), index == state_.SelectedSegment(), hovered, scale);
    }
    const std::wstring label = SegmentLabel(
        slot, CLanguageTable::Instance().LoadText(UiLanguageId(), kUnallocatedText));
    RECT text = ToRECT(segment);
    OffsetRect(&text, scale.Scale(2), scale.Scale(2));
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text, DT_LEFT | DT_NOPREFIX);
}

}  // namespace norvale::win32
