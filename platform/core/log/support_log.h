// The support log: what went wrong on a user's PC, in a file the user can
// send. A trace sink that redacts secrets, stamps each line and keeps two
// files of at most kMaxLogFileBytes each. Thread-safe: format workers and the
// user-interface thread write to it alike.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/core/log/log_file_port.h"
#include "platform/core/trace_port.h"
#include "platform/core/version/version_source_port.h"

namespace norvale {

inline constexpr std::uint64_t kMaxLogFileBytes = 1024 * 1024;

// The log's first line of a run: the program's version text, the Windows
// version as read (name, numbers, edition, service pack), WOW64 and the token.
std::wstring StartLine(const std::wstring& programVersion, VersionSourcePort& version, std::optional<bool> elevated);

// A command line as it may be written down: the CHAP secret of an iscsicli
// login line (its second quoted argument) becomes "***".
std::wstring RedactCommandLine(const std::wstring& commandLine);

class SupportLog final : public TracePort {
public:
    // `stamp` gives the time text each line starts with (empty: none).
    explicit SupportLog(LogFilePort& file, std::function<std::wstring()> stamp = {},
                        std::uint64_t maxFileBytes = kMaxLogFileBytes);

    // One line (or several); each gets the stamp and a CR LF end. A line
    // longer than the file limit is cut. After the file could not be written
    // once, the log stays silent: a missing folder costs nothing.
    void Trace(const std::wstring& text) override;

private:
    void WriteLine(const std::wstring& line);

    LogFilePort& file_;
    std::function<std::wstring()> stamp_;
    std::uint64_t maxFileBytes_;
    std::mutex lock_;
    bool broken_ = false;
    std::uint64_t size_ = 0;
    bool sizeKnown_ = false;
};

}  // namespace norvale
