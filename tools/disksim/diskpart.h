// diskpart for the script lines this program writes (select disk, select
// partition, attributes disk clear readonly, online disk, delete partition
// override, assign letter=X), acting on the simulated stack and printing what
// diskpart prints, errors included. Every other command is refused with
// diskpart's help text and changes nothing.
#pragma once

#include <cstdint>
#include <string>

#include "tools/disksim/simulated_disk_stack.h"

namespace norvale::disksim {

struct DiskpartCommand {
    enum class Kind {
        Blank,  // an empty line or a REM comment
        SelectDisk,
        SelectPartition,
        ClearReadOnly,
        OnlineDisk,
        DeletePartition,
        AssignLetter,
        Exit,
        BadArguments,  // a known command with arguments it does not take
        Unknown,
    };
    Kind kind = Kind::Blank;
    std::uint32_t number = 0;
    char letter = 0;
    bool noerr = false;
    std::string helpTopic;  // for BadArguments: "SELECT DISK"
};

// One line of a script (8-bit text, any case, a trailing CR allowed).
DiskpartCommand ParseDiskpartLine(const std::string& line);

struct DiskpartRun {
    std::string output;  // CRLF lines, as the console shows them
    int exitCode = 0;    // 0; 2 bad command; 4 service error; 5 nothing selected
};

// The diskpart of each Windows: 5.1 (XP), 5.2 (Server 2003, XP x64), 6.0
// (Vista, Server 2008), 6.1 (7, Server 2008 R2). Before 6.0 diskpart knows no
// "attributes disk" and no "online disk" (its ONLINE takes no object).
struct DiskpartVersion {
    int major = 6;
    int minor = 1;
    bool KnowsDiskAttributes() const { return major >= 6; }
};

// Runs a whole script as "diskpart /s" does: the banner, then each command;
// the first error ends the run unless the command says noerr.
DiskpartRun RunDiskpartScript(SimulatedDiskStack& stack, const std::string& script,
                              DiskpartVersion version = {});

}  // namespace norvale::disksim
