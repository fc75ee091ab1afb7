#include "controls/win32/disk_bar_keyboard.h"

#include <commctrl.h>
#include <oleacc.h>

#include "controls/core/disk_bar_keys.h"
#include "controls/win32/disk_bar_accessible.h"

namespace norvale::win32 {

namespace {

constexpr UINT_PTR kKeyboardSubclassId = 0x4243;

thread_local std::optional<POINT> menuAnchor;

// Set for the length of one keyboard notice.
class MenuAnchorScope {
public:
    explicit MenuAnchorScope(std::optional<POINT> anchor) { menuAnchor = anchor; }
    ~MenuAnchorScope() { menuAnchor.reset(); }
    MenuAnchorScope(const MenuAnchorScope&) = delete;
    MenuAnchorScope& operator=(const MenuAnchorScope&) = delete;
};

struct BarLayer {
    CButtonBarCtrl* bar = nullptr;
    DiskBarKeyboard keys;
    int swallowKeyUp = 0;  // the key whose release DefWindowProc must not see
    DiskBarAccessible* accessible = nullptr;
};

RECT ClientRectOf(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

// The focused segment's rectangle in the bar, against a fresh layout.
std::optional<RECT> FocusedRect(BarLayer& layer) {
    DiskBarState& state = layer.bar->EditState();
    const RECT client = ClientRectOf(layer.bar->Window());
    const std::vector<Rect>& segments = state.Layout(Rect{client.left, client.top, client.right, client.bottom});
    const int focused = layer.keys.FocusedSegment(state);
    if (focused < 0 || focused >= static_cast<int>(segments.size())) return std::nullopt;
    const Rect& r = segments[static_cast<size_t>(focused)];
    return RECT{r.left, r.top, r.right, r.bottom};
}

void AnnounceFocus(BarLayer& layer) {
    const int focused = layer.keys.FocusedSegment(layer.bar->State());
    NotifyWinEvent(EVENT_OBJECT_FOCUS, layer.bar->Window(), OBJID_CLIENT,
                   focused >= 0 ? focused + 1 : CHILDID_SELF);
}

// Sends what the key or request means; a right click from the keyboard
// opens its menu at the focused segment.
void Act(BarLayer& layer, const BarNotice& notice, bool fromKeyboard) {
    HWND window = layer.bar->Window();
    layer.bar->Repaint();
    AnnounceFocus(layer);
    if (notice.code == 0) return;
    if (notice.segment >= 0)
        NotifyWinEvent(EVENT_OBJECT_SELECTION, window, OBJID_CLIENT, notice.segment + 1);
    std::optional<POINT> anchor;
    if (fromKeyboard) {
        const std::optional<RECT> r = FocusedRect(layer);
        POINT p = r ? POINT{r->left + 4, r->bottom - 4} : POINT{0, 0};
        ClientToScreen(window, &p);
        anchor = p;
    }
    MenuAnchorScope scope(anchor);
    layer.bar->Notify(notice.code, notice.segment);
}

void PaintFocus(BarLayer& layer) {
    if (!layer.keys.HasFocus()) return;
    const std::optional<RECT> r = FocusedRect(layer);
    if (!r) return;
    HDC dc = GetDC(layer.bar->Window());
    if (dc == nullptr) return;
    RECT focus = *r;
    InflateRect(&focus, -1, -1);
    DrawFocusRect(dc, &focus);
    ReleaseDC(layer.bar->Window(), dc);
}

bool Shifted() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

LRESULT CALLBACK LayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto& layer = *reinterpret_cast<BarLayer*>(data);
    switch (message) {
        case WM_GETDLGCODE: {
            // Arrows always; Enter only for itself, else the dialog's default
            // button would take it.
            LRESULT code = DLGC_WANTARROWS;
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            if (msg != nullptr && msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_SPACE))
                code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_SETFOCUS:
            layer.keys.FocusGained(layer.bar->State());
            layer.bar->Repaint();
            AnnounceFocus(layer);
            break;
        case WM_KILLFOCUS:
            layer.keys.FocusLost();
            layer.bar->Repaint();
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            const int key = static_cast<int>(wParam);
            // Of the system keys only Shift+F10 is the bar's.
            if (message == WM_SYSKEYDOWN && key != kKeyF10) break;
            const std::optional<BarNotice> notice = layer.keys.Key(key, Shifted(), layer.bar->EditState());
            if (!notice) break;
            const bool context = key == kKeyApps || key == kKeyF10;
            // DefWindowProc would make a second WM_CONTEXTMENU of the release.
            if (context) layer.swallowKeyUp = key;
            Act(layer, *notice, context);
            return 0;
        }
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (layer.swallowKeyUp != 0 && static_cast<int>(wParam) == layer.swallowKeyUp) {
                layer.swallowKeyUp = 0;
                return 0;
            }
            break;
        case WM_CONTEXTMENU: {
            // lParam -1: from the keyboard, for the focused segment.
            std::optional<Point> point;
            if (lParam != -1) {
                POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
                ScreenToClient(window, &p);
                point = Point{p.x, p.y};
            }
            const RECT client = ClientRectOf(window);
            layer.bar->EditState().Layout(Rect{client.left, client.top, client.right, client.bottom});
            Act(layer, layer.keys.ContextMenu(point, layer.bar->EditState()), !point);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            if (GetFocus() != window) SetFocus(window);
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            // The parent may have destroyed the bar meanwhile.
            if (IsWindow(window)) {
                layer.keys.Pressed(layer.bar->State().SelectedSegment());
                layer.bar->Repaint();
            }
            return result;
        }
        case WM_PAINT: {
            // The focus rectangle goes over a whole fresh paint, never over
            // part of an old one.
            InvalidateRect(window, nullptr, FALSE);
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            PaintFocus(layer);
            return result;
        }
        case WM_GETOBJECT:
            if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
                if (layer.accessible == nullptr)
                    layer.accessible = new DiskBarAccessible(window, [&layer]() -> AccessibleBarView {
                        return AccessibleBarView{&layer.bar->State(), layer.keys.FocusedSegment(layer.bar->State()),
                                                 layer.keys.HasFocus()};
                    });
                return LresultFromObject(IID_IAccessible, wParam, layer.accessible);
            }
            break;
        case WM_NCDESTROY: {
            RemoveWindowSubclass(window, LayerProc, kKeyboardSubclassId);
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            if (layer.accessible != nullptr) {
                // Clients may still hold it: it answers as gone from now on.
                layer.accessible->Disconnect();
                layer.accessible->Release();
            }
            delete &layer;
            return result;
        }
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

bool AttachDiskBarKeyboard(CButtonBarCtrl& bar) {
    if (bar.Window() == nullptr) return false;
    auto* layer = new BarLayer;
    layer->bar = &bar;
    if (!SetWindowSubclass(bar.Window(), LayerProc, kKeyboardSubclassId, reinterpret_cast<DWORD_PTR>(layer))) {
        delete layer;
        return false;
    }
    return true;
}

std::optional<POINT> KeyboardMenuAnchor() { return menuAnchor; }

}  // namespace norvale::win32
