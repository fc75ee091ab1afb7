// The Drive Select dialog (template 236) in a real window: its texts, the
// offered letters lowest first with the first selected, the dialog colour,
// and OK moving the volume through the disk port. A screenshot goes to
// NORVALE_SHOT_DIR when it is set.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disk/core/letters/select_drive_dialog.h"
#include "resources/resource.h"
#include "tests/disk/scripted_disk_port.h"
#include "tests/win32/win32_dialog_harness.h"
#include "tests/win32/window_pixels.h"

namespace norvale::test {
namespace {

struct Seen {
    std::wstring title, group, label;
    std::vector<std::wstring> items;
    int selection = -2;
    COLORREF background = 0;
    bool comboIsDropDownList = false;
};

HWND g_dialog = nullptr;
Seen g_seen;

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

void CALLBACK Inspect(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(nullptr, L"Drive Select");
    // A modal dialog is shown only once its owner's loop first idles: on a
    // slow machine the timer can find it before, when it has no pixels yet.
    if (dialog == nullptr || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    g_dialog = dialog;
    g_seen.title = TextOf(dialog);
    g_seen.group = TextOf(GetDlgItem(dialog, IDC_DRIVE_SELECT_GROUP));
    g_seen.label = TextOf(GetDlgItem(dialog, IDC_DRIVE_SELECT_DEVICE_LABEL));
    HWND combo = GetDlgItem(dialog, IDC_DRIVE_SELECT_LETTERS);
    g_seen.comboIsDropDownList = (GetWindowLongW(combo, GWL_STYLE) & 0x3) == CBS_DROPDOWNLIST;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t item[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        g_seen.items.push_back(item);
    }
    g_seen.selection = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_seen.background = PixelOf(dialog, 3, 3);
    ExpectTextsFit(dialog);
    SaveWindowShot(dialog, L"drive_select.bmp");
    // The second item, then OK.
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CALLBACK Watchdog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (HWND dialog = FindWindowW(nullptr, L"Drive Select")) EndDialog(dialog, kWatchdogCode);
}

TEST(Win32SelectDrive, ShowsTheOffersLowestFirstAndMovesOnOk) {
    NORVALE_REQUIRE_WINDOWS();
    ScriptedDiskPort disks;
    VolumeRecord volume;
    volume.volumeName = L"\\\\?\\Volume{0f1e2d3c-0000-4000-8000-000000000001}\\";
    volume.driveLetter = L"F:\\";
    CSelectDriveDlg dialog({L"Z:\\", L"Y: \\\\NAS\\music\\", L"H:\\", L"G:\\"}, volume, disks);
    g_seen = {};
    const UINT_PTR inspect = SetTimer(nullptr, 0, 50, Inspect);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, kWatchdogMs, Watchdog);
    const INT_PTR code = win32::RunModalDialog(dialog, win32::DialogTemplate::FromResource(IDD_DRIVE_SELECT), nullptr);
    KillTimer(nullptr, inspect);
    KillTimer(nullptr, watchdog);

    EXPECT_EQ(code, kIdOk);
    EXPECT_EQ(g_seen.title, L"Drive Select");
    EXPECT_EQ(g_seen.group, L"Select Drive Letter");
    EXPECT_EQ(g_seen.label, L"Device:");
    EXPECT_TRUE(g_seen.comboIsDropDownList);
    EXPECT_EQ(g_seen.items, (std::vector<std::wstring>{L"G:\\", L"H:\\", L"Y: \\\\NAS\\music\\", L"Z:\\"}));
    EXPECT_EQ(g_seen.selection, 0);
    EXPECT_EQ(g_seen.background, RGB(0, 98, 147));
    // H: was chosen: the old letter removed, the new one set (both refused
    // by this port, which is what the record shows).
    EXPECT_TRUE(dialog.Move().attempted);
    EXPECT_EQ(dialog.Move().newRoot, L"H:\\");
    EXPECT_EQ(disks.mountCalls, (std::vector<std::wstring>{L"delete F:\\", L"set H:\\"}));
}

}  // namespace
}  // namespace norvale::test
