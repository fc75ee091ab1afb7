#include "protocol/core/local_address_table.h"

namespace norvale {

void LocalAddressTable::Assign(const std::vector<LocalInterface>& found) {
    interfaces_ = OrderLocalInterfaces(found);
    entries_.clear();
    for (LocalInterface& entry : interfaces_) {
        entry.address = entry.address.substr(0, kMaxAddressChars);
        entries_.push_back(entry.address);
    }
}

}  // namespace norvale
