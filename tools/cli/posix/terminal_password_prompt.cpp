#include "tools/cli/posix/terminal_password_prompt.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

namespace norvale::cli {
namespace {

// What an interrupt must restore: the terminal and its settings before the
// prompt. Only touched while the prompt runs.
int gTerminal = -1;
termios gSaved{};

extern "C" void RestoreAndReraise(int signalNumber) {
    if (gTerminal >= 0) tcsetattr(gTerminal, TCSAFLUSH, &gSaved);
    std::signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += std::size_t(n);
    }
}

// Longest line kept; the login request uses at most 127 bytes of it.
constexpr std::size_t kMaxLine = 1024;

}  // namespace

std::optional<std::string> TerminalPasswordPrompt::ReadHidden(const std::string& prompt) {
    const int terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return std::nullopt;
    termios saved{};
    if (tcgetattr(terminal, &saved) != 0) {
        close(terminal);
        return std::nullopt;
    }

    gTerminal = terminal;
    gSaved = saved;
    auto previousInt = std::signal(SIGINT, RestoreAndReraise);
    auto previousTerm = std::signal(SIGTERM, RestoreAndReraise);

    termios hidden = saved;
    hidden.c_lflag &= ~tcflag_t(ECHO);
    hidden.c_lflag |= ECHONL;
    tcsetattr(terminal, TCSAFLUSH, &hidden);
    WriteAll(terminal, prompt);

    std::string line;
    bool ended = false;
    for (;;) {
        char c = 0;
        const ssize_t n = read(terminal, &c, 1);
        if (n <= 0) {
            ended = line.empty();
            break;
        }
        if (c == '\n' || c == '\r') break;
        if (line.size() < kMaxLine) line += c;
    }

    tcsetattr(terminal, TCSAFLUSH, &saved);
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    gTerminal = -1;
    close(terminal);
    if (ended) return std::nullopt;
    return line;
}

}  // namespace norvale::cli
