#include "controls/core/background_steps.h"

#include <deque>
#include <mutex>
#include <vector>

namespace norvale {

// Shared by the dialog's thread and its workers; the mutex orders every post
// against the dialog's end, so no worker posts to a surface that is gone.
struct BackgroundSteps::Channel {
    std::mutex mutex;
    DialogSurfacePort* surface = nullptr;  // null once the dialog ended
};

// One step, shared by its worker and the pending entry. Guarded by the
// channel's mutex.
struct BackgroundSteps::Step final : StepReporter {
    std::shared_ptr<Channel> channel;
    std::intptr_t id = 0;
    std::deque<std::intptr_t> reports;
    bool workerReturned = false;
    std::function<void()> dropped;  // runs once, on whichever thread learns the step is lost

    void Report(std::intptr_t value) override {
        std::lock_guard<std::mutex> lock(channel->mutex);
        if (channel->surface == nullptr) return;
        reports.push_back(value);
        channel->surface->PostRegistered(kStepMessage, id);
    }
};

BackgroundSteps::BackgroundSteps(MessageTable& table) : channel_(std::make_shared<Channel>()) {
    table.OnRegistered(kStepMessage, [this](std::intptr_t id) { Arrived(id); });
}

BackgroundSteps::~BackgroundSteps() { DialogEnded(); }

bool BackgroundSteps::Launch(DialogSurfacePort& surface, std::function<void(StepReporter&)> job,
                             std::function<void(std::intptr_t)> onReport, std::function<void()> then,
                             std::function<void()> dropped) {
    {
        std::lock_guard<std::mutex> lock(channel_->mutex);
        channel_->surface = &surface;
    }
    auto step = std::make_shared<Step>();
    step->channel = channel_;
    step->id = nextId_++;
    step->dropped = std::move(dropped);
    const bool started = surface.StartWorker([step, job = std::move(job)] {
        job(*step);
        std::function<void()> lost;
        {
            std::lock_guard<std::mutex> lock(step->channel->mutex);
            step->workerReturned = true;
            if (step->channel->surface != nullptr) {
                step->channel->surface->PostRegistered(kStepMessage, step->id);
            } else {
                lost = std::move(step->dropped);
            }
        }
        if (lost) lost();
    });
    if (!started) return false;
    last_ = step;
    pending_.emplace(step->id, Pending{step, std::move(onReport), std::move(then)});
    return true;
}

void BackgroundSteps::Arrived(std::intptr_t id) {
    const auto found = pending_.find(id);
    // Anyone may post a registered message, and a report may arrive after
    // its step's end was handled: both are left alone.
    if (found == pending_.end()) return;
    std::deque<std::intptr_t> reports;
    bool returned = false;
    {
        std::lock_guard<std::mutex> lock(channel_->mutex);
        reports.swap(found->second.step->reports);
        returned = found->second.step->workerReturned;
    }
    // The entry stays until its end is handled: a report handler may end
    // the dialog, and then the step is dropped there.
    for (const std::intptr_t value : reports) {
        if (found->second.onReport) found->second.onReport(value);
        if (pending_.find(id) == pending_.end()) return;
    }
    if (!returned) return;
    Pending done = std::move(found->second);
    pending_.erase(found);
    if (done.then) done.then();
}

bool BackgroundSteps::LastWorkerReturned() const {
    if (!last_) return true;
    std::lock_guard<std::mutex> lock(channel_->mutex);
    return last_->workerReturned;
}

void BackgroundSteps::DialogEnded() {
    std::vector<std::function<void()>> lost;
    {
        std::lock_guard<std::mutex> lock(channel_->mutex);
        channel_->surface = nullptr;
        for (auto& [id, pending] : pending_) {
            // A worker still running learns of it itself; one that returned
            // posted to a window that is going.
            if (pending.step->workerReturned && pending.step->dropped) lost.push_back(std::move(pending.step->dropped));
        }
    }
    pending_.clear();
    for (const auto& drop : lost) drop();
}

}  // namespace norvale
