// norvale-cli on the host: POSIX sockets, the real clock, the terminal.
#include <iostream>
#include <string>
#include <vector>

#include "platform/core/clock_port.h"
#include "protocol/posix/posix_socket_port.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/language_texts.h"
#include "tools/cli/posix/terminal_password_prompt.h"

int main(int argc, char** argv) {
    norvale::PosixSocketPort sockets;
    norvale::cli::TerminalPasswordPrompt prompt;
    norvale::cli::CliEnvironment env{sockets,  norvale::SystemClock(), norvale::StdRandom(), prompt,
                                     norvale::cli::LanguageTexts(), std::cout, std::cerr};
    return norvale::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), env);
}
