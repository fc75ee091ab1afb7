#include "iscsi/core/targets/process_watch.h"

namespace norvale {

DelayProcessWatcher::Started DelayProcessWatcher::Start(BackgroundSteps& steps, DialogSurfacePort& surface,
                                                        const std::wstring& commandLine,
                                                        std::function<void()> ended) {
    const ProcessHandle process = port_.StartHidden(commandLine);
    if (process == 0) return Started::NoProcess;
    DelayProcessPort& port = port_;
    std::shared_ptr<std::atomic<int>> pending = pending_;
    ++*pending;
    const auto close = [&port, pending, process] {
        port.Close(process);
        --*pending;
    };
    const bool watched = steps.Run(
        surface, [&port, process] { port.WaitForEnd(process); },
        [close, ended = std::move(ended)] {
            close();
            if (ended) ended();
        },
        close);
    if (!watched) {
        close();
        return Started::NoWorker;
    }
    return Started::Watched;
}

}  // namespace norvale
