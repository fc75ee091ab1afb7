// The line protocol between the simulated initiator's daemon and its Windows
// stand-ins (iscsicli.exe, the WMI locator, the MSiSCSI service). One request
// per TCP connection: the client sends one line, the daemon answers with
// lines up to "END" and closes.
//
// A line is fields separated by single blanks and ends in "\n". Every field
// is percent-encoded: bytes below 0x21, above 0x7E and "%" are written %XX,
// so a field never holds a blank or a line end; an empty text is a lone "%".
// Texts are UTF-8.
//
//   request:   VERB [ARG ...]
//   response:  OK <code>            (decimal, may be negative)
//              LINE <text>          zero or more lines of output
//              DELAY <ms>|never     SERVICE start only
//              OBJECT <class>       zero or more objects, each
//              P <name> null | str <text> | bool 0|1 | i32 <n> | u32 <n>
//              P <name> objs <count>    followed by <count> OBJECT blocks
//              ENDOBJECT
//              END
//
// Verbs (see daemon_service.h): ISCSICLI <line>, CONNECT <path>, QUERY <wql>,
// CLASS <name>, PUT <class> [<name> <text>]..., SERVICE start|running|
// stopped|state, LOG, STATE, RESET, FAULT <name> <value>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/initiator_sim/sim_object.h"

namespace norvale::sim::wire {

inline constexpr std::size_t kMaxLine = 64 * 1024;
inline constexpr std::size_t kMaxMessage = 8 * 1024 * 1024;
inline constexpr int kMaxDepth = 8;

std::string EncodeField(std::string_view bytes);
// nullopt for a bad escape ("%" not followed by two hex digits).
std::optional<std::string> DecodeField(std::string_view field);

// Fields joined and encoded, with the line end.
std::string FormatLine(const std::vector<std::string>& fields);
// One line without its end: the decoded fields; nullopt when a field is
// empty (two blanks in a row, a blank at either end), an escape is bad or
// the line is longer than kMaxLine.
std::optional<std::vector<std::string>> ParseLine(std::string_view line);

struct Request {
    std::string verb;
    std::vector<std::string> args;
};

std::string FormatRequest(const Request& request);
// The first line of `bytes` (which must end in "\n"); nullopt when malformed.
std::optional<Request> ParseRequest(std::string_view bytes);

struct Response {
    std::int64_t code = 0;
    std::vector<std::string> lines;
    std::optional<std::int64_t> delayMs;  // SERVICE start: how long to take
    bool delayNever = false;              // ... or to stay starting
    std::vector<SimObject> objects;
};

std::string FormatResponse(const Response& response);
// A whole response up to and including "END\n"; nullopt when anything in it
// is malformed, nested deeper than kMaxDepth or larger than kMaxMessage.
std::optional<Response> ParseResponse(std::string_view bytes);

}  // namespace norvale::sim::wire
