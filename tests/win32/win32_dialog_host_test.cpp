// The dialog host with real windows: how a dialog ends, which messages reach
// the controller's table, and where key-downs go while modal and modeless
// dialogs run.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "tests/win32/win32_dialog_harness.h"

namespace norvale::test {
namespace {

constexpr int kChildCode = 7;
constexpr int kFinished = 55;
constexpr wchar_t kFinishMessage[] = L"Norvale.Test.Finish";
constexpr wchar_t kWorkerMessage[] = L"Norvale.Test.Worker";

// A dialog that ends with kFinished when its finish message arrives: posted
// after other input, it proves that input was handled without ending it.
class FinishingDialog : public TestDialog {
public:
    FinishingDialog() {
        Messages().OnRegistered(kFinishMessage, [this](std::intptr_t) { Surface().EndDialog(kFinished); });
    }
    void PostFinish() { Surface().PostRegistered(kFinishMessage, 0); }
};

TEST(Win32DialogHost, EndCodesComeBackFromRunModalDialog) {
    NORVALE_REQUIRE_WINDOWS();
    TestDialog shown;
    shown.onShown = [&] { shown.Surface().EndDialog(kChildCode); };
    EXPECT_EQ(RunTestDialog(shown), kChildCode);
    EXPECT_FALSE(shown.IsAttached()) << "detached once the window is gone";
    EXPECT_EQ(RunTestDialog(shown), kChildCode) << "and can run again";

    // Ended while it initialises: the dialog never shows, the code still arrives.
    TestDialog early;
    bool shownAnyway = false;
    early.onInit = [&] { early.Surface().EndDialog(0); };
    early.onShown = [&] { shownAnyway = true; };
    EXPECT_EQ(RunTestDialog(early), 0);
    EXPECT_FALSE(shownAnyway);

    std::vector<std::wstring> events;
    TestDialog closed;
    closed.Messages()
        .OnClose([&] { events.push_back(L"close"); })
        .OnDestroy([&] { events.push_back(L"destroy"); });
    closed.onShown = [&] { closed.Surface().PostClose(); };
    EXPECT_EQ(RunTestDialog(closed), kIdCancel);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"close", L"destroy"}));

    TestDialog missing;
    EXPECT_EQ(RunTestDialog(missing, 4711), -1) << "no such template";
    EXPECT_FALSE(missing.IsAttached());
}

TEST(Win32DialogHost, KeysInTheDialogGoToTheKeyEntriesFirst) {
    NORVALE_REQUIRE_WINDOWS();
    int enters = 0, f5 = 0, okClicks = 0;
    FinishingDialog dialog;
    dialog.Messages()
        .OnKeyDown(kKeyReturn, [&] {
            ++enters;
            return true;
        })
        .OnKeyDown(VK_F5, [&] {
            ++f5;
            return true;
        })
        .OnClicked(kIdOk, [&] { ++okClicks; });
    // Windows of no dialog keep their keys.
    HWND plain = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 600, 400, 80, 20, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(plain, nullptr);
    HWND plainChild = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 40, 20, plain, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    dialog.onShown = [&] {
        PostKey(dialog.Item(IDC_TEST_EDIT), VK_RETURN);
        PostKey(dialog.Item(IDC_TEST_LIST), VK_RETURN);
        // The edit field inside an editable combo is a child of a control.
        PostKey(GetWindow(dialog.Item(IDC_TEST_DROPDOWN), GW_CHILD), VK_RETURN);
        PostKey(dialog.Item(IDC_TEST_EDIT), VK_F5);
        PostKey(plain, VK_RETURN);
        PostKey(plainChild, VK_RETURN);
        dialog.PostFinish();
    };
    EXPECT_EQ(RunTestDialog(dialog), kFinished) << "Enter taken by the entry does not press OK";
    EXPECT_EQ(enters, 3) << "each key once";
    EXPECT_EQ(f5, 1);
    EXPECT_EQ(okClicks, 0);
    DestroyWindow(plain);
}

TEST(Win32DialogHost, KeysNoEntryConsumesKeepTheirDialogMeaning) {
    NORVALE_REQUIRE_WINDOWS();
    // An entry that looks at Enter but leaves it: the default button acts.
    int enters = 0;
    TestDialog enter;
    enter.Messages().OnKeyDown(kKeyReturn, [&] {
        ++enters;
        return false;
    });
    enter.onShown = [&] { PostKey(enter.Item(IDC_TEST_EDIT), VK_RETURN); };
    EXPECT_EQ(RunTestDialog(enter), kIdOk);
    EXPECT_EQ(enters, 1);

    TestDialog escape;
    escape.onShown = [&] { PostKey(escape.Item(IDC_TEST_BUTTON), VK_ESCAPE); };
    EXPECT_EQ(RunTestDialog(escape), kIdCancel);
}

TEST(Win32DialogHost, TimersReachTheControllerUntilKilled) {
    NORVALE_REQUIRE_WINDOWS();
    constexpr int kTick = 1054, kLater = 1055;
    int ticks = 0, ticksWhenLater = -1;
    TestDialog dialog;
    dialog.Messages()
        .OnTimer(kTick, [&] {
            if (++ticks == 3) {
                dialog.Surface().KillTimer(kTick);
                dialog.Surface().SetTimer(kLater, std::chrono::milliseconds(150));
            }
        })
        .OnTimer(kLater, [&] {
            ticksWhenLater = ticks;
            dialog.Surface().KillTimer(kLater);
            dialog.Surface().EndDialog(kFinished);
        });
    // Below the system's minimum interval: still a working timer.
    dialog.onInit = [&] { dialog.Surface().SetTimer(kTick, std::chrono::milliseconds(0)); };
    EXPECT_EQ(RunTestDialog(dialog), kFinished);
    EXPECT_EQ(ticksWhenLater, 3) << "no tick after KillTimer";
}

TEST(Win32DialogHost, PostsFromWorkersArriveOnTheDialogThread) {
    NORVALE_REQUIRE_WINDOWS();
    const DWORD dialogThread = GetCurrentThreadId();
    std::atomic<DWORD> workerThread{0};
    std::vector<std::intptr_t> params;
    DWORD handlerThread = 0;
    TestDialog dialog;
    dialog.Messages().OnRegistered(kWorkerMessage, [&](std::intptr_t p) {
        params.push_back(p);
        handlerThread = GetCurrentThreadId();
        if (params.size() == 2) dialog.Surface().PostClose();
    });
    dialog.onShown = [&] {
        DialogSurfacePort& surface = dialog.Surface();
        ASSERT_TRUE(surface.StartWorker([&surface, &workerThread] {
            workerThread = GetCurrentThreadId();
            surface.PostRegistered(kWorkerMessage, -1);
            surface.PostRegistered(kWorkerMessage, 0x12345678);
        }));
        EXPECT_FALSE(surface.StartWorker({}));
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdCancel);
    EXPECT_EQ(params, (std::vector<std::intptr_t>{-1, 0x12345678}));
    EXPECT_NE(workerThread.load(), dialogThread);
    EXPECT_EQ(handlerThread, dialogThread);
}

TEST(Win32DialogHost, NotificationsAndSizesReachTheirEntries) {
    NORVALE_REQUIRE_WINDOWS();
    int clicks = 0;
    std::vector<SizeKind> sizes;
    TestDialog dialog;
    dialog.Messages()
        .OnNotify(IDC_TEST_LIST, kNotifyClick, [&] { ++clicks; })
        .OnSize([&](SizeKind kind) { sizes.push_back(kind); });
    dialog.onShown = [&] {
        NMHDR header{dialog.Item(IDC_TEST_LIST), static_cast<UINT_PTR>(IDC_TEST_LIST), static_cast<UINT>(NM_CLICK)};
        SendMessageW(dialog.Window(), WM_NOTIFY, IDC_TEST_LIST, reinterpret_cast<LPARAM>(&header));
        header.code = static_cast<UINT>(NM_DBLCLK);
        SendMessageW(dialog.Window(), WM_NOTIFY, IDC_TEST_LIST, reinterpret_cast<LPARAM>(&header));
        sizes.clear();
        ShowWindow(dialog.Window(), SW_MINIMIZE);
        ShowWindow(dialog.Window(), SW_RESTORE);
        dialog.Surface().EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
    EXPECT_EQ(clicks, 1);
    ASSERT_GE(sizes.size(), 2u);
    EXPECT_EQ(sizes.front(), SizeKind::Minimized);
    EXPECT_EQ(sizes.back(), SizeKind::Restored);
}

TEST(Win32DialogHost, ChildDialogRunsModallyAndOwnsTheKeys) {
    NORVALE_REQUIRE_WINDOWS();
    int parentEnters = 0, childEnters = 0;
    bool parentDisabledMeanwhile = false;
    HWND childOwner = nullptr, parentWindow = nullptr;
    int enterCode = 0, applyCode = 0, missingCode = 0;
    INT_PTR secondRun = 0;

    FinishingDialog parent;
    // The child looks at Enter and leaves it, so its default button ends it;
    // or its own Apply button ends it with a code of its own.
    TestDialog child;
    bool pressApply = false;
    child.Messages()
        .OnKeyDown(kKeyReturn, [&] {
            ++childEnters;
            return false;
        })
        .OnClicked(IDC_CHILD_APPLY, [&] { child.Surface().EndDialog(kChildCode); });
    child.onShown = [&] {
        childOwner = GetWindow(child.Window(), GW_OWNER);
        parentWindow = parent.Window();
        parentDisabledMeanwhile = !IsWindowEnabled(parentWindow);
        if (pressApply) PostMessageW(child.Item(IDC_CHILD_APPLY), BM_CLICK, 0, 0);
        else PostKey(child.Item(IDC_CHILD_EDIT), VK_RETURN);
    };
    parent.Messages().OnKeyDown(kKeyReturn, [&] {
        ++parentEnters;
        return true;
    });
    parent.onShown = [&] {
        enterCode = parent.Surface().RunModal(child, IDD_TEST_CHILD);
        pressApply = true;
        applyCode = parent.Surface().RunModal(child, IDD_TEST_CHILD);
        missingCode = parent.Surface().RunModal(child, 4711);
        // One window per controller: a controller already running is refused.
        secondRun = RunTestDialog(parent);
        parent.PostFinish();
    };
    EXPECT_EQ(RunTestDialog(parent), kFinished);
    EXPECT_EQ(enterCode, kIdOk);
    EXPECT_EQ(childEnters, 1) << "seen once, however deeply the dialogs nest";
    EXPECT_EQ(parentEnters, 0);
    EXPECT_EQ(applyCode, kChildCode);
    EXPECT_NE(childOwner, nullptr);
    EXPECT_EQ(childOwner, parentWindow);
    EXPECT_TRUE(parentDisabledMeanwhile);
    EXPECT_EQ(missingCode, -1);
    EXPECT_EQ(secondRun, -1);
}

TEST(Win32DialogHost, ModelessDialogRunsInTheCallersLoop) {
    NORVALE_REQUIRE_WINDOWS();
    int enters = 0, destroys = 0;
    TestDialog dialog;
    dialog.Messages()
        .OnKeyDown(kKeyReturn, [&] {
            ++enters;
            return true;
        })
        .OnDestroy([&] { ++destroys; });
    HWND window = win32::CreateModelessDialog(dialog, win32::DialogTemplate::FromResource(IDD_TEST_CONTROLS), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(win32::CreateModelessDialog(dialog, win32::DialogTemplate::FromResource(IDD_TEST_CONTROLS), nullptr),
              nullptr)
        << "one window per controller";
    dialog.onShown = [&] {
        PostKey(dialog.Item(IDC_TEST_EDIT), VK_RETURN);
        PostKey(dialog.Item(IDC_TEST_EDIT), VK_ESCAPE);  // no entry: Cancel ends it
    };
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }));
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(destroys, 1);
    EXPECT_FALSE(dialog.IsAttached());
    EXPECT_FALSE(dialog.timedOut);
}

TEST(Win32DialogHost, ModelessNoticeOfAModalDialogGetsItsKeys) {
    NORVALE_REQUIRE_WINDOWS();
    // A notice the main dialog opens while its own modal loop runs.
    int noticeEnters = 0, mainEnters = 0;
    TestDialog notice;
    notice.Messages().OnKeyDown(VK_F5, [&] {
        ++noticeEnters;
        return true;
    });
    FinishingDialog main;
    main.Messages().OnKeyDown(VK_F5, [&] {
        ++mainEnters;
        return true;
    });
    HWND noticeWindow = nullptr;
    bool noticeEnded = false;
    notice.onShown = [&] {
        PostKey(notice.Item(IDC_CHILD_EDIT), VK_F5);
        PostKey(notice.Item(IDC_CHILD_EDIT), VK_ESCAPE);  // closes the notice, not the main dialog
    };
    main.Messages().OnTimer(1, [&] {
        if (noticeWindow != nullptr && !IsWindow(noticeWindow)) {
            noticeEnded = true;
            main.Surface().KillTimer(1);
            main.PostFinish();
        }
    });
    main.onShown = [&] {
        noticeWindow = win32::CreateModelessDialog(
            notice, win32::DialogTemplate::FromResource(IDD_TEST_CHILD), main.Window());
        ASSERT_NE(noticeWindow, nullptr);
        main.Surface().SetTimer(1, std::chrono::milliseconds(20));
    };
    EXPECT_EQ(RunTestDialog(main), kFinished);
    EXPECT_EQ(noticeEnters, 1);
    EXPECT_EQ(mainEnters, 0);
    EXPECT_TRUE(noticeEnded) << "Escape in the notice ends the notice";
    if (noticeWindow != nullptr && IsWindow(noticeWindow)) DestroyWindow(noticeWindow);
}

}  // namespace
}  // namespace norvale::test
