// The disk manager (template 234) in a real window over a scripted machine:
// two disks of the appliance and one of another, the volume list and one
// drawn bar per disk, the dialog's size, and menu 235 shown by a right click
// on a partition; the same dialog in a high-contrast scheme. Screenshots go
// to NORVALE_SHOT_DIR when it is set.
#include <windows.h>

#include <algorithm>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disk/core/manager/disk_manager_dialog.h"
#include "controls/win32/win32_dpi.h"
#include "disk/core/manager/disk_manager_launch.h"
#include "disk/win32/win32_script_files.h"
#include "resources/resource.h"
#include "tests/disk/manager/scripted_disk_machine.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/no_commands.h"
#include "tests/fakes/recording_trace.h"
#include "tests/fakes/simulated_pc.h"
#include "tests/fakes/virtual_clock.h"
#include "tests/platform/scripted_wmi.h"
#include "tests/platform/version_machines.h"
#include "tests/win32/win32_dialog_harness.h"
#include "tests/win32/window_pixels.h"

namespace norvale::test {
namespace {

constexpr std::int64_t kMiB = 1LL << 20;
constexpr std::int64_t kGiB = 1LL << 30;

PartitionEntry Entry(std::uint32_t number, std::int64_t start, std::int64_t length) {
    PartitionEntry entry;
    entry.partitionNumber = number;
    entry.startingOffset = start;
    entry.partitionLength = length;
    entry.mbrType = mbr_type::kIfs;
    entry.recognizedPartition = true;
    return entry;
}

void ScriptMachine(ScriptedDiskMachine& machine, ScriptedWmi& wmi) {
    DriveLayout two;  // 10 GiB: two partitions and free space behind them
    two.mbrSignature = 7;
    two.entries = {Entry(1, kMiB, 3 * kGiB), Entry(2, 3 * kGiB + kMiB, 2 * kGiB), {}, {}};
    machine.AddDisk(1, 1305, two);
    machine.AddVolume({1, 1, L'F', L"NTFS"});
    machine.AddVolume({1, 2, L'G', L"FAT32"});
    DriveLayout one;  // 1 GiB, one partition over the whole disk
    one.mbrSignature = 8;
    one.entries = {Entry(1, kMiB, 1000 * kMiB), {}, {}, {}};
    machine.AddDisk(2, 130, one);
    machine.AddVolume({2, 1, L'H', L"NTFS"});
    machine.AddDisk(3, 261, DriveLayout{});  // another appliance's disk
    const auto session = [](const wchar_t* target, const wchar_t* address, std::int32_t disk) {
        const ScriptObject device{{L"deviceNumber", I4(disk)},
                                  {L"legacyName", Text(L"\\\\.\\PhysicalDrive" + std::to_wstring(disk))},
                                  {L"partitionNumber", I4(0)},
                                  {L"TargetName", Text(target)}};
        return ScriptObject{{L"TargetName", Text(target)},
                            {L"ConnectionInformation", Objects({{{L"TargetAddress", Text(address)}}})},
                            {L"Devices", Objects({device})}};
    };
    wmi.results[L"SELECT * FROM MSiSCSIInitiator_SessionClass"] = {
        session(L"iqn.2026-12.com.orrin:archive.data", L"192.168.10.20", 1),
        session(L"iqn.2026-12.com.orrin:archive.small", L"192.168.11.20", 2),
        session(L"iqn.2026-12.com.orrin:backup.data", L"192.168.10.30", 3)};
}

struct Seen {
    std::vector<std::vector<std::wstring>> rows;
    int bars = 0;
    RECT window{};
    LONG clientWidth = 0;
    LONG controlsRight = 0;  // the rightmost edge of a control, in client pixels
    COLORREF background = 0;
    COLORREF barPixel = 0;
    COLORREF contrastBackground = 0;  // in the high-contrast scheme
    COLORREF contrastBar = 0;
    COLORREF restoredBackground = 0;  // the scheme gone again
    std::wstring title, group;
    std::vector<std::wstring> menu;
};

HWND g_dialog = nullptr;
Seen g_seen;

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

BOOL CALLBACK CountBars(HWND child, LPARAM found) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (std::wstring(name) == L"BUTTONBAR_CTRL" && IsWindowVisible(child)) {
        auto* bars = reinterpret_cast<std::vector<HWND>*>(found);
        bars->push_back(child);
    }
    return TRUE;
}

BOOL CALLBACK RightmostControl(HWND child, LPARAM dialogParam) {
    const HWND dialog = reinterpret_cast<HWND>(dialogParam);
    if (GetParent(child) != dialog || !IsWindowVisible(child)) return TRUE;
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    g_seen.controlsRight = std::max(g_seen.controlsRight, rect.right);
    return TRUE;
}

void CALLBACK ShotMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu == nullptr) return;
    KillTimer(nullptr, timer);
    HMENU shown = reinterpret_cast<HMENU>(SendMessageW(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
    for (int i = 0; shown != nullptr && i < GetMenuItemCount(shown); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(shown, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        g_seen.menu.push_back(text);
    }
    SaveWindowShot(menu, L"disk_manager_menu.bmp");
    EndMenu();
    PostMessageW(g_dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// The dialog in a high-contrast scheme (Wine keeps no high-contrast flag of
// its own: the scheme's colours are set, and the surface told what a
// WM_SETTINGCHANGE would tell it on Windows), then back.
void ShowInHighContrast(HWND dialog, const std::vector<HWND>& bars) {
    const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE,
                            COLOR_BTNTEXT};
    const COLORREF scheme[] = {RGB(0, 0, 0),       RGB(255, 255, 255), RGB(26, 235, 255),
                               RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255)};
    COLORREF saved[6];
    for (int i = 0; i < 6; ++i) saved[i] = GetSysColor(elements[i]);
    win32::Win32DialogSurface* surface = win32::SurfaceOf(dialog);
    ASSERT_NE(surface, nullptr);
    SetSysColors(6, elements, scheme);
    surface->ApplyContrast(true);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_seen.contrastBackground = PixelOf(dialog, 3, 3);
    if (!bars.empty()) g_seen.contrastBar = PixelOf(bars[0], 3, 3);
    SaveWindowShot(dialog, L"disk_manager_high_contrast.bmp");
    surface->ApplyContrast(false);
    SetSysColors(6, elements, saved);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_seen.restoredBackground = PixelOf(dialog, 3, 3);
}

void CALLBACK Inspect(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(nullptr, L"Management");
    // The window exists before it is shown; a busy display shows it later.
    if (dialog == nullptr || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    g_dialog = dialog;
    g_seen.title = TextOf(dialog);
    g_seen.group = TextOf(GetDlgItem(dialog, IDC_DISK_GROUP));
    GetWindowRect(dialog, &g_seen.window);
    RECT client{};
    GetClientRect(dialog, &client);
    g_seen.clientWidth = client.right;
    EnumChildWindows(dialog, RightmostControl, reinterpret_cast<LPARAM>(dialog));
    HWND list = GetDlgItem(dialog, IDC_DISK_VOLUMES);
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < 6; ++column) {
            wchar_t text[128] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 128;
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            cells.push_back(text);
        }
        g_seen.rows.push_back(cells);
    }
    std::vector<HWND> bars;
    EnumChildWindows(dialog, CountBars, reinterpret_cast<LPARAM>(&bars));
    g_seen.bars = static_cast<int>(bars.size());
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_seen.background = PixelOf(dialog, 3, 3);
    if (!bars.empty()) g_seen.barPixel = PixelOf(bars[0], 40, 40);
    ExpectTextsFit(dialog);
    SaveWindowShot(dialog, L"disk_manager.bmp");
    ShowInHighContrast(dialog, bars);
    if (bars.empty()) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    // A right click on the first partition: the menu comes up at the cursor.
    SetTimer(nullptr, 0, 100, ShotMenu);
    PostMessageW(bars[0], WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 40));
    PostMessageW(bars[0], WM_RBUTTONUP, 0, MAKELPARAM(30, 40));
}

void CALLBACK Watchdog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    EndMenu();
    if (HWND dialog = FindWindowW(nullptr, L"Management")) EndDialog(dialog, kWatchdogCode);
}

TEST(Win32DiskManager, DrawsTheAppliancesDisksAndOffersTheMenu) {
    NORVALE_REQUIRE_WINDOWS();
    ScriptedDiskMachine machine;
    ScriptedWmi wmi;
    ScriptMachine(machine, wmi);
    FakeVersionSource version = Windows7Professional();
    RecordingTrace trace;
    WmiConnections connections(WmiEnvironment{wmi, version, trace});
    win32::Win32ScriptFiles scriptFiles;
    NoCommands runner;
    VirtualClock clock;
    EnglishErrorText errors;
    SimulatedPc pc = SimulatedPc::Typical();
    DiskManagerPorts ports{InventoryPorts{machine, connections, version, trace}, scriptFiles, runner, clock, errors,
                           pc, pc, false, DefaultDiskIds(), [] { return 2; },
                           [](DialogSurfacePort&, const PartitionJob&) { return 0; }, [] {}};
    CDiskMgrDlg dialog(ports, ApplianceAddresses{L"192.168.10.20", L"192.168.11.20"});
    g_seen = {};
    const UINT_PTR inspect = SetTimer(nullptr, 0, 50, Inspect);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, kWatchdogMs, Watchdog);
    const INT_PTR code = win32::RunModalDialog(dialog, win32::DialogTemplate::FromResource(IDD_DISK_MANAGER), nullptr);
    KillTimer(nullptr, inspect);
    KillTimer(nullptr, watchdog);

    EXPECT_EQ(code, kIdCancel);
    EXPECT_EQ(g_seen.title, L"Management");
    EXPECT_EQ(g_seen.group, L"Disk Management");
    ASSERT_EQ(g_seen.rows.size(), 3u);
    EXPECT_EQ(g_seen.rows[0], (std::vector<std::wstring>{L"1", L"1", L"F:\\", L"NTFS", L"3.00 Gb", L"archive.data"}));
    EXPECT_EQ(g_seen.rows[1][0], L"");
    EXPECT_EQ(g_seen.rows[2][0], L"2");
    EXPECT_EQ(g_seen.rows[2][5], L"archive.small");
    EXPECT_EQ(g_seen.bars, 2);
    // 460 x 445 at 96 DPI, wider where the dialog font makes the template
    // wider; at other DPIs in proportion. Every control inside the frame.
    const DpiScale scale = win32::WindowDpi(nullptr);
    const int width = g_seen.window.right - g_seen.window.left, height = g_seen.window.bottom - g_seen.window.top;
    EXPECT_GE(width, scale.Scale(460) - scale.Scale(460) / 25) << scale.Dpi() << " DPI";
    EXPECT_NEAR(height, scale.Scale(445), scale.Scale(445) / 25) << scale.Dpi() << " DPI";
    EXPECT_LE(g_seen.controlsRight, g_seen.clientWidth) << "a control is cut off at the right";
    EXPECT_EQ(g_seen.background, RGB(0, 98, 147));
    EXPECT_NE(g_seen.barPixel, RGB(0, 98, 147)) << "the bar draws its segments";
    EXPECT_EQ(g_seen.contrastBackground, RGB(0, 0, 0)) << "high contrast: the window colour, not the blue";
    EXPECT_EQ(g_seen.contrastBar, RGB(0, 0, 0)) << "high contrast: the bar's background too";
    EXPECT_EQ(g_seen.restoredBackground, RGB(0, 98, 147));
    EXPECT_EQ(g_seen.menu, (std::vector<std::wstring>{L"Delete", L"UnMount", L"Mount"}));
}

}  // namespace
}  // namespace norvale::test
