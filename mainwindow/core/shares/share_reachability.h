// Whether a device still answers on its web port, asked on a worker thread
// so that a check that hangs in the network cannot hang the dialog: the
// dialog's thread looks for the answer three times, a second apart, and
// gives up after that.
//
// Each check has its own result: a worker of a check that gave up may still
// be running, and its late answer must not count for a later check.
#pragma once

#include <functional>
#include <string>

#include "mainwindow/core/ports/http_check_port.h"
#include "platform/core/clock_port.h"

namespace norvale {

// Starts `work` on a worker thread; false when no thread could be started.
using WorkerStart = std::function<bool(std::function<void()> work)>;

// The URL checked for a device address, "http://<address>" cut to the 63
// characters the check takes.
std::wstring ReachabilityUrl(const std::wstring& address);

class ReachabilityCheck {
public:
    // Both must outlive every worker started (the worker calls `http`).
    ReachabilityCheck(HttpCheckPort& http, ClockPort& clock) : http_(http), clock_(clock) {}

    // True when the device answered within the three waits.
    bool Run(const WorkerStart& start, const std::wstring& address);

private:
    HttpCheckPort& http_;
    ClockPort& clock_;
};

}  // namespace norvale
