// The application's Windows ports against the real system: the single-
// instance mutex and window search, and the environment and file deletion
// of the exit path.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/win32/win32_app_ports.h"
#include "tests/win32/win32_dialog_harness.h"

namespace norvale::test {
namespace {

// Names no other process on the machine uses.
std::wstring UniqueName(const wchar_t* what) {
    return std::wstring(L"Norvale test ") + what + L" " + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64());
}

bool MutexExists(const std::wstring& name) {
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (h == nullptr) return false;
    CloseHandle(h);
    return true;
}

TEST(Win32AppPorts, MutexIsCreatedOnceHeldUnownedAndReleased) {
    const std::wstring name = UniqueName(L"mutex");
    {
        win32::Win32SingleInstance first;
        ASSERT_TRUE(first.CreateNamedMutex(name));
        EXPECT_TRUE(MutexExists(name));
        DWORD handles = 0, handlesAgain = 0;
        GetProcessHandleCount(GetCurrentProcess(), &handles);
        EXPECT_TRUE(first.CreateNamedMutex(name));
        GetProcessHandleCount(GetCurrentProcess(), &handlesAgain);
        EXPECT_EQ(handlesAgain, handles) << "a second call keeps the first handle";

        // Not owned: the mutex only marks that an instance runs, so any
        // thread can take it at once.
        DWORD wait = WAIT_FAILED;
        std::thread other([&] {
            HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
            if (h == nullptr) return;
            wait = WaitForSingleObject(h, 0);
            if (wait == WAIT_OBJECT_0) ReleaseMutex(h);
            CloseHandle(h);
        });
        other.join();
        EXPECT_EQ(wait, static_cast<DWORD>(WAIT_OBJECT_0));

        // A second instance opens the same object and still succeeds.
        win32::Win32SingleInstance second;
        EXPECT_TRUE(second.CreateNamedMutex(name));
    }
    EXPECT_FALSE(MutexExists(name)) << "closed with the last port";
}

TEST(Win32AppPorts, FindsATopLevelWindowByItsExactTitleOnly) {
    NORVALE_REQUIRE_WINDOWS();
    const std::wstring title = UniqueName(L"window");
    // Hidden and of a plain class: the search is by caption alone.
    HWND window = CreateWindowExW(0, L"STATIC", title.c_str(), WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    win32::Win32SingleInstance instance;
    EXPECT_EQ(instance.FindTopLevelWindow(title), reinterpret_cast<WindowRef>(window));
    EXPECT_EQ(instance.FindTopLevelWindow(title + L" "), 0);
    EXPECT_EQ(instance.FindTopLevelWindow(title.substr(0, title.size() - 1)), 0);
    EXPECT_EQ(instance.FindTopLevelWindow(L"x" + title), 0);

    instance.ShowWindow(reinterpret_cast<WindowRef>(window));
    EXPECT_TRUE(IsWindowVisible(window));
    instance.SetForegroundWindow(reinterpret_cast<WindowRef>(window));
    DestroyWindow(window);
    EXPECT_EQ(instance.FindTopLevelWindow(title), 0);
}

TEST(Win32AppPorts, AnEmptyTitleFindsNoWindow) {
    NORVALE_REQUIRE_WINDOWS();
    // FindWindowW takes "" for any untitled window: a program whose title
    // failed to load must not take such a window for its running instance.
    HWND untitled = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(untitled, nullptr);
    win32::Win32SingleInstance instance;
    EXPECT_EQ(instance.FindTopLevelWindow(L""), 0);
    DestroyWindow(untitled);
}

TEST(Win32AppPorts, EnvironmentVariables) {
    win32::Win32SystemFiles files;
    const std::wstring name = L"NORVALE_TEST_VARIABLE";
    SetEnvironmentVariableW(name.c_str(), nullptr);
    EXPECT_EQ(files.EnvironmentVariable(name), std::nullopt);

    SetEnvironmentVariableW(name.c_str(), L"C:");
    EXPECT_EQ(files.EnvironmentVariable(name), std::wstring(L"C:"));
    EXPECT_EQ(files.EnvironmentVariable(L"norvale_test_variable"), std::wstring(L"C:")) << "names ignore case";

    // Far beyond any first guess of a buffer size; the limit is 32767.
    const std::wstring longValue(32000, L'v');
    SetEnvironmentVariableW(name.c_str(), longValue.c_str());
    EXPECT_EQ(files.EnvironmentVariable(name), longValue);

    SetEnvironmentVariableW(name.c_str(), nullptr);
    EXPECT_EQ(files.EnvironmentVariable(name), std::nullopt);

    // The exit path asks for the system drive in lower case.
    const auto drive = files.EnvironmentVariable(L"systemdrive");
    ASSERT_TRUE(drive.has_value());
    EXPECT_EQ(drive->size(), 2u);
    EXPECT_EQ((*drive)[1], L':');
}

TEST(Win32AppPorts, DeletesExistingFilesOnly) {
    wchar_t directory[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, directory), 0u);
    const std::wstring path = std::wstring(directory) + L"norvale-delete-" + std::to_wstring(GetCurrentProcessId()) +
                              L".script";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "select disk 1\r\n", 15, &written, nullptr);
    CloseHandle(file);

    win32::Win32SystemFiles files;
    EXPECT_TRUE(files.RemoveFile(path));
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(files.RemoveFile(path)) << "already gone";
    EXPECT_FALSE(files.RemoveFile(std::wstring(directory) + L"no-such-dir\\diskactive.script"));
    EXPECT_FALSE(files.RemoveFile(directory)) << "a directory is not a file";
}

}  // namespace
}  // namespace norvale::test
