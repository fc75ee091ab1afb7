// Whether the process runs with an administrator's full token.
#pragma once

#include <optional>

#include "platform/core/version/windows_version_info.h"

namespace norvale {

class ElevationPort {
public:
    virtual ~ElevationPort() = default;
    // TokenElevation of the process token; nullopt where Windows cannot say
    // (before Vista, or the token cannot be read).
    virtual std::optional<bool> IsElevated() = 0;
};

// Vista or later, and the token is known not to be elevated: the actions
// that need an administrator would fail. Without a port, or where the answer
// is unknown, nothing is refused.
bool LacksAdministratorRights(ElevationPort* elevation, const std::optional<WindowsVersionInfo>& version);

}  // namespace norvale
