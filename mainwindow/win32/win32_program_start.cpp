#include "mainwindow/win32/win32_program_start.h"

#include <windows.h>

namespace norvale::win32 {

unsigned Win32ProgramStart::StartProgram(const std::string& commandLine, int showCommand) {
    // WinExec's result is already the code the port promises: above 31 on
    // success, otherwise 0, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND or
    // ERROR_BAD_FORMAT.
    return ::WinExec(commandLine.c_str(), static_cast<UINT>(showCommand));
}

}  // namespace norvale::win32
