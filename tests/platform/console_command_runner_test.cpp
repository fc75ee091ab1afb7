// The runner's decisions over a scripted process port and redirection port.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/console/bounded_run.h"
#include "platform/core/console/console_command_runner.h"
#include "platform/core/initiator/command_lines.h"
#include "tests/fakes/virtual_clock.h"

namespace norvale {
namespace {

struct Started {
    std::wstring line;
    bool keepOutput;
};

class ScriptedProcesses : public ImmediateProcessPort {
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

// --- the bound of every run ----------------------------------------------------

namespace norvale {
namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;

TEST(ConsoleRunLimitsTest, EachLineGetsTheLimitOfItsProgramAndShowsOnlyItsName) {
    struct Case {
        std::wstring line;
        ConsoleCommandKind kind;
        std::wstring name;
    };
    const Case cases[] = {
        {DiskpartScriptCommand(L"C:\\diskdel.script").text, ConsoleCommandKind::Diskpart, L"diskpart"},
        {L"CMD /c \"C:\\Windows\\System32\\DISKPART.EXE\" /s x", ConsoleCommandKind::Diskpart, L"diskpart"},
        {L"cmd.exe /C dir diskpart", ConsoleCommandKind::Other, L"cmd.exe"},
        {ChapLoginTargetCommand(L"iqn.2026-12.com.orrin:a", L"iqn.1991-05.com.microsoft:pc", L"user", L"pass word-1234")
             .text,
         ConsoleCommandKind::Initiator,
         L"iscsicli"},
        {L"\"C:\\Program Files\\Initiator 2.08.exe\" /q", ConsoleCommandKind::Other, L"Initiator 2.08.exe"},
        {L"", ConsoleCommandKind::Other, L""},
    };
    const ConsoleRunLimits& limits = DefaultConsoleRunLimits();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line.begin(), c.line.end()));
        EXPECT_EQ(KindOfCommand(c.line), c.kind);
        EXPECT_EQ(ProgramNameOf(c.line), c.name);
    }
    EXPECT_EQ(limits.For(ConsoleCommandKind::Diskpart), minutes(10));
    EXPECT_EQ(limits.For(ConsoleCommandKind::Initiator), minutes(3));
    EXPECT_EQ(limits.For(ConsoleCommandKind::Other), minutes(20));
}

// A child that follows a script of checks: `printing` checks with output,
// then `running` checks without, then it ends (never, when negative). A
// stop is obeyed after `stopChecks` checks (never, when negative).
class ScriptedChild : public RunningProcess {
public:
    int printing = 0, running = 0, stopChecks = 0;
    bool stopOrdered = true;
    int checks = 0, stops = 0;
    int* stopsSeen = nullptr;  // outlives the child

    State Check() override {
        ++checks;
        if (stops > 0) return stopChecks >= 0 && --stopChecks < 0 ? State::Ended : State::Running;
        if (printing > 0) {
            --printing;
            return State::Printed;
        }
        if (running < 0) return State::Running;
        return running-- > 0 ? State::Running : State::Ended;
    }
    bool Stop() override {
        ++stops;
        if (stopsSeen) ++*stopsSeen;
        return stopOrdered;
    }
    std::wstring Output() override { return L"partial"; }
};

class OneChildPort : public ProcessPort {
public:
    int stops = 0;
    std::function<void(ScriptedChild&)> shape;
    std::unique_ptr<RunningProcess> Start(const std::wstring&, bool) override {
        auto child = std::make_unique<ScriptedChild>();
        if (shape) shape(*child);
        child->stopsSeen = &stops;
        return child;
    }
};

TEST(BoundedRunTest, TheChildIsWatchedInVirtualTimeAndStoppedAtItsLimit) {
    struct Case {
        const char* name;
        int printing, running, stopChecks;
        bool stopOrdered;
        BoundedRun::End end;
        milliseconds elapsed;  // virtual time the run took
        int stops;
    };
    const milliseconds limit{60'000}, grace{5'000};
    const Case cases[] = {
        {"ends at once", 0, 0, 0, true, BoundedRun::End::Finished, milliseconds(0), 0},
        {"prints, then ends: no pause while it prints", 500, 0, 0, true, BoundedRun::End::Finished, milliseconds(0), 0},
        // Pauses of 1, 2, 4, 8, 16, 32, then 50 ms.
        {"ends after eight quiet checks", 0, 8, 0, true, BoundedRun::End::Finished, milliseconds(163), 0},
        {"never ends, gone once stopped", 0, -1, 0, true, BoundedRun::End::Stopped, limit, 1},
        {"never ends, gone a while after the stop", 0, -1, 3, true, BoundedRun::End::Stopped, limit + milliseconds(7), 1},
        {"never ends and outlives the stop", 0, -1, -1, true, BoundedRun::End::Unstoppable, limit + grace, 1},
        {"never ends and the stop is refused", 0, -1, -1, false, BoundedRun::End::Unstoppable, limit, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::VirtualClock clock;
        OneChildPort port;
        port.shape = [&c](ScriptedChild& child) {
            child.printing = c.printing;
            child.running = c.running;
            child.stopChecks = c.stopChecks;
            child.stopOrdered = c.stopOrdered;
        };
        const BoundedRun run = RunBounded(port, clock, L"x", true, limit, grace);
        EXPECT_EQ(run.end, c.end);
        EXPECT_EQ(clock.Now(), c.elapsed);
        EXPECT_EQ(port.stops, c.stops);
        EXPECT_EQ(run.output, L"partial");
        for (const milliseconds pause : clock.Sleeps()) EXPECT_LE(pause, milliseconds(50));
    }
    test::VirtualClock clock;
    struct NoStart : ProcessPort {
        std::unique_ptr<RunningProcess> Start(const std::wstring&, bool) override { return nullptr; }
    } refusing;
    EXPECT_EQ(RunBounded(refusing, clock, L"x", false, limit, grace).end, BoundedRun::End::NotStarted);
}

struct RecordedNotice : RunTimeoutNotice {
    std::vector<std::wstring> texts;
    void ShowRunTimeout(const std::wstring& text) override { texts.push_back(text); }
};

TEST(ConsoleRunnerBoundTest, ARunPastItsLimitFailsAndTellsTheUserWhichProgramStopped) {
    struct Case {
        std::wstring line;
        int stopChecks;  // the child is gone this many checks after the stop (never: -1)
        milliseconds limit;
        std::wstring text;
    };
    const Case cases[] = {
        {L"cmd.exe /C diskpart /s C:\\diskdel.script", 0, minutes(10),
         L"diskpart did not finish within 10 minutes and was stopped, with the programs it had started. This step was "
         L"not completed; please check the disk or the connection before trying again."},
        {ChapLoginTargetCommand(L"iqn.2026-12.com.orrin:archive-lun0", L"iqn.1991-05.com.microsoft:pc", L"user",
                                L"secret123456")
             .text,
         -1, minutes(3),
         L"iscsicli did not finish within 3 minutes and could not be stopped. This step was not completed; please end "
         L"it in the Task Manager and check the disk or the connection."},
    };
    for (const Case& c : cases) {
        test::VirtualClock clock;
        OneChildPort port;
        port.shape = [&c](ScriptedChild& child) {
            child.running = -1;
            child.stopChecks = c.stopChecks;
        };
        ScriptedRedirection redirection;
        RecordedNotice notice;
        ConsoleCommandRunner runner(port, redirection, false, clock, &notice);
        EXPECT_FALSE(runner.RunConsoleCommand(c.line));
        EXPECT_TRUE(runner.LastRunTimedOut());
        EXPECT_GE(clock.Now(), c.limit);
        EXPECT_EQ(notice.texts, std::vector<std::wstring>{c.text});
        // What a stopped run printed is no verdict on its script.
        EXPECT_EQ(runner.CapturedCommandOutput(), L"");

        port.shape = [](ScriptedChild&) {};
        EXPECT_TRUE(runner.RunConsoleCommand(c.line));
        EXPECT_FALSE(runner.LastRunTimedOut());
        EXPECT_EQ(notice.texts.size(), 1u);
    }
}

}  // namespace
}  // namespace norvale
