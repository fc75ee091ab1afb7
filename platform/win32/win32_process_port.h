// Console child processes through CreateProcessW, an anonymous pipe and a
// job object that holds the child and everything it starts.
#pragma once

#include "platform/core/console/console_command_runner.h"
#include "platform/core/console/process_port.h"

namespace norvale::win32 {

class Win32ProcessPort final : public ProcessPort {
public:
    // useJobs false: as on a Windows where the child cannot join a job of
    // its own (tests of that path).
    explicit Win32ProcessPort(bool useJobs = true) : useJobs_(useJobs) {}
    std::unique_ptr<RunningProcess> Start(const std::wstring& commandLine, bool keepOutput) override;

private:
    bool useJobs_;
};

// A stopped run as a message box over the active window of the calling
// thread (none on a worker thread).
class Win32RunTimeoutNotice final : public RunTimeoutNotice {
public:
    void ShowRunTimeout(const std::wstring& text) override;
};

}  // namespace norvale::win32
