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
    // looked at); false when it could not be run.
    virtual bool RunConsoleCommand(const std::wstring& commandLine) = 0;
    // What the last captured run printed; empty until the first one.
    virtual const std::wstring& CapturedCommandOutput() const = 0;
};

}  // namespace norvale
