// The root folder of the system drive as the script files meet it, for
// tests and tools: files, links and junctions an ordinary user may have put
// at a script's name, the access list and hidden flag of what the program
// creates, and the hold that keeps writers out until diskpart has read the
// script. The simulated diskpart reads its script from here, as the real one
// reads it from the disk. Thread-safe.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "disk/core/scripts/script_file_port.h"

namespace norvale::sim {

struct SimFile {
    enum class Kind { File, Link, Folder };
    Kind kind = Kind::File;
    std::string bytes;
    std::wstring linkTarget;  // a link's target path (a file link or a junction)
    bool hidden = false;
    bool readOnly = false;
    bool adminOnly = false;  // only Administrators and SYSTEM may open it
    bool folderEmpty = true;
    int holds = 0;    // handles that keep writers out
    int writers = 0;  // of those, the ones with write access
};

class SimScriptFiles final : public ScriptFilePort {
public:
    explicit SimScriptFiles(std::optional<std::wstring> systemDrive = std::wstring(L"C:"))
        : systemDrive_(std::move(systemDrive)) {}

    // --- what an ordinary user can do before or while the program runs ------
    void PlaceFile(const std::wstring& path, std::string bytes, bool hidden = false, bool readOnly = false);
    void PlaceLink(const std::wstring& path, const std::wstring& target);
    void PlaceFolder(const std::wstring& path, bool empty);
    // An ordinary user's write: refused by the access list or a hold.
    bool UserWrite(const std::wstring& path, const std::string& bytes);
    // The next CreateHeld finds this placed again just before it creates
    // (a user racing the program).
    void RaceNextCreate(SimFile placed);
    // The next CreateHeld fails with `error` (a full disk, for example).
    void FailNextCreate(std::uint32_t error);
    void SetSystemDrive(std::optional<std::wstring> drive);

    // --- what diskpart and the tests see ------------------------------------
    // The script as the tests read it (a link is followed); nullopt when
    // there is no file.
    std::optional<std::string> ReadScript(const std::wstring& path);
    // The script as diskpart opens it: for reading, sharing reading only
    // (a link is followed). Like Windows, that open fails with a sharing
    // violation while any handle holds the file with write access.
    struct ScriptOpen {
        std::uint32_t error = win32_error::kSuccess;
        std::string bytes;
    };
    ScriptOpen OpenAsDiskpart(const std::wstring& path);
    // Holds made from now on keep write access, as an adapter that never
    // lets its writer go would (to show what diskpart then meets).
    void KeepWriterWhileHeld(bool keep);
    std::optional<SimFile> Entry(const std::wstring& path);
    bool Exists(const std::wstring& path);
    // Paths the program created, in order.
    std::vector<std::wstring> Created();

    // --- ScriptFilePort -----------------------------------------------------
    std::optional<std::wstring> SystemDrive() override;
    ScriptFileCreation CreateHeld(const std::wstring& path, const std::string& bytes) override;
    std::uint32_t Remove(const std::wstring& path) override;

private:
    class Hold;
    static std::wstring Key(const std::wstring& path);
    void Release(const std::wstring& key);

    std::mutex mutex_;
    std::optional<std::wstring> systemDrive_;
    std::map<std::wstring, SimFile> files_;
    std::vector<std::wstring> created_;
    std::optional<SimFile> race_;
    std::optional<std::uint32_t> failNext_;
    bool keepWriter_ = false;
};

}  // namespace norvale::sim
