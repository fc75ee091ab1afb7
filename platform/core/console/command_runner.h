// What the rest of the program asks of the console command runner: run one
// command line without a window, wait for its end, and keep the output of
// the disk-deletion script runs.
#pragma once

#include <string>

namespace norvale {

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // True when the command was started and has ended (its exit code is not
    // looked at); false when it could not be run or did not end in time.
    virtual bool RunConsoleCommand(const std::wstring& commandLine) = 0;
    // True when the last run was ended at its time limit (and so answered
    // false): the step it served did not complete.
    virtual bool LastRunTimedOut() const { return false; }
    // What the last captured run printed; empty until the first one.
    virtual const std::wstring& CapturedCommandOutput() const = 0;
};

}  // namespace norvale
