// Delay processes watched from worker threads: a worker waits for its
// process to end and posts a registered message with the process handle to
// the dialog, whose handler hands the handle back through Finish.
//
// Each handle is closed exactly once: by Finish when the message arrives;
// when the dialog ended first, by DialogEnded (its message was posted and is
// lost with the window) or by the worker itself (it was still waiting).
//
//   DelayProcessWatcher watcher(port);       // the port outlives every worker
//   watcher.Start(surface, L"ipconfig /all", kProcessTerminatedMessage);
//   ... OnRegistered(kProcessTerminatedMessage, [&](std::intptr_t p) { watcher.Finish(p); });
//   ... OnDestroy: watcher.DialogEnded();
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "controls/core/dialog_surface_port.h"
#include "iscsi/core/targets/delay_process_port.h"

namespace norvale {

class DelayProcessWatcher {
public:
    explicit DelayProcessWatcher(DelayProcessPort& port) : port_(port) {}
    ~DelayProcessWatcher() { DialogEnded(); }
    DelayProcessWatcher(const DelayProcessWatcher&) = delete;
    DelayProcessWatcher& operator=(const DelayProcessWatcher&) = delete;

    enum class Started { Watched, NoProcess, NoWorker };
    // Starts the process and its worker, which posts `message` to `surface`.
    // NoProcess: nothing was started. NoWorker: the process ran but cannot
    // be watched; its handle is closed already.
    Started Start(DialogSurfacePort& surface, const std::wstring& commandLine, const std::wstring& message);
    // The message arrived: closes that process's handle. False for a
    // parameter that names none of ours (anyone may post a registered
    // message), which is left alone.
    bool Finish(ProcessHandle process);
    // The dialog is going: no worker posts any more.
    void DialogEnded();
    // Processes started and not yet finished.
    std::size_t Pending() const { return watches_.size(); }

private:
    struct Watch;
    DelayProcessPort& port_;
    std::vector<std::shared_ptr<Watch>> watches_;
};

}  // namespace norvale
