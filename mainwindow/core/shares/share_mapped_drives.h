// MappedDriveTable: the 26 drive letters, Z: first and A: last, with the
// network share each is connected to. The share section and the disk
// manager re-read it after every change they make.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "mainwindow/core/ports/network_drive_port.h"
#include "platform/core/registry_port.h"
#include "platform/core/version/version_source_port.h"

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

// The policy step, then ReadMappedDrives. When the Windows version cannot be
// read, nothing is done and the table stays as it was. Without administrator
// rights (`mayWritePolicy` false) the policy is left alone: its write could
// only be refused.
void RefreshMappedDrives(VersionSourcePort& version, RegistryPort& registry, NetworkDrivePort& drives,
                         MappedDriveTable& table, bool mayWritePolicy = true);

}  // namespace norvale
