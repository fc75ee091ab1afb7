// The discovery doctor (template 238) in a real window: its checks run on a
// real worker, the report and the offered buttons show, every text fits at
// the display's DPI, and Copy report puts the report on Windows' clipboard.
// A screenshot goes to NORVALE_SHOT_DIR when it is set.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "mainwindow/core/doctor/doctor_dialog.h"
#include "resources/resource.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/fake_segment.h"
#include "tests/fakes/simulated_firewall.h"
#include "tests/fakes/virtual_clock.h"
#include "tests/win32/win32_dialog_harness.h"
#include "tests/win32/window_pixels.h"

namespace norvale::test {
namespace {

const std::wstring kPath = L"C:\\Program Files (x86)\\Norvale\\norvale.exe";

struct Seen {
    std::wstring report, clipboard;
    bool fixShown = false, diagnosticsShown = false, timedOut = true;
};
Seen g_seen;

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClipboardText(HWND owner) {
    std::wstring text;
    if (!OpenClipboard(owner)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) text = chars;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void CALLBACK Inspect(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(nullptr, L"Norvale: no storage device found");
    if (dialog == nullptr || !IsWindowVisible(dialog)) return;
    // The checks run on a worker: wait for their report.
    const std::wstring report = TextOf(GetDlgItem(dialog, IDC_DOCTOR_REPORT));
    if (report.rfind(L"- ", 0) != 0) return;
    KillTimer(nullptr, timer);
    g_seen.timedOut = false;
    g_seen.report = report;
    g_seen.fixShown = IsWindowVisible(GetDlgItem(dialog, IDC_DOCTOR_FIX_FIREWALL)) != FALSE;
    g_seen.diagnosticsShown = IsWindowVisible(GetDlgItem(dialog, IDC_DOCTOR_DIAGNOSTICS)) != FALSE;
    ExpectTextsFit(dialog);
    SaveWindowShot(dialog, L"doctor.bmp");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_DOCTOR_COPY_REPORT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_DOCTOR_COPY_REPORT)));
    g_seen.clipboard = ClipboardText(dialog);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void CALLBACK Watchdog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (HWND dialog = FindWindowW(nullptr, L"Norvale: no storage device found")) EndDialog(dialog, kWatchdogCode);
}

TEST(Win32Doctor, ShowsTheCheckedCausesWithTheirFixesAndCopiesTheReport) {
    NORVALE_REQUIRE_WINDOWS();
    VirtualClock clock;
    FakeSegment segment{clock};
    segment.SetLocalInterfaces({LocalInterface{"192.168.1.2", L"Ethernet", AdapterKind::Ethernet, true}});
    SimulatedFirewall firewall;
    firewall.CancelledPrompt(kPath);
    SimulatedNetworkList networks;
    SimulatedDoctorActions actions{firewall, kPath};
    actions.diagnostics = false;
    EnglishErrorText errors;
    DoctorPorts ports{segment, firewall, networks, actions, errors, kPath};
    RecordingTrace log;
    CDoctorDlg dialog(ports, log, {});

    g_seen = {};
    const UINT_PTR inspect = SetTimer(nullptr, 0, 50, Inspect);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, kWatchdogMs, Watchdog);
    const INT_PTR code = win32::RunModalDialog(dialog, win32::DialogTemplate::FromResource(IDD_DOCTOR), nullptr);
    KillTimer(nullptr, inspect);
    KillTimer(nullptr, watchdog);

    EXPECT_EQ(code, kIdCancel);
    ASSERT_FALSE(g_seen.timedOut) << "the checks never showed";
    EXPECT_EQ(g_seen.report.rfind(L"- The Windows Firewall blocks Norvale (" + kPath, 0), 0u);
    EXPECT_TRUE(g_seen.fixShown);
    EXPECT_FALSE(g_seen.diagnosticsShown);
    EXPECT_EQ(g_seen.clipboard, L"Norvale found no storage device. This is what was checked, most likely cause first:\r\n" +
                                    g_seen.report);
}

}  // namespace
}  // namespace norvale::test
