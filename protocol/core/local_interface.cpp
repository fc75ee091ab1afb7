#include "protocol/core/local_interface.h"

#include <algorithm>
#include <cwctype>
#include <set>

namespace norvale {
namespace {

// IANA interface types (ipifcons.h).
constexpr std::uint32_t kIfEthernet = 6;
constexpr std::uint32_t kIfPpp = 23;
constexpr std::uint32_t kIfLoopback = 24;
constexpr std::uint32_t kIfPropVirtual = 53;
constexpr std::uint32_t kIfWireless = 71;
constexpr std::uint32_t kIfTunnel = 131;

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

bool Mentions(const std::wstring& lowered, std::initializer_list<const wchar_t*> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](const wchar_t* word) { return lowered.find(word) != std::wstring::npos; });
}

}  // namespace

AdapterKind ClassifyAdapter(std::uint32_t ifType, const std::wstring& description) {
    const std::wstring text = Lower(description);
    if (ifType == kIfLoopback || Mentions(text, {L"loopback"})) return AdapterKind::Loopback;
    if (ifType == kIfPpp || ifType == kIfTunnel ||
        Mentions(text, {L"vpn", L"tap-", L"tap adapter", L"wireguard", L"wintun", L"tunnel", L"anyconnect",
                        L"fortinet", L"pangp", L"openvpn"}))
        return AdapterKind::Tunnel;
    if (ifType == kIfPropVirtual ||
        Mentions(text, {L"hyper-v", L"virtual", L"vmware", L"virtualbox", L"vethernet", L"docker", L"wsl"}))
        return AdapterKind::Virtual;
    if (ifType == kIfWireless) return AdapterKind::Wireless;
    if (ifType == kIfEthernet) return AdapterKind::Ethernet;
    return AdapterKind::Other;
}

bool IsPhysical(AdapterKind kind) { return kind == AdapterKind::Ethernet || kind == AdapterKind::Wireless; }

std::vector<LocalInterface> OrderLocalInterfaces(const std::vector<LocalInterface>& found) {
    std::vector<LocalInterface> table;
    std::set<std::string> seen;
    for (const LocalInterface& entry : found) {
        if (!entry.up || entry.kind == AdapterKind::Loopback || entry.address.empty() ||
            entry.address == "0.0.0.0" || entry.address.rfind("127.", 0) == 0)
            continue;
        if (seen.insert(entry.address).second) table.push_back(entry);
    }
    std::stable_partition(table.begin(), table.end(),
                          [](const LocalInterface& entry) { return IsPhysical(entry.kind); });
    if (table.size() > kMaxLocalInterfaces) table.resize(kMaxLocalInterfaces);
    return table;
}

}  // namespace norvale
