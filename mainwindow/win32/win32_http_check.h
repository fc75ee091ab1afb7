// The web-port check of the share section on Windows: WinINet's connection
// check.
#pragma once

#include "mainwindow/core/ports/http_check_port.h"

namespace norvale::win32 {

// Stateless; safe from any thread.
class Win32HttpCheck final : public HttpCheckPort {
public:
    bool CheckConnection(const std::wstring& url) override;
};

}  // namespace norvale::win32
