#include "platform/win32/win32_resource_port.h"

#include <windows.h>

namespace norvale {
namespace win32 {

std::optional<ResourceBytes> Win32ResourcePort::Find(std::uint16_t type, std::uint16_t name,
                                                     std::uint16_t languageId) const {
    // A neutral language id would make FindResourceExW pick a language of its
    // own; the port promises exactly the language asked for.
    if (PRIMARYLANGID(languageId) == LANG_NEUTRAL) return std::nullopt;
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC resource =
        FindResourceExW(module, MAKEINTRESOURCEW(type), MAKEINTRESOURCEW(name), languageId);
    if (resource == nullptr) return std::nullopt;
    const HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) return std::nullopt;
    const void* data = LockResource(loaded);
    if (data == nullptr) return std::nullopt;
    return ResourceBytes{static_cast<const std::uint8_t*>(data), SizeofResource(module, resource)};
}

}  // namespace win32

const ResourcePort& PlatformResourcePort() {
    static const win32::Win32ResourcePort port;
    return port;
}

}  // namespace norvale
