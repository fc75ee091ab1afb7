#include "mainwindow/core/admin_login.h"

#include "platform/core/wipe.h"
#include "protocol/core/device_requests.h"

namespace norvale {

bool RunAdminLoginSequence(DeviceProtocol& protocol, const AskAdminCredentials& ask) {
    protocol.AdminUserName = kDefaultAdminUserName;
    WipeBytes(protocol.AdminPassword);
    if (AdminLogin(protocol) != 0) return true;

    // The second answer only decides whether the user is asked; the third
    // request is sent either way and its answer is the one that counts.
    if (AdminLogin(protocol) == 0 && ask) {
        if (std::optional<AdminCredentials> entered = ask()) {
            protocol.AdminUserName = std::move(entered->userName);
            // Copied, then the source wiped: a move of a short password
            // copies its characters and leaves them behind.
            WipeBytes(protocol.AdminPassword);
            protocol.AdminPassword.reserve(entered->password.size());
            protocol.AdminPassword = entered->password;
            WipeBytes(entered->password);
        }
    }
    const bool loggedIn = AdminLogin(protocol) != 0;
    // Used: nothing later sends it again.
    WipeBytes(protocol.AdminPassword);
    return loggedIn;
}

}  // namespace norvale
