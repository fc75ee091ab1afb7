#include "controls/core/step_gate.h"

#include "controls/core/ok_box.h"
#include "platform/core/texts/norvale_texts.h"

namespace norvale {

// What a ticket holds: the flow ends when the last copy of it goes.
struct StepGate::Marker {
    Marker(std::weak_ptr<StepGate*> owner, unsigned flow) : gate(std::move(owner)), generation(flow) {}
    ~Marker() {
        if (const std::shared_ptr<StepGate*> alive = gate.lock()) (*alive)->Leave(generation);
    }
    std::weak_ptr<StepGate*> gate;
    unsigned generation;
};

StepGate::Ticket StepGate::Enter(DialogSurfacePort& surface, FlowWrites writes) {
    if (busy_) return nullptr;
    busy_ = true;
    writing_ = writes == FlowWrites::Yes;
    surface_ = &surface;
    surface.BeginBusy(held_);
    return std::make_shared<Marker>(self_, ++generation_);
}

void StepGate::Leave(unsigned generation) {
    if (!busy_ || generation != generation_) return;
    busy_ = false;
    writing_ = false;
    closeAsked_ = false;
    if (surface_ == nullptr) return;
    surface_->EndBusy();
    if (whenIdle_) {
        std::function<void()> action = std::move(whenIdle_);
        whenIdle_ = nullptr;
        action();
    }
}

void StepGate::WhenIdle(std::function<void()> action) {
    if (!busy_) {
        if (action) action();
        return;
    }
    whenIdle_ = std::move(action);
}

bool StepGate::DeferClose(DialogSurfacePort& surface, std::function<void()> close) {
    if (!Writing()) return false;
    // Asked again while the notice is up: the close is arranged already.
    if (closeAsked_) {
        whenIdle_ = std::move(close);
        return true;
    }
    closeAsked_ = true;
    ShowOkBox(surface, UiText(main_text::kClosesAfterChange), main_text::kCaptionWarning, MessageIcon::Information);
    // The change may have ended while the user read the notice.
    WhenIdle(std::move(close));
    return true;
}

void StepGate::DialogEnded() {
    surface_ = nullptr;
    whenIdle_ = nullptr;
    self_.reset();
    busy_ = false;
    writing_ = false;
}

}  // namespace norvale
