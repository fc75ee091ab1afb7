// The system's text of an error is asked for exactly when a request failed
// and the user is about to read why: that is also what the support log keeps.
#pragma once

#include <string>

#include "platform/core/error_text_port.h"
#include "platform/core/trace_port.h"

namespace norvale {

class LoggedErrorTexts final : public ErrorTextPort {
public:
    LoggedErrorTexts(const ErrorTextPort& texts, TracePort& log) : texts_(texts), log_(log) {}
    std::wstring TextOf(std::uint32_t code) const override {
        std::wstring text = texts_.TextOf(code);
        log_.Trace(L"request failed: error " + std::to_wstring(code) + L": " + OneLine(text));
        return text;
    }

private:
    const ErrorTextPort& texts_;
    TracePort& log_;
};

}  // namespace norvale
