#include "protocol/core/local_address_table.h"

#include <algorithm>

namespace norvale {

void LocalAddressTable::Assign(const std::vector<LocalInterface>& found) {
    interfaces_ = OrderLocalInterfaces(found);
    for (LocalInterface& entry : interfaces_) entry.address.resize(std::min(entry.address.size(), kMaxAddressChars));
}

std::vector<std::string> LocalAddressTable::Entries() const {
    std::vector<std::string> addresses;
    for (const LocalInterface& entry : interfaces_) addresses.push_back(entry.address);
    return addresses;
}

}  // namespace norvale
