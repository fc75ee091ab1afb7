// Everything a command reaches outside itself; main fills it with the real
// ports, tests with fakes.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "platform/core/clock_port.h"
#include "protocol/core/client_id.h"
#include "protocol/core/socket_port.h"
#include "tools/cli/password_prompt_port.h"

namespace norvale::cli {

// The text of a string-table id in the user's language.
using MessageTexts = std::function<std::wstring(unsigned stringId)>;

struct CliEnvironment {
    SocketPort& sockets;
    ClockPort& clock;
    RandomSource& random;
    PasswordPrompt& passwordPrompt;
    MessageTexts texts;
    std::ostream& out;  // results: text lines or one JSON document
    std::ostream& err;  // one-line messages
};

}  // namespace norvale::cli
