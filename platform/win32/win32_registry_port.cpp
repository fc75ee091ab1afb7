#include "platform/win32/win32_registry_port.h"

#include <windows.h>

namespace norvale::win32 {
namespace {

// No value the program reads comes near this; a larger one is treated as
// unreadable rather than allocated.
constexpr DWORD kMaxValueBytes = 1024 * 1024;
// Key names are at most 255 characters.
constexpr DWORD kMaxKeyNameChars = 256;

HKEY Root(RegistryHive hive) {
    return hive == RegistryHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM Rights(RegistryAccess access) {
    REGSAM rights = access.write ? (KEY_READ | KEY_WRITE) : KEY_READ;
    if (access.view32) rights |= KEY_WOW64_32KEY;
    return rights;
}

class OpenKey {
public:
    OpenKey(RegistryHive hive, const std::wstring& path, REGSAM rights) {
        if (::RegOpenKeyExW(Root(hive), path.c_str(), 0, rights, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~OpenKey() {
        if (key_ != nullptr) ::RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> Win32RegistryPort::ReadValue(RegistryHive hive, const std::wstring& key,
                                                                      const std::wstring& valueName,
                                                                      RegistryAccess access) {
    const OpenKey opened(hive, key, Rights(access));
    if (opened.get() == nullptr) return std::nullopt;
    // The value may grow between the size query and the read; ask again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (::RegQueryValueExW(opened.get(), valueName.c_str(), nullptr, nullptr, nullptr, &size) !=
                ERROR_SUCCESS ||
            size > kMaxValueBytes) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> data(size);
        DWORD read = size;
        const LONG status = ::RegQueryValueExW(opened.get(), valueName.c_str(), nullptr, nullptr,
                                               data.empty() ? nullptr : data.data(), &read);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return std::nullopt;
        data.resize(read < size ? read : size);
        return data;
    }
    return std::nullopt;
}

std::optional<std::vector<std::wstring>> Win32RegistryPort::SubkeyNames(RegistryHive hive, const std::wstring& key,
                                                                        RegistryAccess access) {
    const OpenKey opened(hive, key, Rights(access));
    if (opened.get() == nullptr) return std::nullopt;
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kMaxKeyNameChars];
        DWORD length = kMaxKeyNameChars;
        const LONG status =
            ::RegEnumKeyExW(opened.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) break;  // the key changed or vanished: keep what was read
        names.emplace_back(name, length);
    }
    return names;
}

bool Win32RegistryPort::WriteDword(RegistryHive hive, const std::wstring& key, const std::wstring& valueName,
                                   std::uint32_t value) {
    HKEY created = nullptr;
    // Setting one value needs no more right than this; asking for all access
    // would only fail in more places.
    if (::RegCreateKeyExW(Root(hive), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                          &created, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD data = value;
    const LONG status = ::RegSetValueExW(created, valueName.c_str(), 0, REG_DWORD,
                                         reinterpret_cast<const BYTE*>(&data), sizeof(data));
    ::RegCloseKey(created);
    return status == ERROR_SUCCESS;
}

}  // namespace norvale::win32
