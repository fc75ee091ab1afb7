// The theme functions of UxTheme.dll, looked up by name on first use. Where
// the library or a function is missing, a stand-in that reports failure
// takes its place, so callers never check for the library themselves.
#pragma once

#include <windows.h>

#include <optional>

namespace norvale::win32 {

using ThemeHandle = HANDLE;  // HTHEME

class UxTheme {
public:
    // The process-wide instance; the library is freed and the BUTTON theme
    // closed at process exit.
    static UxTheme& Instance();

    bool IsThemeActive();
    bool IsAppThemed();
    ThemeHandle OpenThemeData(HWND window, const wchar_t* classList);
    HRESULT CloseThemeData(ThemeHandle theme);
    HRESULT DrawThemeBackground(ThemeHandle theme, HDC dc, int part, int state, const RECT* rect,
                                const RECT* clip);
    std::optional<COLORREF> GetThemeColor(ThemeHandle theme, int part, int state, int property);
    // Turns visual styles off for one window (SetWindowTheme(w, L"", L"")),
    // so that classic colours apply; false when that is not possible.
    bool DisableVisualStyles(HWND window);

    // The theme of the BUTTON class, opened once on first request.
    ThemeHandle ButtonTheme(HWND window);

    ~UxTheme();
    UxTheme(const UxTheme&) = delete;
    UxTheme& operator=(const UxTheme&) = delete;

private:
    UxTheme();
    FARPROC Lookup(const char* name, FARPROC& cache, bool& looked);

    HMODULE module_ = nullptr;
    ThemeHandle buttonTheme_ = nullptr;
    bool buttonThemeTried_ = false;
    struct Slot {
        FARPROC proc = nullptr;
        bool looked = false;
    };
    Slot isThemeActive_, isAppThemed_, openThemeData_, closeThemeData_, drawThemeBackground_,
        getThemeColor_, setWindowTheme_;
};

}  // namespace norvale::win32
