// How long the program lets each kind of outside program run before it ends
// it. Every console run is bounded by one of these, so that a hung diskpart,
// Virtual Disk service or initiator never freezes the program for good.
#pragma once

#include <chrono>
#include <string>

namespace norvale {

enum class ConsoleCommandKind {
    Diskpart,   // "cmd.exe /C diskpart /s PATH"
    Initiator,  // "iscsicli ..."
    Other,      // the initiator's installer, anything else
};

struct ConsoleRunLimits {
    // diskpart starts the Virtual Disk service first, which on a slow server
    // with many disks takes minutes before the script's first line runs.
    std::chrono::milliseconds diskpart = std::chrono::minutes(10);
    // iscsicli waits for the initiator service; a login to an unreachable
    // portal retries for a minute or two before it reports.
    std::chrono::milliseconds initiator = std::chrono::minutes(3);
    // The initiator's installer copies files and registers its service.
    std::chrono::milliseconds other = std::chrono::minutes(20);
    // After the limit, how long the ended programs get to be gone.
    std::chrono::milliseconds stopGrace = std::chrono::seconds(10);

    std::chrono::milliseconds For(ConsoleCommandKind kind) const;
};

// The limits the shipped program uses.
const ConsoleRunLimits& DefaultConsoleRunLimits();

// The kind of a command line, by its program (and cmd.exe's first word).
ConsoleCommandKind KindOfCommand(const std::wstring& commandLine);

// The program a line starts as the user may read it: its file name without
// folder, or "diskpart" for a diskpart run through cmd.exe. Never more of
// the line: a CHAP line carries the password.
std::wstring ProgramNameOf(const std::wstring& commandLine);

}  // namespace norvale
