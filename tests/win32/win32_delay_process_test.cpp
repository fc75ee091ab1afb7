// The delay process of a portal refresh with real child processes
// (runner_child.exe next to this executable) and a real dialog: its end
// crosses from the watcher's worker to the dialog's thread as a background
// step, and its handle is closed exactly once, also when the dialog ended
// first. And the program's own location.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "controls/core/background_steps.h"
#include "iscsi/core/targets/initiator_prerequisites.h"
#include "iscsi/core/targets/process_watch.h"
#include "iscsi/win32/win32_delay_process.h"
#include "platform/win32/win32_program_location.h"
#include "tests/win32/win32_dialog_harness.h"

namespace norvale::test {
namespace {

std::wstring Child(const std::wstring& arguments) {
    win32::Win32ProgramLocation location;
    return L"\"" + FolderOf(location.ExecutablePath()) + L"\\runner_child.exe\" " + arguments;
}

// The real adapter, noting on which thread it waited and what it closed.
class WatchedDelayProcess final : public DelayProcessPort {
public:
    ProcessHandle StartHidden(const std::wstring& line) override { return started = real_.StartHidden(line); }
    void WaitForEnd(ProcessHandle process) override {
        waitThread = GetCurrentThreadId();
        real_.WaitForEnd(process);
    }
    void Close(ProcessHandle process) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++closes;
        closeThread = GetCurrentThreadId();
        endedAtClose = WaitForSingleObject(reinterpret_cast<HANDLE>(process), 0) == WAIT_OBJECT_0;
        real_.Close(process);
    }
    int Closes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return closes;
    }

    std::atomic<ProcessHandle> started{0};
    std::atomic<DWORD> waitThread{0};
    DWORD closeThread = 0;
    bool endedAtClose = false;

private:
    win32::Win32DelayProcess real_;
    std::mutex mutex_;
    int closes = 0;
};

bool StillOpen(ProcessHandle process) {
    DWORD flags = 0;
    return GetHandleInformation(reinterpret_cast<HANDLE>(process), &flags) != 0;
}

TEST(Win32DelayProcess, TheEndArrivesOnTheDialogThreadWithTheHandleOfTheEndedProcessClosed) {
    NORVALE_REQUIRE_WINDOWS();
    WatchedDelayProcess port;
    DelayProcessWatcher watcher(port);
    DWORD handlerThread = 0;
    TestDialog dialog;
    BackgroundSteps steps(dialog.Messages());
    dialog.onShown = [&] {
        EXPECT_EQ(watcher.Start(steps, dialog.Surface(), Child(L"sleep 200"),
                                [&] {
                                    handlerThread = GetCurrentThreadId();
                                    dialog.Surface().EndDialog(kIdOk);
                                }),
                  DelayProcessWatcher::Started::Watched);
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
    EXPECT_TRUE(port.endedAtClose) << "the end comes after the process ended";
    EXPECT_EQ(handlerThread, GetCurrentThreadId());
    EXPECT_EQ(port.closeThread, GetCurrentThreadId()) << "closed on the dialog's thread, before it goes on";
    EXPECT_NE(port.waitThread.load(), GetCurrentThreadId()) << "the wait ran on a worker";
    EXPECT_EQ(port.Closes(), 1);
    EXPECT_EQ(watcher.Pending(), 0);
    EXPECT_FALSE(StillOpen(port.started.load()));
}

TEST(Win32DelayProcess, ADialogEndingFirstLeavesTheCloseToTheWatcher) {
    NORVALE_REQUIRE_WINDOWS();
    WatchedDelayProcess port;
    DelayProcessWatcher watcher(port);
    TestDialog dialog;
    BackgroundSteps steps(dialog.Messages());
    dialog.Messages().OnDestroy([&] { steps.DialogEnded(); });
    bool heard = false;
    // The child outlives the dialog whatever the machine's speed: it ends
    // only when the test ends it, once the dialog is gone.
    dialog.onShown = [&] {
        EXPECT_EQ(watcher.Start(steps, dialog.Surface(), Child(L"sleep 600000"), [&] { heard = true; }),
                  DelayProcessWatcher::Started::Watched);
        dialog.Surface().EndDialog(kIdOk);
    };
    EXPECT_EQ(RunTestDialog(dialog), kIdOk);
    EXPECT_EQ(port.Closes(), 0) << "the process still runs";
    ASSERT_NE(port.started.load(), 0);
    ASSERT_TRUE(TerminateProcess(reinterpret_cast<HANDLE>(port.started.load()), 0));
    for (int i = 0; i < 600 && port.Closes() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(port.Closes(), 1);
    EXPECT_NE(port.closeThread, GetCurrentThreadId());
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, RegisterWindowMessageW(kStepMessage),
                              RegisterWindowMessageW(kStepMessage), PM_REMOVE))
        << "nothing was posted after the dialog went";
    EXPECT_FALSE(heard);
}

TEST(Win32DelayProcess, AProgramThatDoesNotExistGivesNoHandle) {
    win32::Win32DelayProcess port;
    EXPECT_EQ(port.StartHidden(L"C:\\no\\such\\program.exe /all"), 0);
}

TEST(Win32ProgramLocation, TheExecutableAndFilesNextToIt) {
    win32::Win32ProgramLocation location;
    const std::wstring path = location.ExecutablePath();
    EXPECT_NE(path.find(L"norvale_tests.exe"), std::wstring::npos) << std::string(path.begin(), path.end());
    EXPECT_TRUE(location.FileExists(path));
    EXPECT_TRUE(location.FileExists(FolderOf(path) + L"\\runner_child.exe"));
    EXPECT_FALSE(location.FileExists(FolderOf(path))) << "a folder is no installer";
    EXPECT_FALSE(location.FileExists(FolderOf(path) + L"\\Initiator-2.08-build3825-x86fre.exe"));
    EXPECT_FALSE(location.FileExists(L""));
}

}  // namespace
}  // namespace norvale::test
