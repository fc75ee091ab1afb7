#include "controls/win32/win32_dpi.h"

namespace norvale::win32 {

namespace {

FARPROC User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
}

template <typename Function>
Function Lookup(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(User32Function(name)));
}

constexpr int kDialogControlDisableFontUpdate = 0x0001;  // DCDC_DISABLE_FONT_UPDATE
constexpr int kDialogControlDisableRelayout = 0x0002;    // DCDC_DISABLE_RELAYOUT

}  // namespace

DpiScale WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = Lookup<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0) return DpiScale(static_cast<int>(dpi));
    }
    int dpi = 0;
    if (HDC screen = GetDC(nullptr)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return DpiScale(dpi);
}

void KeepOutOfDialogRescaling(HWND child) {
    using SetBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehavior = Lookup<SetBehaviorFunction>("SetDialogControlDpiChangeBehavior");
    const int flags = kDialogControlDisableFontUpdate | kDialogControlDisableRelayout;
    if (setBehavior != nullptr && child != nullptr) setBehavior(child, flags, flags);
}

}  // namespace norvale::win32
