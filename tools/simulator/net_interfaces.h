// The few interface operations the simulator needs: the kernel index of an
// interface, and adding an address to it (by running `ip`, as an appliance's
// own network setup would).
#pragma once

#include <string>

namespace norvale::sim {

// 0 when there is no such interface.
unsigned InterfaceIndex(const std::string& name);
// The name of an interface index, or the number as text when it has none.
std::string InterfaceName(unsigned index);
bool InterfaceHasAddress(const std::string& name, const std::string& address);
// Adds address/prefix to the interface unless it is there already. Waits for
// `ip` at most a few seconds.
bool AddInterfaceAddress(const std::string& name, const std::string& address,
                         const std::string& netmask);
// The prefix length of a dotted netmask, counting its leading one bits.
int PrefixLength(const std::string& netmask);

}  // namespace norvale::sim
