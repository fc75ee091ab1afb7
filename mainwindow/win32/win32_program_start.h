// The program start on Windows: WinExec, which returns as soon as the new
// process runs and does not wait for it.
#pragma once

#include "mainwindow/core/ports/program_start_port.h"

namespace norvale::win32 {

class Win32ProgramStart final : public ProgramStartPort {
public:
    unsigned StartProgram(const std::string& commandLine, int showCommand) override;
};

}  // namespace norvale::win32
