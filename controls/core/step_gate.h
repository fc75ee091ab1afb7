// One flow at a time per dialog. A flow is what one click starts: its
// background steps and the continuations between them, message boxes and
// child dialogs included. While it runs the dialog shows the busy cursor and
// holds the controls that would start another (the surface shows them
// disabled and lets no input through); they come back when the flow ends.
//
// The flow ends when the last copy of its ticket goes: each continuation
// keeps the ticket it was given, so a flow that stops early (a refusal, an
// error) ends by itself. A close that arrives while a flow writes to a disk
// or to the initiator waits for its end (WhenIdle).
//
//   StepGate gate_{{IDC_REFRESH, IDC_APPLY, IDC_DEVICE_LIST}};
//   void OnRefresh() {
//       StepGate::Ticket flow = gate_.Enter(Surface());
//       if (!flow) return;                      // another flow runs
//       steps_.Run(Surface(), work, [this, flow](auto result) { ...; });
//   }
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "controls/core/dialog_surface_port.h"

namespace norvale {

// Whether a flow changes something outside the program that must not be
// left half done (a partition table, a format, a login or persistent
// setting of the initiator, a drive mapping, an appliance's address).
enum class FlowWrites { No, Yes };

class StepGate {
public:
    // Keep it while the flow goes on; the flow ends when the last copy goes.
    using Ticket = std::shared_ptr<void>;

    explicit StepGate(std::vector<int> heldControls) : held_(std::move(heldControls)) {}
    ~StepGate() { DialogEnded(); }
    StepGate(const StepGate&) = delete;
    StepGate& operator=(const StepGate&) = delete;

    // Starts a flow: null while another one runs.
    Ticket Enter(DialogSurfacePort& surface, FlowWrites writes = FlowWrites::No);
    // The running flow writes from here on (it began by asking, say).
    void MarkWriting() { writing_ = busy_; }

    bool Busy() const { return busy_; }
    // The user asked to close while the running flow wrote: its end opens
    // nothing new.
    bool CloseAsked() const { return busy_ && closeAsked_; }
    bool Writing() const { return busy_ && writing_; }
    // Runs `action` when the running flow ends (at once when none runs),
    // on the dialog's thread; a later call replaces an earlier one.
    void WhenIdle(std::function<void()> action);

    // A close asked for while the running flow writes: the user is told
    // that the window closes once the change is finished (string 292), and
    // `close` runs then. False when the close may go ahead now.
    bool DeferClose(DialogSurfacePort& surface, std::function<void()> close);

    // The dialog is going: a flow that ends from here on touches nothing.
    void DialogEnded();

private:
    struct Marker;
    void Leave(unsigned generation);

    std::vector<int> held_;
    DialogSurfacePort* surface_ = nullptr;
    bool busy_ = false;
    bool writing_ = false;
    bool closeAsked_ = false;
    unsigned generation_ = 0;
    std::function<void()> whenIdle_;
    // Tickets of a flow that outlive the gate find it gone.
    std::shared_ptr<StepGate*> self_ = std::make_shared<StepGate*>(this);
};

}  // namespace norvale
