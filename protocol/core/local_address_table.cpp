#include "protocol/core/local_address_table.h"

namespace norvale {

void LocalAddressTable::Assign(const std::vector<std::string>& addresses) {
    entries_.clear();
    for (const std::string& address : addresses) {
        if (entries_.size() == kMaxLocalAddresses) break;
        entries_.push_back(address.substr(0, kMaxAddressChars));
    }
}

}  // namespace norvale
