// The script files diskpart runs. diskpart runs a script with the program's
// administrator rights, and the files lie in the root of the system drive,
// where an ordinary user can usually create files: a file or link put there
// in advance, or a file changed between writing and running, would make
// diskpart act on any disk. So a script is always a new file that only
// administrators and the system may open, created where nothing is left of
// what stood at its name, and held open against writers until it has run.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "disk/core/stack/win32_error.h"

namespace norvale {

// A created script file, held open for reading only and sharing reading
// only: diskpart, which opens its script denying writers, can read it, but
// nobody can open it for writing, rename or delete it until this object is
// gone.
class HeldScriptFile {
public:
    virtual ~HeldScriptFile() = default;
};

struct ScriptFileCreation {
    std::uint32_t error = win32_error::kSuccess;
    std::unique_ptr<HeldScriptFile> file;  // set exactly when error is 0

    bool Ok() const { return file != nullptr; }
};

class ScriptFilePort {
public:
    virtual ~ScriptFilePort() = default;

    // The "systemdrive" environment variable ("C:"), nullopt when unset.
    virtual std::optional<std::wstring> SystemDrive() = 0;

    // Removes whatever stands at `path` without following it (a file, a
    // link, a junction or other reparse point, an empty folder), then
    // creates a new hidden file there that only BUILTIN\Administrators and
    // SYSTEM may access (no inherited entries), writes `bytes`, lets the
    // writer go and keeps the file open as above. Refuses (nothing written)
    // when something is still there or comes back before the file is
    // created, and (nothing held) when the name no longer leads to the file
    // as written once the writer has gone.
    virtual ScriptFileCreation CreateHeld(const std::wstring& path, const std::string& bytes) = 0;

    // Deletes the file; a missing file is no error (answers 0).
    virtual std::uint32_t Remove(const std::wstring& path) = 0;
};

}  // namespace norvale
