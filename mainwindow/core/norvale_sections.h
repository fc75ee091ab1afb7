// The sections of the main dialog that own controls of their own: LAN
// settings, share mapping, the iSCSI targets and the web page with the About
// box. The main dialog routes their messages here and calls them at the
// moments a device is selected or the dialog opens. Every hook does nothing
// by default, so a section that is not built yet leaves its controls inert.
#pragma once

#include <cstdint>
#include <string>

namespace norvale {

class CNorvaleDlg;

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
    // A device was clicked: mapped drives, share pages and the first page.
    virtual void OnDeviceSelected(CNorvaleDlg&) {}
    virtual void OnListClicked(CNorvaleDlg&) {}
    virtual void OnConnect(CNorvaleDlg&) {}
    virtual void OnDisconnect(CNorvaleDlg&) {}
    virtual void OnPageChanged(CNorvaleDlg&) {}
    // Reads the mapped drives again and offers the free letters anew (after
    // a connected target's new volume took a letter).
    virtual void RefreshDriveLetters(CNorvaleDlg&) {}
    // Whether the selected device still answers on its web port; when it
    // does not, the section has told the user and refreshed. The web page
    // asks this before it starts a browser.
    virtual bool CheckDeviceReachable(CNorvaleDlg&) { return true; }
};

class TargetSection {
public:
    virtual ~TargetSection() = default;
    // The dialog opened: forget every pending connect and refresh.
    virtual void ResetFlags() {}
    // Fills the page selector from the device's target count and answers
    // the count (-1 when the device did not answer). By default: the pages
    // of the count, the first selected.
    virtual int FillTargetPages(CNorvaleDlg& dialog);
    // Empties the target list and disables Connect and Management.
    virtual void ClearTargetList(CNorvaleDlg& dialog);
    // The selected iSCSI device has targets: refresh the initiator's view
    // of it and fill the list.
    virtual void RefreshTargets(CNorvaleDlg&) {}
    virtual void OnTargetListTimer(CNorvaleDlg&) {}
    virtual void OnServiceStartTimer(CNorvaleDlg&) {}
    virtual void OnListClicked(CNorvaleDlg&) {}
    virtual void OnConnect(CNorvaleDlg&) {}
    virtual void OnManagement(CNorvaleDlg&) {}
    virtual void OnPageChanged(CNorvaleDlg&) {}
    // The delay process of a portal refresh ended; `process` is its handle.
    virtual void OnProcessTerminated(CNorvaleDlg&, std::intptr_t /*process*/) {}
    // The dialog came back from the minimised state.
    virtual void OnRestored(CNorvaleDlg&) {}
    // Before the selected device's address changes: log out of every target
    // of it that the list shows as connected.
    virtual void DisconnectActiveTargets(CNorvaleDlg&) {}
    // Logs the initiator out of one target (its full iSCSI name): every
    // session and persistent login; with `removeDevices` the target's
    // lettered volumes first stop being mounted at start-up. Disk
    // management calls it when the format wizard is cancelled.
    virtual void LogoutTarget(CNorvaleDlg&, const std::wstring& /*targetName*/, bool /*removeDevices*/) {}
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

// The sections a dialog talks to; null members take the inert defaults.
struct NorvaleDlgSections {
    LanSection* lan = nullptr;
    ShareSection* shares = nullptr;
    TargetSection* targets = nullptr;
    WebSection* web = nullptr;
};

}  // namespace norvale
