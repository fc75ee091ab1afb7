// Mapping a share to a drive letter with the credentials the Windows
// version calls for. Every attempt is remembered in the user's profile.
#pragma once

#include <functional>
#include <string>

#include "platform/core/drives/network_drive_port.h"

namespace norvale {

enum class CredentialPlan {
    // Windows NT 3.51 and 4: ask the user first, then try with that.
    LoginFirst,
    // Windows 6.x and later: without credentials, then once more as
    // "admin", letting Windows itself ask the user.
    EmptyThenWindowsPrompt,
    // Everything else: without credentials, then ask the user.
    EmptyThenLogin,
};

// By the short Windows version name (windows_version_name.h); `vistaOrLater`
// (IsVistaOrLater of the version read) takes every NT 6.0 or later the
// Windows-prompt way, whatever its name.
CredentialPlan CredentialPlanFor(const std::wstring& windowsVersionName, bool vistaOrLater);

struct ShareCredentials {
    std::wstring userName;
    std::wstring password;
};

// Makes the attempts of `plan` in a row, without a pause, and stops at the
// first success. `askUser` shows the login dialog and answers what it left.
bool ConnectWithCredentials(NetworkDrivePort& drives, const std::wstring& localName, const std::wstring& remoteName,
                            CredentialPlan plan, const std::function<ShareCredentials()>& askUser);

// The same in two parts, for a dialog that asks on its own thread while the
// attempts run on a worker. The attempts that need nothing typed: Connected,
// Failed, or the plan's credentials are to be asked for now.
enum class MappingStage { Connected, Failed, AskCredentials };
MappingStage ConnectUntyped(NetworkDrivePort& drives, const std::wstring& localName, const std::wstring& remoteName,
                            CredentialPlan plan);
// The attempts with what the user typed; the password is wiped.
bool ConnectTyped(NetworkDrivePort& drives, const std::wstring& localName, const std::wstring& remoteName,
                  ShareCredentials typed);

// '\\device\share'; empty when the two cannot form a remote name: an empty
// part, a backslash or slash inside one (a name from the network must not
// lead elsewhere), or more than 255 characters.
std::wstring ShareRemoteName(const std::wstring& deviceName, const std::wstring& shareName);

// 'Z:' from 'Z:' and 'Z: \\NAS\music'; empty unless the text starts with a
// letter and a colon.
std::wstring LocalDriveName(const std::wstring& text);

}  // namespace norvale
