// The LAN section of the main dialog: the DHCP selector and Apply, which
// checks the typed address, logs in to the device as its administrator,
// takes this PC's iSCSI sessions of the device down and sends the static
// address or the switch to DHCP; then the devices are discovered again.
//
//   CLanSection lan(initiator);         // an InitiatorTeardownPort
//   NorvaleDlgSections sections{&lan, &shares, &targets, &web};
//   CNorvaleDlg dialog(protocol, files, sections);
#pragma once

#include <string>

#include "controls/core/dialog_surface_port.h"
#include "mainwindow/core/lan/address_checks.h"
#include "mainwindow/core/norvale_sections.h"

namespace norvale {

// What a change of the device's address needs of the iSCSI initiator once
// the device's connected targets are logged out (through the dialog's target
// section): the persistent devices cleared, the device's portal removed and
// the targets read anew, so nothing points at the old address.
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
    void ApplyDhcp(CNorvaleDlg& dialog);
    void ApplyStatic(CNorvaleDlg& dialog);
    // The administrator login, then the tear-down; false (and the user told)
    // when the device refused the login.
    bool PrepareChange(CNorvaleDlg& dialog);
    bool LogIn(CNorvaleDlg& dialog);
    void TearDownIscsi(CNorvaleDlg& dialog);
    void ShowRefusal(DialogSurfacePort& surface, const InputRefusal& refusal);

    InitiatorTeardownPort& initiator_;
};

}  // namespace norvale
