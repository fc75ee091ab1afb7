#include "mainwindow/core/admin_login.h"

#include "protocol/core/device_requests.h"

namespace norvale {

bool RunAdminLoginSequence(DeviceProtocol& protocol, const AskAdminCredentials& ask) {
    protocol.AdminUserName = kDefaultAdminUserName;
    protocol.AdminPassword.clear();
    if (AdminLogin(protocol) != 0) return true;

    // The second answer only decides whether the user is asked; the third
    // request is sent either way and its answer is the one that counts.
    if (AdminLogin(protocol) == 0 && ask) {
        if (std::optional<AdminCredentials> entered = ask()) {
            protocol.AdminUserName = std::move(entered->userName);
            protocol.AdminPassword = std::move(entered->password);
        }
    }
    return AdminLogin(protocol) != 0;
}

}  // namespace norvale
