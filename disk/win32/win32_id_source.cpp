#include "disk/win32/win32_id_source.h"

#include <windows.h>

#include <objbase.h>

#include <cstdlib>
#include <cstring>

namespace norvale::win32 {

Win32IdSource::Win32IdSource() {
    // Disks initialised in two runs must not get the same signature.
    std::srand(static_cast<unsigned>(GetTickCount() ^ GetCurrentProcessId()));
}

Guid Win32IdSource::NewGuid() {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) return Guid{};
    std::uint8_t bytes[16];
    static_assert(sizeof(guid) == sizeof(bytes), "GUID layout");
    std::memcpy(bytes, &guid, sizeof(bytes));
    return Guid::FromBytes(bytes);
}

std::uint32_t Win32IdSource::NewMbrSignature() {
    const std::uint32_t signature =
        (static_cast<std::uint32_t>(std::rand()) << 16) + static_cast<std::uint32_t>(std::rand());
    return signature == 0 ? 1 : signature;
}

}  // namespace norvale::win32
