// Time as the logic sees it. Every wait of the program goes through this port,
// so that tests run the exact schedule in virtual time and never sleep.
#pragma once

#include <chrono>

namespace norvale {

class ClockPort {
public:
    virtual ~ClockPort() = default;
    // Monotonic time since an arbitrary origin.
    virtual std::chrono::milliseconds Now() const = 0;
    // Blocks the calling thread (Sleep on Windows).
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
    // Seconds since the epoch, as time() answers; seeds the client identity.
    virtual long long WallSeconds() const = 0;
};

// The real clock: steady_clock and this_thread::sleep_for serve both builds.
ClockPort& SystemClock();

}  // namespace norvale
