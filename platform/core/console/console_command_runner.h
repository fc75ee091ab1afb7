// The one runner of console commands: initiator command lines, diskpart
// scripts and the initiator installer.
#pragma once

#include <mutex>
#include <string>

#include "platform/core/clock_port.h"
#include "platform/core/console/command_runner.h"
#include "platform/core/console/process_port.h"
#include "platform/core/console/run_limits.h"
#include "platform/core/trace_port.h"
#include "platform/core/version/wow64_redirection_port.h"

namespace norvale {

// Where a run that was ended at its limit is told to the user (a message
// box on Windows). The text names the program, never the command line.
class RunTimeoutNotice {
public:
    virtual ~RunTimeoutNotice() = default;
    virtual void ShowRunTimeout(const std::wstring& text) = 0;
};

// String 278 (ended) or 279 (could not be ended), with the program's name
// and the limit in whole minutes, rounded up.
std::wstring RunTimeoutText(const std::wstring& program, std::chrono::milliseconds limit, bool ended);

class ConsoleCommandRunner : public CommandRunner {
public:
    // isWow64: the application's answer taken at start-up. Under WOW64 each
    // run first turns file-system redirection off for the calling thread, so
    // that cmd.exe, iscsicli and diskpart are the native 64-bit programs.
    // Every run is bounded by the limit of its kind, waited through `clock`;
    // a run ended at its limit is told to `notice` (when given).
    ConsoleCommandRunner(ProcessPort& processes, Wow64RedirectionPort& redirection, bool isWow64,
                         ClockPort& clock = SystemClock(), RunTimeoutNotice* notice = nullptr,
                         const ConsoleRunLimits& limits = DefaultConsoleRunLimits());

    // The command line is never written to a trace as it stands: CHAP lines
    // carry the password. The support log gets it with the CHAP secret
    // replaced by "***", and its exit code. False as well when the run was
    // ended at its limit. Runs from several workers take turns.
    bool RunConsoleCommand(const std::wstring& commandLine) override;
    bool LastRunTimedOut() const override { return lastTimedOut_; }
    void SetLog(TracePort& log) { log_ = &log; }
    // Not locked: callers never run two disk-deletion scripts at once.
    const std::wstring& CapturedCommandOutput() const override { return captured_; }

    // Only the disk-deletion script's output is kept; a line that merely
    // starts with the name is not such a run.
    static bool IsCapturedRun(const std::wstring& commandLine);

private:
    ProcessPort& processes_;
    Wow64RedirectionPort& redirection_;
    bool isWow64_;
    ClockPort& clock_;
    RunTimeoutNotice* notice_;
    ConsoleRunLimits limits_;
    std::mutex turn_;
    bool lastTimedOut_ = false;
    TracePort* log_ = nullptr;
    std::wstring captured_;
};

}  // namespace norvale
