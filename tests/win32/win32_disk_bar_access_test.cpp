// The disk bar from the keyboard and for a screen reader, in a real dialog
// with real key input: Tab reaches the bar, Right moves the focus, Enter
// clicks, the context-menu key opens menu 235 at the focused segment, and
// the bar's accessible object (read back through AccessibleObjectFromWindow)
// names the disk and each segment. Screenshots of the focused segment and
// the menu go to NORVALE_SHOT_DIR when it is set.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>

#include <string>
#include <thread>
#include <vector>

#include "resources/resource.h"
#include "tests/win32/win32_dialog_harness.h"
#include "tests/win32/window_pixels.h"

namespace norvale::test {
namespace {

DiskView PartitionAndFree(int disk) {
    DiskView view;
    view.diskNumber = disk;
    view.slotCount = 2;
    view.slots[0] = DiskSlot{1, 1, L"E:\\", 100ull << 30, L"NTFS"};
    view.slots[1] = DiskSlot{0, 0, L"", 50ull << 30, L""};
    return view;
}

void PressKey(WORD key) {
    INPUT inputs[2]{};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring NameOf(IAccessible& acc, long child) {
    BSTR name = nullptr;
    if (FAILED(acc.get_accName(Child(child), &name)) || name == nullptr) return L"(none)";
    std::wstring text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

long RoleOf(IAccessible& acc, long child) {
    VARIANT out;
    VariantInit(&out);
    if (FAILED(acc.get_accRole(Child(child), &out)) || out.vt != VT_I4) return -1;
    return out.lVal;
}

TEST(Win32DiskBarKeyboard, TabArrowsEnterAndTheMenuKeyWithAScreenReadersView) {
    NORVALE_REQUIRE_WINDOWS();
    // The accessible object travels through COM, as the program's thread has it.
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    constexpr int kStep = 1;
    std::vector<std::pair<int, int>> lefts, rights;
    RECT menuRect{}, segmentRect{};
    bool menuShown = false;
    int step = 0;
    HWND bar = nullptr;
    IAccessible* acc = nullptr;
    long focusedChild = -1;
    TestDialog dialog;
    dialog.Messages()
        .OnNotifyFromAnyId(kDiskBarLeftClick, [&](int disk, std::intptr_t segment) {
            lefts.push_back({disk, static_cast<int>(segment)});
        })
        .OnNotifyFromAnyId(kDiskBarRightClick, [&](int disk, std::intptr_t segment) {
            rights.push_back({disk, static_cast<int>(segment)});
            // The menu's own loop runs the timer, which reads and closes it.
            dialog.Surface().ShowPopupMenu(IDR_DISK_MENU, segment == 0 ? 1 : 0, {});
        })
        .OnTimer(kStep, [&] {
            if (HWND menu = FindWindowW(L"#32768", nullptr); menu != nullptr && IsWindowVisible(menu)) {
                GetWindowRect(menu, &menuRect);
                SaveWindowShot(menu, L"disk_bar_keyboard_menu.bmp");
                menuShown = true;
                EndMenu();
                return;
            }
            if (step == 0 && GetFocus() == bar) {
                step = 1;
                PressKey(VK_RIGHT);
            } else if (step == 1) {
                VARIANT focus;
                VariantInit(&focus);
                if (acc != nullptr && acc->get_accFocus(&focus) == S_OK && focus.vt == VT_I4 && focus.lVal == 2) {
                    focusedChild = focus.lVal;
                    SaveWindowShot(dialog.Window(), L"disk_bar_keyboard_focus.bmp");
                    step = 2;
                    PressKey(VK_RETURN);
                }
            } else if (step == 2 && !lefts.empty()) {
                step = 3;
                PressKey(VK_APPS);
            } else if (step == 3 && menuShown) {
                dialog.Surface().KillTimer(kStep);
                dialog.Surface().EndDialog(kIdOk);
            }
        });
    dialog.onShown = [&] {
        auto& s = static_cast<win32::Win32DialogSurface&>(dialog.Surface());
        const int index = s.CreateDiskBar(IDC_DISKS_BAR, Rect{20, 150, 435, 230});
        s.SetDiskBarView(index, PartitionAndFree(5));
        bar = s.DiskBarWindow(index);
        EXPECT_TRUE(GetWindowLongPtrW(bar, GWL_STYLE) & WS_TABSTOP);
        ASSERT_EQ(AccessibleObjectFromWindow(bar, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                             reinterpret_cast<void**>(&acc)),
                  S_OK);
        long children = 0;
        EXPECT_EQ(acc->get_accChildCount(&children), S_OK);
        EXPECT_EQ(children, 2);
        EXPECT_EQ(NameOf(*acc, CHILDID_SELF), L"Disk 5");
        EXPECT_EQ(NameOf(*acc, 1), L"(E:\\) 100.00GB NTFS");
        EXPECT_EQ(NameOf(*acc, 2), L"50.00GB Unallocated");
        EXPECT_EQ(RoleOf(*acc, CHILDID_SELF), ROLE_SYSTEM_LIST);
        EXPECT_EQ(RoleOf(*acc, 1), ROLE_SYSTEM_LISTITEM);
        EXPECT_EQ(NameOf(*acc, 3), L"(none)") << "no third segment";
        long x = 0, y = 0, cx = 0, cy = 0;
        ASSERT_EQ(acc->accLocation(&x, &y, &cx, &cy, Child(2)), S_OK);
        segmentRect = RECT{x, y, x + cx, y + cy};
        RECT barRect{};
        GetWindowRect(bar, &barRect);
        EXPECT_TRUE(cx > 0 && x >= barRect.left && x + cx <= barRect.right) << "the second segment lies in the bar";
        // Tab from the last control before the bar, as a user would.
        SetForegroundWindow(dialog.Window());
        SetFocus(dialog.Item(IDCANCEL));
        PressKey(VK_TAB);
        s.SetTimer(kStep, std::chrono::milliseconds(20));
    };
    EXPECT_EQ(RunTestDialog(dialog, IDD_TEST_DISKS), kIdOk) << "step " << step;
    EXPECT_EQ(focusedChild, 2) << "Right moved the focus to the second segment, as the reader sees it";
    EXPECT_EQ(lefts, (std::vector<std::pair<int, int>>{{5, 1}})) << "Enter clicked it (and never pressed OK)";
    EXPECT_EQ(rights, (std::vector<std::pair<int, int>>{{5, 1}}));
    EXPECT_TRUE(menuShown) << "menu 235 opened";
    EXPECT_TRUE(menuRect.left >= segmentRect.left && menuRect.left < segmentRect.right &&
                menuRect.top >= segmentRect.top && menuRect.top <= segmentRect.bottom)
        << "at the focused segment, not at the mouse";
    if (acc != nullptr) {
        long children = 0;
        EXPECT_EQ(acc->get_accChildCount(&children), E_FAIL) << "the bar is gone: the object says so";
        acc->Release();
    }
    if (SUCCEEDED(apartment)) CoUninitialize();
}

// A screen reader is another process: norvale_probe.exe (built beside the
// tests, in e2e/) reads the bar through AccessibleObjectFromWindow while the
// dialog goes on serving its messages.
TEST(Win32DiskBarKeyboard, AnotherProcessReadsTheBarsNameAndSegments) {
    NORVALE_REQUIRE_WINDOWS();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    const std::wstring probe = folder + L"e2e\\norvale_probe.exe";
    if (GetFileAttributesW(probe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no probe beside the tests";
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring output = std::wstring(temp) + L"norvale_probe_msaa.txt";
    constexpr wchar_t kProbeDone[] = L"Norvale.Test.ProbeDone";
    DWORD exitCode = 1;
    std::thread worker;
    TestDialog dialog;
    dialog.Messages().OnRegistered(kProbeDone, [&](std::intptr_t code) {
        exitCode = static_cast<DWORD>(code);
        dialog.Surface().EndDialog(kIdOk);
    });
    dialog.onShown = [&] {
        auto& s = static_cast<win32::Win32DialogSurface&>(dialog.Surface());
        s.SetDiskBarView(s.CreateDiskBar(IDC_DISKS_BAR, Rect{20, 150, 435, 230}), PartitionAndFree(5));
        // The probe's own start takes a while under Wine.
        s.SetTimer(kWatchdogTimer, std::chrono::seconds(60));
        const HWND window = dialog.Window();
        worker = std::thread([window, probe, output, done = RegisterWindowMessageW(kProbeDone)] {
            SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
            HANDLE file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            STARTUPINFOW start{};
            start.cb = sizeof start;
            start.dwFlags = STARTF_USESTDHANDLES;
            start.hStdOutput = start.hStdError = file;
            PROCESS_INFORMATION process{};
            std::wstring line = L"\"" + probe + L"\" Disks msaa " + std::to_wstring(IDC_DISKS_BAR);
            DWORD code = 2;
            if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &start, &process)) {
                if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 3);
                GetExitCodeProcess(process.hProcess, &code);
                CloseHandle(process.hThread);
                CloseHandle(process.hProcess);
            }
            CloseHandle(file);
            // A window gone meanwhile (the watchdog) just drops the post.
            PostMessageW(window, done, 0, static_cast<LPARAM>(code));
        });
    };
    EXPECT_EQ(RunTestDialog(dialog, IDD_TEST_DISKS), kIdOk);
    if (worker.joinable()) worker.join();
    EXPECT_EQ(exitCode, 0u);
    std::string printed;
    if (FILE* f = _wfopen(output.c_str(), L"rb")) {
        char buffer[512];
        const size_t n = fread(buffer, 1, sizeof buffer, f);
        printed.assign(buffer, n);
        fclose(f);
    }
    DeleteFileW(output.c_str());
    EXPECT_NE(printed.find("msaa " + std::to_string(IDC_DISKS_BAR) + " \"Disk 5\" 33 2"), std::string::npos)
        << "a list named after its disk with two segments; the probe printed: " << printed;
    if (SUCCEEDED(apartment)) CoUninitialize();
}

}  // namespace
}  // namespace norvale::test
