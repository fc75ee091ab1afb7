// The sections of the main dialog that own controls of their own: LAN
// settings, share mapping, the iSCSI targets, the web page with the About
// box, and the discovery doctor. The main dialog routes their messages here and calls them at the
// moments a device is selected or the dialog opens. Every hook does nothing
// by default, so a section that is not built yet leaves its controls inert.
//
// What blocks (an exchange with the appliance, WMI, a console run, a
// network-provider call) runs as a background step of the main dialog
// (CNorvaleDlg::Steps). A click starts a flow (CNorvaleDlg::Gate); a section
// called within another's flow is handed its ticket and keeps it in its
// continuations. Hooks whose name ends in "Work" block: they are called on a
// step's worker and touch nothing of the dialog.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace norvale {

class CNorvaleDlg;

// A flow of the main dialog (StepGate::Ticket): it ends when the last copy goes.
using SectionFlow = std::shared_ptr<void>;

class LanSection {
public:
    virtual ~LanSection() = default;
    virtual void OnApply(CNorvaleDlg&) {}
    virtual void OnDhcpModeChanged(CNorvaleDlg&) {}
};

class ShareSection {
public:
    virtual ~ShareSection() = default;
    // The dialog opened: read the mapped drives and offer the free letters.
    virtual void OnDialogOpened(CNorvaleDlg&) {}
    // A device was clicked: mapped drives, share pages and the first page,
    // within the click's flow.
    virtual void OnDeviceSelected(CNorvaleDlg&, const SectionFlow&) {}
    virtual void OnListClicked(CNorvaleDlg&) {}
    virtual void OnConnect(CNorvaleDlg&) {}
    virtual void OnDisconnect(CNorvaleDlg&) {}
    virtual void OnPageChanged(CNorvaleDlg&) {}
    // Reads the mapped drives again and offers the free letters anew (after
    // a connected target's new volume took a letter): a step of its own.
    virtual void RefreshDriveLetters(CNorvaleDlg&) {}
    // Within `flow`: whether the selected device still answers on its web
    // port, handed to `then`; when it does not, the section has told the
    // user and started a Refresh. The web page asks this before it starts a
    // browser.
    virtual void CheckDeviceReachable(CNorvaleDlg&, const SectionFlow&, std::function<void(bool)> then) {
        then(true);
    }
};

class TargetSection {
public:
    virtual ~TargetSection() = default;
    // The dialog opened: forget every pending connect and refresh.
    virtual void ResetFlags() {}
    // Fills the page selector from the device's target count (-1 when the
    // device did not answer). By default: the pages of the count, the
    // first selected.
    virtual void FillTargetPages(CNorvaleDlg& dialog, int count);
    // Empties the target list and disables Connect and Management.
    virtual void ClearTargetList(CNorvaleDlg& dialog);
    // The selected iSCSI device has targets: refresh the initiator's view
    // of it and fill the list, within the click's flow.
    virtual void RefreshTargets(CNorvaleDlg&, const SectionFlow&) {}
    virtual void OnTargetListTimer(CNorvaleDlg&) {}
    virtual void OnServiceStartTimer(CNorvaleDlg&) {}
    virtual void OnListClicked(CNorvaleDlg&) {}
    virtual void OnConnect(CNorvaleDlg&) {}
    virtual void OnManagement(CNorvaleDlg&) {}
    virtual void OnPageChanged(CNorvaleDlg&) {}
    // The dialog came back from the minimised state.
    virtual void OnRestored(CNorvaleDlg&) {}
    // The targets of the shown list that are connected (their full names),
    // which a change of the device's address must log out first.
    virtual std::vector<std::wstring> ActiveTargets(CNorvaleDlg&) { return {}; }
    // Logs the initiator out of one target (its full iSCSI name): every
    // session and persistent login; with `removeDevices` the target's
    // lettered volumes first stop being mounted at start-up. `deviceIp`:
    // the appliance's address. Blocks: a step's worker calls it (the LAN
    // change, and disk management when the format wizard is cancelled).
    virtual void LogoutTargetWork(const std::wstring& /*targetName*/, bool /*removeDevices*/,
                                  const std::wstring& /*deviceIp*/) {}
    // The dialog window is going: nothing may be posted to it any more.
    virtual void OnDialogEnding(CNorvaleDlg&) {}
};

class WebSection {
public:
    virtual ~WebSection() = default;
    virtual void OnConfiguration(CNorvaleDlg&) {}
    // The About button and the About entry of the system menu.
    virtual void OnAbout(CNorvaleDlg&) {}
};

class DoctorSection {
public:
    virtual ~DoctorSection() = default;
    // A discovery pass ended (the first, a Refresh, the one after an address
    // change) and found at least one appliance or none.
    virtual void OnPassEnded(CNorvaleDlg&, bool /*foundAny*/) {}
    // The system menu's "why is nothing found" entry.
    virtual void OnOpenDoctor(CNorvaleDlg&) {}
};

// The sections a dialog talks to; null members take the inert defaults.
struct NorvaleDlgSections {
    LanSection* lan = nullptr;
    ShareSection* shares = nullptr;
    TargetSection* targets = nullptr;
    WebSection* web = nullptr;
    DoctorSection* doctor = nullptr;
};

}  // namespace norvale
