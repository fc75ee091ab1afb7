// The support log's files: %LOCALAPPDATA%\Norvale\norvale.log and, when that
// is full, norvale.old.log beside it. Also the local-time stamp of its lines
// and the process token's elevation.
#pragma once

#include <optional>
#include <string>

#include "platform/core/elevation_port.h"
#include "platform/core/log/log_file_port.h"

namespace norvale::win32 {

class Win32LogFile final : public LogFilePort {
public:
    // The folder (the local application data's "Norvale" when empty) is
    // looked up here and created on the first append.
    explicit Win32LogFile(std::wstring folder = {});
    bool Append(const std::string& bytes) override;
    std::optional<std::uint64_t> CurrentSize() override;
    bool Rotate() override;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring folder_;  // empty: the local application data folder is unknown
    std::wstring path_;
    bool folderMade_ = false;  // made (or found) by an earlier append
};

// "2026-12-08 21:30:15.042" in local time.
std::wstring LocalTimeStamp();

class Win32Elevation final : public ElevationPort {
public:
    std::optional<bool> IsElevated() override;
};

}  // namespace norvale::win32
