// The system's own wording of an error code (FormatMessageW on Windows):
// where a step fails with a system error, the user reads what Windows would
// say, in the language of their Windows, under the caption "Warning".
#pragma once

#include <cstdint>
#include <string>

namespace norvale {

class ErrorTextPort {
public:
    virtual ~ErrorTextPort() = default;
    // Never empty: a code the system has no text for still gets its number.
    virtual std::wstring TextOf(std::uint32_t code) const = 0;
};

// The text on one line, for a log: without the line break (and blanks) that
// the system's texts end with.
inline std::wstring OneLine(std::wstring text) {
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return text;
}
inline std::wstring OneLineTextOf(const ErrorTextPort& texts, std::uint32_t code) { return OneLine(texts.TextOf(code)); }

}  // namespace norvale
