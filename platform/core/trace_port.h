// Diagnostic traces: plain-text lines the program writes for whoever looks.
// A GUI process has no console, so the product's sink drops them; tests read
// them through a recording sink. Never hand a password or secret to a trace.
#pragma once

#include <string>

namespace norvale {

class TracePort {
public:
    virtual ~TracePort() = default;
    // One piece of trace text, line ends included as the caller writes them.
    virtual void Trace(const std::wstring& text) = 0;
};

// The product's sink: every trace is dropped.
TracePort& SilentTrace();

}  // namespace norvale
