#include "disk/core/inventory/disk_identity.h"

#include "disk/core/disk_texts.h"
#include "disk/core/inventory/volume_names.h"

namespace norvale {

namespace {

bool AtExpectedAddress(const SessionInfo& session, const ExpectedTarget& expected) {
    for (const std::wstring& address : expected.addresses) {
        if (!address.empty() && SameName(session.TargetAddress, address)) return true;
    }
    return false;
}

}  // namespace

DiskIdentity IdentifyDisk(const std::vector<SessionInfo>& sessions, std::int32_t disk, const ExpectedTarget& expected) {
    if (disk <= 0) return DiskIdentity::SystemDisk;
    if (expected.targetName.empty()) return DiskIdentity::NotOfTarget;
    for (const SessionInfo& session : sessions) {
        if (!SameName(session.TargetName, expected.targetName) || !AtExpectedAddress(session, expected)) continue;
        for (const SessionDevice& device : session.Devices) {
            if (device.deviceNumber == disk) return DiskIdentity::Confirmed;
        }
    }
    return DiskIdentity::NotOfTarget;
}

DiskIdentityCheck ConfirmDiskIdentity(DiskInventory& inventory, std::int32_t disk, const ExpectedTarget& expected) {
    DiskIdentityCheck check;
    if (disk <= 0) {
        check.identity = DiskIdentity::SystemDisk;
    } else if (const auto sessions = inventory.Sessions()) {
        check.identity = IdentifyDisk(*sessions, disk, expected);
    } else {
        check.identity = DiskIdentity::SessionsUnreadable;
    }
    if (!check.Confirmed()) check.refusal = disk_text::DiskNotOfTargetText(disk);
    return check;
}

}  // namespace norvale
