// The EnableLinkedConnections policy. This program runs elevated; without
// the policy, the drives it maps are invisible to the user's normal,
// non-elevated programs. The program only ever adds the policy (as 1) where
// none is set, and never changes or removes an existing one.
#pragma once

#include <optional>

#include "platform/core/registry_port.h"

namespace norvale {

inline constexpr wchar_t kPoliciesKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies";
inline constexpr wchar_t kPolicySystemKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
inline constexpr wchar_t kLinkedConnectionsValue[] = L"EnableLinkedConnections";

// The policy as found under any subkey of the Policies key, in enumeration
// order: the first readable value whose low 16 bits are 1 (on) or 0 (off)
// decides. nullopt: the policy is absent.
std::optional<bool> FindLinkedConnectionsPolicy(RegistryPort& registry);

// Writes the policy as REG_DWORD 1 under Policies\System when it is absent.
// A failed write is not reported: the mapping works without it, only the
// normal programs do not see it.
void EnsureLinkedConnectionsPolicy(RegistryPort& registry);

}  // namespace norvale
