// The command line of norvale-cli, parsed into one request. Parsing never
// echoes an option's value in its error text: a mistyped --password must not
// put the password on the screen.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace norvale::cli {

enum class Command { Discover, Shares, Targets, SetStatic, SetDhcp };

struct CliRequest {
    Command command = Command::Discover;
    bool json = false;
    std::string applianceIp;  // as typed; empty for discover
    int page = 1;             // shares: 1-based page number
    // set-static: as typed; nullopt when the option is missing.
    std::optional<std::string> newIp;
    std::optional<std::string> newNetmask;
    std::optional<std::string> newGateway;
    // set-static / set-dhcp; nullopt: ask on the terminal when needed.
    std::optional<std::string> password;
    // set-static / set-dhcp: pause before the appliance is looked for again.
    std::chrono::milliseconds settle{0};
};

// The GUI waits this long after a DHCP change before it looks again.
inline constexpr std::chrono::milliseconds kDefaultDhcpSettle{15000};
inline constexpr std::chrono::milliseconds kMaxSettle{3'600'000};

struct ParsedArguments {
    enum class Outcome { Run, Help, Error };
    Outcome outcome = Outcome::Error;
    CliRequest request;
    std::string error;  // one line, for Outcome::Error
};

// `arguments` without the program name.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments);

// "1", "0.5", "2.250": non-negative decimal seconds, at most kMaxSettle.
std::optional<std::chrono::milliseconds> ParseSeconds(const std::string& text);

}  // namespace norvale::cli
