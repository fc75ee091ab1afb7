// One console run with a time limit: the child is watched through the clock
// and, when the limit passes, ended with every process it started.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/core/clock_port.h"
#include "platform/core/console/process_port.h"

namespace norvale {

struct BoundedRun {
    enum class End {
        NotStarted,  // the process could not be created
        Finished,    // it ended by itself
        Stopped,     // the limit passed; it and its children were ended
        Unstoppable, // the limit passed and they were still there after the grace
    };
    End end = End::NotStarted;
    std::wstring output;  // what it printed (up to the stop), when kept
    std::optional<std::uint32_t> exitCode;  // of a run that finished, where it could be read

    bool Finished() const { return end == End::Finished; }
    bool TimedOut() const { return end == End::Stopped || end == End::Unstoppable; }
};

// Checks the child at once and again after short pauses (1 ms, doubling to
// 50 ms; none while it prints), so that most commands cost no pause at all.
// After `limit` the child is stopped, and checked for `stopGrace` more.
BoundedRun RunBounded(ProcessPort& processes, ClockPort& clock, const std::wstring& commandLine, bool keepOutput,
                      std::chrono::milliseconds limit, std::chrono::milliseconds stopGrace);

}  // namespace norvale
