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

#include <string>

#include "controls/core/dialog_controller.h"
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

// The registered message that ends a portal refresh of the iSCSI section.
inline constexpr wchar_t kProcessTerminatedMessage[] =
    L"UWM_PROCESS_TERMINATED-{F7113F80-6D03-11d3-9FDD-006067718D04}";

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
    // devices again; no device is selected afterwards.
    void Refresh();
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

private:
    bool OnInitDialog();
    void SetTexts();
    void SetUpColumns();
    void OnDeviceClicked();
    void SelectDeviceRow(int row);
    void ShowDeviceMode(const DeviceRecord& device);
    void ShowDeviceTargets(const DeviceRecord& device);
    void CheckSubnet(const DeviceRecord* device);
    void SetAddressFieldsEnabled(bool enabled);
    void OnDhcpChangeTimer();
    void ReleaseDeviceState();
    void OnExit();
    void OnSize(SizeKind kind);

    DeviceProtocol& protocol_;
    SystemFilesPort& files_;
    LanSection& lan_;
    ShareSection& shares_;
    TargetSection& targets_;
    WebSection& web_;
    SubnetMaskField netmaskField_;
    NorvaleDlgState state_;
    bool minimized_ = false;
    bool released_ = false;
};

}  // namespace norvale
