// Starting another program by its command line without waiting for it: the
// web browser (or Explorer) that shows a device's configuration page.
#pragma once

#include <string>

namespace norvale {

// Show commands a caller passes through unchanged (the SW_* values).
inline constexpr int kShowHidden = 0;  // SW_HIDE

// Result codes of a start, as WinExec reports them: above 31 when the program
// started; otherwise the reason.
inline constexpr unsigned kStartOutOfResources = 0;
inline constexpr unsigned kStartFileNotFound = 2;
inline constexpr unsigned kStartPathNotFound = 3;
inline constexpr unsigned kStartBadFormat = 11;

class ProgramStartPort {
public:
    virtual ~ProgramStartPort() = default;
    // Starts `commandLine` (UTF-8 bytes, program first, then its arguments)
    // with the given show command and returns at once with the result code.
    virtual unsigned StartProgram(const std::string& commandLine, int showCommand) = 0;
};

}  // namespace norvale
