#include "iscsi/core/console_command_runner.h"

#include <utility>

#include "platform/core/log/support_log.h"

namespace norvale {

ConsoleCommandRunner::ConsoleCommandRunner(ProcessPort& processes,
                                           Wow64RedirectionPort& redirection, bool isWow64)
    : processes_(processes), redirection_(redirection), isWow64_(isWow64) {}

bool ConsoleCommandRunner::IsCapturedRun(const std::wstring& commandLine) {
    return commandLine.find(L"diskdel.script", 1) != std::wstring::npos;
}

bool ConsoleCommandRunner::RunConsoleCommand(const std::wstring& commandLine) {
    const bool capture = IsCapturedRun(commandLine);
    // Emptied before anything can fail: the caller reads the text after the
    // run, and the previous script's output must not pass for this one's.
    if (capture) captured_.clear();

    // Older 64-bit Windows may lack the call; then there is nothing to undo.
    if (isWow64_ && redirection_.Disable() == RedirectionResult::Failed) return false;

    ProcessRun run = processes_.RunHidden(commandLine, capture);
    if (log_) {
        const std::wstring line = L"run: " + RedactCommandLine(commandLine);
        if (!run.started) {
            log_->Trace(line + L" -> could not be started");
        } else {
            log_->Trace(line + L" -> exit code " +
                        (run.exitCode ? std::to_wstring(*run.exitCode) : std::wstring(L"unknown")));
        }
    }
    if (!run.started) return false;
    if (capture) captured_ = std::move(run.output);
    return true;
}

}  // namespace norvale
