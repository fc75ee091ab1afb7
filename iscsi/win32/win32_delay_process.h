// The delay process of a portal refresh through CreateProcessW: hidden, in
// a new console, inheriting nothing; waited for with WaitForSingleObject.
#pragma once

#include "iscsi/core/targets/delay_process_port.h"

namespace norvale::win32 {

class Win32DelayProcess final : public DelayProcessPort {
public:
    ProcessHandle StartHidden(const std::wstring& commandLine) override;
    void WaitForEnd(ProcessHandle process) override;
    void Close(ProcessHandle process) override;
};

}  // namespace norvale::win32
