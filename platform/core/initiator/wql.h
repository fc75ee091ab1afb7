// WQL conditions built from names that came from outside (target names the
// appliance or the initiator reported). A quote or backslash in such a name
// must neither end the string literal early nor widen the query, so the value
// is written as a WQL string literal with its escapes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvale {

// value between single quotes, with "\" written "\\" and "'" written "\'".
// nullopt for a value holding a NUL character, which the query text cannot
// carry: callers treat such a name as matching nothing.
std::optional<std::wstring> WqlStringLiteral(std::wstring_view value);

// "Class WHERE Property = 'value'", the class-and-condition text that
// CWmiWrapper::QueryPropertyValues takes; nullopt as above.
std::optional<std::wstring> WqlWhereEquals(std::wstring_view className, std::wstring_view property,
                                           std::wstring_view value);

}  // namespace norvale
