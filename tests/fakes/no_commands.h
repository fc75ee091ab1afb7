// A command runner for dialogs whose tests run nothing on the console: every
// run fails at once and captures nothing.
#pragma once

#include <string>

#include "platform/core/console/command_runner.h"

namespace norvale::test {

class NoCommands final : public CommandRunner {
public:
    bool RunConsoleCommand(const std::wstring&) override { return false; }
    const std::wstring& CapturedCommandOutput() const override { return none_; }

private:
    std::wstring none_;
};

}  // namespace norvale::test
