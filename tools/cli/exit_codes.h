// The exit codes of norvale-cli; --help lists them, scripts rely on them.
#pragma once

namespace norvale::cli {

enum class ExitCode : int {
    Ok = 0,
    SocketsUnavailable = 1,  // the socket layer could not start
    InvalidInput = 2,        // bad usage or an input the LAN rules refuse
    NoSuchAppliance = 3,     // no appliance answered discovery (at that address)
    NoAnswer = 4,            // the appliance did not answer a request
    LoginRefused = 5,        // the administrator login was refused
    NotRediscovered = 6,     // the change was sent but the appliance was not found afterwards
};

inline int ToInt(ExitCode code) { return static_cast<int>(code); }

}  // namespace norvale::cli
