// Virtual time for tests: Sleep advances the clock at once and records the
// pause, so a test can check the exact schedule of waits.
#pragma once

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "platform/core/clock_port.h"

namespace norvale::test {

class VirtualClock final : public ClockPort {
public:
    VirtualClock() { Track(this, true); }
    VirtualClock(const VirtualClock& other) : now_(other.now_), wallOrigin_(other.wallOrigin_), sleeps_(other.sleeps_) {
        Track(this, true);
    }
    VirtualClock& operator=(const VirtualClock&) = default;
    ~VirtualClock() override { Track(this, false); }

    // The clock as a virtual one, or nullptr. Known by address: the Windows
    // build has no run-time type information.
    static VirtualClock* Of(ClockPort& clock) {
        const std::lock_guard<std::mutex> lock(Lock());
        return Live().count(&clock) != 0 ? static_cast<VirtualClock*>(&clock) : nullptr;
    }

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
    static std::set<const ClockPort*>& Live() {
        static std::set<const ClockPort*> live;
        return live;
    }
    static std::mutex& Lock() {
        static std::mutex lock;
        return lock;
    }
    static void Track(const ClockPort* clock, bool alive) {
        const std::lock_guard<std::mutex> lock(Lock());
        if (alive) {
            Live().insert(clock);
        } else {
            Live().erase(clock);
        }
    }

    std::chrono::milliseconds now_{0};
    long long wallOrigin_ = 1'700'000'000;
    std::vector<std::chrono::milliseconds> sleeps_;
};

// A simulation's own time for what it does (a console program's run, a WMI
// query, a disk request): in virtual time it passes on the clock, as if the
// call had taken that long; on the real clock the work takes what it takes.
inline void SpendTime(ClockPort& clock, std::chrono::milliseconds duration) {
    if (VirtualClock* virtualClock = VirtualClock::Of(clock)) virtualClock->Advance(duration);
}

// The spans in which a simulation made the program wait for an event of its
// own (a disk, a volume, a letter to come), so that a benchmark can tell
// Windows' time from the program's.
using EventSpan = std::pair<std::chrono::milliseconds, std::chrono::milliseconds>;

// How much of [from, to] the spans cover together.
inline std::chrono::milliseconds CoveredBetween(std::vector<EventSpan> spans, std::chrono::milliseconds from,
                                                std::chrono::milliseconds to) {
    std::sort(spans.begin(), spans.end());
    std::chrono::milliseconds covered{0};
    std::chrono::milliseconds reached = from;
    for (const EventSpan& span : spans) {
        const auto begin = std::max(span.first, reached);
        const auto end = std::min(span.second, to);
        if (end > begin) covered += end - begin;
        reached = std::max(reached, std::min(span.second, to));
    }
    return covered;
}

// What the simulations charge (see SpendTime): roughly what these take on a
// PC talking to an iSCSI target on the LAN.
namespace sim_cost {
inline constexpr std::chrono::milliseconds kWmiConnect{150};
inline constexpr std::chrono::milliseconds kWmiQuery{20};
inline constexpr std::chrono::milliseconds kWmiPut{50};
// What the Windows adapter lets a hung provider take before it gives up.
inline constexpr std::chrono::milliseconds kWmiBudget{4000};
inline constexpr std::chrono::milliseconds kIscsicli{150};
inline constexpr std::chrono::milliseconds kDiskpart{1500};
inline constexpr std::chrono::milliseconds kOtherProgram{100};
inline constexpr std::chrono::milliseconds kDiskRequest{2};
inline constexpr std::chrono::milliseconds kShareConnect{300};
inline constexpr std::chrono::milliseconds kShareCancel{50};
// StartService returns once the service's process runs and its dispatcher
// has called the manager back ("StartServiceW", Microsoft Learn).
inline constexpr std::chrono::milliseconds kServiceStart{400};
}  // namespace sim_cost

}  // namespace norvale::test
