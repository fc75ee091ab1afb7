// A network provider for Wine test prefixes only (never part of norvale.exe
// or the release): Wine has no SMB client, so WNetAddConnection2W finds no
// network. This provider gives it one. Each connection's credentials go to
// the simulated network's daemon (SHARE request, see
// tools/initiator_sim/daemon_service.h), which tries them against the
// appliance's real SMB server; on success the letter is defined through
// Wine's mount manager as a remote drive with a "unc/SERVER/SHARE" mount
// point, so that GetDriveTypeW answers DRIVE_REMOTE and WNetGetConnectionW
// "\\SERVER\SHARE", as on Windows. Cancelling a connection removes it.
// The daemon's address: HKLM\SOFTWARE\NorvaleTest\ShareCheck, "Endpoint".
#include <windows.h>
#include <winioctl.h>
// mingw's header declares the entry points without C linkage.
extern "C" {
#include <npapi.h>
}

#include <cstring>
#include <string>

#include "tests/initiator/win32/standin_link.h"

namespace {

constexpr wchar_t kShareCheckKey[] = L"SOFTWARE\\NorvaleTest\\ShareCheck";

// Wine's own extension of the mount manager (include/ddk/mountmgr.h).
constexpr DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

// "X:" (either case) as its letter, else 0.
wchar_t LetterOf(const wchar_t* name) {
    if (name == nullptr || name[0] == 0 || name[1] != L':' || name[2] != 0) return 0;
    const wchar_t letter = static_cast<wchar_t>(name[0] | 0x20);
    return letter >= L'a' && letter <= L'z' ? letter : 0;
}

std::wstring Root(wchar_t letter) { return std::wstring(1, letter) + L":\\"; }

// Defines the letter as a remote drive of `mountPoint`, or removes it
// (empty mount point).
bool DefineDrive(wchar_t letter, const std::string& mountPoint) {
    std::string buffer(sizeof(UnixDrive), '\0');
    UnixDrive drive{};
    drive.size = static_cast<ULONG>(sizeof(UnixDrive) + mountPoint.size() + 1);
    drive.type = mountPoint.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_REMOTE;
    drive.letter = letter;
    drive.mountPointOffset = mountPoint.empty() ? 0 : static_cast<USHORT>(sizeof(UnixDrive));
    std::memcpy(buffer.data(), &drive, sizeof drive);
    buffer += mountPoint;
    buffer += '\0';
    const HANDLE manager = ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    const BOOL done = ::DeviceIoControl(manager, kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()),
                                        nullptr, 0, &returned, nullptr);
    ::CloseHandle(manager);
    return done != FALSE;
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD APIENTRY NPGetCaps(DWORD index) {
    switch (index) {
    case WNNC_SPEC_VERSION: return WNNC_SPEC_VERSION51;
    case WNNC_NET_TYPE: return WNNC_NET_SMB;
    case WNNC_DRIVER_VERSION: return 1;
    case WNNC_START: return 1;  // started
    case WNNC_CONNECTION:
        return WNNC_CON_ADDCONNECTION | WNNC_CON_ADDCONNECTION3 | WNNC_CON_CANCELCONNECTION;
    default: return 0;
    }
}

__declspec(dllexport) DWORD APIENTRY NPAddConnection3(HWND, LPNETRESOURCEW resource, LPWSTR password,
                                                      LPWSTR userName, DWORD) {
    if (resource == nullptr || resource->lpRemoteName == nullptr) return WN_BAD_NETNAME;
    const bool deviceless = resource->lpLocalName == nullptr || resource->lpLocalName[0] == 0;
    const wchar_t letter = LetterOf(resource->lpLocalName);
    if (!deviceless && letter == 0) return WN_BAD_LOCALNAME;
    // A letter in use, by a disk or another connection, is refused as
    // Windows refuses it.
    if (letter != 0 && ::GetDriveTypeW(Root(letter).c_str()) != DRIVE_NO_ROOT_DIR) return WN_ALREADY_CONNECTED;

    using norvale::standin::ToUtf8;
    const std::string remote = ToUtf8(resource->lpRemoteName);
    const auto answer = norvale::standin::Ask(
        {"SHARE", {remote, userName ? ToUtf8(userName) : "", password ? ToUtf8(password) : ""}}, kShareCheckKey);
    if (!answer) return WN_NO_NETWORK;
    if (answer->code != 0) return static_cast<DWORD>(answer->code);
    if (deviceless) return WN_SUCCESS;

    // "\\SERVER\SHARE" as the mount point Wine reads back as that name.
    std::string mountPoint = "unc/" + remote.substr(2);
    for (char& c : mountPoint) c = c == '\\' ? '/' : c;
    if (!DefineDrive(letter, mountPoint) || ::GetDriveTypeW(Root(letter).c_str()) != DRIVE_REMOTE) {
        DefineDrive(letter, {});
        return ERROR_UNEXP_NET_ERR;
    }
    return WN_SUCCESS;
}

__declspec(dllexport) DWORD APIENTRY NPAddConnection(LPNETRESOURCEW resource, LPWSTR password, LPWSTR userName) {
    return NPAddConnection3(nullptr, resource, password, userName, 0);
}

__declspec(dllexport) DWORD APIENTRY NPCancelConnection(LPWSTR name, BOOL) {
    const wchar_t letter = LetterOf(name);
    if (letter == 0 || ::GetDriveTypeW(Root(letter).c_str()) != DRIVE_REMOTE) return WN_NOT_CONNECTED;
    return DefineDrive(letter, {}) ? WN_SUCCESS : ERROR_UNEXP_NET_ERR;
}

}  // extern "C"
