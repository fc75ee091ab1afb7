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

}  // namespace norvale
