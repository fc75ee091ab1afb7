// The share section's read of the mapped drives: the linked-connections
// policy first (so an elevated program sees the drives the user mapped),
// then the table.
#pragma once

#include "platform/core/drives/mapped_drive_table.h"
#include "platform/core/drives/network_drive_port.h"
#include "platform/core/registry_port.h"
#include "platform/core/version/version_source_port.h"

namespace norvale {

// The policy step, then ReadMappedDrives. When the Windows version cannot be
// read, nothing is done and the table stays as it was. Without administrator
// rights (`mayWritePolicy` false) the policy is left alone: its write could
// only be refused.
void RefreshMappedDrives(VersionSourcePort& version, RegistryPort& registry, NetworkDrivePort& drives,
                         MappedDriveTable& table, bool mayWritePolicy = true);

}  // namespace norvale
