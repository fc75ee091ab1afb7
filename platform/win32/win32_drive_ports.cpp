#include "platform/win32/win32_drive_ports.h"

#include <windows.h>
#include <winnetwk.h>

#include <vector>

#include "platform/win32/win32_error_text.h"

namespace norvale::win32 {

std::optional<std::wstring> Win32NetworkDrivePort::RemoteName(const std::wstring& localName) {
    DWORD length = 256;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<wchar_t> buffer(length + 1, L'\0');
        DWORD size = length;
        const DWORD status = ::WNetGetConnectionW(localName.c_str(), buffer.data(), &size);
        // A remembered connection that is not connected now still owns its
        // letter; it comes with its remote name.
        if (status == NO_ERROR || status == ERROR_CONNECTION_UNAVAIL) {
            buffer.back() = L'\0';
            std::wstring remote(buffer.data());
            if (remote.empty()) return std::nullopt;
            return remote;
        }
        if (status != ERROR_MORE_DATA || size <= length) return std::nullopt;
        length = size;
    }
    return std::nullopt;
}

bool Win32NetworkDrivePort::AddConnection(const std::wstring& localName, const std::wstring& remoteName,
                                          const std::wstring& password, const std::wstring& userName,
                                          unsigned flags) {
    std::wstring local = localName;
    std::wstring remote = remoteName;
    NETRESOURCEW resource{};
    resource.dwType = RESOURCETYPE_DISK;
    resource.lpLocalName = local.data();
    resource.lpRemoteName = remote.data();
    resource.lpProvider = nullptr;
    const DWORD result = ::WNetAddConnection2W(&resource, password.c_str(), userName.c_str(), flags);
    if (result != NO_ERROR && log_) {
        log_->Trace(L"network: mapping " + remoteName + L" to " + localName + L" failed: error " +
                    std::to_wstring(result) + L": " + ErrorText(result));
    }
    return result == NO_ERROR;
}

bool Win32NetworkDrivePort::CancelConnection(const std::wstring& localName, unsigned flags, bool force) {
    return ::WNetCancelConnection2W(localName.c_str(), flags, force ? TRUE : FALSE) == NO_ERROR;
}

DriveType Win32DriveTypePort::TypeOf(const std::wstring& driveName) {
    const UINT type = ::GetDriveTypeW(driveName.c_str());
    return type <= static_cast<UINT>(DriveType::RamDisk) ? static_cast<DriveType>(type) : DriveType::Unknown;
}

}  // namespace norvale::win32
