// WMI through COM: the in-process WbemLocator, IWbemServices queries and the
// one instance the program stores. COM must be initialised on the calling
// thread (the main dialog does it as a single-threaded apartment).
#pragma once

#include "platform/core/initiator/wmi_port.h"

namespace norvale::win32 {

class Win32WmiPort final : public WmiPort {
public:
    WmiResult InitializeSecurity() override;
    std::wstring LocalMachineName() override;
    WmiOutcome<WmiLocator> CreateLocator() override;
};

}  // namespace norvale::win32
