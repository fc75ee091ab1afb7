#include "iscsi/win32/win32_delay_process.h"

#include <windows.h>

#include <vector>

namespace norvale::win32 {

namespace {

HANDLE AsHandle(ProcessHandle process) { return reinterpret_cast<HANDLE>(process); }

}  // namespace

ProcessHandle Win32DelayProcess::StartHidden(const std::wstring& commandLine) {
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                        &startup, &process)) {
        return 0;
    }
    CloseHandle(process.hThread);
    return reinterpret_cast<ProcessHandle>(process.hProcess);
}

void Win32DelayProcess::WaitForEnd(ProcessHandle process) {
    WaitForSingleObject(AsHandle(process), INFINITE);
}

void Win32DelayProcess::Close(ProcessHandle process) { CloseHandle(AsHandle(process)); }

}  // namespace norvale::win32
