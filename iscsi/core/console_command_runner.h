// The one runner of console commands: initiator command lines, diskpart
// scripts and the initiator installer.
#pragma once

#include <string>

#include "iscsi/core/command_runner.h"
#include "iscsi/core/process_port.h"
#include "platform/core/trace_port.h"
#include "platform/core/version/wow64_redirection_port.h"

namespace norvale {

class ConsoleCommandRunner : public CommandRunner {
public:
    // isWow64: the application's answer taken at start-up. Under WOW64 each
    // run first turns file-system redirection off for the calling thread, so
    // that cmd.exe, iscsicli and diskpart are the native 64-bit programs.
    ConsoleCommandRunner(ProcessPort& processes, Wow64RedirectionPort& redirection, bool isWow64);

    // The support log gets each command line with its exit code, the CHAP
    // secret of a login line replaced by "***".
    bool RunConsoleCommand(const std::wstring& commandLine) override;
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
    TracePort* log_ = nullptr;
    std::wstring captured_;
};

}  // namespace norvale
