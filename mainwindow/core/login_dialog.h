// The login dialog (template 134): a user name and a hidden password. It is
// asked for the device administrator's password before a LAN change, and for
// share credentials before a drive mapping.
//
//   std::string user = protocol.AdminUserName, password = protocol.AdminPassword;
//   CLoginDialog login(LoginDialogInputs{}, user, password);
//   if (surface.RunModal(login, IDD_LOGIN) == kIdOk) { ... user, password set ... }
#pragma once

#include <string>

#include "controls/core/dialog_controller.h"
#include "mainwindow/core/ports/windows_user_port.h"

namespace norvale {

enum class LoginMode {
    // The user name of the Windows account (share connections).
    WindowsUser = 0,
    // The fixed device administrator "admin"; only the password is typed.
    Administrator = 1,
};

struct LoginDialogInputs {
    LoginMode mode = LoginMode::Administrator;
    // WindowsUser mode only: where the account name comes from, and the
    // Windows version name (GetWindowsVersionName). On Windows 98 and ME the
    // account name is the one the share must be mapped for, so it is shown
    // and cannot be changed; elsewhere the field starts empty.
    const WindowsUserPort* windowsUser = nullptr;
    std::wstring windowsVersionName;
};

// Longest texts the device takes, in UTF-8 bytes; the fields are limited to
// as many characters.
inline constexpr int kLoginUserNameMax = 31;
inline constexpr int kLoginPasswordMax = 127;

class CLoginDialog final : public DialogController {
public:
    // OK writes the entered texts as UTF-8 into `userName` and `password`
    // (cut at a character boundary to 31 and 127 bytes); Cancel leaves them
    // as they were. Both must outlive the dialog.
    CLoginDialog(LoginDialogInputs inputs, std::string& userName, std::string& password);

private:
    bool OnInitDialog();
    void OnOk();

    LoginDialogInputs inputs_;
    std::string& userName_;
    std::string& password_;
};

}  // namespace norvale
