// A dialog that moves to a monitor of another DPI (WM_DPICHANGED sent as
// Windows sends it): the window takes the suggested rectangle, and what the
// surface sized itself follows: list columns, disk bars, the dialog's
// 96-DPI sizes from then on, mouse positions and scrolled content.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "controls/win32/win32_dpi.h"
#include "tests/win32/win32_dialog_harness.h"

namespace norvale::test {
namespace {

RECT ChildRect(HWND dialog, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(Win32Dpi, AMoveToADoubleDpiMonitorScalesWhatTheSurfacePlaced) {
    NORVALE_REQUIRE_WINDOWS();
    TestDialog dialog;
    std::vector<Point> presses;
    dialog.Messages().OnLButtonDown([&](Point p) { presses.push_back(p); });
    dialog.onShown = [&] {
        auto& s = static_cast<win32::Win32DialogSurface&>(dialog.Surface());
        HWND w = dialog.Window();
        const int base = s.Scale().Dpi();
        s.InsertListColumn(IDC_DISKS_LIST, 0, ListColumn{L"Volume", 100});
        const int bar = s.CreateDiskBar(IDC_DISKS_BAR, Rect{20, 150, 435, 230});
        const RECT before = ChildRect(w, s.DiskBarWindow(bar));
        const int columnBefore = static_cast<int>(SendMessageW(dialog.Item(IDC_DISKS_LIST), LVM_GETCOLUMNWIDTH, 0, 0));
        EXPECT_EQ(columnBefore, s.Scale().Scale(100));

        const int target = base * 2;
        RECT window{};
        GetWindowRect(w, &window);
        RECT suggested{window.left + 10, window.top + 10, window.left + 10 + 2 * (window.right - window.left),
                       window.top + 10 + 2 * (window.bottom - window.top)};
        SendMessageW(w, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(target, target), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(s.Scale().Dpi(), target);
        RECT after{};
        GetWindowRect(w, &after);
        EXPECT_EQ(after.left, suggested.left) << "the suggested rectangle";
        EXPECT_EQ(after.right - after.left, suggested.right - suggested.left);

        const RECT moved = ChildRect(w, s.DiskBarWindow(bar));
        EXPECT_EQ(moved.left, 2 * before.left);
        EXPECT_EQ(moved.top, 2 * before.top);
        EXPECT_EQ(moved.right - moved.left, 2 * (before.right - before.left));
        EXPECT_EQ(static_cast<int>(SendMessageW(dialog.Item(IDC_DISKS_LIST), LVM_GETCOLUMNWIDTH, 0, 0)),
                  2 * columnBefore);

        // The controller still speaks 96-DPI pixels: sizes, mouse positions.
        s.ResizeDialog(Extent{460, 265});
        EXPECT_EQ(s.DialogSize(), (Extent{460, 265}));
        SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(s.Scale().Scale(50), s.Scale().Scale(31)));

        // Ten steps of 3 land where one step of 30 does.
        HWND list = dialog.Item(IDC_DISKS_LIST);
        const RECT listBefore = ChildRect(w, list);
        for (int i = 0; i < 10; ++i) s.ScrollContent(-3);
        EXPECT_EQ(ChildRect(w, list).top, listBefore.top - s.Scale().Scale(30));
        s.EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog, IDD_TEST_DISKS), kIdOk);
    EXPECT_EQ(presses, (std::vector<Point>{{50, 31}}));
}

}  // namespace
}  // namespace norvale::test
