// The format wizard (template 231) in a real window for a target whose disk
// has no volume: its texts, the choices it opens with, the disk's size, the
// hidden progress bar and the dialog colour; Cancel logs the target out. A
// screenshot goes to NORVALE_SHOT_DIR when it is set.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "disk/core/scripts/disk_scripts.h"
#include "disk/core/wizard/wizard_dialog.h"
#include "disk/win32/win32_script_files.h"
#include "platform/core/clock_port.h"
#include "platform/core/console/console_command_runner.h"
#include "platform/win32/win32_drive_ports.h"
#include "platform/win32/win32_error_text_port.h"
#include "platform/win32/win32_process_port.h"
#include "platform/win32/win32_wow64_redirection.h"
#include "resources/resource.h"
#include "tests/disk/scripted_disk_port.h"
#include "tests/fakes/recording_trace.h"
#include "tests/platform/scripted_wmi.h"
#include "tests/platform/version_machines.h"
#include "tests/win32/win32_dialog_harness.h"
#include "tests/win32/window_pixels.h"

namespace norvale::test {
namespace {

constexpr wchar_t kTarget[] = L"IQN.2026-12.COM.ORRIN:ARCHIVE.BLANK";

struct Seen {
    std::wstring target, group, available, size, status;
    bool maximum = false, ntfs = false, fat32 = true, sizeEnabled = true, progressVisible = true,
         okEnabled = false;
    COLORREF background = 0;
};
Seen g_seen;

std::wstring TextOf(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetWindowTextW(GetDlgItem(dialog, id), text, 256);
    return text;
}

void CALLBACK Inspect(HWND, UINT, UINT_PTR timer, DWORD) {
    // Shown at once; the disk's free space arrives from a background step.
    HWND dialog = FindWindowW(nullptr, L"Format");
    if (dialog == nullptr || !IsWindowVisible(dialog) || TextOf(dialog, IDC_WIZARD_AVAILABLE).empty()) return;
    KillTimer(nullptr, timer);
    g_seen.target = TextOf(dialog, IDC_WIZARD_TARGET);
    g_seen.group = TextOf(dialog, IDC_WIZARD_GROUP);
    g_seen.available = TextOf(dialog, IDC_WIZARD_AVAILABLE);
    g_seen.size = TextOf(dialog, IDC_WIZARD_SIZE);
    g_seen.status = TextOf(dialog, IDC_WIZARD_STATUS);
    g_seen.maximum = IsDlgButtonChecked(dialog, IDC_WIZARD_MAX_SPACE) == BST_CHECKED;
    g_seen.ntfs = IsDlgButtonChecked(dialog, IDC_WIZARD_NTFS) == BST_CHECKED;
    g_seen.fat32 = IsDlgButtonChecked(dialog, IDC_WIZARD_FAT32) == BST_CHECKED;
    g_seen.sizeEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_WIZARD_SIZE)) != FALSE;
    g_seen.progressVisible = IsWindowVisible(GetDlgItem(dialog, IDC_WIZARD_PROGRESS)) != FALSE;
    g_seen.okEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_seen.background = PixelOf(dialog, 3, 3);
    ExpectTextsFit(dialog);
    SaveWindowShot(dialog, L"format_wizard.bmp");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void CALLBACK Watchdog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (HWND dialog = FindWindowW(nullptr, L"Format")) EndDialog(dialog, kWatchdogCode);
}

// The library is never reached: the wizard is cancelled before OK.
class UnusedFormatLibrary final : public FormatPort {
public:
    FormatStart Format(const FormatRequest&, const std::function<void(const FormatReport&)>&) override {
        return FormatStart::LibraryMissing;
    }
};

TEST(Win32FormatWizard, OpensForTheBareDiskAndCancelLogsOut) {
    NORVALE_REQUIRE_WINDOWS();
    ScriptedDiskPort disks;  // disk 1: 1305 cylinders, no table
    ScriptedWmi wmi;
    const ScriptObject device{{L"deviceNumber", I4(1)},
                              {L"legacyName", Text(L"\\\\.\\PhysicalDrive1")},
                              {L"partitionNumber", I4(0)},
                              {L"TargetName", Text(kTarget)}};
    wmi.results[L"SELECT * FROM MSiSCSIInitiator_SessionClass"] = {
        {{L"TargetName", Text(kTarget)},
         {L"ConnectionInformation", Objects({{{L"TargetAddress", Text(L"192.168.10.20")}}})},
         {L"Devices", Objects({device})}}};
    FakeVersionSource version = Windows7Professional();
    RecordingTrace trace;
    WmiConnections connections(WmiEnvironment{wmi, version, trace});
    DiskInventory inventory(InventoryPorts{disks, connections, version, trace});
    win32::Win32ScriptFiles scriptFiles;
    win32::Win32ProcessPort processes;
    win32::Win32Wow64Redirection redirection;
    ConsoleCommandRunner runner(processes, redirection, false);
    DiskScripts scripts(scriptFiles, runner);
    win32::Win32NetworkDrivePort network;
    win32::Win32DriveTypePort driveTypes;
    win32::Win32ErrorTextPort errors;
    UnusedFormatLibrary library;
    FormatEngine engine(library);
    int logouts = 0;
    CWizardDialog wizard(WizardPorts{inventory, disks, scripts, runner, network, driveTypes, version, errors,
                                     SystemClock(), engine, false},
                         WizardTarget{kTarget, {kTarget, {L"192.168.10.20"}}, [&] { ++logouts; }});
    g_seen = {};
    const UINT_PTR inspect = SetTimer(nullptr, 0, 50, Inspect);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, kWatchdogMs, Watchdog);
    const INT_PTR code =
        win32::RunModalDialog(wizard, win32::DialogTemplate::FromResource(IDD_FORMAT_WIZARD), nullptr);
    KillTimer(nullptr, inspect);
    KillTimer(nullptr, watchdog);

    EXPECT_EQ(code, kIdCancel);
    EXPECT_EQ(g_seen.target, kTarget);
    EXPECT_EQ(g_seen.group, L"Wizrad Option");
    EXPECT_EQ(g_seen.available, L"Megabytes (Avaliable: 10236 MB)");
    EXPECT_EQ(g_seen.size, L"11");
    EXPECT_TRUE(g_seen.maximum);
    EXPECT_TRUE(g_seen.ntfs);
    EXPECT_FALSE(g_seen.fat32);
    EXPECT_FALSE(g_seen.sizeEnabled);
    EXPECT_FALSE(g_seen.progressVisible);
    EXPECT_EQ(g_seen.okEnabled, g_seen.status.empty()) << "OK goes only with a free letter";
    EXPECT_EQ(g_seen.background, RGB(0, 98, 147));
    EXPECT_EQ(logouts, 1);
    EXPECT_EQ(wizard.EndMark(), 1);
}

}  // namespace
}  // namespace norvale::test
