// The delay process of a portal refresh, watched as a background step of
// the dialog: the worker waits for the process to end, and the dialog's
// thread then closes its handle and goes on.
//
// Each handle is closed exactly once: on the dialog's thread when the end
// arrives there; by whichever thread learns first that the dialog has gone
// (its step is dropped) otherwise.
//
//   DelayProcessWatcher watcher(port);       // the port outlives every worker
//   watcher.Start(steps, surface, L"ipconfig /all", [&] { RefreshPortals(); });
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "controls/core/background_steps.h"
#include "controls/core/dialog_surface_port.h"
#include "iscsi/core/targets/delay_process_port.h"

namespace norvale {

class DelayProcessWatcher {
public:
    explicit DelayProcessWatcher(DelayProcessPort& port) : port_(port) {}
    DelayProcessWatcher(const DelayProcessWatcher&) = delete;
    DelayProcessWatcher& operator=(const DelayProcessWatcher&) = delete;

    enum class Started { Watched, NoProcess, NoWorker };
    // Starts the process and its step; `ended` runs on the dialog's thread
    // once the process has ended and its handle is closed. NoProcess:
    // nothing was started. NoWorker: the process ran but cannot be watched;
    // its handle is closed already.
    Started Start(BackgroundSteps& steps, DialogSurfacePort& surface, const std::wstring& commandLine,
                  std::function<void()> ended);
    // Processes started whose handle is not closed yet.
    int Pending() const { return pending_->load(); }

private:
    DelayProcessPort& port_;
    std::shared_ptr<std::atomic<int>> pending_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace norvale
