// Asking for the administrator password on the terminal, without echo.
#pragma once

#include <optional>
#include <string>

namespace norvale::cli {

class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    // Shows `prompt` (UTF-8) and reads one line with echo off. The line
    // without its end (UTF-8), or nullopt when there is no terminal to ask on
    // or the input ended.
    virtual std::optional<std::string> ReadHidden(const std::string& prompt) = 0;
};

}  // namespace norvale::cli
