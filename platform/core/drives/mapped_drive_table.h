// MappedDriveTable: the 26 drive letters, Z: first and A: last, with the
// network share each is connected to. The share section and the disk
// manager re-read it after every change they make.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "platform/core/drives/network_drive_port.h"

namespace norvale {

struct MappedDrive {
    std::wstring drive;   // 'Z:' .. 'A:'
    // The whole remote name; empty when the letter is no network connection.
    std::wstring remote;
    // Its parts: '\\server\share' (the share may hold further backslashes).
    // Both empty when the remote name has another form.
    std::wstring server;
    std::wstring share;

    bool IsConnected() const { return !remote.empty(); }
};

inline constexpr std::size_t kDriveLetterCount = 26;
using MappedDriveTable = std::array<MappedDrive, kDriveLetterCount>;

// The drive name of table entry `index`: 0 is 'Z:', 25 is 'A:'.
std::wstring DriveNameOfEntry(std::size_t index);

// Splits '\\server\share'; false (both parts empty) for any other form.
bool SplitRemoteName(const std::wstring& remote, std::wstring& server, std::wstring& share);

// Refills every entry from the network provider.
void ReadMappedDrives(NetworkDrivePort& drives, MappedDriveTable& table);

}  // namespace norvale
