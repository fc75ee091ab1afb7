// The command runner with real child processes (runner_child.exe, built next
// to this test executable) and the real redirection calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "iscsi/core/console_command_runner.h"
#include "iscsi/win32/win32_process_port.h"
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
