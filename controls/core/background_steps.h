// The one way a dialog runs a long step: the blocking part (a console run,
// WMI, a protocol exchange or discovery pass, a network-provider call, a
// sequence of disk requests, a format) runs on a worker thread; its result
// comes back as a posted message, and the flow goes on in the dialog's
// thread, where the continuation runs. The dialog's thread never waits, so
// the window keeps answering, and no handler runs a message loop of its own.
//
// The worker touches nothing of the dialog. Whatever it returns is handed
// to the continuation; reports on the way (a format's percentages) reach
// their own handler first. A dialog that has ended is cut off: its workers
// run to their end and post nothing, and a step whose end can no longer be
// handled there runs its `dropped` action once (closing a handle the
// continuation would have closed), on whichever thread learns of it.
//
//   class CExample : public DialogController {
//       BackgroundSteps steps_{Messages()};
//       void OnRefresh() {
//           steps_.Run(Surface(), [&protocol] { return Discover(protocol); },
//                      [this](Devices found) { Fill(found); });
//       }
//       ... OnDestroy: steps_.DialogEnded();
//   };
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "controls/core/dialog_surface_port.h"
#include "controls/core/message_table.h"

namespace norvale {

// The registered message every step's end and report arrives as; its
// parameter names the step.
inline constexpr wchar_t kStepMessage[] = L"Norvale.Step";

// Handed to a worker that reports on its way: each value reaches the step's
// report handler on the dialog's thread, in order. Safe from the worker only.
class StepReporter {
public:
    virtual ~StepReporter() = default;
    virtual void Report(std::intptr_t value) = 0;
};

class BackgroundSteps {
public:
    // Adds the step message to the dialog's table; one per dialog.
    explicit BackgroundSteps(MessageTable& table);
    ~BackgroundSteps();
    BackgroundSteps(const BackgroundSteps&) = delete;
    BackgroundSteps& operator=(const BackgroundSteps&) = delete;

    // Runs `work()` on a worker, then `then(result)` (or `then()` for a work
    // that returns nothing) on the dialog's thread. False when no worker
    // could be started: nothing ran, and `then` will not run.
    template <typename Work, typename Then>
    bool Run(DialogSurfacePort& surface, Work work, Then then, std::function<void()> dropped = {});

    // The same for a work that reports: `work(StepReporter&)`, each report
    // to `onReport` before `then`.
    template <typename Work, typename Then>
    bool RunReporting(DialogSurfacePort& surface, Work work, std::function<void(std::intptr_t)> onReport, Then then,
                      std::function<void()> dropped = {});

    // A step was started whose end this dialog has not handled yet.
    bool Running() const { return !pending_.empty(); }
    // Whether the worker of the last step started has returned (its
    // continuation may still be to come). True when none was started.
    bool LastWorkerReturned() const;

    // The dialog is going: nothing is posted to it any more, and every step
    // not handled is dropped.
    void DialogEnded();

private:
    struct Channel;
    struct Step;
    struct Pending {
        std::shared_ptr<Step> step;
        std::function<void(std::intptr_t)> onReport;
        std::function<void()> then;
    };

    bool Launch(DialogSurfacePort& surface, std::function<void(StepReporter&)> job,
                std::function<void(std::intptr_t)> onReport, std::function<void()> then,
                std::function<void()> dropped);
    void Arrived(std::intptr_t id);

    std::shared_ptr<Channel> channel_;
    std::map<std::intptr_t, Pending> pending_;
    std::shared_ptr<Step> last_;
    std::intptr_t nextId_ = 1;
};

template <typename Work, typename Then>
bool BackgroundSteps::Run(DialogSurfacePort& surface, Work work, Then then, std::function<void()> dropped) {
    auto shared = std::make_shared<Work>(std::move(work));
    return RunReporting(
        surface, [shared](StepReporter&) { return (*shared)(); }, {}, std::move(then), std::move(dropped));
}

template <typename Work, typename Then>
bool BackgroundSteps::RunReporting(DialogSurfacePort& surface, Work work,
                                   std::function<void(std::intptr_t)> onReport, Then then,
                                   std::function<void()> dropped) {
    using Result = std::invoke_result_t<Work&, StepReporter&>;
    auto job = std::make_shared<Work>(std::move(work));
    auto next = std::make_shared<Then>(std::move(then));
    if constexpr (std::is_void_v<Result>) {
        return Launch(
            surface, [job](StepReporter& reporter) { (*job)(reporter); }, std::move(onReport),
            [next] { (*next)(); }, std::move(dropped));
    } else {
        // Written by the worker before its end is posted, read after.
        auto slot = std::make_shared<std::optional<Result>>();
        return Launch(
            surface, [job, slot](StepReporter& reporter) { slot->emplace((*job)(reporter)); }, std::move(onReport),
            [next, slot] { (*next)(std::move(**slot)); }, std::move(dropped));
    }
}

}  // namespace norvale
