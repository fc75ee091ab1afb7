// The main dialog: the device section (device list, Refresh, selecting a
// device), the timers, the Enter key and the two ways out. The LAN, share,
// iSCSI and web sections own their controls through NorvaleDlgSections;
// this controller routes their messages and calls them when a device is
// selected.
//
//   DeviceProtocol protocol(sockets, SystemClock());
//   CNorvaleDlg dialog(protocol, files);
//   RunModal(dialog, IDD_NORVALE_DIALOG);   // the platform's dialog host
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "controls/core/background_steps.h"
#include "controls/core/dialog_controller.h"
#include "controls/core/step_gate.h"
#include "controls/core/subnet_mask_field.h"
#include "mainwindow/core/norvale_sections.h"
#include "mainwindow/core/ports/norvale_system_files_port.h"
#include "protocol/core/device_protocol.h"

namespace norvale {

// The end code of a dialog that could not start the socket layer; the
// process then ends with exit code 1.
inline constexpr int kDialogSocketsUnavailable = -2;
// The end code of the Exit button.
inline constexpr int kDialogExit = kIdOk;
// An appliance takes a few seconds to get its address from the DHCP server;
// the rediscovery waits for this timer.
inline constexpr std::chrono::milliseconds kDhcpSettle{15000};

// State the sections share with the device section.
struct NorvaleDlgState {
    // A device row was clicked since the last Refresh (or DHCP change).
    bool deviceSelected = false;
    // The selected device lies outside the PC's subnet: shares and the web
    // page are out of reach.
    bool deviceOutsideSubnet = false;
    // First item of the shown share and target pages (0, 10, 20, ...).
    int sharePageStart = 0;
    int targetPageStart = 0;
    // The address (device list column 1, at most 63 characters) of the device
    // whose shares or web page were last worked on; the reachability check
    // asks this address.
    std::wstring deviceWebAddress;
};

class CNorvaleDlg final : public DialogController {
public:
    // The protocol and the file port must outlive the dialog; so must the
    // sections given.
    CNorvaleDlg(DeviceProtocol& protocol, SystemFilesPort& files, NorvaleDlgSections sections = {});

    // --- offered to the sections -------------------------------------------
    // Reopens the sockets, empties every list and field and discovers the
    // devices again; no device is selected afterwards. A flow of its own;
    // nothing when another flow runs.
    void Refresh();
    // The same within `flow`: the lists and fields are emptied at once, the
    // pass runs as a step (after reopening the sockets when `reopenSockets`),
    // the device list shows its table, then `then` runs.
    void Rediscover(const SectionFlow& flow, bool reopenSockets, std::function<void()> then = {});
    // The appliance takes its address from a DHCP server: `flow` waits for
    // the DHCP timer, whose handler confirms and discovers the devices again.
    void AwaitDhcpAddress(SectionFlow flow);
    // Lists the device table, one row per record in table order.
    void FillDeviceList();
    // Resets a page selector to the single page "1".
    void ResetPageCombo(int comboId);

    NorvaleDlgState& State() { return state_; }
    const NorvaleDlgState& State() const { return state_; }
    DeviceProtocol& Protocol() { return protocol_; }
    // The sections, for one section to ask another (the web page asks the
    // share section whether the device still answers).
    LanSection& Lan() { return lan_; }
    ShareSection& Shares() { return shares_; }
    TargetSection& Targets() { return targets_; }
    using DialogController::Surface;
    // The dialog's background steps and its one flow at a time.
    BackgroundSteps& Steps() { return steps_; }
    StepGate& Gate() { return gate_; }

private:
    bool OnInitDialog();
    void SetTexts();
    void SetUpColumns();
    void OnDeviceClicked();
    void SelectDeviceRow(int row, const SectionFlow& flow);
    void ShowDeviceMode(const DeviceRecord& device);
    // The selected iSCSI device's target count asked, the pages shown and
    // the target section's refresh started; then `then`.
    void ShowDeviceTargets(const SectionFlow& flow, std::function<void()> then);
    void CheckSubnet(const DeviceRecord* device);
    void SetAddressFieldsEnabled(bool enabled);
    void OnDhcpChangeTimer();
    void ReleaseDeviceState();
    // Both ways out: false when a change under way keeps the dialog open
    // until it has ended (and the way out is taken then).
    bool MayLeave(std::function<void()> leaveLater);
    void OnExit();
    void OnSize(SizeKind kind);

    DeviceProtocol& protocol_;
    SystemFilesPort& files_;
    LanSection& lan_;
    ShareSection& shares_;
    TargetSection& targets_;
    WebSection& web_;
    DoctorSection& doctor_;
    SubnetMaskField netmaskField_;
    NorvaleDlgState state_;
    // A ticket is let go before its gate (members go in reverse order).
    SectionFlow dhcpFlow_;
    BackgroundSteps steps_{Messages()};
    StepGate gate_;
    bool minimized_ = false;
    bool released_ = false;
};

}  // namespace norvale
