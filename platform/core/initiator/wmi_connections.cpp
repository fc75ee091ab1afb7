#include "platform/core/initiator/wmi_connections.h"

namespace norvale {

CWmiWrapper& WmiConnections::For(WmiSite site) {
    std::unique_ptr<CWmiWrapper>& wrapper = wrappers_[site];
    if (!wrapper) wrapper = std::make_unique<CWmiWrapper>(env_);
    return *wrapper;
}

}  // namespace norvale
