// The share section of the main dialog: the device's shares page by page,
// the drive letters they may be mapped to, Connect and Disconnect through
// the Windows network provider, and the reachability check the web page
// uses as well.
//
//   ShareSectionPorts ports{drives, driveTypes, http, registry, version,
//                           redirection, SystemClock(), &windowsUser,
//                           IsWow64(version)};
//   CShareSection shares(ports);
//   CNorvaleDlg dialog(protocol, files, {&lan, &shares, &targets, &web});
#pragma once

#include "mainwindow/core/norvale_sections.h"
#include "mainwindow/core/ports/http_check_port.h"
#include "mainwindow/core/ports/windows_user_port.h"
#include "mainwindow/core/shares/share_connect.h"
#include "mainwindow/core/shares/share_list.h"
#include "mainwindow/core/shares/share_mapped_drives.h"
#include "mainwindow/core/shares/share_reachability.h"
#include "platform/core/clock_port.h"
#include "platform/core/drives/drive_type_port.h"
#include "platform/core/drives/network_drive_port.h"
#include "platform/core/elevation_port.h"
#include "platform/core/registry_port.h"
#include "platform/core/version/version_source_port.h"
#include "platform/core/version/wow64_redirection_port.h"

namespace norvale {

class CNorvaleDlg;

// Every port must outlive the section; `http` and `clock` also every
// reachability worker, which may still run after a check gave up.
struct ShareSectionPorts {
    NetworkDrivePort& drives;
    DriveTypePort& driveTypes;
    HttpCheckPort& http;
    RegistryPort& registry;
    VersionSourcePort& version;
    Wow64RedirectionPort& redirection;
    ClockPort& clock;
    // Where the login dialog finds the account name on Windows 98 and ME.
    const WindowsUserPort* windowsUser = nullptr;
    // The WOW64 answer the application took at start: a 32-bit program on
    // 64-bit Windows turns file-system redirection on while it maps.
    bool wow64 = false;
    // The policy write needs an administrator; unelevated it is skipped and
    // the user told once (null: always written).
    ElevationPort* elevation = nullptr;
};

class CShareSection final : public ShareSection {
public:
    explicit CShareSection(ShareSectionPorts ports);

    void OnDialogOpened(CNorvaleDlg& dialog) override;
    void OnDeviceSelected(CNorvaleDlg& dialog, const SectionFlow& flow) override;
    void OnListClicked(CNorvaleDlg& dialog) override;
    void OnConnect(CNorvaleDlg& dialog) override;
    void OnDisconnect(CNorvaleDlg& dialog) override;
    void OnPageChanged(CNorvaleDlg& dialog) override;
    // Asks the address in the dialog's deviceWebAddress. When the device
    // does not answer: tells the user, re-reads the drives and discovers
    // the devices again (no device is selected afterwards).
    void CheckDeviceReachable(CNorvaleDlg& dialog, const SectionFlow& flow,
                              std::function<void(bool)> then) override;

    // The table as last read; the disk manager reads it too.
    const MappedDriveTable& MappedDrives() const { return table_; }
    // RefreshMappedDrives on a worker, then the letter combo.
    void RefreshDriveLetters(CNorvaleDlg& dialog) override;

private:
    // The mapped drives read on a worker (with `alsoOnWorker` after them,
    // the appliance asked, say), then the table and the letter combo shown
    // and `then` run.
    void ReadDrives(CNorvaleDlg& dialog, std::function<void()> alsoOnWorker, std::function<void()> then);
    // The mapping's attempts after the reachability check.
    void Map(CNorvaleDlg& dialog, const SectionFlow& flow, const std::wstring& localName,
             const std::wstring& remoteName, const std::wstring& versionName, CredentialPlan plan);
    void MappingEnded(CNorvaleDlg& dialog, const SectionFlow& flow, bool connected);
    void ShowBox(CNorvaleDlg& dialog, std::wstring text, unsigned caption, MessageIcon icon);
    // The success box of Connect or Disconnect: the restart hint only where
    // a 32-bit program on 64-bit Windows Vista or later made the change.
    void ShowDone(CNorvaleDlg& dialog, unsigned plain, unsigned withRestart);
    // The share list of the selected device row from ShareNameList.
    void RedrawShareList(CNorvaleDlg& dialog, ServerMatch match);
    ShareCredentials AskShareCredentials(CNorvaleDlg& dialog, const std::wstring& versionName);
    // The share list of the selected device row from ShareNameList, after
    // a step asked the appliance.
    void ShowShares(CNorvaleDlg& dialog);

    ShareSectionPorts ports_;
    ReachabilityCheck reachability_;
    MappedDriveTable table_;
    bool adminNoticeShown_ = false;
};

}  // namespace norvale
