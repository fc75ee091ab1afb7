// norvale-cli.exe: a console program over Winsock, the real clock and the
// console. Arguments arrive as UTF-16 and go on as UTF-8.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "platform/core/clock_port.h"
#include "platform/core/utf8.h"
#include "protocol/win32/winsock_socket_port.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/language_texts.h"
#include "tools/cli/win32/console_password_prompt.h"

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(norvale::WideToUtf8(argv[i]));

    norvale::win32::WinsockSocketPort sockets;
    norvale::cli::ConsolePasswordPrompt prompt;
    norvale::cli::CliEnvironment env{sockets,  norvale::SystemClock(), norvale::StdRandom(), prompt,
                                     norvale::cli::LanguageTexts(), std::cout, std::cerr};
    return norvale::cli::RunCli(arguments, env);
}
