// The window-level capabilities of the Win32 surface in real dialogs: check
// boxes, modeless notices beside a modal dialog, minimising, disabling and
// capture, popup menus from a menu resource, and the dialog's geometry,
// scroll bar and scroll and mouse messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win32/win32_dialog_harness.h"

namespace norvale::test {
namespace {

constexpr int kFinished = 55;
constexpr int kStepTimer = 1;

RECT WindowRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

TEST(Win32DialogWindow, CheckBoxesHoldTheirStateAndClicksReachTheTable) {
    NORVALE_REQUIRE_WINDOWS();
    std::vector<bool> seen;
    TestDialog dialog;
    dialog.Messages().OnClicked(IDC_TEST_CHECK, [&] {
        seen.push_back(dialog.Surface().IsChecked(IDC_TEST_CHECK));
        dialog.Surface().SetChecked(IDC_TEST_CHECK2, !seen.back());
    });
    dialog.onShown = [&] {
        DialogSurfacePort& s = dialog.Surface();
        s.SetChecked(IDC_TEST_CHECK, true);
        EXPECT_EQ(SendMessageW(dialog.Item(IDC_TEST_CHECK), BM_GETCHECK, 0, 0), BST_CHECKED);
        // A click on the automatic check box: it toggles before BN_CLICKED.
        SendMessageW(dialog.Item(IDC_TEST_CHECK), BM_CLICK, 0, 0);
        SendMessageW(dialog.Item(IDC_TEST_CHECK), BM_CLICK, 0, 0);
        EXPECT_TRUE(s.IsChecked(IDC_TEST_CHECK));
        EXPECT_FALSE(s.IsChecked(IDC_TEST_CHECK2));
        s.EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

TEST(Win32DialogWindow, ModelessNoticesBesideAModalDialogTakeTheirKeys) {
    NORVALE_REQUIRE_WINDOWS();
    TestDialog main, tabbed, escaped, closed;
    HWND tabbedWindow = nullptr, escapedWindow = nullptr;
    int step = 0;
    bool tabMoved = false, hiddenAtOnce = false;
    main.Messages().OnTimer(kStepTimer, [&] {
        DialogSurfacePort& s = main.Surface();
        if (step == 0 && GetFocus() == tabbed.Item(IDC_CHILD_APPLY)) {
            tabMoved = true;
            SetFocus(tabbed.Item(IDC_CHILD_EDIT));
            PostKey(tabbed.Item(IDC_CHILD_EDIT), VK_RETURN);  // the notice's default button: OK
            PostKey(escaped.Item(IDC_CHILD_EDIT), VK_ESCAPE);
            step = 1;
        } else if (step == 1 && !IsWindow(tabbedWindow) && !IsWindow(escapedWindow)) {
            EXPECT_FALSE(tabbed.IsAttached());
            EXPECT_FALSE(escaped.IsAttached());
            ASSERT_TRUE(s.OpenModeless(closed, IDD_TEST_CHILD));
            HWND closedWindow = closed.Window();
            s.CloseModeless(closed);
            EXPECT_FALSE(IsWindow(closedWindow)) << "closed by its owner at once";
            s.CloseModeless(closed);
            // Ended by itself: off the screen at once, destroyed afterwards.
            ASSERT_TRUE(s.OpenModeless(closed, IDD_TEST_CHILD));
            closed.Surface().EndDialog(kIdOk);
            hiddenAtOnce = !IsWindowVisible(closed.Window());
            s.KillTimer(kStepTimer);
            s.EndDialog(kFinished);
        }
    });
    main.onShown = [&] {
        DialogSurfacePort& s = main.Surface();
        ASSERT_TRUE(s.OpenModeless(tabbed, IDD_TEST_CHILD));
        ASSERT_TRUE(s.OpenModeless(escaped, IDD_TEST_CHILD));
        EXPECT_FALSE(s.OpenModeless(tabbed, IDD_TEST_CHILD)) << "one window per controller";
        TestDialog missing;
        EXPECT_FALSE(s.OpenModeless(missing, 4711));
        tabbedWindow = tabbed.Window();
        escapedWindow = escaped.Window();
        EXPECT_TRUE(IsWindowVisible(tabbedWindow)) << "shown without waiting for the loop";
        EXPECT_EQ(GetWindow(tabbedWindow, GW_OWNER), main.Window());
        EXPECT_TRUE(IsWindowEnabled(main.Window())) << "a modeless child leaves its owner usable";
        SetFocus(tabbed.Item(IDC_CHILD_EDIT));
        PostKey(tabbed.Item(IDC_CHILD_EDIT), VK_TAB);
        s.SetTimer(kStepTimer, std::chrono::milliseconds(20));
    };
    EXPECT_EQ(RunTestDialog(main), kFinished);
    EXPECT_TRUE(tabMoved) << "Tab in the notice moves its focus";
    EXPECT_TRUE(hiddenAtOnce);
    EXPECT_FALSE(closed.IsAttached()) << "destroyed with its owner at the latest";
}

TEST(Win32DialogWindow, ASuccessorRunsInTheEndedDialogsPlace) {
    NORVALE_REQUIRE_WINDOWS();
    TestDialog owner, first, second, viaRunModal;
    HWND ownerWindow = nullptr, secondOwner = nullptr;
    bool ownerDisabled = false, firstHidden = false, ownerDisabledViaRunModal = true;
    int successorCode = 0;
    first.Messages().OnClicked(IDC_CHILD_APPLY, [&] {
        first.Surface().EndDialog(kFinished);
        successorCode = first.Surface().RunSuccessor(second, IDD_TEST_CHILD);
        // For comparison: a child of the ended dialog leaves the owner open.
        first.Surface().RunModal(viaRunModal, IDD_TEST_CHILD);
    });
    first.onShown = [&] { PostMessageW(first.Item(IDC_CHILD_APPLY), BM_CLICK, 0, 0); };
    second.onShown = [&] {
        secondOwner = GetWindow(second.Window(), GW_OWNER);
        ownerDisabled = !IsWindowEnabled(ownerWindow);
        firstHidden = !IsWindowVisible(first.Window());
        second.Surface().EndDialog(kIdOk);
    };
    viaRunModal.onShown = [&] {
        ownerDisabledViaRunModal = !IsWindowEnabled(ownerWindow);
        viaRunModal.Surface().EndDialog(kIdOk);
    };
    int firstCode = 0;
    owner.onShown = [&] {
        ownerWindow = owner.Window();
        firstCode = owner.Surface().RunModal(first, IDD_TEST_CHILD);
        EXPECT_TRUE(IsWindowEnabled(ownerWindow));
        owner.Surface().EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(owner), kIdOk);
    EXPECT_EQ(firstCode, kFinished) << "the ended dialog keeps its code";
    EXPECT_EQ(successorCode, kIdOk);
    EXPECT_EQ(secondOwner, ownerWindow);
    EXPECT_TRUE(ownerDisabled) << "the owner stays disabled under the successor";
    EXPECT_TRUE(firstHidden);
    std::printf("owner disabled under a child of the ended dialog: %s\n", ownerDisabledViaRunModal ? "yes" : "no");
}

TEST(Win32DialogWindow, MinimiseRestoreDisableAndCapture) {
    NORVALE_REQUIRE_WINDOWS();
    std::vector<SizeKind> sizes;
    TestDialog dialog;
    dialog.Messages().OnSize([&](SizeKind kind) { sizes.push_back(kind); });
    dialog.onShown = [&] {
        DialogSurfacePort& s = dialog.Surface();
        sizes.clear();
        s.Minimize();
        EXPECT_TRUE(IsIconic(dialog.Window()));
        EXPECT_TRUE(s.IsMinimized());
        ASSERT_FALSE(sizes.empty()) << "the size message arrives inside the call";
        EXPECT_EQ(sizes.back(), SizeKind::Minimized);
        s.Restore();
        EXPECT_FALSE(s.IsMinimized());
        EXPECT_EQ(sizes.back(), SizeKind::Restored);

        s.EnableDialog(false);
        EXPECT_FALSE(IsWindowEnabled(dialog.Window()));
        EXPECT_FALSE(s.IsDialogEnabled());
        s.EnableDialog(true);
        EXPECT_TRUE(IsWindowEnabled(dialog.Window()));

        s.CaptureMouse();
        EXPECT_EQ(GetCapture(), dialog.Window());
        EXPECT_TRUE(s.HasMouseCapture());
        s.ReleaseMouse();
        EXPECT_EQ(GetCapture(), nullptr);
        s.EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
}

TEST(Win32DialogWindow, PopupMenuPickArrivesAsACommandAfterTheHandler) {
    NORVALE_REQUIRE_WINDOWS();
    std::vector<int> commands;
    bool handlerDone = false, commandAfterHandler = false;
    TestDialog dialog;
    auto picked = [&](int command) {
        commands.push_back(command);
        commandAfterHandler = handlerDone;
        dialog.Surface().EndDialog(kFinished);
    };
    dialog.Messages()
        .OnClicked(IDM_TEST_ADD, [&] { picked(IDM_TEST_ADD); })
        .OnClicked(IDM_TEST_UNMOUNT, [&] { picked(IDM_TEST_UNMOUNT); });
    dialog.onShown = [&] {
        DialogSurfacePort& s = dialog.Surface();
        EXPECT_FALSE(s.ShowPopupMenu(IDM_TEST_SEGMENT, 2, {}));
        EXPECT_FALSE(s.ShowPopupMenu(4711, 0, {}));
        // Escape dismisses a menu: nothing is picked.
        PostMessageW(dialog.Window(), WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(s.ShowPopupMenu(IDM_TEST_SEGMENT, 0, {}));
        // The second item of the "Disconnect" sub-menu: UnMount.
        for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(dialog.Window(), WM_KEYDOWN, key, 0);
        EXPECT_TRUE(s.ShowPopupMenu(IDM_TEST_SEGMENT, 1, {}));
        EXPECT_TRUE(commands.empty());
        handlerDone = true;
    };
    EXPECT_EQ(RunTestDialog(dialog), kFinished);
    EXPECT_EQ(commands, std::vector<int>{IDM_TEST_UNMOUNT});
    EXPECT_TRUE(commandAfterHandler);
}

TEST(Win32DialogWindow, SizeCentreScrollBarAndScrolledContent) {
    NORVALE_REQUIRE_WINDOWS();
    std::vector<std::wstring> events;
    int sizes = 0;
    TestDialog dialog;
    dialog.Messages()
        .OnSize([&](SizeKind kind) { sizes += kind == SizeKind::Restored ? 1 : 100; })
        .OnVScroll([&](ScrollRequest r, int position) {
            events.push_back(L"scroll " + std::to_wstring(static_cast<int>(r)) + L" " + std::to_wstring(position));
        })
        .OnMouseWheel([&](int delta) { events.push_back(L"wheel " + std::to_wstring(delta)); })
        .OnLButtonDown([&](Point p) { events.push_back(L"down " + std::to_wstring(p.x) + L"," + std::to_wstring(p.y)); })
        .OnMouseMove([&](Point p) { events.push_back(L"move " + std::to_wstring(p.x) + L"," + std::to_wstring(p.y)); })
        .OnLButtonUp([&](Point p) { events.push_back(L"up " + std::to_wstring(p.x) + L"," + std::to_wstring(p.y)); });
    dialog.onShown = [&] {
        DialogSurfacePort& s = dialog.Surface();
        HWND window = dialog.Window();
        sizes = 0;
        s.ResizeDialog({470, 445});
        EXPECT_EQ(sizes, 1) << "the new size arrives inside the call";
        RECT r = WindowRectOf(window);
        EXPECT_EQ(r.right - r.left, 470);
        EXPECT_EQ(r.bottom - r.top, 445);
        EXPECT_EQ(s.DialogSize(), (Extent{470, 445}));
        s.CenterDialog();
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        r = WindowRectOf(window);
        EXPECT_LE(std::abs((r.left + r.right) - (work.left + work.right)), 1);
        EXPECT_LE(std::abs((r.top + r.bottom) - (work.top + work.bottom)), 1);

        sizes = 0;
        s.SetVerticalScrollBar({0, 130, 50, 0});
        EXPECT_EQ(sizes, 1) << "the bar narrows the client area";
        EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL);
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        ASSERT_TRUE(GetScrollInfo(window, SB_VERT, &info));
        EXPECT_EQ(info.nMax, 130);
        EXPECT_EQ(info.nPage, 50u);
        EXPECT_EQ(s.SetVerticalScrollPosition(40), 40);

        const RECT before = WindowRectOf(dialog.Item(IDC_TEST_EDIT));
        s.ScrollContent(-30);
        const RECT after = WindowRectOf(dialog.Item(IDC_TEST_EDIT));
        EXPECT_EQ(after.top, before.top - 30) << "the controls move with the content";

        SendMessageW(window, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
        SendMessageW(window, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 44), 0);
        SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), MAKELPARAM(300, 300));
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 400));
        SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(12, 380));
        SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(12, 380));
        s.RemoveVerticalScrollBar();
        EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL);
        EXPECT_FALSE(s.VerticalScrollBar());
        s.EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
    // Real mouse moves may come in between; the sent ones arrive in order.
    std::vector<std::wstring> sent;
    for (const std::wstring& e : events)
        if (e.rfind(L"move", 0) != 0 || e == L"move 12,380") sent.push_back(e);
    EXPECT_EQ(sent, (std::vector<std::wstring>{L"scroll 1 0", L"scroll 5 44", L"wheel -240", L"down 12,400",
                                               L"move 12,380", L"up 12,380"}));
}

}  // namespace
}  // namespace norvale::test
