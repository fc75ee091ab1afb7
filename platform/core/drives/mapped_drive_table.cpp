#include "platform/core/drives/mapped_drive_table.h"


namespace norvale {

std::wstring DriveNameOfEntry(std::size_t index) {
    return std::wstring(1, static_cast<wchar_t>(L'Z' - static_cast<int>(index))) + L':';
}

bool SplitRemoteName(const std::wstring& remote, std::wstring& server, std::wstring& share) {
    server.clear();
    share.clear();
    if (remote.size() < 3 || remote[0] != L'\\' || remote[1] != L'\\') return false;
    const std::size_t slash = remote.find(L'\\', 2);
    if (slash == std::wstring::npos || slash == 2 || slash + 1 >= remote.size()) return false;
    server = remote.substr(2, slash - 2);
    share = remote.substr(slash + 1);
    return true;
}

void ReadMappedDrives(NetworkDrivePort& drives, MappedDriveTable& table) {
    for (std::size_t index = 0; index < table.size(); ++index) {
        MappedDrive& entry = table[index];
        entry.drive = DriveNameOfEntry(index);
        entry.remote = drives.RemoteName(entry.drive).value_or(std::wstring());
        SplitRemoteName(entry.remote, entry.server, entry.share);
    }
}

}  // namespace norvale
