#include "platform/core/trace_port.h"

namespace norvale {
namespace {

class DroppingTrace final : public TracePort {
public:
    void Trace(const std::wstring&) override {}
};

}  // namespace

TracePort& SilentTrace() {
    static DroppingTrace trace;
    return trace;
}

}  // namespace norvale
