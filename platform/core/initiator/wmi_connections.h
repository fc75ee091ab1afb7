// One CWmiWrapper per calling site, kept for the life of the program: each
// site connects the first time it runs and reuses that connection after.
// Made by the composition root; the sections ask it for their site's wrapper.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/core/initiator/wmi_wrapper.h"

namespace norvale {

// The places that talk to WMI. A new caller adds its own site rather than
// borrowing another's connection.
enum class WmiSite {
    PortalRefresh,    // send-target portals read and added after the delay process
    TargetListFill,   // the target list filled from the initiator
    Connect,          // initiator name, connection check, persistent logins of a connect
    ChapLogin,        // initiator name for the CHAP login lines
    ConnectedDisk,    // whether a connected target brought a disk, until disk management answers that
    Logout,           // sessions and persistent logins of a disconnect or logout
    InventorySessions,  // sessions and their disks for the disk inventory
};

class WmiConnections {
public:
    explicit WmiConnections(const WmiEnvironment& env) : env_(env) {}
    WmiConnections(const WmiConnections&) = delete;
    WmiConnections& operator=(const WmiConnections&) = delete;

    // The site's wrapper, connected when first asked for. The calls run on
    // the dialogs' workers (each site's one after the other); making a
    // wrapper is locked, as two sites may be asked for at once.
    CWmiWrapper& For(WmiSite site);
    bool Made(WmiSite site) const;
    // Lets every connection go, in the apartment of the thread that calls
    // it (a worker's, where they were made); for the program's end.
    void ReleaseAll();

private:
    mutable std::mutex lock_;
    WmiEnvironment env_;
    std::map<WmiSite, std::unique_ptr<CWmiWrapper>> wrappers_;
};

// A site's wrapper as a worker reaches it: made (and connected) when first
// used, on the worker's thread and in its apartment, never on a dialog's.
class WmiSiteLink {
public:
    WmiSiteLink(WmiConnections& connections, WmiSite site) : connections_(&connections), site_(site) {}
    CWmiWrapper& operator*() const { return connections_->For(site_); }
    CWmiWrapper* operator->() const { return &connections_->For(site_); }

private:
    WmiConnections* connections_;
    WmiSite site_;
};

}  // namespace norvale
