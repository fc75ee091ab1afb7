// The command's stack between runs: which images are attached under which
// numbers, their state and the volumes' drive letters, in a state directory
// (state.json beside the system disk's image).
#pragma once

#include <memory>
#include <string>

#include "tools/disksim/simulated_disk_stack.h"

namespace norvale::disksim {

struct LoadedStack {
    std::unique_ptr<test::SimulatedPc> pc;
    std::unique_ptr<SimulatedDiskStack> stack;
};

// A stack over the typical PC of the share tests; the directory is made when
// missing. Nullptr stack when the state file cannot be read.
LoadedStack LoadStack(const std::string& directory, ClockPort& clock);
// The file's absolute path; the path as given when it does not exist.
std::string AbsolutePath(const std::string& path);
bool SaveStack(SimulatedDiskStack& stack, const std::string& directory);

}  // namespace norvale::disksim
