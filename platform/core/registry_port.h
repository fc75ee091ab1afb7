// The registry, as far as the program reads and writes it: values of keys
// under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER, read raw, and one DWORD
// written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvale {

enum class RegistryHive { LocalMachine, CurrentUser };

// How a key is opened: the access asked for, and the 32-bit view of a
// 64-bit registry (KEY_WOW64_32KEY) where a caller needs it.
struct RegistryAccess {
    bool write = false;
    bool view32 = false;
};

class RegistryPort {
public:
    virtual ~RegistryPort() = default;
    // The bytes of a value as stored (an empty name reads the key's default
    // value), whatever its type; nullopt when the key or the value does not
    // exist, or the key cannot be opened with `access`.
    virtual std::optional<std::vector<std::uint8_t>> ReadValue(RegistryHive hive, const std::wstring& key,
                                                               const std::wstring& valueName,
                                                               RegistryAccess access = {}) = 0;
    // The names of the subkeys of a key, in the registry's order; nullopt
    // when the key cannot be opened.
    virtual std::optional<std::vector<std::wstring>> SubkeyNames(RegistryHive hive, const std::wstring& key,
                                                                 RegistryAccess access = {}) = 0;
    // Creates the key when needed and sets a REG_DWORD value; false on failure.
    virtual bool WriteDword(RegistryHive hive, const std::wstring& key, const std::wstring& valueName,
                            std::uint32_t value) = 0;
};

}  // namespace norvale
