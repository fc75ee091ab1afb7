// The two file-system services the main dialog needs at exit: the system
// drive from the environment and deleting a left-over script file.
#pragma once

#include <optional>
#include <string>

namespace norvale {

class SystemFilesPort {
public:
    virtual ~SystemFilesPort() = default;
    // The value of an environment variable; nullopt when it is not set.
    virtual std::optional<std::wstring> EnvironmentVariable(const std::wstring& name) const = 0;
    // Deletes a file; false when it could not (a missing file included).
    virtual bool RemoveFile(const std::wstring& path) = 0;
};

}  // namespace norvale
