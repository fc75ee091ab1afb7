#include "iscsi/core/targets/process_watch.h"

#include <algorithm>
#include <mutex>

namespace norvale {

// Shared by the dialog's thread and one worker; the mutex orders the post
// against the dialog's end, so no worker posts to a surface that is gone.
struct DelayProcessWatcher::Watch {
    std::mutex mutex;
    ProcessHandle process = 0;
    DialogSurfacePort* surface = nullptr;  // null once the dialog ended
    bool posted = false;
    bool closed = false;
};

DelayProcessWatcher::Started DelayProcessWatcher::Start(DialogSurfacePort& surface, const std::wstring& commandLine,
                                                        const std::wstring& message) {
    const ProcessHandle process = port_.StartHidden(commandLine);
    if (process == 0) return Started::NoProcess;
    auto watch = std::make_shared<Watch>();
    watch->process = process;
    watch->surface = &surface;
    DelayProcessPort& port = port_;
    const bool working = surface.StartWorker([watch, &port, message] {
        port.WaitForEnd(watch->process);
        std::lock_guard<std::mutex> lock(watch->mutex);
        if (watch->surface != nullptr) {
            watch->surface->PostRegistered(message, watch->process);
            watch->posted = true;
        } else if (!watch->closed) {
            port.Close(watch->process);
            watch->closed = true;
        }
    });
    if (!working) {
        port_.Close(process);
        return Started::NoWorker;
    }
    watches_.push_back(std::move(watch));
    return Started::Watched;
}

bool DelayProcessWatcher::Finish(ProcessHandle process) {
    const auto found = std::find_if(watches_.begin(), watches_.end(), [process](const auto& watch) {
        std::lock_guard<std::mutex> lock(watch->mutex);
        return watch->process == process && watch->posted && !watch->closed;
    });
    if (found == watches_.end()) return false;
    {
        std::lock_guard<std::mutex> lock((*found)->mutex);
        port_.Close(process);
        (*found)->closed = true;
    }
    watches_.erase(found);
    return true;
}

void DelayProcessWatcher::DialogEnded() {
    for (const std::shared_ptr<Watch>& watch : watches_) {
        std::lock_guard<std::mutex> lock(watch->mutex);
        watch->surface = nullptr;
        // Posted to a window that is going: the message will not arrive.
        if (watch->posted && !watch->closed) {
            port_.Close(watch->process);
            watch->closed = true;
        }
    }
    watches_.clear();
}

}  // namespace norvale
