// The disk bar and the striped list drawn in a real dialog, read back pixel
// by pixel: background, frames, the hatch of a selected segment, the hover
// frame, stripes and row colours; and the record a bar sends its parent.
// Screenshots go to NORVALE_SHOT_DIR when it is set.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "controls/win32/button_bar_ctrl.h"
#include "tests/win32/win32_dialog_harness.h"
#include "tests/win32/window_pixels.h"

namespace norvale::test {
namespace {

constexpr COLORREF kBackground = RGB(255, 250, 250);
constexpr COLORREF kEdgeLight = RGB(119, 136, 153);
constexpr COLORREF kEdgeDark = RGB(47, 79, 79);
constexpr COLORREF kHover = RGB(255, 215, 0);
constexpr COLORREF kPartitionHatch = RGB(176, 196, 222);
constexpr COLORREF kFreeHatch = RGB(169, 169, 169);

DiskView HundredAndFifty(int disk) {
    DiskView view;
    view.diskNumber = disk;
    view.slotCount = 2;
    view.slots[0] = DiskSlot{1, 1, L"E:\\", 100ull << 30, L"NTFS"};
    view.slots[1] = DiskSlot{0, 0, L"", 50ull << 30, L""};
    return view;
}

struct RawNotify {
    WPARAM wParam = 0;
    UINT_PTR idFrom = 0;
    UINT code = 0;
    std::int32_t segment = 0;
};

// Looks at the bytes of each WM_NOTIFY a bar sends, before the host (the
// list's focus notices, as a click moves the focus to the bar, are not its).
LRESULT CALLBACK RecordNotify(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_NOTIFY && win32::CButtonBarCtrl::ClickedSegment(*reinterpret_cast<const NMHDR*>(lParam))) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(lParam);
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        RawNotify raw{wParam, header->idFrom, header->code, 0};
        std::memcpy(&raw.segment, bytes + sizeof(NMHDR), sizeof raw.segment);
        reinterpret_cast<std::vector<RawNotify>*>(data)->push_back(raw);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST(Win32DiskBar, DrawsItsSegmentsAndNotifiesItsParent) {
    NORVALE_REQUIRE_WINDOWS();
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);  // no hover by chance
    std::vector<std::pair<int, int>> lefts, rights;
    std::vector<RawNotify> raw;
    TestDialog dialog;
    dialog.Messages()
        .OnNotifyFromAnyId(kDiskBarLeftClick, [&](int disk, std::intptr_t segment) {
            lefts.push_back({disk, static_cast<int>(segment)});
        })
        .OnNotifyFromAnyId(kDiskBarRightClick, [&](int disk, std::intptr_t segment) {
            rights.push_back({disk, static_cast<int>(segment)});
        });
    dialog.onShown = [&] {
        auto& s = static_cast<win32::Win32DialogSurface&>(dialog.Surface());
        SetWindowSubclass(dialog.Window(), RecordNotify, 1, reinterpret_cast<DWORD_PTR>(&raw));
        const int bar = s.CreateDiskBar(IDC_DISKS_BAR, Rect{20, 150, 435, 230});
        ASSERT_EQ(bar, 0);
        EXPECT_EQ(s.CreateDiskBar(IDC_DISKS_BAR, Rect{20, 240, 435, 320}), 1) << "bars share their id";
        s.ShowDiskBar(1, false);
        HWND w = s.DiskBarWindow(bar);
        ASSERT_NE(w, nullptr);
        wchar_t className[32] = {};
        GetClassNameW(w, className, 32);
        EXPECT_STREQ(className, L"BUTTONBAR_CTRL");
        EXPECT_EQ(GetDlgCtrlID(w), IDC_DISKS_BAR);
        EXPECT_TRUE(GetClassLongPtrW(w, GCL_STYLE) & CS_GLOBALCLASS);
        EXPECT_EQ(GetClassLongPtrW(w, GCLP_HBRBACKGROUND), reinterpret_cast<ULONG_PTR>(GetStockObject(LTGRAY_BRUSH)));
        EXPECT_EQ(GetClassLongPtrW(w, GCLP_HCURSOR), reinterpret_cast<ULONG_PTR>(LoadCursorW(nullptr, IDC_ARROW)));
        s.SetDiskBarView(bar, HundredAndFifty(5));
        UpdateWindow(w);

        // Segment 0 lies at 1..268, 10..70; its raised frame one pixel
        // wider and four higher on each side. Segment 1 starts at 272.
        EXPECT_EQ(PixelOf(w, 5, 3), kBackground);
        EXPECT_EQ(PixelOf(w, 100, 6), kEdgeLight);
        EXPECT_EQ(PixelOf(w, 0, 40), kEdgeLight);
        EXPECT_EQ(PixelOf(w, 100, 73), kEdgeDark);
        EXPECT_EQ(PixelOf(w, 268, 40), kEdgeDark);
        EXPECT_EQ(PixelOf(w, 270, 40), kBackground) << "the gap";
        EXPECT_EQ(PixelOf(w, 414, 40), kEdgeDark) << "segment 1 ends at the right edge minus one";
        const RECT inside0{3, 50, 266, 70}, inside1{274, 50, 412, 70};  // below the labels
        EXPECT_EQ(CountPixels(w, inside0, kPartitionHatch), 0);

        // A left click selects the partition: sunken frame and its hatch.
        SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 60));
        UpdateWindow(w);
        EXPECT_EQ(PixelOf(w, 100, 7), kEdgeDark) << "sunken: dark at the top";
        EXPECT_GT(CountPixels(w, inside0, kPartitionHatch), 100);
        EXPECT_GT(CountPixels(w, inside0, kBackground), 100) << "a hatch, not a fill";
        SaveWindowShot(w, L"disk_bar_partition_selected.bmp");

        // The mouse over the free segment: the hover frame, gone on leaving.
        SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(300, 40));
        SendMessageW(w, WM_MOUSEHOVER, 0, MAKELPARAM(300, 40));
        UpdateWindow(w);
        EXPECT_EQ(PixelOf(w, 300, 7), kHover);
        EXPECT_EQ(PixelOf(w, 100, 7), kEdgeDark) << "the selection stays";
        SendMessageW(w, WM_MOUSELEAVE, 0, 0);
        UpdateWindow(w);
        EXPECT_EQ(PixelOf(w, 300, 7), kBackground);

        // A right click on the free space: its grey hatch, pen and frame.
        SendMessageW(w, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(300, 60));
        UpdateWindow(w);
        EXPECT_EQ(CountPixels(w, inside0, kPartitionHatch), 0) << "only one selected segment";
        EXPECT_GT(CountPixels(w, inside1, kFreeHatch), 50);
        EXPECT_GT(CountPixels(w, RECT{274, 9, 412, 12}, kEdgeDark), 50) << "the 2-pixel pen";
        SaveWindowShot(w, L"disk_bar_free_selected.bmp");

        // A click in the gap selects nothing; the owner's reset clears too.
        SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(270, 40));
        UpdateWindow(w);
        EXPECT_EQ(CountPixels(w, inside1, kFreeHatch), 0);
        SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 60));
        s.ClearDiskBarSelection(bar);
        s.RepaintDiskBar(bar);
        UpdateWindow(w);
        EXPECT_EQ(CountPixels(w, inside0, kPartitionHatch), 0);
        SaveWindowShot(dialog.Window(), L"disk_bar_dialog.bmp");
        RemoveWindowSubclass(dialog.Window(), RecordNotify, 1);
        s.EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog, IDD_TEST_DISKS), kIdOk);
    EXPECT_EQ(lefts, (std::vector<std::pair<int, int>>{{5, 0}, {5, -1}, {5, 0}}));
    EXPECT_EQ(rights, (std::vector<std::pair<int, int>>{{5, 1}}));
    ASSERT_EQ(raw.size(), 4u);
    EXPECT_EQ(raw[1].wParam, 5u);
    EXPECT_EQ(raw[1].idFrom, 5u);
    EXPECT_EQ(raw[1].code, static_cast<UINT>(kDiskBarRightClick));
    EXPECT_EQ(raw[1].segment, 1) << "the index right behind the header";
    EXPECT_EQ(raw[2].segment, -1);
}

// The real mouse: the pointer moved over a segment (hover after 1 ms), a
// click of the button, the pointer leaving.
TEST(Win32DiskBar, RealMouseHoversClicksAndLeaves) {
    NORVALE_REQUIRE_WINDOWS();
    constexpr int kPoll = 1;
    std::vector<std::pair<int, int>> lefts;
    TestDialog dialog;
    HWND w = nullptr;
    int step = 0;
    bool hovered = false, left = false;
    auto sendButton = [](DWORD flags) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        SendInput(1, &input, sizeof input);
    };
    dialog.Messages()
        .OnNotifyFromAnyId(kDiskBarLeftClick,
                           [&](int disk, std::intptr_t segment) { lefts.push_back({disk, static_cast<int>(segment)}); })
        .OnTimer(kPoll, [&] {
            if (step == 0 && PixelOf(w, 300, 7) == kHover) {
                hovered = true;
                sendButton(MOUSEEVENTF_LEFTDOWN);
                sendButton(MOUSEEVENTF_LEFTUP);
                step = 1;
            } else if (step == 1 && !lefts.empty()) {
                SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
                step = 2;
            } else if (step == 2 && CountPixels(w, RECT{274, 7, 412, 8}, kHover) == 0 &&
                       CountPixels(w, RECT{274, 50, 412, 70}, kFreeHatch) > 50) {
                left = true;
                dialog.Surface().KillTimer(kPoll);
                dialog.Surface().EndDialog(kIdOk);
            }
        });
    dialog.onShown = [&] {
        auto& s = static_cast<win32::Win32DialogSurface&>(dialog.Surface());
        const int bar = s.CreateDiskBar(IDC_DISKS_BAR, Rect{20, 150, 435, 230});
        s.SetDiskBarView(bar, HundredAndFifty(9));
        w = s.DiskBarWindow(bar);
        POINT over{300, 40};
        ClientToScreen(w, &over);
        SetCursorPos(over.x, over.y);
        s.SetTimer(kPoll, std::chrono::milliseconds(20));
    };
    EXPECT_EQ(RunTestDialog(dialog, IDD_TEST_DISKS), kIdOk);
    EXPECT_TRUE(hovered) << "the hover frame after the pointer came to rest";
    EXPECT_EQ(lefts, (std::vector<std::pair<int, int>>{{9, 1}}));
    EXPECT_TRUE(left) << "leaving takes the hover frame away and keeps the selection";
}

TEST(Win32StripedList, RowsTakeStripesAndTheirOwnColours) {
    NORVALE_REQUIRE_WINDOWS();
    WithShownDialogOf(IDD_TEST_DISKS, [](TestDialog& d) {
        DialogSurfacePort& s = d.Surface();
        HWND list = d.Item(IDC_DISKS_LIST);
        s.InsertListColumn(IDC_DISKS_LIST, 0, {L"Disk", 100, ColumnAlignment::Left});
        s.InsertListColumn(IDC_DISKS_LIST, 1, {L"Volume", 80, ColumnAlignment::Left});
        s.SetListFullRowSelect(IDC_DISKS_LIST, true);
        s.SetListGridLines(IDC_DISKS_LIST, true);
        EXPECT_TRUE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES);
        s.SetListStripeColors(IDC_DISKS_LIST, StripedList::kEvenRow, StripedList::kOddRow);
        UpdateWindow(list);
        RECT client{};
        GetClientRect(list, &client);
        EXPECT_EQ(PixelOf(list, 50, client.bottom - 5), RGB(255, 240, 245)) << "an empty list: the odd colour";

        for (int row = 0; row < 3; ++row) {
            s.InsertListRow(IDC_DISKS_LIST, row, L"Disk " + std::to_wstring(row));
            s.SetListCell(IDC_DISKS_LIST, row, 1, L"E:\\");
        }
        UpdateWindow(list);
        auto rowPixel = [&](int row, int x) {
            RECT r{};
            r.left = LVIR_BOUNDS;
            SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
            return PixelOf(list, x, (r.top + r.bottom) / 2);
        };
        const COLORREF even = RGB(255, 250, 250), odd = RGB(255, 240, 245);
        EXPECT_EQ(rowPixel(0, 90), even);
        EXPECT_EQ(rowPixel(1, 90), odd);
        EXPECT_EQ(rowPixel(2, 90), even);
        EXPECT_EQ(rowPixel(1, 170), odd) << "second column";
        EXPECT_EQ(rowPixel(1, 240), odd) << "right of the last column: the erased band";
        RECT last{};
        last.left = LVIR_BOUNDS;
        SendMessageW(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last));
        EXPECT_EQ(PixelOf(list, 50, last.bottom + 20), odd) << "below the rows";
        EXPECT_GT(CountPixels(list, RECT{0, last.top, 60, last.bottom}, RGB(0, 0, 0)), 5) << "black text";

        s.AddListRowColor(IDC_DISKS_LIST, 2, Color{255, 235, 205});
        s.AddListRowColor(IDC_DISKS_LIST, 2, Color{255, 248, 220});
        UpdateWindow(list);
        EXPECT_EQ(rowPixel(2, 90), RGB(255, 248, 220)) << "the last pair of the row wins";
        EXPECT_EQ(rowPixel(0, 90), even);
        SaveWindowShot(list, L"striped_list.bmp");
    });
}

}  // namespace
}  // namespace norvale::test
