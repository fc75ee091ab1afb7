// A real list view under real input: a click on a new row picks it once
// (its own LVN_ITEMCHANGED waits for its NM_CLICK), Down picks the next row
// once, and the program's own selection picks nothing.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "controls/core/list_selection.h"
#include "tests/win32/win32_dialog_harness.h"

namespace norvale::test {
namespace {

void Send(INPUT input) { SendInput(1, &input, sizeof input); }

TEST(Win32ListPick, AClickAndAKeyEachPickOnceTheProgramNever) {
    NORVALE_REQUIRE_WINDOWS();
    constexpr int kStep = 1;
    std::vector<int> picks;  // the selected row at each pick
    int step = 0, quietTicks = 0;
    TestDialog dialog;
    dialog.Messages()
        .OnListRowPicked(IDC_TEST_LIST, [&] { picks.push_back(SelectedRow(dialog.Surface(), IDC_TEST_LIST)); })
        .OnTimer(kStep, [&] {
            if (step == 0 && picks.size() == 1) {
                step = 1;
                INPUT key{};
                key.type = INPUT_KEYBOARD;
                key.ki.wVk = VK_DOWN;
                Send(key);
                key.ki.dwFlags = KEYEVENTF_KEYUP;
                Send(key);
            } else if (step == 1 && picks.size() >= 2 && ++quietTicks > 10) {
                // A while longer: a second pick for either would show by now.
                dialog.Surface().KillTimer(kStep);
                dialog.Surface().EndDialog(kIdOk);
            }
        });
    dialog.onShown = [&] {
        DialogSurfacePort& s = dialog.Surface();
        s.InsertListColumn(IDC_TEST_LIST, 0, {L"Name", 120, ColumnAlignment::Left});
        for (int row = 0; row < 4; ++row) s.InsertListRow(IDC_TEST_LIST, row, L"row " + std::to_wstring(row));
        s.SetListRowSelected(IDC_TEST_LIST, 0, true);
        EXPECT_TRUE(picks.empty()) << "the program's selection";
        HWND list = dialog.Item(IDC_TEST_LIST);
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessageW(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
        POINT at{r.left + 8, (r.top + r.bottom) / 2};
        ClientToScreen(list, &at);
        SetForegroundWindow(dialog.Window());
        SetCursorPos(at.x, at.y);
        INPUT button{};
        button.type = INPUT_MOUSE;
        button.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        Send(button);
        button.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        Send(button);
        s.SetTimer(kStep, std::chrono::milliseconds(20));
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
    EXPECT_EQ(picks, (std::vector<int>{2, 3})) << "the click on row 2 once, Down to row 3 once";
}

}  // namespace
}  // namespace norvale::test
