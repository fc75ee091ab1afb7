#include "mainwindow/core/shares/share_mapped_drives.h"

#include "mainwindow/core/shares/share_linked_connections.h"
#include "platform/core/version/windows_version_editions.h"
#include "platform/core/version/windows_version_reader.h"

namespace norvale {

void RefreshMappedDrives(VersionSourcePort& version, RegistryPort& registry, NetworkDrivePort& drives,
                         MappedDriveTable& table, bool mayWritePolicy) {
    const auto info = ReadWindowsVersion(version);
    if (!info) return;
    if (mayWritePolicy && IsVistaOrLater(*info)) EnsureLinkedConnectionsPolicy(registry);
    ReadMappedDrives(drives, table);
}

}  // namespace norvale
