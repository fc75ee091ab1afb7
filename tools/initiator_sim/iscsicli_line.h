// The iscsicli command lines the simulated initiator accepts: exactly the
// forms the product builds, read the way iscsicli reads its arguments
// (positional, split by the C runtime's rules, a star for a default). A line
// of any other form is refused as the tool refuses a bad one: a usage text
// and "The parameter is incorrect.".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::sim {

// One argument as the C runtime hands it over, with where it stood.
struct CommandToken {
    std::string text;
    bool quoted = false;  // the whole argument stood between double quotes
    std::size_t begin = 0;
    std::size_t end = 0;  // of the raw text in the line
};

// Splits a command line into arguments: blanks and tabs separate them
// outside quotes; 2n backslashes before a quote give n and the quote
// delimits, 2n+1 give n and a literal quote. nullopt when a quote stays open.
std::optional<std::vector<CommandToken>> SplitCommandLine(std::string_view line);

enum class IscsicliVerb {
    LoginTarget,
    PersistentLoginTarget,
    BindPersistentVolumes,
    LogoutTarget,
    RemovePersistentTarget,
    RemovePersistentDevice,
    AddPersistentDevice,
    ClearPersistentDevices,
    RemoveTargetPortal,
    ListTargets,
};

struct IscsicliCommand {
    IscsicliVerb verb = IscsicliVerb::ListTargets;
    std::string targetName;      // login lines, RemovePersistentTarget
    std::string initiatorName;   // login lines ("*": any); RemovePersistentTarget: the instance
    bool chap = false;           // login lines with user name and password
    std::string chapUser;
    std::string chapSecret;      // the secret's bytes (a "0x" argument decoded); never logged or printed
    std::string sessionId;       // LogoutTarget
    std::string portalAddress;   // RemovePersistentTarget, RemoveTargetPortal
    std::string driveRoot;       // persistent device lines: "X:" or "X:\\", letter upper case
};

struct IscsicliParse {
    std::optional<IscsicliCommand> command;
    bool unknownVerb = false;
    std::string usage;  // for a refused line of a known verb: its syntax
};

// line: the whole command line, program name first.
IscsicliParse ParseIscsicliLine(std::string_view line);

// How iscsicli reads one argument once the C runtime has split the line (the
// quotes are gone by then). The parser and the tests share these rules.
namespace iscsicli_rules {

// "*" selects the default, whether or not it stood between quotes.
bool IsDefault(const CommandToken& argument);
// A CHAP secret (or key): text that begins with "0x" is the hex of its bytes,
// anything else is its own bytes. nullopt for "0x" with an odd number of
// digits or a character that is not a hex digit.
std::optional<std::string> SecretBytes(std::string_view argument);
// A volume path as given: "E:" and "E:\" are different entries (iscsicli
// hands the text on as it is); only the letter's case is ignored. nullopt
// for anything but a drive letter with its colon and an optional backslash.
std::optional<std::string> VolumePath(std::string_view argument);

}  // namespace iscsicli_rules

// The line as it may be logged: the CHAP password of a login line becomes
// "***"; in a refused line every quoted argument and every argument from the
// user name on (login verbs) does, as it may hold a password.
std::string RedactIscsicliLine(std::string_view line);

}  // namespace norvale::sim
