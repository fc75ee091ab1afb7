// The format engine: formats one volume at a time as a background step of
// the dialog that started it and shows the progress there.
//
// The format library blocks while it works and reports through a callback on
// the worker. The worker touches nothing of the dialog: every report reaches
// the dialog's thread as a step report, where the session updates the
// progress bar and the status line and, at the end, hands over to the
// dialog's listener. The worker always ends when the library returns,
// whatever it reported.
//
//   FormatEngine engine(formatPort);                     // one per program run
//   class CPartition : public DialogController, FormatListener {
//       BackgroundSteps steps_{Messages()};
//       FormatSession format_{engine, FormatOwner::PartitionManager, *this, steps_};
//       CPartition(...) { format_.Bind(Messages()); ... }
//       ... format_.StartFormat(Surface(), record.driveLetter, FormatFileSystem::Ntfs);
//       void FormatSucceeded(const std::wstring& drive) override;  // "E:"
//       void FormatFailed() override;
//   };
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "controls/core/background_steps.h"
#include "controls/core/dialog_surface_port.h"
#include "controls/core/message_table.h"
#include "disk/core/format/format_port.h"

namespace norvale {

// Which dialog formats: each has its own timer ids and its own pseudo-progress.
enum class FormatOwner { PartitionManager, Wizard };

struct FormatTimerIds {
    int progress;  // every 1000 ms while the library works
    int done;      // 100 ms after its last report: stops the progress timer
};
FormatTimerIds TimersOf(FormatOwner owner);  // 1056/1057 and 1054/1055

enum class FormatFileSystem { Ntfs, Fat32 };
const wchar_t* FileSystemName(FormatFileSystem fileSystem);  // "NTFS", "FAT32"

// The controls the engine drives, the same in both dialogs' templates.
namespace format_control {
inline constexpr int kStart = 1;
inline constexpr int kCancel = 2;
inline constexpr int kProgress = 1039;
inline constexpr int kStatus = 1044;
}  // namespace format_control

// Progress bar at `percent` and the status line "Percent Completed ...N%".
void ShowFormatProgress(DialogSurfacePort& surface, int percent);

// The dialog's half of the end, called on the dialog's thread after the
// engine has shown the outcome (bar, status 231 or 230, buttons enabled).
class FormatListener {
public:
    virtual ~FormatListener() = default;
    // `drive` is the two-character letter ("E:") for the persistent device.
    virtual void FormatSucceeded(const std::wstring& drive) = 0;
    // Also when the library could not be loaded or ended without a verdict.
    virtual void FormatFailed() = 0;
};

// Process-wide: one format at a time, and the pseudo-progress of each
// owner's timer, which starts at 80 (partition manager) or 70 (wizard) when
// the program starts and goes on from where the last format left it.
class FormatEngine {
public:
    // The port must outlive every worker (a worker runs until the library
    // returns, even after its dialog has gone).
    explicit FormatEngine(FormatPort& port);
    ~FormatEngine();
    FormatEngine(const FormatEngine&) = delete;
    FormatEngine& operator=(const FormatEngine&) = delete;

    // A worker is still inside the library.
    bool Busy() const { return inLibrary_.load() > 0; }
    // The next value the owner's timer shows, and advancing it: below 90 by
    // 10, from 90 to 96 by 3, then it stays at 97, 98 or 99.
    int PseudoProgress(FormatOwner owner) const;
    int AdvancePseudoProgress(FormatOwner owner);

private:
    friend class FormatSession;
    FormatPort& port_;
    int pseudo_[2] = {80, 70};
    std::atomic<int> inLibrary_{0};
};

// One dialog's use of the engine, through the dialog's background steps.
// Bind it into the dialog's message table in the dialog's constructor;
// everything else runs on the dialog's thread.
class FormatSession {
public:
    FormatSession(FormatEngine& engine, FormatOwner owner, FormatListener& listener, BackgroundSteps& steps);
    ~FormatSession();  // as DialogEnded
    FormatSession(const FormatSession&) = delete;
    FormatSession& operator=(const FormatSession&) = delete;

    // Adds the handlers of both timers.
    void Bind(MessageTable& table);

    enum class Start {
        Started,        // the worker runs; the listener hears the end
        InvalidVolume,  // the letter is not A..Z: string 212 was shown, nothing started
        Busy,           // another format still runs: reported as a failed format
        NoWorker,       // no thread could be started: reported as a failed format
    };
    // `driveLetter` is the volume record's letter text ("E:\"; "*" when it
    // has none). Shows progress 50, 60 and 70 on the way, then starts the
    // worker and the progress timer.
    Start StartFormat(DialogSurfacePort& surface, const std::wstring& driveLetter,
                      FormatFileSystem fileSystem);

    // A format of this session has started and its outcome has not been shown.
    bool Running() const;
    // The dialog is going: no worker posts to it any more, timers stop.
    void DialogEnded();

private:
    void OnReport(std::intptr_t param);
    void OnWorkerEnded();
    void OnProgressTimer();
    void OnDoneTimer();
    void Finish(bool success);
    void StopTimers();

    FormatEngine& engine_;
    FormatOwner owner_;
    FormatListener& listener_;
    BackgroundSteps& steps_;
    DialogSurfacePort* surface_ = nullptr;
    std::wstring drive_;  // "E:"
    bool running_ = false;
    bool captured_ = false;
    CursorToken cursor_ = 0;
    bool cursorShown_ = false;
    int silentTicks_ = 0;
};

}  // namespace norvale
