// The WQL the initiator's provider is asked: SELECT * FROM Class, optionally
// WHERE Property = 'literal'. Anything else is an invalid query, as it would
// be for a provider that supports no more.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvale::sim {

struct WqlSelect {
    std::string className;
    std::string whereProperty;  // empty: every instance
    std::string whereValue;     // the literal with its escapes undone
};

// Keywords ignore case; the literal is in single or double quotes, where a
// backslash escapes "\", "'" or '"' and nothing else (any other escape makes
// the query invalid, as an unescaped backslash in a name would).
std::optional<WqlSelect> ParseWqlSelect(std::string_view query);

}  // namespace norvale::sim
