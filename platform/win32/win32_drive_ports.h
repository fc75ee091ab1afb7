// The drive ports on Windows: the network provider (mpr) and drive types.
#pragma once

#include "platform/core/drives/drive_type_port.h"
#include "platform/core/drives/network_drive_port.h"
#include "platform/core/trace_port.h"

namespace norvale::win32 {

class Win32NetworkDrivePort final : public NetworkDrivePort {
public:
    std::optional<std::wstring> RemoteName(const std::wstring& localName) override;
    bool AddConnection(const std::wstring& localName, const std::wstring& remoteName, const std::wstring& password,
                       const std::wstring& userName, unsigned flags) override;
    bool CancelConnection(const std::wstring& localName, unsigned flags, bool force) override;
    // A failed mapping is written down with the system's text of its error
    // (never the password).
    void SetLog(TracePort& log) { log_ = &log; }

private:
    TracePort* log_ = nullptr;
};

class Win32DriveTypePort final : public DriveTypePort {
public:
    DriveType TypeOf(const std::wstring& driveName) override;
};

}  // namespace norvale::win32
