// Starting one console child process and watching it until its end.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace norvale {

struct ProcessRun {
    bool started = false;  // false: the process could not be created
    std::wstring output;   // what it printed, when asked for; else empty
    std::optional<std::uint32_t> exitCode;  // its exit code, where it could be read
};

// One started child. Nothing here blocks: the caller decides how long it
// waits (see RunBounded), and pauses through the clock between checks.
class RunningProcess {
public:
    enum class State {
        Running,   // nothing new
        Printed,   // still running, and output was taken since the last check
        Ended,     // the child has exited and every holder of its output closed it
    };
    virtual ~RunningProcess() = default;
    // Takes what is waiting in the output pipe (so that a child printing
    // more than the pipe holds never blocks) and tells where the run stands.
    virtual State Check() = 0;
    // Ends the child and every process it started; the caller goes on
    // checking until Ended. Answers false when the end could not be ordered.
    virtual bool Stop() = 0;
    // What it printed so far, when asked for at the start; else empty. The
    // bytes are converted from the ANSI code page as a whole (a double-byte
    // character may straddle two reads).
    virtual std::wstring Output() = 0;
    // Its exit code once Ended, where it could be read (for the support log).
    virtual std::optional<std::uint32_t> ExitCode() { return std::nullopt; }
};

class ProcessPort {
public:
    virtual ~ProcessPort() = default;
    // Starts commandLine (program and arguments, exactly as given) with no
    // window, no standard input, and standard output and error both into one
    // pipe. nullptr when the process could not be created.
    virtual std::unique_ptr<RunningProcess> Start(const std::wstring& commandLine, bool keepOutput) = 0;
};

// A port whose runs are over when they return (the simulations of the
// programs, which answer in the caller's own thread).
class ImmediateProcessPort : public ProcessPort {
public:
    virtual ProcessRun RunHidden(const std::wstring& commandLine, bool keepOutput) = 0;
    std::unique_ptr<RunningProcess> Start(const std::wstring& commandLine, bool keepOutput) override;
};

}  // namespace norvale
