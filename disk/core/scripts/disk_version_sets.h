// The groups of Windows versions on which the partitioning steps differ:
// which systems need the online script, an assign script, the delete script
// or the partition-table deletion.
#pragma once

#include <optional>

#include "platform/core/version/windows_version_info.h"

namespace norvale {

// The twelve XP-family server-edition tests (six editions, with or without R2).
bool InXpServerSet(const WindowsVersionInfo& info);
// Vista and later server editions (and workstations with a server mark).
bool InServerEditionSet(const WindowsVersionInfo& info);
// Where a new partition gets its letter from the assign script: the XP
// server set, the 6.0 workstation, the server-edition set.
bool InAssignSet(const WindowsVersionInfo& info);
// Where a partition is deleted by the delete script: XP-family servers other
// than the Web editions, and Vista and later.
bool InDeleteScriptSet(const WindowsVersionInfo& info);

// How the disk manager deletes a partition.
enum class DeletionPath {
    OlderTable,  // older Windows: the entry cleared with the older layout requests
    Table,       // XP clients and XP-family Web editions: the entry cleared with the extended requests
    Script,      // the delete script
    None,        // any other version (or an unreadable one): nothing is deleted
};

// One path per system. A Web edition also passes the member-server and
// Standard tests; it takes the table path only, so a partition is never
// deleted twice.
DeletionPath ChooseDeletionPath(const std::optional<WindowsVersionInfo>& version);

}  // namespace norvale
