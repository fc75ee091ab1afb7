// The format engine against the stand-in fmifs.dll in real windows: the
// library's reports come through the real callback on the worker thread and
// reach the dialog as posted messages (progress bar, texts 229, 231 and 230,
// the posted close); and the partition manager from its shipped template.
// Screenshots go to NORVALE_SHOT_DIR when it is set.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "disk/core/partition/partition_dialog.h"
#include "disk/win32/win32_format_port.h"
#include "disk/win32/win32_id_source.h"
#include "resources/resource.h"
#include "tests/disk/scripted_disk_port.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/fake_version_source.h"
#include "tests/fakes/recording_trace.h"
#include "tests/fakes/simulated_pc.h"
#include "tests/platform/scripted_wmi.h"
#include "tests/platform/version_machines.h"
#include "tests/win32/win32_dialog_harness.h"
#include "tests/win32/window_pixels.h"

namespace norvale::test {
namespace {

// What the engine did to the status line and the bar, caught at the windows.
std::vector<std::wstring> g_statusTexts;
std::vector<int> g_barPositions;
WNDPROC g_statusProc = nullptr;
WNDPROC g_barProc = nullptr;

LRESULT CALLBACK StatusSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT && lParam != 0) g_statusTexts.push_back(reinterpret_cast<const wchar_t*>(lParam));
    return CallWindowProcW(g_statusProc, window, message, wParam, lParam);
}

LRESULT CALLBACK BarSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_SETPOS) g_barPositions.push_back(static_cast<int>(wParam));
    return CallWindowProcW(g_barProc, window, message, wParam, lParam);
}

class FormattingDialog final : public TestDialog, public FormatListener {
public:
    explicit FormattingDialog(FormatEngine& engine) : session(engine, FormatOwner::PartitionManager, *this, steps) {
        session.Bind(Messages());
        onShown = [this] {
            uiThread = GetCurrentThreadId();
            g_statusProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
                Item(format_control::kStatus), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusSpy)));
            g_barProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(Item(format_control::kProgress), GWLP_WNDPROC,
                                                                    reinterpret_cast<LONG_PTR>(BarSpy)));
            started = session.StartFormat(Surface(), L"e:\\", FormatFileSystem::Ntfs);
        };
        Messages().OnClose([this] { closedByPost = true; });
    }
    void FormatSucceeded(const std::wstring& drive) override { End(L"ok " + drive); }
    void FormatFailed() override { End(L"failed"); }

    BackgroundSteps steps{Messages()};
    FormatSession session;
    FormatSession::Start started = FormatSession::Start::Busy;
    std::vector<std::wstring> ends;
    DWORD uiThread = 0;
    bool closedByPost = false;
    std::wstring shot;

private:
    void End(const std::wstring& how) {
        ends.push_back(how);
        RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        shot = SaveWindowShot(Window(), ends.back() == L"failed" ? L"format_failed.bmp" : L"format_done.bmp");
        Surface().PostClose();
    }
};

// The stand-in is put in front through the port's loader, which only tests
// hand in: the shipped program loads fmifs.dll from System32 alone.
void* LoadStandin() {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"fmifs.dll";
    return LoadLibraryW(path.c_str());
}

template <class T>
T StandinExport(const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"fmifs.dll"), name)));
}

TEST(Win32Format, ReportsComeThroughTheCallbackOnTheWorkerAsPostedMessages) {
    NORVALE_REQUIRE_WINDOWS();
    const std::wstring finalizing = L"Finalizing... please wait this may take a minute.";
    const std::wstring done = L"Format was completed successfully.";
    const std::wstring failed =
        L"Format was unable to complete successfully. Please reformat it or click My "
        L"Computer->Management->Disk Management to format again.";
    struct Case {
        bool failing;
        std::wstring end;
        std::wstring lastStatus;
        int lastBar;
    } cases[] = {{false, L"ok E:", done, 100}, {true, L"failed", failed, 99}};
    win32::Win32FormatPort port(&LoadStandin);
    FormatEngine engine(port);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing ? "failing" : "succeeding");
        SetEnvironmentVariableW(L"NORVALE_FMIFS_FAIL", c.failing ? L"1" : nullptr);
        g_statusTexts.clear();
        g_barPositions.clear();
        FormattingDialog dialog(engine);
        RunTestDialog(dialog, IDD_PARTITION);
        EXPECT_FALSE(dialog.timedOut);
        EXPECT_EQ(dialog.started, FormatSession::Start::Started);
        EXPECT_EQ(dialog.ends, std::vector<std::wstring>{c.end});
        EXPECT_TRUE(dialog.closedByPost);
        ASSERT_FALSE(g_statusTexts.empty());
        EXPECT_EQ(g_statusTexts.back(), c.lastStatus);
        EXPECT_EQ(g_barPositions.back(), c.lastBar);
        const bool sawFinalizing =
            std::find(g_statusTexts.begin(), g_statusTexts.end(), finalizing) != g_statusTexts.end();
        EXPECT_EQ(sawFinalizing, !c.failing);  // 100% is reported only by a format that ends well
        EXPECT_NE(std::find(g_barPositions.begin(), g_barPositions.end(), 40), g_barPositions.end());

        using Count = LONG(WINAPI*)();
        using Thread = DWORD(WINAPI*)();
        using Arguments = const wchar_t*(WINAPI*)();
        ASSERT_NE(StandinExport<Count>("NorvaleStandinUnbalancedReports"), nullptr) << "not the stand-in";
        EXPECT_EQ(StandinExport<Count>("NorvaleStandinUnbalancedReports")(), 0) << "callback of the wrong convention";
        EXPECT_NE(StandinExport<Thread>("NorvaleStandinReportThread")(), dialog.uiThread);
        EXPECT_EQ(std::wstring(StandinExport<Arguments>("NorvaleStandinArguments")()), L"E:\\|12|NTFS|iSCSI|1|0");
        EXPECT_FALSE(engine.Busy());
    }
    SetEnvironmentVariableW(L"NORVALE_FMIFS_FAIL", nullptr);
}

#if defined(__i386__)
// The stand-in's check itself: a callback of the C convention, which leaves
// the library's arguments on the stack, is caught at every report.
BOOLEAN __cdecl WrongConventionCallback(int, DWORD, PVOID) { return TRUE; }

TEST(Win32Format, TheStandinCatchesACallbackOfTheWrongConvention) {
    using Count = LONG(WINAPI*)();
    using Callback = BOOLEAN(WINAPI*)(int, DWORD, PVOID);
    using FormatEx = VOID(WINAPI*)(PWCHAR, DWORD, PWCHAR, PWCHAR, BOOL, DWORD, Callback);
    ASSERT_NE(LoadLibraryW(L"fmifs.dll"), nullptr);
    const LONG before = StandinExport<Count>("NorvaleStandinUnbalancedReports")();
    wchar_t root[] = L"E:\\", fileSystem[] = L"NTFS", label[] = L"iSCSI";
    StandinExport<FormatEx>("FormatEx")(root, 12, fileSystem, label, TRUE, 0,
                                        reinterpret_cast<Callback>(reinterpret_cast<void*>(WrongConventionCallback)));
    EXPECT_EQ(StandinExport<Count>("NorvaleStandinUnbalancedReports")() - before, 4);
}
#endif

// --- the partition manager's template ------------------------------------------

struct QuietRunner final : CommandRunner {
    std::vector<std::wstring> lines;
    bool RunConsoleCommand(const std::wstring& line) override {
        lines.push_back(line);
        return true;
    }
    const std::wstring& CapturedCommandOutput() const override { return output; }
    std::wstring output;
};

struct NoScriptFiles final : ScriptFilePort {
    std::optional<std::wstring> SystemDrive() override { return L"C:"; }
    ScriptFileCreation CreateHeld(const std::wstring&, const std::string&) override { return {}; }
    std::uint32_t Remove(const std::wstring&) override { return 0; }
};

struct SeenPartition {
    std::wstring title, group, available, size, start;
    std::vector<std::wstring> letters;
    bool ntfs = false, fat32 = false, maxSpace = false, sizeEnabled = true, progressVisible = true;
    COLORREF background = 0;
};
SeenPartition g_partition;

void CALLBACK InspectPartition(HWND, UINT, UINT_PTR timer, DWORD) {
    // The modal loop shows the dialog when it first runs idle; the timer may come before that.
    HWND dialog = FindWindowW(nullptr, L"Partition Manager");
    if (dialog == nullptr || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    auto text = [dialog](int id) {
        wchar_t buffer[256] = {};
        GetWindowTextW(id == 0 ? dialog : GetDlgItem(dialog, id), buffer, 256);
        return std::wstring(buffer);
    };
    g_partition.title = text(0);
    g_partition.group = text(IDC_PARTITION_GROUP);
    g_partition.available = text(IDC_PARTITION_AVAILABLE);
    g_partition.size = text(IDC_PARTITION_SIZE);
    g_partition.start = text(IDOK);
    HWND combo = GetDlgItem(dialog, IDC_PARTITION_LETTER);
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t item[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        g_partition.letters.push_back(item);
    }
    g_partition.ntfs = IsDlgButtonChecked(dialog, IDC_PARTITION_NTFS) == BST_CHECKED;
    g_partition.fat32 = IsDlgButtonChecked(dialog, IDC_PARTITION_FAT32) == BST_CHECKED;
    g_partition.maxSpace = IsDlgButtonChecked(dialog, IDC_PARTITION_MAX_SPACE) == BST_CHECKED;
    g_partition.sizeEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_PARTITION_SIZE)) != FALSE;
    g_partition.progressVisible = IsWindowVisible(GetDlgItem(dialog, IDC_PARTITION_PROGRESS)) != FALSE;
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_partition.background = PixelOf(dialog, 3, 3);
    ExpectTextsFit(dialog);
    SaveWindowShot(dialog, L"partition_manager.bmp");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

TEST(Win32PartitionManager, OpensFromTheShippedTemplate) {
    NORVALE_REQUIRE_WINDOWS();
    ScriptedDiskPort disks;
    ScriptedWmi wmi;
    FakeVersionSource version = Windows7Professional();
    RecordingTrace trace;
    WmiConnections connections(WmiEnvironment{wmi, version, trace});
    DiskInventory inventory(InventoryPorts{disks, connections, version, trace});
    NoScriptFiles files;
    QuietRunner runner;
    SimulatedPc pc = SimulatedPc::Typical();
    EnglishErrorText errors;
    win32::Win32IdSource ids;
    win32::Win32FormatPort formatPort(&LoadStandin);
    FormatEngine engine(formatPort);
    PartitionPorts ports{disks, inventory, files, runner, version, false, pc, pc, errors, ids, SystemClock(), engine};
    PartitionJob job;
    job.availableMiB = 10240;
    job.diskNumber = 1;

    g_partition = {};
    HWND desktopOwner = nullptr;
    const UINT_PTR inspect = SetTimer(nullptr, 0, 50, InspectPartition);
    CPartition dialog(job, ports);
    const INT_PTR code =
        win32::RunModalDialog(dialog, win32::DialogTemplate::FromResource(IDD_PARTITION), desktopOwner);
    KillTimer(nullptr, inspect);

    EXPECT_EQ(code, kIdCancel);
    EXPECT_EQ(dialog.Result(), PartitionResult::NothingDone);
    EXPECT_EQ(g_partition.title, L"Partition Manager");
    EXPECT_EQ(g_partition.group, L"Partition Option");
    EXPECT_EQ(g_partition.available, L"Megabytes (Avaliable: 10240 MB)");
    EXPECT_EQ(g_partition.size, L"11");
    EXPECT_EQ(g_partition.start, L"OK");
    EXPECT_FALSE(g_partition.letters.empty());
    EXPECT_TRUE(g_partition.ntfs && g_partition.maxSpace && !g_partition.fat32);
    EXPECT_FALSE(g_partition.sizeEnabled);
    EXPECT_FALSE(g_partition.progressVisible);
    EXPECT_EQ(g_partition.background, RGB(0, 98, 147));
}

}  // namespace
}  // namespace norvale::test
