#include "controls/win32/ux_theme.h"

namespace norvale::win32 {

namespace {

using IsThemeActiveFn = BOOL(WINAPI*)();
using IsAppThemedFn = BOOL(WINAPI*)();
using OpenThemeDataFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HANDLE);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
using GetThemeColorFn = HRESULT(WINAPI*)(HANDLE, int, int, int, COLORREF*);
using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

template <typename Fn>
Fn As(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

}  // namespace

UxTheme& UxTheme::Instance() {
    static UxTheme instance;
    return instance;
}

UxTheme::UxTheme() : module_(LoadLibraryW(L"UxTheme.dll")) {}

UxTheme::~UxTheme() {
    if (buttonTheme_ != nullptr) CloseThemeData(buttonTheme_);
    if (module_ != nullptr) FreeLibrary(module_);
}

FARPROC UxTheme::Lookup(const char* name, FARPROC& cache, bool& looked) {
    if (!looked) {
        looked = true;
        cache = module_ != nullptr ? GetProcAddress(module_, name) : nullptr;
    }
    return cache;
}

bool UxTheme::IsThemeActive() {
    auto fn = As<IsThemeActiveFn>(Lookup("IsThemeActive", isThemeActive_.proc, isThemeActive_.looked));
    return fn != nullptr && fn() != FALSE;
}

bool UxTheme::IsAppThemed() {
    auto fn = As<IsAppThemedFn>(Lookup("IsAppThemed", isAppThemed_.proc, isAppThemed_.looked));
    return fn != nullptr && fn() != FALSE;
}

ThemeHandle UxTheme::OpenThemeData(HWND window, const wchar_t* classList) {
    auto fn = As<OpenThemeDataFn>(Lookup("OpenThemeData", openThemeData_.proc, openThemeData_.looked));
    return fn != nullptr ? fn(window, classList) : nullptr;
}

HRESULT UxTheme::CloseThemeData(ThemeHandle theme) {
    auto fn = As<CloseThemeDataFn>(Lookup("CloseThemeData", closeThemeData_.proc, closeThemeData_.looked));
    return fn != nullptr ? fn(theme) : E_NOTIMPL;
}

HRESULT UxTheme::DrawThemeBackground(ThemeHandle theme, HDC dc, int part, int state,
                                     const RECT* rect, const RECT* clip) {
    auto fn = As<DrawThemeBackgroundFn>(
        Lookup("DrawThemeBackground", drawThemeBackground_.proc, drawThemeBackground_.looked));
    return fn != nullptr ? fn(theme, dc, part, state, rect, clip) : E_NOTIMPL;
}

std::optional<COLORREF> UxTheme::GetThemeColor(ThemeHandle theme, int part, int state, int property) {
    auto fn = As<GetThemeColorFn>(Lookup("GetThemeColor", getThemeColor_.proc, getThemeColor_.looked));
    COLORREF color = 0;
    if (fn == nullptr || FAILED(fn(theme, part, state, property, &color))) return std::nullopt;
    return color;
}

bool UxTheme::DisableVisualStyles(HWND window) {
    auto fn = As<SetWindowThemeFn>(Lookup("SetWindowTheme", setWindowTheme_.proc, setWindowTheme_.looked));
    return fn != nullptr && SUCCEEDED(fn(window, L"", L""));
}

ThemeHandle UxTheme::ButtonTheme(HWND window) {
    if (!buttonThemeTried_) {
        buttonThemeTried_ = true;
        buttonTheme_ = OpenThemeData(window, L"BUTTON");
    }
    return buttonTheme_;
}

}  // namespace norvale::win32
