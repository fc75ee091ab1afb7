#include "disk/core/scripts/disk_version_sets.h"

#include "platform/core/version/windows_version_editions.h"

namespace norvale {

namespace {

bool IsXpFamilyWebEditionAnyR2(const WindowsVersionInfo& info) {
    return IsXpFamilyWebEdition(info) || IsXpFamilyWebEditionR2(info);
}

}  // namespace

bool InXpServerSet(const WindowsVersionInfo& info) {
    return IsXpFamilyServer(info, false) || IsXpFamilyServer(info, true);
}

bool InServerEditionSet(const WindowsVersionInfo& info) { return IsVistaOrLaterServerEdition(info); }

bool InAssignSet(const WindowsVersionInfo& info) {
    return InXpServerSet(info) || IsVersion60Workstation(info) || InServerEditionSet(info);
}

bool InDeleteScriptSet(const WindowsVersionInfo& info) {
    return (InXpServerSet(info) && !IsXpFamilyWebEditionAnyR2(info)) || IsVistaOrLater(info);
}

DeletionPath ChooseDeletionPath(const std::optional<WindowsVersionInfo>& version) {
    if (!version) return DeletionPath::None;
    if (IsOlderNt(*version)) return DeletionPath::OlderTable;
    if (IsXpClient(*version) || IsXpFamilyWebEditionAnyR2(*version)) return DeletionPath::Table;
    if (InDeleteScriptSet(*version)) return DeletionPath::Script;
    return DeletionPath::None;
}

}  // namespace norvale
