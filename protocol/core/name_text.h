// The device name of a DiscoverReply may carry more than the name:
// "display name:port name=other-port address", e.g. "NAS:eth1=192.168.0.20".
#pragma once

#include <string>

namespace norvale {

// The text before the first ':' (the whole name when there is none).
std::wstring DisplayName(const std::wstring& name);

// The number of the device's other LAN port: 2 when the port named after the
// first ':' begins with "eth0", 1 for "eth1" (either without regard to case),
// otherwise 0. A name without ':' stands whole for the port text.
int OtherPortNumber(const std::wstring& name);

// The address of the device's other port: the text after the first '=', taken
// only when it and the text after the first ':' are both non-empty. A name
// without '=' (or ':') stands whole for the missing part, so a plain name is
// its own other-port text. At most 15 characters; empty when not taken.
std::wstring OtherPortAddress(const std::wstring& name);

}  // namespace norvale
