// Starting one console child process and waiting for its end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace norvale {

struct ProcessRun {
    bool started = false;  // false: the process could not be created
    std::wstring output;   // what it printed, when asked for; else empty
    std::optional<std::uint32_t> exitCode;  // its exit code, where it could be read
};

class ProcessPort {
public:
    virtual ~ProcessPort() = default;
    // Runs commandLine (program and arguments, exactly as given) with no
    // window, no standard input, and standard output and error both into one
    // pipe; returns once the child has ended. The pipe is always read to its
    // end so that a child printing more than the pipe holds never blocks.
    // With keepOutput the bytes come back as wide text, converted from the
    // ANSI code page as a whole (a double-byte character may straddle two
    // reads); without it they are discarded.
    virtual ProcessRun RunHidden(const std::wstring& commandLine, bool keepOutput) = 0;
};

}  // namespace norvale
