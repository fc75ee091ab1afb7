// The name of the Windows user this program runs as, offered by the login
// dialog where the system logs users in by name only.
#pragma once

#include <string>

namespace norvale {

class WindowsUserPort {
public:
    virtual ~WindowsUserPort() = default;
    // The logon name; empty when Windows does not tell it.
    virtual std::wstring CurrentUserName() const = 0;
};

}  // namespace norvale
