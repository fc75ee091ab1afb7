#include "platform/core/clock_port.h"

#include <ctime>
#include <thread>

namespace norvale {
namespace {

class SteadyClock final : public ClockPort {
public:
    std::chrono::milliseconds Now() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
    void Sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
    long long WallSeconds() const override { return static_cast<long long>(std::time(nullptr)); }
};

}  // namespace

ClockPort& SystemClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace norvale
