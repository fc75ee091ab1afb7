// The shipped dialogs in every language: the main window, the CHAP dialog,
// Drive Select, the disk manager, the partition manager and the format
// wizard, each opened once by its own controller from its template, in the
// system's language. Every text its controller took from the table (static
// texts, buttons, check boxes, group boxes, column headers, the disk bar's
// labels) fits its control, and none is left in English where the language
// has its own. With NORVALE_TEST_LANGUAGES=all each text then takes its
// id's text in every language of the table in turn, and must fit too.
// Screenshots (NORVALE_SHOT_DIR): lang-TAG-DIALOG.bmp, every language's only
// with NORVALE_LANGUAGE_SHOTS set. NORVALE_TEST_DIALOGS=main checks only the
// main window.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "controls/win32/button_bar_ctrl.h"
#include "disk/core/manager/disk_manager_dialog.h"
#include "disk/core/manager/disk_manager_launch.h"
#include "disk/core/letters/select_drive_dialog.h"
#include "disk/core/partition/partition_dialog.h"
#include "disk/core/scripts/disk_scripts.h"
#include "disk/core/wizard/wizard_dialog.h"
#include "disk/win32/win32_id_source.h"
#include "disk/win32/win32_script_files.h"
#include "iscsi/core/targets/chap_dialog.h"
#include "platform/core/language_table.h"
#include "platform/core/system_language_port.h"
#include "platform/core/utf8.h"
#include "platform/win32/win32_drive_ports.h"
#include "resources/resource.h"
#include "tests/disk/manager/scripted_disk_machine.h"
#include "tests/disk/scripted_disk_port.h"
#include "tests/fakes/english_error_text.h"
#include "tests/fakes/no_commands.h"
#include "tests/fakes/recording_trace.h"
#include "tests/fakes/simulated_pc.h"
#include "tests/fakes/virtual_clock.h"
#include "tests/mainwindow/main_dialog_fixture.h"
#include "tests/platform/scripted_wmi.h"
#include "tests/platform/version_machines.h"
#include "tests/win32/win32_dialog_harness.h"
#include "tests/win32/window_pixels.h"

namespace norvale::test {
namespace {

struct Language {
    std::uint16_t id;
    const wchar_t* tag;
};
// One id per text pack, and English.
constexpr Language kLanguages[] = {
    {1033, L"en"}, {1029, L"cs"}, {1030, L"da"}, {1043, L"nl"}, {1035, L"fi"}, {1036, L"fr"}, {1031, L"de"},
    {1032, L"el"}, {1038, L"hu"}, {1039, L"is"}, {1040, L"it"}, {1044, L"no"}, {1045, L"pl"}, {1046, L"pt-BR"},
    {1049, L"ru"}, {1051, L"sk"}, {1034, L"es"}, {1053, L"sv"}, {1055, L"tr"}, {1041, L"ja"}, {1028, L"zh-Hant"},
    {2052, L"zh-Hans"},
};

// Never reached: the dialogs are closed before anything is formatted.
class NoFormatLibrary final : public FormatPort {
public:
    FormatStart Format(const FormatRequest&, const std::function<void(const FormatReport&)>&) override {
        return FormatStart::LibraryMissing;
    }
};

class FixedLanguage final : public SystemLanguagePort {
public:
    explicit FixedLanguage(std::uint16_t id) : id_(id) {}
    std::uint16_t SystemDefaultLanguage() const override { return id_; }

private:
    std::uint16_t id_;
};

std::wstring ClassOf(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

// Each text of `language` over the program's range, with the ids it is
// the text of; read once per dialog (every lookup inflates the pack).
std::map<std::wstring, std::vector<unsigned>> IdsByText(std::uint16_t language) {
    std::map<std::wstring, std::vector<unsigned>> ids;
    for (unsigned id = 100; id < 400; ++id) {
        std::wstring text = CLanguageTable::Instance().LoadText(language, id);
        if (!text.empty()) ids[std::move(text)].push_back(id);
    }
    return ids;
}

// A text the controller set: a window's own, or a list's column header.
struct Slot {
    HWND window;
    int column;  // -1: the window's text
    std::vector<unsigned> ids;

    void Set(const std::wstring& text) const {
        if (column < 0) return (void)SetWindowTextW(window, text.c_str());
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        Header_SetItem(window, column, &item);
    }
};

void ExpectHeadersAndBarsFit(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        if (ClassOf(child) == win32::kButtonBarClassName) {
            // A free area of a third of the bar shows its label whole (a
            // sliver of a few pixels cuts any language's, English too).
            const std::wstring label = CLanguageTable::Instance().LoadText(UiLanguageId(), 252);
            RECT client{};
            GetClientRect(child, &client);
            const SIZE needed = MeasureText(child, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)),
                                            label, 0, DT_NOPREFIX);
            EXPECT_LE(needed.cx, client.right / 3) << "bar label \"" << WideToUtf8(label) << "\"";
        }
        if (ClassOf(child) != WC_LISTVIEWW) continue;
        HWND header = ListView_GetHeader(child);
        for (int column = 0; column < Header_GetItemCount(header); ++column) {
            wchar_t text[128] = {};
            HDITEMW item{};
            item.mask = HDI_TEXT | HDI_WIDTH;
            item.pszText = text;
            item.cchTextMax = 128;
            Header_GetItem(header, column, &item);
            // The header pads its text by three edges on either side.
            const SIZE needed =
                MeasureText(header, reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)), text, 0, 0);
            EXPECT_LE(needed.cx + 6 * GetSystemMetrics(SM_CXEDGE), item.cxy) << "header \"" << WideToUtf8(text) << "\"";
        }
    }
}

void ExpectFit(HWND dialog, const Language& language, const wchar_t* name, bool shot) {
    SCOPED_TRACE(WideToUtf8(language.tag));
    ExpectTextsFit(dialog);
    ExpectHeadersAndBarsFit(dialog);
    if (!shot) return;
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SaveWindowShot(dialog, std::wstring(L"lang-") + language.tag + L"-" + name + L".bmp");
}

const wchar_t* g_dialogName = nullptr;
bool g_checked = false;

// The shown dialog is the one enabled dialog window of this thread.
BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
    if (ClassOf(window) != L"#32770" || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK CheckAndEnd(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return;
    KillTimer(nullptr, timer);
    g_checked = true;
    const std::uint16_t system = UiLanguageId();
    const auto systemIds = IdsByText(system), englishIds = IdsByText(1033);
    std::vector<Slot> slots;
    auto add = [&](HWND window, int column, const std::wstring& text) {
        const auto ids = systemIds.find(text);
        if (ids != systemIds.end()) slots.push_back({window, column, ids->second});
        else if (englishIds.count(text) != 0)
            ADD_FAILURE() << "control " << GetDlgCtrlID(window) << " still shows \"" << WideToUtf8(text) << "\"";
    };
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        const std::wstring cls = ClassOf(child);
        if (cls == L"Static" || cls == L"Button") add(child, -1, WindowTextOf(child));
        if (cls != WC_LISTVIEWW) continue;
        HWND header = ListView_GetHeader(child);
        for (int column = 0; column < Header_GetItemCount(header); ++column) {
            wchar_t text[128] = {};
            HDITEMW item{};
            item.mask = HDI_TEXT;
            item.pszText = text;
            item.cchTextMax = 128;
            Header_GetItem(header, column, &item);
            add(header, column, text);
        }
    }
    const Language* shown = &kLanguages[0];
    for (const Language& language : kLanguages) {
        if (CLanguageTable::Instance().LoadText(language.id, 147) == CLanguageTable::Instance().LoadText(system, 147))
            shown = &language;
    }
    ExpectFit(dialog, *shown, g_dialogName, true);
    wchar_t which[8] = {};
    GetEnvironmentVariableW(L"NORVALE_TEST_LANGUAGES", which, 8);
    if (std::wstring(which) == L"all") {
        const bool shots = GetEnvironmentVariableW(L"NORVALE_LANGUAGE_SHOTS", nullptr, 0) > 0;
        std::size_t passes = 1;  // where two ids share a text ("Target"), each one's in turn
        for (const Slot& slot : slots) passes = std::max(passes, slot.ids.size());
        for (const Language& language : kLanguages) {
            const FixedLanguage fixed(language.id);
            InstallSystemLanguageForTesting(&fixed);
            for (std::size_t pass = 0; pass < passes; ++pass) {
                for (const Slot& slot : slots)
                    slot.Set(CLanguageTable::Instance().LoadText(language.id, slot.ids[std::min(pass, slot.ids.size() - 1)]));
                ExpectFit(dialog, language, g_dialogName, shots && pass + 1 == passes);
            }
            InstallSystemLanguageForTesting(nullptr);
        }
    }
    EndDialog(dialog, kWatchdogCode);
}

// Runs `open`, which shows one modal dialog; checks it once it is on screen.
// NORVALE_TEST_DIALOGS=NAME leaves the others out.
void CheckShownDialog(const wchar_t* name, const std::function<void()>& open) {
    wchar_t only[32] = {};
    if (GetEnvironmentVariableW(L"NORVALE_TEST_DIALOGS", only, 32) > 0 && std::wstring(only) != name) return;
    SCOPED_TRACE(WideToUtf8(name));
    g_dialogName = name;
    g_checked = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, CheckAndEnd);
    open();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_checked) << "the dialog never showed";
}

// The ports the dialogs are given, as their own tests give them. They live
// as long as the process: a dialog ended while its first background step
// still reads them leaves that step running.
struct DialogPorts {
    DialogPorts() {
        DriveLayout layout;  // 10 GiB: one partition, free space behind it
        layout.mbrSignature = 7;
        layout.entries.resize(4);
        layout.entries[0].partitionNumber = 1;
        layout.entries[0].startingOffset = 1 << 20;
        layout.entries[0].partitionLength = 3LL << 30;
        layout.entries[0].mbrType = mbr_type::kIfs;
        layout.entries[0].recognizedPartition = true;
        machine.AddDisk(1, 1305, layout);
        machine.AddVolume({1, 1, L'F', L"NTFS"});
        const ScriptObject device{{L"deviceNumber", I4(1)}, {L"legacyName", Text(L"\\\\.\\PhysicalDrive1")},
                                  {L"partitionNumber", I4(0)}, {L"TargetName", Text(kTarget)}};
        wmi.results[L"SELECT * FROM MSiSCSIInitiator_SessionClass"] = {
            {{L"TargetName", Text(kTarget)},
             {L"ConnectionInformation", Objects({{{L"TargetAddress", Text(L"192.168.10.20")}}})},
             {L"Devices", Objects({device})}}};
    }

    static constexpr const wchar_t* kTarget = L"IQN.2026-12.COM.ORRIN:ARCHIVE.DATA";
    VirtualClock clock;
    FakeSegment segment{clock};
    CountingRandom random;
    DeviceProtocol protocol{segment, clock, random};
    FakeSystemFiles files;
    ScriptedDiskMachine machine;
    ScriptedDiskPort disks;
    ScriptedWmi wmi;
    FakeVersionSource version = Windows7Professional();
    RecordingTrace trace;
    WmiConnections connections{WmiEnvironment{wmi, version, trace}};
    DiskInventory inventory{InventoryPorts{disks, connections, version, trace}};
    win32::Win32ScriptFiles scriptFiles;
    test::NoCommands runner;
    DiskScripts scripts{scriptFiles, runner};
    SimulatedPc pc = SimulatedPc::Typical();
    EnglishErrorText errors;
    win32::Win32IdSource ids;
    NoFormatLibrary library;
    FormatEngine engine{library};
};

TEST(Win32Languages, EveryDialogsTextsFitInEveryLanguage) {
    NORVALE_REQUIRE_WINDOWS();
    static DialogPorts& p = *new DialogPorts();
    CheckShownDialog(L"main", [] {
        CNorvaleDlg dialog{p.protocol, p.files, NorvaleDlgSections{}};
        win32::RunModalDialog(dialog, win32::DialogTemplate::FromResource(IDD_NORVALE_DIALOG), nullptr);
    });
    CheckShownDialog(L"chap", [] {
        CPasswordDialog chap(L"iqn.2026-12.com.orrin:archive-secure", L"chap_usr", L"", [](auto&&...) { return true; });
        win32::RunModalDialog(chap, win32::DialogTemplate::FromResource(IDD_CHAP_PASSWORD), nullptr);
    });
    CheckShownDialog(L"drive-select", [] {
        VolumeRecord volume;
        volume.driveLetter = L"F:\\";
        CSelectDriveDlg dialog({L"G:\\", L"H:\\"}, volume, p.disks);
        win32::RunModalDialog(dialog, win32::DialogTemplate::FromResource(IDD_DRIVE_SELECT), nullptr);
    });
    CheckShownDialog(L"disk-manager", [] {
        DiskManagerPorts ports{InventoryPorts{p.machine, p.connections, p.version, p.trace}, p.scriptFiles, p.runner,
                               p.clock, p.errors, p.pc, p.pc, false, DefaultDiskIds(), [] { return 2; },
                               [](DialogSurfacePort&, const PartitionJob&) { return 0; }, [] {}};
        CDiskMgrDlg dialog(ports, ApplianceAddresses{L"192.168.10.20", L"192.168.11.20"});
        win32::RunModalDialog(dialog, win32::DialogTemplate::FromResource(IDD_DISK_MANAGER), nullptr);
    });
    CheckShownDialog(L"partition-manager", [] {
        PartitionPorts ports{p.disks, p.inventory, p.scriptFiles, p.runner, p.version, false, p.pc, p.pc, p.errors,
                             p.ids, SystemClock(), p.engine};
        PartitionJob job;
        job.availableMiB = 10240;
        job.diskNumber = 1;
        CPartition dialog(job, ports);
        win32::RunModalDialog(dialog, win32::DialogTemplate::FromResource(IDD_PARTITION), nullptr);
    });
    CheckShownDialog(L"wizard", [] {
        CWizardDialog wizard(WizardPorts{p.inventory, p.disks, p.scripts, p.runner, p.pc, p.pc, p.version, p.errors,
                                         SystemClock(), p.engine, false},
                             WizardTarget{DialogPorts::kTarget, {DialogPorts::kTarget, {L"192.168.10.20"}}, [] {}});
        win32::RunModalDialog(wizard, win32::DialogTemplate::FromResource(IDD_FORMAT_WIZARD), nullptr);
    });
}

}  // namespace
}  // namespace norvale::test
