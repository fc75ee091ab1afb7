#include "controls/win32/dialog_host.h"

#include <commctrl.h>

#include <memory>
#include <optional>
#include <vector>

#include "controls/win32/button_bar_ctrl.h"
#include "controls/win32/busy_cursor.h"
#include "controls/win32/dialog_host_messages.h"
#include "controls/win32/high_contrast.h"
#include "controls/win32/late_controls.h"
#include "controls/win32/list_item_notify.h"
#include "controls/win32/win32_dialog_surface.h"

namespace norvale::win32 {

namespace {

// Marks our dialogs: a window property rather than GWLP_USERDATA alone, so
// a foreign window's user data is never taken for a host.
constexpr wchar_t kHostProperty[] = L"Norvale.DialogHost";

struct HostStart {
    DialogController* controller;
    bool modal;
    const std::vector<LateControl>* late = nullptr;
};

// Ticks that make the late controls, one a tick. A timer's message comes
// only when no window of the thread waits to be painted, so the first comes
// once the dialog has painted; USER_TIMER_MINIMUM is the shortest a timer has.
constexpr UINT_PTR kLateControlTimer = 0x4C41;

struct Host {
    DialogController* controller;
    std::unique_ptr<Win32DialogSurface> surface;
    int deliveries = 0;      // handlers of this dialog under way
    bool destroyed = false;  // the window went while one ran
};

Host* HostOf(HWND window) { return static_cast<Host*>(GetPropW(window, kHostProperty)); }

DispatchResult Deliver(Host& host, const DialogMessage& message) {
    ++host.deliveries;
    const DispatchResult result = host.controller->Dispatch(message);
    // A handler may destroy its own window (closing a modeless notice): the
    // host goes once the outermost handler has returned.
    if (--host.deliveries == 0 && host.destroyed) delete &host;
    return result;
}

// The host of the dialog that a control (or the dialog itself) belongs to.
Host* HostOfControl(HWND window) {
    for (HWND w = window; w != nullptr; w = GetParent(w)) {
        if (Host* host = HostOf(w)) return host;
        if ((GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0) break;
    }
    return nullptr;
}

bool KeyDownConsumed(const MSG& message) {
    if (message.message != WM_KEYDOWN) return false;
    Host* host = HostOfControl(message.hwnd);
    if (host == nullptr) return false;
    return Deliver(*host, DialogMessage::Of(MessageKind::KeyDown, static_cast<int>(message.wParam))).value;
}

// One message-filter hook per thread, however deeply modal dialogs nest:
// two hooks would each deliver the same key.
thread_local HHOOK filterHook = nullptr;
thread_local int filterUsers = 0;
// Set while we run IsDialogMessageW ourselves: it calls the filter hook
// again with the same message, which has had its key entries already.
thread_local bool inDialogMessage = false;

bool DialogMessageOnce(HWND dialog, MSG& message) {
    inDialogMessage = true;
    const bool handled = IsDialogMessageW(dialog, &message) != FALSE;
    inDialogMessage = false;
    return handled;
}

// The modeless dialog of ours that a window belongs to, if any.
HWND ModelessDialogOf(HWND window) {
    HWND root = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
    Host* host = root != nullptr ? HostOf(root) : nullptr;
    return host != nullptr && !host->surface->IsModal() ? root : nullptr;
}

LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && lParam != 0 && !inDialogMessage) {
        MSG& message = *reinterpret_cast<MSG*>(lParam);
        if (KeyDownConsumed(message)) return TRUE;
        // A modal loop gives only its own dialog the dialog keys (Tab,
        // Enter, Escape); a modeless dialog open meanwhile, such as a notice
        // of the main dialog, gets them here as its own loop would give them.
        if (HWND modeless = ModelessDialogOf(message.hwnd))
            if (DialogMessageOnce(modeless, message)) return TRUE;
    }
    return CallNextHookEx(filterHook, code, wParam, lParam);
}

class FilterHookUse {
public:
    FilterHookUse() {
        if (filterUsers++ == 0)
            filterHook = SetWindowsHookExW(WH_MSGFILTER, MessageFilter, nullptr, GetCurrentThreadId());
    }
    ~FilterHookUse() {
        if (--filterUsers == 0 && filterHook != nullptr) {
            UnhookWindowsHookEx(filterHook);
            filterHook = nullptr;
        }
    }
    FilterHookUse(const FilterHookUse&) = delete;
    FilterHookUse& operator=(const FilterHookUse&) = delete;
};

// Controllers take mouse positions in 96-DPI pixels, as they place things.
DialogMessage MouseMessage(const Host& host, MessageKind kind, LPARAM lParam) {
    const Point point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return DialogMessage::OfMouse(kind, host.surface->Scale().Unscale(point));
}

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The window moved to a monitor of another DPI (per-monitor awareness):
// it takes the rectangle Windows suggests, and what the surface sized
// itself follows. The default processing goes on, so the dialog manager of
// per-monitor-v2 windows re-lays the template's controls and fonts.
void ChangeDpi(HWND dialog, Host& host, WPARAM wParam, LPARAM lParam) {
    if (const auto* suggested = reinterpret_cast<const RECT*>(lParam)) {
        SetWindowPos(dialog, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    host.surface->ChangeDpi(DpiScale(HIWORD(wParam)));
}

DialogMessage ScrollMessage(HWND dialog, WPARAM wParam) {
    const int request = LOWORD(wParam);
    int position = HIWORD(wParam);
    if (request == SB_THUMBTRACK || request == SB_THUMBPOSITION) {
        // The message carries 16 bits of the position; the bar knows all 32
        // while the thumb is dragged. Taken where the two agree.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(dialog, SB_VERT, &info) && (info.nTrackPos & 0xFFFF) == position)
            position = info.nTrackPos;
    }
    DialogMessage m = DialogMessage::Of(MessageKind::VScroll, 0, request);
    m.param = position;
    return m;
}

SizeKind SizeKindOf(WPARAM type) {
    if (type == SIZE_MINIMIZED) return SizeKind::Minimized;
    if (type == SIZE_MAXIMIZED) return SizeKind::Maximized;
    return SizeKind::Restored;
}

std::optional<LateTemplate> LoadWithoutDropDowns(const DialogTemplate& t) {
    HRSRC found = FindResourceW(t.module, MAKEINTRESOURCEW(t.resourceId), RT_DIALOG);
    HGLOBAL loaded = found != nullptr ? LoadResource(t.module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    return data != nullptr ? LateTemplate::WithoutDropDowns(data, SizeofResource(t.module, found)) : std::nullopt;
}

INT_PTR Answer(HWND dialog, bool handled, LRESULT result = 0) {
    if (handled) SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return handled ? TRUE : FALSE;
}

INT_PTR Initialise(HWND dialog, const HostStart& start) {
    auto* host = new Host{start.controller, std::make_unique<Win32DialogSurface>(dialog, start.modal)};
    SetPropW(dialog, kHostProperty, host);
    host->surface->RegisterMessages(start.controller->Table().RegisteredNames());
    if (start.late != nullptr) host->surface->ExpectLateControls(*start.late);
    start.controller->Attach(host->surface.get());
    const bool focusSet = Deliver(*host, DialogMessage::Of(MessageKind::InitDialog)).value;
    if (host->surface->HasLateControls()) SetTimer(dialog, kLateControlTimer, USER_TIMER_MINIMUM, nullptr);
    return focusSet ? TRUE : FALSE;
}

bool PaintMinimised(HWND dialog, const Host& host) {
    HICON icon = host.surface->BigIcon();
    if (icon == nullptr || !IsIconic(dialog)) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    RECT client;
    GetClientRect(dialog, &client);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
    EndPaint(dialog, &ps);
    return true;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return Initialise(dialog, *reinterpret_cast<HostStart*>(lParam));
    Host* host = HostOf(dialog);
    if (host == nullptr) return FALSE;

    switch (message) {
        case WM_COMMAND:
            return Answer(dialog, Deliver(*host, DialogMessage::Of(MessageKind::Command, LOWORD(wParam),
                                                                  HIWORD(wParam))).handled);
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (const auto result = host->surface->ReflectNotify(*header)) return Answer(dialog, true, *result);
            if (const auto change = ListItemChangeOf(*header, host->surface->ChangingListSelection()))
                return Answer(dialog, Deliver(*host, DialogMessage::OfListItemChange(
                                                         static_cast<int>(header->idFrom), *change)).handled);
            // A disk bar's record carries the clicked segment behind the header.
            const std::intptr_t param = CButtonBarCtrl::ClickedSegment(*header).value_or(0);
            return Answer(dialog, Deliver(*host, DialogMessage::OfNotify(static_cast<int>(header->idFrom),
                                                                        static_cast<int>(header->code), param))
                                      .handled);
        }
        case WM_VSCROLL:
            if (lParam != 0) break;  // a scroll-bar control's, not the dialog's own
            return Answer(dialog, Deliver(*host, ScrollMessage(dialog, wParam)).handled);
        case WM_MOUSEWHEEL: {
            DialogMessage wheel = DialogMessage::Of(MessageKind::MouseWheel);
            wheel.param = GET_WHEEL_DELTA_WPARAM(wParam);
            return Answer(dialog, Deliver(*host, wheel).handled);
        }
        case WM_LBUTTONDOWN:
            return Answer(dialog, Deliver(*host, MouseMessage(*host, MessageKind::LButtonDown, lParam)).handled);
        case WM_MOUSEMOVE:
            return Answer(dialog, Deliver(*host, MouseMessage(*host, MessageKind::MouseMove, lParam)).handled);
        case WM_LBUTTONUP:
            return Answer(dialog, Deliver(*host, MouseMessage(*host, MessageKind::LButtonUp, lParam)).handled);
        case WM_TIMER:
            if (wParam == kLateControlTimer) {
                if (!host->surface->MakeNextLateControl()) KillTimer(dialog, kLateControlTimer);
                return TRUE;
            }
            return Answer(dialog, Deliver(*host, DialogMessage::Of(MessageKind::Timer,
                                                                  static_cast<int>(wParam))).handled);
        case WM_CLOSE:
            return Answer(dialog, Deliver(*host, DialogMessage::Of(MessageKind::Close)).handled);
        case WM_SYSCOMMAND:
            return Answer(dialog, Deliver(*host, DialogMessage::Of(MessageKind::SysCommand,
                                                                  static_cast<int>(wParam & 0xFFF0))).handled);
        case WM_SIZE:
            Deliver(*host, DialogMessage::Of(MessageKind::Size, 0, static_cast<int>(SizeKindOf(wParam))));
            return FALSE;  // the default processing runs as well
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            // Colour messages answer the brush itself, not DWLP_MSGRESULT.
            return reinterpret_cast<INT_PTR>(host->surface->ControlColor(message, reinterpret_cast<HDC>(wParam)));
        case WM_PAINT:
            return PaintMinimised(dialog, *host) ? TRUE : FALSE;
        case WM_DPICHANGED:
            ChangeDpi(dialog, *host, wParam, lParam);
            return FALSE;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            // A theme change arrives as either; high contrast is read again,
            // and new system colours repaint even when it stayed as it was.
            if (const bool on = HighContrastOn(); message == WM_SYSCOLORCHANGE || on != host->surface->HighContrast())
                host->surface->ApplyContrast(on);
            return FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(host->surface->BigIcon());
        case WM_SETCURSOR:
            if (!host->surface->Busy()) return FALSE;
            SetCursor(BusyCursor());
            return Answer(dialog, true, TRUE);
        case kDestroyModelessDialog:
            DestroyWindow(dialog);
            return TRUE;
        case WM_DESTROY:
            Deliver(*host, DialogMessage::Of(MessageKind::Destroy));
            return FALSE;
        case WM_NCDESTROY:
            host->controller->Attach(nullptr);
            RemovePropW(dialog, kHostProperty);
            RemovePropW(dialog, kFlowRunningProperty);
            if (host->deliveries > 0) host->destroyed = true;
            else delete host;
            return FALSE;
        default:
            break;
    }
    if (message >= 0xC000) {
        std::wstring name = host->surface->RegisteredName(message);
        if (!name.empty())
            return Answer(dialog, Deliver(*host, DialogMessage::OfRegistered(std::move(name),
                                                                             static_cast<std::intptr_t>(lParam))).handled);
    }
    return FALSE;
}

}  // namespace

void EnsureCommonControls() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}

INT_PTR RunModalDialog(DialogController& controller, const DialogTemplate& t, HWND owner) {
    EnsureCommonControls();
    if (controller.IsAttached()) return -1;  // one window per controller
    FilterHookUse hook;
    HostStart start{&controller, true};
    const LPARAM param = reinterpret_cast<LPARAM>(&start);
    if (t.memory != nullptr) return DialogBoxIndirectParamW(t.module, t.memory, owner, DialogProc, param);
    if (const std::optional<LateTemplate> late = t.lateDropDowns ? LoadWithoutDropDowns(t) : std::nullopt) {
        start.late = &late->Late();
        return DialogBoxIndirectParamW(t.module, late->Template(), owner, DialogProc, param);
    }
    return DialogBoxParamW(t.module, MAKEINTRESOURCEW(t.resourceId), owner, DialogProc, param);
}

HWND CreateModelessDialog(DialogController& controller, const DialogTemplate& t, HWND owner) {
    EnsureCommonControls();
    if (controller.IsAttached()) return nullptr;
    HostStart start{&controller, false};
    const LPARAM param = reinterpret_cast<LPARAM>(&start);
    if (t.memory != nullptr) return CreateDialogIndirectParamW(t.module, t.memory, owner, DialogProc, param);
    return CreateDialogParamW(t.module, MAKEINTRESOURCEW(t.resourceId), owner, DialogProc, param);
}

DialogController* ControllerOf(HWND dialog) {
    Host* host = dialog != nullptr ? HostOf(dialog) : nullptr;
    return host != nullptr ? host->controller : nullptr;
}

Win32DialogSurface* SurfaceOf(HWND dialog) {
    Host* host = dialog != nullptr ? HostOf(dialog) : nullptr;
    return host != nullptr ? host->surface.get() : nullptr;
}

bool PreTranslateDialogMessage(MSG& message) {
    if (KeyDownConsumed(message)) return true;
    HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    return root != nullptr && HostOf(root) != nullptr && DialogMessageOnce(root, message);
}

}  // namespace norvale::win32
