// The runner's decisions over a scripted process port and redirection port.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "iscsi/core/command_lines.h"
#include "iscsi/core/console_command_runner.h"

namespace norvale {
namespace {

struct Started {
    std::wstring line;
    bool keepOutput;
};

class ScriptedProcesses : public ProcessPort {
public:
    bool starts = true;
    std::wstring prints;  // what every child prints
    std::vector<Started> runs;
    std::vector<std::string>* order = nullptr;

    ProcessRun RunHidden(const std::wstring& commandLine, bool keepOutput) override {
        runs.push_back({commandLine, keepOutput});
        if (order) order->push_back("run");
        if (!starts) return {};
        return {true, keepOutput ? prints : std::wstring(), std::nullopt};
    }
};

class ScriptedRedirection : public Wow64RedirectionPort {
public:
    RedirectionResult answer = RedirectionResult::Done;
    int disables = 0;
    std::vector<std::string>* order = nullptr;

    RedirectionResult Disable() override {
        ++disables;
        if (order) order->push_back("disable");
        return answer;
    }
    RedirectionResult Enable(bool) override { return RedirectionResult::Done; }
};

class ConsoleCommandRunnerTest : public ::testing::Test {
protected:
    ScriptedProcesses processes;
    ScriptedRedirection redirection;
    ConsoleCommandRunner native{processes, redirection, false};
    ConsoleCommandRunner wow64{processes, redirection, true};
};

TEST_F(ConsoleCommandRunnerTest, OnlyALineWithTheDeletionScriptAfterItsFirstCharacterIsCaptured) {
    EXPECT_FALSE(ConsoleCommandRunner::IsCapturedRun(L"diskdel.script /x"));
    EXPECT_TRUE(ConsoleCommandRunner::IsCapturedRun(L"Xdiskdel.script"));
    EXPECT_TRUE(ConsoleCommandRunner::IsCapturedRun(
        DiskpartScriptCommand(L"C:\\diskdel.script").text));
    EXPECT_FALSE(ConsoleCommandRunner::IsCapturedRun(
        DiskpartScriptCommand(L"C:\\diskactive.script").text));
    EXPECT_FALSE(ConsoleCommandRunner::IsCapturedRun(L""));
}

TEST_F(ConsoleCommandRunnerTest, ACapturedRunReplacesTheTextAndOtherRunsLeaveIt) {
    processes.prints = L"Volume 3 deleted\r\n";
    EXPECT_TRUE(native.RunConsoleCommand(L"cmd.exe /C diskpart /s C:\\diskdel.script"));
    EXPECT_TRUE(processes.runs.back().keepOutput);
    EXPECT_EQ(native.CapturedCommandOutput(), L"Volume 3 deleted\r\n");

    processes.prints = L"The operation completed successfully.\r\n";
    EXPECT_TRUE(native.RunConsoleCommand(ListTargetsCommand()));
    EXPECT_FALSE(processes.runs.back().keepOutput);
    EXPECT_TRUE(native.RunConsoleCommand(L"diskdel.script"));
    EXPECT_FALSE(processes.runs.back().keepOutput);
    EXPECT_EQ(native.CapturedCommandOutput(), L"Volume 3 deleted\r\n");
}

TEST_F(ConsoleCommandRunnerTest, ACapturedRunThatPrintsNothingOrFailsLeavesNoOldText) {
    processes.prints = L"old";
    ASSERT_TRUE(native.RunConsoleCommand(L"cmd.exe /C diskpart /s C:\\diskdel.script"));
    processes.prints.clear();
    EXPECT_TRUE(native.RunConsoleCommand(L"cmd.exe /C diskpart /s C:\\diskdel.script"));
    EXPECT_EQ(native.CapturedCommandOutput(), L"");

    processes.prints = L"old";
    ASSERT_TRUE(native.RunConsoleCommand(L"cmd.exe /C diskpart /s C:\\diskdel.script"));
    processes.starts = false;
    EXPECT_FALSE(native.RunConsoleCommand(L"cmd.exe /C diskpart /s C:\\diskdel.script"));
    EXPECT_EQ(native.CapturedCommandOutput(), L"");
}

TEST_F(ConsoleCommandRunnerTest, TheLineReachesThePortUnchanged) {
    const std::wstring line = BindPersistentVolumesCommand();
    EXPECT_TRUE(native.RunConsoleCommand(line));
    ASSERT_EQ(processes.runs.size(), 1u);
    EXPECT_EQ(processes.runs[0].line, L"iscsicli BindPersistentVolumes ");
    processes.starts = false;
    EXPECT_FALSE(native.RunConsoleCommand(L"no-such-program.exe"));
}

TEST_F(ConsoleCommandRunnerTest, RedirectionIsTurnedOffOnlyUnderWow64BeforeEachStart) {
    EXPECT_TRUE(native.RunConsoleCommand(ListTargetsCommand()));
    EXPECT_EQ(redirection.disables, 0);

    std::vector<std::string> order;
    processes.order = &order;
    redirection.order = &order;
    EXPECT_TRUE(wow64.RunConsoleCommand(ListTargetsCommand()));
    EXPECT_TRUE(wow64.RunConsoleCommand(ListTargetsCommand()));
    EXPECT_EQ(order, (std::vector<std::string>{"disable", "run", "disable", "run"}));
}

TEST_F(ConsoleCommandRunnerTest, AFailedRedirectionStartsNothingAMissingOneGoesOn) {
    redirection.answer = RedirectionResult::Failed;
    EXPECT_FALSE(wow64.RunConsoleCommand(ListTargetsCommand()));
    EXPECT_TRUE(processes.runs.empty());

    redirection.answer = RedirectionResult::Unavailable;
    EXPECT_TRUE(wow64.RunConsoleCommand(ListTargetsCommand()));
    EXPECT_EQ(processes.runs.size(), 1u);
}

}  // namespace
}  // namespace norvale
