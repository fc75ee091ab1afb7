// The service control manager: OpenSCManagerW, OpenServiceW,
// QueryServiceStatus and StartServiceW, each with full access.
#pragma once

#include "iscsi/core/service_control_port.h"

namespace norvale::win32 {

class Win32ServiceControl final : public ServiceControlPort {
public:
    std::unique_ptr<ServiceHandle> Open(const std::wstring& name) override;
    std::uint32_t LastOpenError() const override { return lastOpenError_; }

private:
    std::uint32_t lastOpenError_ = 0;
};

}  // namespace norvale::win32
