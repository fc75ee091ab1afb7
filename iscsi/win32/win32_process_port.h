// Console child processes through CreateProcessW and an anonymous pipe.
#pragma once

#include "iscsi/core/process_port.h"

namespace norvale::win32 {

class Win32ProcessPort final : public ProcessPort {
public:
    ProcessRun RunHidden(const std::wstring& commandLine, bool keepOutput) override;
};

}  // namespace norvale::win32
