// PasswordPrompt on the console (CONIN$/CONOUT$), echo off through
// SetConsoleMode, so the password is asked even when the standard handles
// are redirected.
#pragma once

#include "tools/cli/password_prompt_port.h"

namespace norvale::cli {

class ConsolePasswordPrompt final : public PasswordPrompt {
public:
    std::optional<std::string> ReadHidden(const std::string& prompt) override;
};

}  // namespace norvale::cli
