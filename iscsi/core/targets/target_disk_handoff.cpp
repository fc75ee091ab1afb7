#include "iscsi/core/targets/target_disk_handoff.h"

#include "iscsi/core/targets/name_compare.h"

namespace norvale {

TargetDiskState SessionDiskHandoff::FindByTarget(const std::wstring& targetName) {
    std::vector<SessionInfo> sessions;
    wmi_.For(WmiSite::ConnectedDisk).QuerySessions(sessions);
    for (const SessionInfo& session : sessions) {
        if (SameIgnoringCase(session.TargetName, targetName) && !session.Devices.empty()) {
            return TargetDiskState::HasVolume;
        }
    }
    return TargetDiskState::None;
}

}  // namespace norvale
