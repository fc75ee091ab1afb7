// The registry through advapi32: keys of HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER, values read raw, one DWORD written.
#pragma once

#include "platform/core/registry_port.h"

namespace norvale::win32 {

class Win32RegistryPort final : public RegistryPort {
public:
    std::optional<std::vector<std::uint8_t>> ReadValue(RegistryHive hive, const std::wstring& key,
                                                       const std::wstring& valueName,
                                                       RegistryAccess access = {}) override;
    std::optional<std::vector<std::wstring>> SubkeyNames(RegistryHive hive, const std::wstring& key,
                                                         RegistryAccess access = {}) override;
    bool WriteDword(RegistryHive hive, const std::wstring& key, const std::wstring& valueName,
                    std::uint32_t value) override;
};

}  // namespace norvale::win32
