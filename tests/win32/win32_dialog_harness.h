// Opens real dialogs for the Windows tests of the dialog framework. A test
// dialog runs its checks from handlers of its own message table while the
// dialog is shown, and always ends by itself: a watchdog timer ends it with
// kWatchdogCode when a test forgot to (or a message never arrived), so a
// broken case fails instead of hanging the run.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "controls/core/dialog_controller.h"
#include "controls/win32/dialog_host.h"
#include "controls/win32/win32_dialog_surface.h"
#include "tests/win32/test_dialogs.h"
#include "tests/win32/text_fit.h"

namespace norvale::test {

inline constexpr int kWatchdogTimer = 0x7A11;
inline constexpr int kWatchdogCode = 0x7A11;
// Only a hang guard: a case that works ends long before it, and an emulated
// machine whose host is busy with other suites can take many seconds.
inline constexpr unsigned kWatchdogMs = 60000;
inline constexpr wchar_t kShownMessage[] = L"Norvale.Test.DialogShown";

class TestDialog : public DialogController {
public:
    TestDialog() {
        Messages()
            .OnInitDialog([this] {
                Surface().SetTimer(kWatchdogTimer, std::chrono::milliseconds(kWatchdogMs));
                // Posted: it arrives once the dialog is shown and its loop runs.
                Surface().PostRegistered(kShownMessage, 0);
                if (onInit) onInit();
                return true;
            })
            .OnTimer(kWatchdogTimer, [this] {
                Surface().KillTimer(kWatchdogTimer);
                timedOut = true;
                Surface().EndDialog(kWatchdogCode);
            })
            .OnRegistered(kShownMessage, [this](std::intptr_t) {
                if (onShown) onShown();
            });
    }

    using DialogController::Messages;
    using DialogController::Surface;

    HWND Window() const { return static_cast<win32::Win32DialogSurface&>(Surface()).Window(); }
    HWND Item(int id) const { return GetDlgItem(Window(), id); }

    std::function<void()> onInit;   // inside WM_INITDIALOG, the window still hidden
    std::function<void()> onShown;  // once the dialog is on screen
    bool timedOut = false;
};

// Whether this process can create windows at all (Wine needs a display).
inline bool WindowsCanBeCreated() {
    static const bool can = [] {
        HWND probe = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
        if (probe == nullptr) return false;
        DestroyWindow(probe);
        return true;
    }();
    return can;
}

// Under Wine a display is named by DISPLAY; on Windows there always is one.
inline bool DisplayNamed() { return GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) > 0; }

// Without a display the dialog tests are skipped. With one named, no window
// is a fault of the run, not a pass: under Wine the desktop process of the
// session decides, and one started without a display (`wineboot -i` run
// outside it, its session still alive) gives none to anyone in the session.
#define NORVALE_REQUIRE_WINDOWS()                                                                    \
    do {                                                                                             \
        if (!::norvale::test::WindowsCanBeCreated()) {                                               \
            if (::norvale::test::DisplayNamed())                                                     \
                GTEST_FAIL() << "DISPLAY is set, yet no window can be created: under Wine the "      \
                                "session's desktop was started without a display (end it with "      \
                                "`wineserver -w`, or run wineboot under the display)";               \
            GTEST_SKIP() << "no window can be created here (under Wine: DISPLAY names no X "         \
                            "server); the dialog tests need one, e.g. Xvfb";                         \
        }                                                                                            \
    } while (0)

// Every static text, button and group-box caption of the dialog fits its
// control in its own font, at whatever DPI the display has.
inline void ExpectTextsFit(HWND dialog) {
    int checked = 0;
    for (const ClippedText& clipped : ClippedTexts(dialog, nullptr, &checked)) ADD_FAILURE() << Describe(clipped);
    EXPECT_GT(checked, 0) << "the dialog shows texts";
}

inline INT_PTR RunTestDialog(TestDialog& dialog, int templateId = IDD_TEST_CONTROLS, HWND owner = nullptr) {
    return win32::RunModalDialog(dialog, win32::DialogTemplate::FromResource(templateId), owner);
}

// Runs `checks` while a dialog of a test template is shown, then ends it.
inline void WithShownDialogOf(int templateId, const std::function<void(TestDialog&)>& checks) {
    TestDialog dialog;
    dialog.onShown = [&] {
        checks(dialog);
        dialog.Surface().EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog, templateId), kIdOk);
    EXPECT_FALSE(dialog.timedOut);
}

inline void WithShownDialog(const std::function<void(TestDialog&)>& checks) {
    WithShownDialogOf(IDD_TEST_CONTROLS, checks);
}

// Handles the thread's messages the way a modeless dialog's loop does until
// `done` holds or the time is up; answers `done()`.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!win32::PreTranslateDialogMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// A key pressed in a window, as the keyboard driver queues it.
inline void PostKey(HWND window, int virtualKey) {
    PostMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 1);
}

inline std::wstring WindowTextOf(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

}  // namespace norvale::test
