// The administrator login that precedes every LAN settings change. The device
// ships with the user "admin" and an empty password, so that is tried first,
// twice (a datagram may be lost); only then is the user asked, once, and the
// login sent a third time.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "protocol/core/device_protocol.h"

namespace norvale {

inline constexpr char kDefaultAdminUserName[] = "admin";

// What the user entered, as UTF-8 (the request cuts it to 31 and 127 bytes).
struct AdminCredentials {
    std::string userName;
    std::string password;
};

// Stands for the login dialog: the credentials on OK, nullopt on Cancel.
using AskAdminCredentials = std::function<std::optional<AdminCredentials>()>;

// The sequence in its three parts, for a caller that asks the user between
// the blocking ones (a dialog asks on its own thread, the requests run on a
// worker).
enum class AdminLoginStage {
    Accepted,   // the first request was accepted: done
    AskUser,    // the second was refused: ask, then the last request
    SendAgain,  // the second was accepted: the last request, with the defaults
};
// The defaults set, the first request and, when refused, the second. Blocks.
AdminLoginStage FirstAdminLogins(DeviceProtocol& protocol);
// What the user entered becomes the credentials of the last request
// (nullopt, Cancel: the defaults stay); `entered` is wiped.
void TakeAdminCredentials(DeviceProtocol& protocol, std::optional<AdminCredentials> entered);
// The last request; the password is wiped afterwards. Blocks.
bool FinalAdminLogin(DeviceProtocol& protocol);

// Logs in to the device SelectedDeviceIp names. Sets AdminUserName and
// AdminPassword to the default and sends AdminLogin; when refused, sends it
// again; when that is refused too, asks through `ask`. Then a third request
// goes out (also when the second was accepted), with the entered credentials,
// or with the defaults after Cancel. True when the first or the third request
// was accepted.
bool RunAdminLoginSequence(DeviceProtocol& protocol, const AskAdminCredentials& ask);

}  // namespace norvale
