// The command runner with real child processes (runner_child.exe, built next
// to this test executable) and the real redirection calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/console/bounded_run.h"
#include "platform/core/console/console_command_runner.h"
#include "platform/win32/win32_process_port.h"
#include "platform/win32/win32_wow64_redirection.h"

namespace norvale {
namespace {

std::wstring TestDirectory() {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

std::wstring Child(const std::wstring& arguments) {
    return L"\"" + TestDirectory() + L"runner_child.exe\" " + arguments;
}

std::wstring Pattern(size_t count, wchar_t first) {
    std::wstring text;
    for (size_t i = 0; i < count; ++i) text += static_cast<wchar_t>(first + (i % 4096) % 26);
    return text;
}

class Win32ConsoleRunnerTest : public ::testing::Test {
protected:
    win32::Win32ProcessPort processes;
    win32::Win32Wow64Redirection redirection;
    ConsoleCommandRunner runner{processes, redirection, false};
};

TEST_F(Win32ConsoleRunnerTest, AChildPrintingMoreThanThePipeHoldsFinishes) {
    EXPECT_TRUE(runner.RunConsoleCommand(Child(L"out 600000 err 100000")));
    EXPECT_TRUE(runner.CapturedCommandOutput().empty());
}

TEST_F(Win32ConsoleRunnerTest, TheDeletionScriptRunKeepsStandardOutputAndError) {
    ASSERT_TRUE(runner.RunConsoleCommand(Child(L"out 300000 diskdel.script")));
    EXPECT_EQ(runner.CapturedCommandOutput(), Pattern(300000, L'a'));

    ASSERT_TRUE(runner.RunConsoleCommand(Child(L"diskdel.script err 30")));
    EXPECT_EQ(runner.CapturedCommandOutput(), Pattern(30, L'A'));

    ASSERT_TRUE(runner.RunConsoleCommand(Child(L"diskdel.script")));
    EXPECT_EQ(runner.CapturedCommandOutput(), L"");
}

TEST_F(Win32ConsoleRunnerTest, OtherRunsLeaveTheCapturedTextAlone) {
    ASSERT_TRUE(runner.RunConsoleCommand(Child(L"out 5 diskdel.script")));
    ASSERT_TRUE(runner.RunConsoleCommand(Child(L"out 70")));
    EXPECT_EQ(runner.CapturedCommandOutput(), L"abcde");

    // A program that is itself called diskdel.script: its line starts with
    // the name, which is not the deletion script run.
    const std::wstring copy = TestDirectory() + L"diskdel.script";
    ASSERT_TRUE(::CopyFileW((TestDirectory() + L"runner_child.exe").c_str(), copy.c_str(), FALSE));
    EXPECT_TRUE(runner.RunConsoleCommand(L"diskdel.script out 9"));
    ::DeleteFileW(copy.c_str());
    EXPECT_EQ(runner.CapturedCommandOutput(), L"abcde");
}

TEST_F(Win32ConsoleRunnerTest, AMissingProgramIsNotRun) {
    EXPECT_FALSE(runner.RunConsoleCommand(TestDirectory() + L"no-such-child.exe out 5"));
    EXPECT_FALSE(runner.RunConsoleCommand(L""));
    ASSERT_TRUE(runner.RunConsoleCommand(Child(L"out 3 diskdel.script")));
    EXPECT_FALSE(runner.RunConsoleCommand(L"no-such-child.exe C:\\diskdel.script"));
    EXPECT_EQ(runner.CapturedCommandOutput(), L"");
}

// A process id is gone when it no longer opens or has ended.
bool Gone(DWORD pid) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return true;
    const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

// "pids CHILD GRANDCHILD;" from the child's output.
std::vector<DWORD> PidsIn(const std::wstring& output) {
    std::vector<DWORD> pids;
    const std::size_t at = output.find(L"pids ");
    if (at == std::wstring::npos) return pids;
    const wchar_t* cursor = output.c_str() + at + 5;
    wchar_t* end = nullptr;
    for (int i = 0; i < 2; ++i, cursor = end) pids.push_back(std::wcstoul(cursor, &end, 10));
    return pids;
}

// The bounds below must leave a child time to start, which under Wine on an
// emulated processor takes seconds: they grow with one start of a child that
// prints and ends (the first, which loads everything, is the slowest).
std::chrono::milliseconds ChildStart() {
    static const std::chrono::milliseconds start = [] {
        win32::Win32ProcessPort processes;
        const ULONGLONG started = ::GetTickCount64();
        RunBounded(processes, SystemClock(), Child(L"out 5"), true, std::chrono::seconds(60), std::chrono::seconds(10));
        return std::chrono::milliseconds(::GetTickCount64() - started);
    }();
    return start;
}

// A child that never ends, and one that ends at once but leaves its own
// child holding the output pipe: either way the run returns at its bound and
// both processes are gone.
TEST(Win32BoundedRunTest, ANeverEndingChildAndItsChildAreEndedAtTheLimit) {
    using std::chrono::milliseconds;
    const milliseconds limit = std::max(milliseconds(2000), 4 * ChildStart());
    struct Case {
        const wchar_t* arguments;
        bool jobs;  // false: as where the child cannot join a job of its own
    };
    for (const Case& c : {Case{L"spawn x sleep 600000", true}, Case{L"spawn x", true},
                          Case{L"spawn x sleep 600000", false}, Case{L"spawn x", false}}) {
        const wchar_t* const arguments = c.arguments;
        SCOPED_TRACE(std::string(arguments, arguments + wcslen(arguments)) + (c.jobs ? " in a job" : " without"));
        win32::Win32ProcessPort processes(c.jobs);
        const ULONGLONG started = ::GetTickCount64();
        const BoundedRun run = RunBounded(processes, SystemClock(), Child(arguments), true, limit, milliseconds(10000));
        const ULONGLONG took = ::GetTickCount64() - started;
        EXPECT_EQ(run.end, BoundedRun::End::Stopped);
        EXPECT_GE(took, ULONGLONG(limit.count()) - 100);
        EXPECT_LT(took, ULONGLONG((limit + milliseconds(3000) + 2 * ChildStart()).count()))
            << "the run outlived its bound";
        const std::vector<DWORD> pids = PidsIn(run.output);
        ASSERT_EQ(pids.size(), 2u) << std::string(run.output.begin(), run.output.end());
        EXPECT_TRUE(Gone(pids[0])) << "the child is still there";
        EXPECT_TRUE(Gone(pids[1])) << "the grandchild is still there";
    }
}

TEST(Win32BoundedRunTest, TheRunnerReportsTheStoppedRunAndFailsIt) {
    struct Notices : RunTimeoutNotice {
        std::vector<std::wstring> texts;
        void ShowRunTimeout(const std::wstring& text) override { texts.push_back(text); }
    } notices;
    ConsoleRunLimits limits;
    limits.other = std::max(std::chrono::milliseconds(1000), 4 * ChildStart());
    win32::Win32ProcessPort processes;
    win32::Win32Wow64Redirection redirection;
    ConsoleCommandRunner runner(processes, redirection, false, SystemClock(), &notices, limits);
    EXPECT_FALSE(runner.RunConsoleCommand(Child(L"sleep 600000")));
    EXPECT_TRUE(runner.LastRunTimedOut());
    ASSERT_EQ(notices.texts.size(), 1u);
    EXPECT_EQ(notices.texts[0].rfind(L"runner_child.exe did not finish within 1 minutes and was stopped", 0), 0u)
        << std::string(notices.texts[0].begin(), notices.texts[0].end());
    // A child that ends in time is not touched by the bound.
    EXPECT_TRUE(runner.RunConsoleCommand(Child(L"sleep 200 out 5")));
    EXPECT_FALSE(runner.LastRunTimedOut());
}

// The shipped program loads fmifs.dll from System32 only: the stand-in next
// to the child (as a DLL planted next to norvale.exe) is never taken, while
// the standard search takes it first.
TEST(Win32SystemLibraryTest, APlantedFmifsNextToTheProgramIsNotLoaded) {
    win32::Win32ProcessPort processes;
    const BoundedRun system = RunBounded(processes, SystemClock(), Child(L"fmifs x"), true,
                                         std::chrono::milliseconds(30000), std::chrono::milliseconds(5000));
    const BoundedRun byName = RunBounded(processes, SystemClock(), Child(L"byname x"), true,
                                         std::chrono::milliseconds(30000), std::chrono::milliseconds(5000));
    ASSERT_TRUE(system.Finished());
    ASSERT_TRUE(byName.Finished());
    auto lower = [](std::wstring text) {
        for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
        return text;
    };
    const std::wstring planted = lower(L"fmifs:" + TestDirectory() + L"fmifs.dll;");
    EXPECT_EQ(lower(byName.output), planted) << "the control: the standard search takes the planted copy";
    EXPECT_NE(lower(system.output), planted);
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    const std::wstring fromSystem = lower(L"fmifs:" + std::wstring(folder, length) + L"\\fmifs.dll;");
    // Wine has no fmifs.dll of its own: then nothing loads at all.
    EXPECT_TRUE(lower(system.output) == fromSystem || system.output == L"fmifs:none;")
        << std::string(system.output.begin(), system.output.end());
}

TEST(Win32Wow64RedirectionTest, AProcessOutsideWow64HasNoRedirectionToSwitch) {
    BOOL wow64 = FALSE;
    ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64));
    if (wow64) GTEST_SKIP() << "a 32-bit process on 64-bit Windows";
    win32::Win32Wow64Redirection redirection;
    EXPECT_EQ(redirection.Disable(), RedirectionResult::Unavailable);
    EXPECT_EQ(redirection.Enable(true), RedirectionResult::Unavailable);
    // And a runner told it is under WOW64 still runs its command.
    win32::Win32ProcessPort processes;
    ConsoleCommandRunner runner(processes, redirection, true);
    EXPECT_TRUE(runner.RunConsoleCommand(Child(L"out 10")));
}

TEST(Win32Wow64RedirectionTest, UnderWow64TheSwitchSucceedsAndIsUndone) {
    BOOL wow64 = FALSE;
    ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64));
    if (!wow64) GTEST_SKIP() << "not under WOW64";
    win32::Win32Wow64Redirection redirection;
    EXPECT_EQ(redirection.Disable(), RedirectionResult::Done);
    EXPECT_EQ(redirection.Enable(true), RedirectionResult::Done);
}

}  // namespace
}  // namespace norvale
