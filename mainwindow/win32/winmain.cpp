// Entry point of norvale.exe. For now it shows the main dialog template with
// the program's title; the main dialog controller replaces this.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/core/language_table.h"
#include "resources/resource.h"

namespace {

INT_PTR CALLBACK PlaceholderProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        const std::wstring title =
            norvale::CLanguageTable::Instance().LoadText(GetSystemDefaultLangID(), IDS_TITLE);
        SetWindowTextW(dialog, title.c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_NORVALE_DIALOG), nullptr,
                                            PlaceholderProc, 0));
}
