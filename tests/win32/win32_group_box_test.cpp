// The themed group box in a real dialog, with the visual styles Wine comes
// with and with none: its caption band and its frame, read from the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "controls/core/group_box_layout.h"
#include "controls/win32/ux_theme.h"
#include "tests/win32/win32_dialog_harness.h"

namespace norvale::test {
namespace {

COLORREF PixelOf(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return pixel;
}

// Whether the frame is drawn by the theme, decided as the group box decides.
bool GroupBoxThemed(HWND control) {
    win32::UxTheme& theme = win32::UxTheme::Instance();
    return theme.IsThemeActive() && theme.IsAppThemed() && theme.ButtonTheme(control) != nullptr;
}

TEST(Win32DialogGroupBox, PaintsItsCaptionBandOverTheFrame) {
    NORVALE_REQUIRE_WINDOWS();
    WithShownDialog([](TestDialog& d) {
        DialogSurfacePort& s = d.Surface();
        HWND group = d.Item(IDC_TEST_GROUP);
        s.SetGroupBoxColors(IDC_TEST_GROUP, kDialogBlue, kWhite);
        EXPECT_EQ(GetWindowLongPtrW(group, GWL_STYLE) & WS_BORDER, 0) << "border dropped";
        EXPECT_EQ(GetWindowLongPtrW(group, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0) << "edge dropped";
        std::printf("group box frame: %s\n", GroupBoxThemed(group) ? "themed" : "etched");

        // Left of the caption text, where the frame's top line would run.
        const int x = kGroupBoxCaptionMargin + 1, y = 1;
        EXPECT_EQ(PixelOf(group, x, y), RGB(0, 98, 147));
        HDC memory = CreateCompatibleDC(nullptr);
        EXPECT_NE(SendMessageW(group, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 0)
            << "erasing is left to the paint";
        DeleteDC(memory);

        // New colours repaint the same control at once.
        s.SetGroupBoxColors(IDC_TEST_GROUP, Color{200, 0, 0}, kWhite);
        EXPECT_EQ(PixelOf(group, x, y), RGB(200, 0, 0));
        s.SetText(IDC_TEST_GROUP, L"");  // the band alone
        s.Enable(IDC_TEST_GROUP, false);
        UpdateWindow(group);
        EXPECT_EQ(PixelOf(group, x, y), RGB(200, 0, 0));

        RECT client, dialogClient;
        GetClientRect(group, &client);
        GetClientRect(d.Window(), &dialogClient);
        s.SetText(IDC_TEST_GROUP, std::wstring(200, L'W'));  // wider than the box
        UpdateWindow(group);
        EXPECT_EQ(PixelOf(group, client.right - 2, y), RGB(200, 0, 0)) << "the band ends at the edge";
        // Inside the frame the dialog shows through, as in a blank corner of it.
        EXPECT_EQ(PixelOf(group, client.right / 2, client.bottom / 2),
                  PixelOf(d.Window(), 2, dialogClient.bottom - 2));
    });
}

// Set in the environment of the run without visual styles.
constexpr wchar_t kUnthemedRun[] = L"NORVALE_TEST_UNTHEMED_RUN";
constexpr wchar_t kThemeManagerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

// Runs one test of this executable in a new process while Wine's theme is
// off (the theme library reads the setting when a process loads it); the
// setting is put back afterwards. Answers the exit code.
DWORD RunWithoutVisualStyles(const wchar_t* testName) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kThemeManagerKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 0xFFFF0001;
    wchar_t old[16] = {};
    DWORD oldSize = sizeof old, type = 0;
    const bool hadValue =
        RegQueryValueExW(key, L"ThemeActive", nullptr, &type, reinterpret_cast<BYTE*>(old), &oldSize) == ERROR_SUCCESS;
    RegSetValueExW(key, L"ThemeActive", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0"), 2 * sizeof(wchar_t));

    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" --gtest_brief=1 --gtest_filter=" + testName;
    SetEnvironmentVariableW(kUnthemedRun, L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD code = 0xFFFF0002;
    if (CreateProcessW(exe, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process.hProcess, &code);
        } else {
            TerminateProcess(process.hProcess, 0xFFFF0003);
            code = 0xFFFF0003;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableW(kUnthemedRun, nullptr);

    if (hadValue) RegSetValueExW(key, L"ThemeActive", 0, type, reinterpret_cast<const BYTE*>(old), oldSize);
    else RegDeleteValueW(key, L"ThemeActive");
    RegCloseKey(key);
    return code;
}

TEST(Win32DialogGroupBox, FrameIsEtchedWithoutVisualStyles) {
    NORVALE_REQUIRE_WINDOWS();
    if (GetEnvironmentVariableW(kUnthemedRun, nullptr, 0) == 0) {
        if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr)
            GTEST_SKIP() << "the theme is switched off through Wine's settings";
        EXPECT_EQ(RunWithoutVisualStyles(L"Win32DialogGroupBox.FrameIsEtchedWithoutVisualStyles"), 0u)
            << "the run without visual styles failed; its output is above";
        return;
    }
    // The theme library finds no theme here: the group box draws its frame.
    WithShownDialog([](TestDialog& d) {
        HWND group = d.Item(IDC_TEST_GROUP);
        ASSERT_FALSE(GroupBoxThemed(group));
        d.Surface().SetGroupBoxColors(IDC_TEST_GROUP, kDialogBlue, kWhite);
        RECT client;
        GetClientRect(group, &client);
        const int y = client.bottom / 2;
        EXPECT_EQ(PixelOf(group, 0, y), GetSysColor(COLOR_BTNSHADOW)) << "the shadow rectangle";
        EXPECT_EQ(PixelOf(group, 1, y), GetSysColor(COLOR_BTNHIGHLIGHT)) << "the highlight beside it";
        EXPECT_EQ(PixelOf(group, kGroupBoxCaptionMargin + 1, 1), RGB(0, 98, 147));
        d.Surface().Enable(IDC_TEST_GROUP, false);
        UpdateWindow(group);
        EXPECT_EQ(PixelOf(group, 0, y), GetSysColor(COLOR_BTNSHADOW));
    });
}

}  // namespace
}  // namespace norvale::test
