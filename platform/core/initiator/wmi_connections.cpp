#include "platform/core/initiator/wmi_connections.h"

namespace norvale {

bool WmiConnections::Made(WmiSite site) const {
    std::lock_guard<std::mutex> lock(lock_);
    return wrappers_.count(site) != 0;
}

CWmiWrapper& WmiConnections::For(WmiSite site) {
    std::lock_guard<std::mutex> lock(lock_);
    std::unique_ptr<CWmiWrapper>& wrapper = wrappers_[site];
    if (!wrapper) wrapper = std::make_unique<CWmiWrapper>(env_);
    return *wrapper;
}

void WmiConnections::ReleaseAll() {
    std::map<WmiSite, std::unique_ptr<CWmiWrapper>> going;
    {
        std::lock_guard<std::mutex> guard(lock_);
        going.swap(wrappers_);
    }
}

}  // namespace norvale
