#include "mainwindow/core/shares/share_linked_connections.h"

#include <string>

namespace norvale {

namespace {

// A value that does not fit the reader's buffer counts as unreadable.
constexpr std::size_t kMaxValueBytes = 512;

}  // namespace

std::optional<bool> FindLinkedConnectionsPolicy(RegistryPort& registry) {
    const auto subkeys = registry.SubkeyNames(RegistryHive::LocalMachine, kPoliciesKey);
    if (!subkeys) return std::nullopt;
    for (const std::wstring& subkey : *subkeys) {
        const auto bytes = registry.ReadValue(RegistryHive::LocalMachine,
                                              std::wstring(kPoliciesKey) + L"\\" + subkey, kLinkedConnectionsValue);
        // Fewer than two bytes have no low 16 bits to judge by.
        if (!bytes || bytes->size() < 2 || bytes->size() > kMaxValueBytes) continue;
        const unsigned low = static_cast<unsigned>((*bytes)[0]) | (static_cast<unsigned>((*bytes)[1]) << 8);
        if (low == 1) return true;
        if (low == 0) return false;
    }
    return std::nullopt;
}

void EnsureLinkedConnectionsPolicy(RegistryPort& registry) {
    if (FindLinkedConnectionsPolicy(registry)) return;
    registry.WriteDword(RegistryHive::LocalMachine, kPolicySystemKey, kLinkedConnectionsValue, 1);
}

}  // namespace norvale
