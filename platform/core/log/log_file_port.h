// The support log's two files: the current one, appended to, and the older
// one it is renamed to when full.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace norvale {

class LogFilePort {
public:
    virtual ~LogFilePort() = default;
    // Appends the bytes to the current file, creating its folder and the file
    // when missing; false when that cannot be done.
    virtual bool Append(const std::string& bytes) = 0;
    // The current file's length; nullopt when there is none yet.
    virtual std::optional<std::uint64_t> CurrentSize() = 0;
    // The current file becomes the older one (the previous older one goes);
    // false when the rename fails.
    virtual bool Rotate() = 0;
};

}  // namespace norvale
