// The commands of norvale-cli. Each runs the steps the main dialog runs for
// the same task, reports through the Reporter and returns its exit code.
#pragma once

#include <string>
#include <vector>

#include "tools/cli/cli_arguments.h"
#include "tools/cli/cli_environment.h"
#include "tools/cli/exit_codes.h"

namespace norvale::cli {

ExitCode RunDiscover(const CliRequest& request, CliEnvironment& env);
ExitCode RunShares(const CliRequest& request, CliEnvironment& env);
ExitCode RunTargets(const CliRequest& request, CliEnvironment& env);
ExitCode RunSetStatic(const CliRequest& request, CliEnvironment& env);
ExitCode RunSetDhcp(const CliRequest& request, CliEnvironment& env);

// The whole program after its platform set-up: parses `arguments` (without
// the program name), prints help or runs the command. The exit code.
int RunCli(const std::vector<std::string>& arguments, CliEnvironment& env);

// The --help text.
const char* HelpText();

}  // namespace norvale::cli
