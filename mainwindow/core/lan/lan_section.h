// The LAN section of the main dialog: the DHCP selector and Apply, which
// checks the typed address, logs in to the device as its administrator,
// takes this PC's iSCSI sessions of the device down and sends the static
// address or the switch to DHCP; then the devices are discovered again.
//
//   CLanSection lan(initiator);         // an InitiatorTeardownPort
//   NorvaleDlgSections sections{&lan, &shares, &targets, &web};
//   CNorvaleDlg dialog(protocol, files, sections);
#pragma once

#include <functional>
#include <string>

#include "controls/core/dialog_surface_port.h"
#include "mainwindow/core/lan/address_checks.h"
#include "mainwindow/core/norvale_sections.h"

namespace norvale {

// What a change of the device's address needs of the iSCSI initiator once
// the device's connected targets are logged out (through the dialog's target
// section): the persistent devices cleared, the device's portal removed and
// the targets read anew, so nothing points at the old address. Blocks: the
// change calls it on a step's worker.
class InitiatorTeardownPort {
public:
    virtual ~InitiatorTeardownPort() = default;
    virtual void ForgetDevice(const std::wstring& deviceIp) = 0;
};

class CLanSection final : public LanSection {
public:
    // The initiator must outlive the section.
    explicit CLanSection(InitiatorTeardownPort& initiator);

    void OnApply(CNorvaleDlg& dialog) override;
    void OnDhcpModeChanged(CNorvaleDlg& dialog) override;

private:
    void ApplyDhcp(CNorvaleDlg& dialog, const SectionFlow& flow);
    void ApplyStatic(CNorvaleDlg& dialog, const SectionFlow& flow, const StaticChangeValues& values);
    // The administrator login, then the tear-down, then `then`; when the
    // device refused the login the user is told and the flow ends there.
    void PrepareChange(CNorvaleDlg& dialog, const SectionFlow& flow, std::function<void()> then);
    void LogIn(CNorvaleDlg& dialog, const SectionFlow& flow, std::function<void(bool)> then);
    void TearDownIscsi(CNorvaleDlg& dialog, const SectionFlow& flow, std::function<void()> then);
    void ShowRefusal(DialogSurfacePort& surface, const InputRefusal& refusal);

    InitiatorTeardownPort& initiator_;
};

}  // namespace norvale
