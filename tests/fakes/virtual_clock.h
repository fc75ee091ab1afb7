// Virtual time for tests: Sleep advances the clock at once and records the
// pause, so a test can check the exact schedule of waits.
#pragma once

#include <chrono>
#include <vector>

#include "platform/core/clock_port.h"

namespace norvale::test {

class VirtualClock final : public ClockPort {
public:
    std::chrono::milliseconds Now() const override { return now_; }
    void Sleep(std::chrono::milliseconds duration) override {
        sleeps_.push_back(duration);
        now_ += duration;
    }
    long long WallSeconds() const override { return wallOrigin_ + now_.count() / 1000; }

    // Time that passes without a Sleep (a select() that waited, for example).
    void Advance(std::chrono::milliseconds duration) { now_ += duration; }
    void SetWallOrigin(long long seconds) { wallOrigin_ = seconds; }
    const std::vector<std::chrono::milliseconds>& Sleeps() const { return sleeps_; }
    void ClearSleeps() { sleeps_.clear(); }

private:
    std::chrono::milliseconds now_{0};
    long long wallOrigin_ = 1'700'000'000;
    std::vector<std::chrono::milliseconds> sleeps_;
};

}  // namespace norvale::test
