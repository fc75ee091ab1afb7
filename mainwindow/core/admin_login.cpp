#include "mainwindow/core/admin_login.h"

#include "platform/core/wipe.h"
#include "protocol/core/device_requests.h"

namespace norvale {

AdminLoginStage FirstAdminLogins(DeviceProtocol& protocol) {
    protocol.AdminUserName = kDefaultAdminUserName;
    WipeBytes(protocol.AdminPassword);
    if (AdminLogin(protocol) != 0) return AdminLoginStage::Accepted;
    // The second answer only decides whether the user is asked; the third
    // request is sent either way and its answer is the one that counts.
    return AdminLogin(protocol) == 0 ? AdminLoginStage::AskUser : AdminLoginStage::SendAgain;
}

void TakeAdminCredentials(DeviceProtocol& protocol, std::optional<AdminCredentials> entered) {
    if (!entered) return;
    protocol.AdminUserName = std::move(entered->userName);
    // Copied, then the source wiped: a move of a short password copies its
    // characters and leaves them behind.
    WipeBytes(protocol.AdminPassword);
    protocol.AdminPassword.reserve(entered->password.size());
    protocol.AdminPassword = entered->password;
    WipeBytes(entered->password);
}

bool FinalAdminLogin(DeviceProtocol& protocol) {
    const bool loggedIn = AdminLogin(protocol) != 0;
    // Used: nothing later sends it again.
    WipeBytes(protocol.AdminPassword);
    return loggedIn;
}

bool RunAdminLoginSequence(DeviceProtocol& protocol, const AskAdminCredentials& ask) {
    const AdminLoginStage stage = FirstAdminLogins(protocol);
    if (stage == AdminLoginStage::Accepted) return true;
    if (stage == AdminLoginStage::AskUser && ask) TakeAdminCredentials(protocol, ask());
    return FinalAdminLogin(protocol);
}

}  // namespace norvale
