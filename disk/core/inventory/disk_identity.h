// The check every destructive step makes first (writing a layout,
// initialising a disk, running the delete script). Disk numbers are handed
// out by Windows as disks arrive: between the inventory the user looked at
// and the write, the appliance's disk may have gone and another disk (a USB
// drive, another appliance's target) may carry its number. So the number
// must still be a disk of a session of the expected target at the
// appliance's address, and never disk 0, the system disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/core/inventory/volume_inventory.h"

namespace norvale {

struct ExpectedTarget {
    std::wstring targetName;
    // The appliance's portal addresses (its LAN ports); empty ones are ignored.
    std::vector<std::wstring> addresses;
};

enum class DiskIdentity {
    Confirmed,
    SystemDisk,          // disk 0 (or a negative number)
    NotOfTarget,         // no device of a matching session has that number
    SessionsUnreadable,  // the initiator could not be asked
};

struct DiskIdentityCheck {
    DiskIdentity identity = DiskIdentity::NotOfTarget;
    std::wstring refusal;  // the message to show; empty when confirmed

    bool Confirmed() const { return identity == DiskIdentity::Confirmed; }
};

// Against a session list read just now.
DiskIdentity IdentifyDisk(const std::vector<SessionInfo>& sessions, std::int32_t disk, const ExpectedTarget& expected);

// Reads the sessions afresh and checks; a refusal carries its string-table
// text ("Disk %d is not a disk of the selected iSCSI target...").
DiskIdentityCheck ConfirmDiskIdentity(DiskInventory& inventory, std::int32_t disk, const ExpectedTarget& expected);

}  // namespace norvale
