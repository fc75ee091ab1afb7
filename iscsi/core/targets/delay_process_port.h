// The delay process of a portal refresh: a short console program the
// initiator's refresh waits for. It is started with no visible window, in a
// console of its own and inheriting no handle, and the starter does not wait
// for it; a worker thread does.
#pragma once

#include <cstdint>
#include <string>

namespace norvale {

// A process handle as the platform gives it; 0 is none.
using ProcessHandle = std::intptr_t;

class DelayProcessPort {
public:
    virtual ~DelayProcessPort() = default;
    // The handle of the started process, 0 when it could not be started.
    virtual ProcessHandle StartHidden(const std::wstring& commandLine) = 0;
    // Returns once the process has ended. Safe from any thread.
    virtual void WaitForEnd(ProcessHandle process) = 0;
    // Safe from any thread; each handle exactly once.
    virtual void Close(ProcessHandle process) = 0;
};

}  // namespace norvale
