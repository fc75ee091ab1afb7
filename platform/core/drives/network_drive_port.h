// The Windows network provider as the share mapping uses it: which remote
// name a drive letter is connected to, adding a disk connection and
// cancelling one. Drive names are 'Z:' style, remote names '\\server\share'.
#pragma once

#include <optional>
#include <string>

namespace norvale {

// Flags of a connection, with the values Windows gives them.
namespace connect_flag {
inline constexpr unsigned kUpdateProfile = 0x01;  // CONNECT_UPDATE_PROFILE: remembered at logon
inline constexpr unsigned kInteractive = 0x08;    // CONNECT_INTERACTIVE
inline constexpr unsigned kPrompt = 0x10;         // CONNECT_PROMPT: Windows asks for credentials
}  // namespace connect_flag

class NetworkDrivePort {
public:
    virtual ~NetworkDrivePort() = default;
    // The remote name a drive is connected to (WNetGetConnectionW), also when
    // the connection is remembered but not currently connected; nullopt when
    // the drive is no network connection or the provider fails.
    virtual std::optional<std::wstring> RemoteName(const std::wstring& localName) = 0;
    // WNetAddConnection2W for a disk resource with this local and remote
    // name and no particular provider. Empty texts are passed as empty, never
    // as null (null would mean "the default credentials"). True on success.
    virtual bool AddConnection(const std::wstring& localName, const std::wstring& remoteName,
                               const std::wstring& password, const std::wstring& userName, unsigned flags) = 0;
    // WNetCancelConnection2W; true on success.
    virtual bool CancelConnection(const std::wstring& localName, unsigned flags, bool force) = 0;
};

}  // namespace norvale
