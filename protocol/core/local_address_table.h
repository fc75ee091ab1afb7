// The PC's local IPv4 addresses as dotted text, at most 10, in lookup order.
// The position of an address is its interface index; the device table stores
// it per device and every request to that device uses the sockets of it.
#pragma once

#include <string>
#include <vector>

#include "protocol/core/protocol_constants.h"

namespace norvale {

class LocalAddressTable {
public:
    // Replaces the entries with the first 10 of `addresses`, each cut to 15
    // characters (the field holds a dotted quad and its terminator).
    void Assign(const std::vector<std::string>& addresses);

    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& At(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& Entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};

}  // namespace norvale
