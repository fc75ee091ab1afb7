#include "disk/core/format/format_engine.h"

#include <algorithm>

#include "controls/core/ok_box.h"
#include "disk/core/disk_texts.h"
#include "platform/core/texts/norvale_texts.h"

namespace norvale {

namespace {

// A report is a percentage (0..100) or one of the verdicts below.
constexpr std::intptr_t kDoneSuccess = -1;
constexpr std::intptr_t kDoneFailure = -2;

constexpr unsigned kInvalidVolume = 212;
constexpr unsigned kPercentCompleted = 214;
constexpr unsigned kFinalizing = 229;
constexpr unsigned kFormatFailed = 230;
constexpr unsigned kFormatSucceeded = 231;

// A library that neither reports nor returns for this many progress ticks
// is given up on, so that the dialog can be closed again.
constexpr int kSilentTickLimit = 600;

std::size_t IndexOf(FormatOwner owner) { return owner == FormatOwner::PartitionManager ? 0 : 1; }

}  // namespace

FormatTimerIds TimersOf(FormatOwner owner) {
    return owner == FormatOwner::PartitionManager ? FormatTimerIds{1056, 1057} : FormatTimerIds{1054, 1055};
}

const wchar_t* FileSystemName(FormatFileSystem fileSystem) {
    return fileSystem == FormatFileSystem::Ntfs ? L"NTFS" : L"FAT32";
}

void ShowFormatProgress(DialogSurfacePort& surface, int percent) {
    surface.SetProgressPosition(format_control::kProgress, percent);
    surface.SetText(format_control::kStatus, disk_text::FillText(UiText(kPercentCompleted), percent) + L"%");
}

FormatEngine::FormatEngine(FormatPort& port) : port_(port) {}

FormatEngine::~FormatEngine() = default;

int FormatEngine::PseudoProgress(FormatOwner owner) const { return pseudo_[IndexOf(owner)]; }

int FormatEngine::AdvancePseudoProgress(FormatOwner owner) {
    int& value = pseudo_[IndexOf(owner)];
    if (value < 90) {
        value += 10;
    } else if (value <= 96) {
        value += 3;
    }
    return value;
}

FormatSession::FormatSession(FormatEngine& engine, FormatOwner owner, FormatListener& listener,
                             BackgroundSteps& steps)
    : engine_(engine), owner_(owner), listener_(listener), steps_(steps) {}

// The window may be gone already: its steps are cut off by their owner.
FormatSession::~FormatSession() = default;

void FormatSession::Bind(MessageTable& table) {
    const FormatTimerIds timers = TimersOf(owner_);
    table.OnTimer(timers.progress, [this] { OnProgressTimer(); })
        .OnTimer(timers.done, [this] { OnDoneTimer(); });
}

FormatSession::Start FormatSession::StartFormat(DialogSurfacePort& surface, const std::wstring& driveLetter,
                                                FormatFileSystem fileSystem) {
    const wchar_t letter = driveLetter.empty() ? L'\0' : driveLetter[0];
    const wchar_t upper = (letter >= L'a' && letter <= L'z') ? static_cast<wchar_t>(letter - L'a' + L'A') : letter;
    if (upper < L'A' || upper > L'Z') {
        ShowOkBox(surface, UiText(kInvalidVolume), disk_text::kCaptionWarning, MessageIcon::None);
        return Start::InvalidVolume;
    }
    surface_ = &surface;
    if (engine_.Busy()) {
        // The last library call has not returned (its dialog gave up on
        // it): this volume is not formatted, and the dialog must hear so.
        Finish(false);
        return Start::Busy;
    }
    ShowFormatProgress(surface, 50);
    drive_ = std::wstring{upper, L':'};
    FormatRequest request{drive_ + L"\\", FileSystemName(fileSystem), L"iSCSI", true};
    ShowFormatProgress(surface, 60);

    ShowFormatProgress(surface, 70);
    running_ = true;
    silentTicks_ = 0;

    FormatEngine& engine = engine_;
    ++engine.inLibrary_;
    const bool started = steps_.RunReporting(
        surface,
        [&engine, request](StepReporter& reporter) {
            engine.port_.Format(request, [&reporter](const FormatReport& report) {
                if (report.kind == FormatReport::Kind::Progress) {
                    reporter.Report(static_cast<std::intptr_t>(std::min<std::uint32_t>(report.percent, 100)));
                } else if (report.kind == FormatReport::Kind::Done) {
                    reporter.Report(report.success ? kDoneSuccess : kDoneFailure);
                }
            });
            --engine.inLibrary_;
        },
        [this](std::intptr_t param) { OnReport(param); }, [this] { OnWorkerEnded(); });
    if (!started) {
        --engine.inLibrary_;
        Finish(false);
        return Start::NoWorker;
    }
    surface.SetTimer(TimersOf(owner_).progress, std::chrono::milliseconds(1000));
    return Start::Started;
}

bool FormatSession::Running() const { return running_; }

void FormatSession::DialogEnded() {
    if (surface_ != nullptr) StopTimers();
    running_ = false;
    surface_ = nullptr;
}

void FormatSession::OnReport(std::intptr_t param) {
    if (!running_ || surface_ == nullptr) return;
    silentTicks_ = 0;
    if (param >= 0) {
        ShowFormatProgress(*surface_, static_cast<int>(param));
        if (param == 100) {
            surface_->Enable(format_control::kStart, true);
            surface_->Enable(format_control::kCancel, true);
            surface_->SetText(format_control::kStatus, UiText(kFinalizing));
        }
        return;
    }
    Finish(param == kDoneSuccess);
}

void FormatSession::OnWorkerEnded() {
    // The worker ending without a verdict (no library, or a library that
    // returned without one) is a failed format, not a format still running.
    if (running_ && surface_ != nullptr) Finish(false);
}

void FormatSession::OnProgressTimer() {
    if (!running_ || surface_ == nullptr) return;
    if (++silentTicks_ > kSilentTickLimit) {
        Finish(false);
        return;
    }
    if (!captured_) {
        surface_->CaptureMouse();
        captured_ = true;
    }
    if (!cursorShown_) {
        cursor_ = surface_->BeginWaitCursor();
        cursorShown_ = true;
    }
    ShowFormatProgress(*surface_, engine_.AdvancePseudoProgress(owner_));
}

void FormatSession::OnDoneTimer() {
    if (surface_ != nullptr) StopTimers();
}

void FormatSession::Finish(bool success) {
    running_ = false;
    DialogSurfacePort& surface = *surface_;
    surface.SetTimer(TimersOf(owner_).done, std::chrono::milliseconds(100));
    surface.SetProgressPosition(format_control::kProgress, success ? 100 : 99);
    surface.SetText(format_control::kStatus, UiText(success ? kFormatSucceeded : kFormatFailed));
    surface.Enable(format_control::kStart, true);
    surface.Enable(format_control::kCancel, true);
    surface.EnableDialog(true);
    if (success) {
        listener_.FormatSucceeded(drive_);
    } else {
        listener_.FormatFailed();
    }
}

void FormatSession::StopTimers() {
    const FormatTimerIds timers = TimersOf(owner_);
    surface_->KillTimer(timers.progress);
    surface_->KillTimer(timers.done);
    if (captured_) surface_->ReleaseMouse();
    captured_ = false;
    if (cursorShown_) surface_->EndWaitCursor(cursor_);
    cursorShown_ = false;
}

}  // namespace norvale
