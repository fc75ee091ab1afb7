// PasswordPrompt on the controlling terminal (/dev/tty), echo off through
// termios, so the password is asked even when stdin or stdout are redirected.
#pragma once

#include "tools/cli/password_prompt_port.h"

namespace norvale::cli {

class TerminalPasswordPrompt final : public PasswordPrompt {
public:
    std::optional<std::string> ReadHidden(const std::string& prompt) override;
};

}  // namespace norvale::cli
