// The PC's local IPv4 interfaces discovery uses, in their table order
// (local_interface.h). The position of an entry is its interface index; the
// device table stores it per device and every request to that device uses the
// sockets of it.
#pragma once

#include <string>
#include <vector>

#include "protocol/core/local_interface.h"
#include "protocol/core/protocol_constants.h"

namespace norvale {

class LocalAddressTable {
public:
    // Replaces the entries with the table OrderLocalInterfaces makes of
    // `found`, each address cut to 15 characters (the field holds a dotted
    // quad and its terminator).
    void Assign(const std::vector<LocalInterface>& found);

    int Count() const { return static_cast<int>(interfaces_.size()); }
    const std::string& At(int index) const { return interfaces_.at(static_cast<std::size_t>(index)).address; }
    std::vector<std::string> Entries() const;
    const std::vector<LocalInterface>& Interfaces() const { return interfaces_; }

private:
    std::vector<LocalInterface> interfaces_;
};

}  // namespace norvale
