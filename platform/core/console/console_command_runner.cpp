#include "platform/core/console/console_command_runner.h"

#include <utility>

#include "platform/core/console/bounded_run.h"
#include "platform/core/log/support_log.h"
#include "platform/core/texts/norvale_texts.h"

namespace norvale {

namespace {

constexpr unsigned kRunStoppedText = 278;      // %s program, %d minutes
constexpr unsigned kRunUnstoppableText = 279;  // the same, and it is still there

}  // namespace

std::wstring RunTimeoutText(const std::wstring& program, std::chrono::milliseconds limit, bool ended) {
    std::wstring text = UiText(ended ? kRunStoppedText : kRunUnstoppableText);
    const long long minutes = (limit.count() + 59'999) / 60'000;
    if (const std::size_t at = text.find(L"%d"); at != std::wstring::npos) {
        text.replace(at, 2, std::to_wstring(minutes));
    }
    if (const std::size_t at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, program);
    return text;
}

ConsoleCommandRunner::ConsoleCommandRunner(ProcessPort& processes, Wow64RedirectionPort& redirection, bool isWow64,
                                           ClockPort& clock, RunTimeoutNotice* notice, const ConsoleRunLimits& limits)
    : processes_(processes),
      redirection_(redirection),
      isWow64_(isWow64),
      clock_(clock),
      notice_(notice),
      limits_(limits) {}

bool ConsoleCommandRunner::IsCapturedRun(const std::wstring& commandLine) {
    return commandLine.find(L"diskdel.script", 1) != std::wstring::npos;
}

bool ConsoleCommandRunner::RunConsoleCommand(const std::wstring& commandLine) {
    std::lock_guard<std::mutex> turn(turn_);
    const bool capture = IsCapturedRun(commandLine);
    lastTimedOut_ = false;
    // Emptied before anything can fail: the caller reads the text after the
    // run, and the previous script's output must not pass for this one's.
    if (capture) captured_.clear();

    // Older 64-bit Windows may lack the call; then there is nothing to undo.
    if (isWow64_ && redirection_.Disable() == RedirectionResult::Failed) return false;

    const std::chrono::milliseconds limit = limits_.For(KindOfCommand(commandLine));
    BoundedRun run = RunBounded(processes_, clock_, commandLine, capture, limit, limits_.stopGrace);
    if (log_) {
        const std::wstring line = L"run: " + RedactCommandLine(commandLine);
        switch (run.end) {
            case BoundedRun::End::NotStarted: log_->Trace(line + L" -> could not be started"); break;
            case BoundedRun::End::Finished:
                log_->Trace(line + L" -> exit code " +
                            (run.exitCode ? std::to_wstring(*run.exitCode) : std::wstring(L"unknown")));
                break;
            case BoundedRun::End::Stopped: log_->Trace(line + L" -> stopped at its time limit"); break;
            case BoundedRun::End::Unstoppable:
                log_->Trace(line + L" -> past its time limit and could not be stopped");
                break;
        }
    }
    if (run.end == BoundedRun::End::NotStarted) return false;
    if (run.TimedOut()) {
        // What a stopped diskpart printed is no verdict on its script.
        lastTimedOut_ = true;
        if (notice_) {
            notice_->ShowRunTimeout(
                RunTimeoutText(ProgramNameOf(commandLine), limit, run.end == BoundedRun::End::Stopped));
        }
        return false;
    }
    if (capture) captured_ = std::move(run.output);
    return true;
}

}  // namespace norvale
