// The PC's local IPv4 interfaces as discovery uses them: one entry per
// address of an adapter that is up, with what the adapter is, so that the
// table keeps a stable order (the cards first) and a user can be told which
// adapters took part.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace norvale {

enum class AdapterKind {
    Ethernet,  // a wired card
    Wireless,  // Wi-Fi
    Virtual,   // a hypervisor's or container host's switch (Hyper-V, WSL, VirtualBox, VMware, Docker)
    Tunnel,    // a VPN or tunnel (PPP, TAP, WireGuard, IP-in-IP)
    Loopback,
    Other,
};

struct LocalInterface {
    std::string address;      // dotted IPv4
    std::wstring adapterName; // what Windows calls it ("Ethernet 2", "Wi-Fi"); empty where unknown
    AdapterKind kind = AdapterKind::Other;
    bool up = true;
};

// How many interfaces discovery uses at most: two sockets each, and a PC with
// Hyper-V, WSL, Docker, VirtualBox, two VPNs, Wi-Fi and a dock has about 15.
inline constexpr std::size_t kMaxLocalInterfaces = 64;

// The kind of an adapter from its interface type (IANA ifType, as
// IP_ADAPTER_ADDRESSES.IfType gives it) and its description: a hypervisor's
// adapter reports itself as Ethernet and only its description tells.
AdapterKind ClassifyAdapter(std::uint32_t ifType, const std::wstring& description);

// Whether the kind is a card of the PC itself (wired or Wi-Fi).
bool IsPhysical(AdapterKind kind);

// The table discovery uses: adapters that are up, loopback and 0.0.0.0 left
// out, each address once; the PC's own cards first, then the rest, each in
// the order Windows listed them; at most kMaxLocalInterfaces.
std::vector<LocalInterface> OrderLocalInterfaces(const std::vector<LocalInterface>& found);

}  // namespace norvale
