#include "platform/core/elevation_port.h"

#include "platform/core/version/windows_version_editions.h"

namespace norvale {

bool LacksAdministratorRights(ElevationPort* elevation, const std::optional<WindowsVersionInfo>& version) {
    if (elevation == nullptr || !version || !IsVistaOrLater(*version)) return false;
    return elevation->IsElevated() == false;
}

}  // namespace norvale
