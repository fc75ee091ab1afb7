// Where the program lies, and whether a file lies there: the initiator
// installer is looked for in the folder of the program's own executable.
#pragma once

#include <string>

namespace norvale {

class ProgramLocationPort {
public:
    virtual ~ProgramLocationPort() = default;
    // The full path of the program's executable (at most 260 characters, as
    // GetModuleFileNameW fills its buffer); empty when it cannot be read.
    virtual std::wstring ExecutablePath() = 0;
    // True when `path` names an existing file (not a folder).
    virtual bool FileExists(const std::wstring& path) = 0;
};

}  // namespace norvale
