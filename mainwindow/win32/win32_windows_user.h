// The Windows account name for the login dialog (GetUserNameW).
#pragma once

#include "mainwindow/core/ports/windows_user_port.h"

namespace norvale::win32 {

class Win32WindowsUser final : public WindowsUserPort {
public:
    std::wstring CurrentUserName() const override;
};

}  // namespace norvale::win32
