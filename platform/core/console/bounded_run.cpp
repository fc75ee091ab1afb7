#include "platform/core/console/bounded_run.h"

#include <algorithm>
#include <utility>

namespace norvale {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kFirstPause{1};
constexpr milliseconds kLongestPause{50};

class FinishedProcess final : public RunningProcess {
public:
    FinishedProcess(std::wstring output, std::optional<std::uint32_t> exitCode)
        : output_(std::move(output)), exitCode_(exitCode) {}
    State Check() override { return State::Ended; }
    bool Stop() override { return true; }
    std::wstring Output() override { return output_; }
    std::optional<std::uint32_t> ExitCode() override { return exitCode_; }

private:
    std::wstring output_;
    std::optional<std::uint32_t> exitCode_;
};

// Checks until the child has ended or `until` has passed; true when it ended.
bool WatchUntil(RunningProcess& child, ClockPort& clock, milliseconds until) {
    milliseconds pause = kFirstPause;
    for (;;) {
        const RunningProcess::State state = child.Check();
        if (state == RunningProcess::State::Ended) return true;
        const milliseconds now = clock.Now();
        if (now >= until) return false;
        if (state == RunningProcess::State::Printed) {
            pause = kFirstPause;
            continue;
        }
        clock.Sleep(std::min(pause, until - now));
        pause = std::min(pause * 2, kLongestPause);
    }
}

}  // namespace

std::unique_ptr<RunningProcess> ImmediateProcessPort::Start(const std::wstring& commandLine, bool keepOutput) {
    ProcessRun run = RunHidden(commandLine, keepOutput);
    if (!run.started) return nullptr;
    return std::make_unique<FinishedProcess>(std::move(run.output), run.exitCode);
}

BoundedRun RunBounded(ProcessPort& processes, ClockPort& clock, const std::wstring& commandLine, bool keepOutput,
                      milliseconds limit, milliseconds stopGrace) {
    BoundedRun run;
    const milliseconds started = clock.Now();
    std::unique_ptr<RunningProcess> child = processes.Start(commandLine, keepOutput);
    if (!child) return run;
    if (WatchUntil(*child, clock, started + limit)) {
        run.end = BoundedRun::End::Finished;
        run.exitCode = child->ExitCode();
    } else {
        const bool ordered = child->Stop();
        run.end = ordered && WatchUntil(*child, clock, clock.Now() + stopGrace) ? BoundedRun::End::Stopped
                                                                                : BoundedRun::End::Unstoppable;
    }
    if (keepOutput) run.output = child->Output();
    return run;
}

}  // namespace norvale
