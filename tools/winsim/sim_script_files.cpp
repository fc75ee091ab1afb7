#include "tools/winsim/sim_script_files.h"

#include <cwctype>

namespace norvale::sim {

class SimScriptFiles::Hold final : public HeldScriptFile {
public:
    Hold(SimScriptFiles& files, std::wstring key) : files_(files), key_(std::move(key)) {}
    ~Hold() override { files_.Release(key_); }

private:
    SimScriptFiles& files_;
    std::wstring key_;
};

std::wstring SimScriptFiles::Key(const std::wstring& path) {
    std::wstring key = path;
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return key;
}

void SimScriptFiles::Release(const std::wstring& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto found = files_.find(key); found != files_.end() && found->second.holds > 0) {
        --found->second.holds;
        if (found->second.writers > 0) --found->second.writers;
    }
}

void SimScriptFiles::PlaceFile(const std::wstring& path, std::string bytes, bool hidden, bool readOnly) {
    std::lock_guard<std::mutex> lock(mutex_);
    SimFile file;
    file.bytes = std::move(bytes);
    file.hidden = hidden;
    file.readOnly = readOnly;
    files_[Key(path)] = file;
}

void SimScriptFiles::PlaceLink(const std::wstring& path, const std::wstring& target) {
    std::lock_guard<std::mutex> lock(mutex_);
    SimFile link;
    link.kind = SimFile::Kind::Link;
    link.linkTarget = target;
    files_[Key(path)] = link;
}

void SimScriptFiles::PlaceFolder(const std::wstring& path, bool empty) {
    std::lock_guard<std::mutex> lock(mutex_);
    SimFile folder;
    folder.kind = SimFile::Kind::Folder;
    folder.folderEmpty = empty;
    files_[Key(path)] = folder;
}

bool SimScriptFiles::UserWrite(const std::wstring& path, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::wstring key = Key(path);
    // A write through a link lands in its target.
    for (int depth = 0; depth < 8; ++depth) {
        auto found = files_.find(key);
        if (found == files_.end() || found->second.kind != SimFile::Kind::Link) break;
        key = Key(found->second.linkTarget);
    }
    auto found = files_.find(key);
    if (found == files_.end()) {
        files_[key].bytes = bytes;
        return true;
    }
    SimFile& file = found->second;
    if (file.kind != SimFile::Kind::File || file.adminOnly || file.holds > 0 || file.readOnly) return false;
    file.bytes = bytes;
    return true;
}

void SimScriptFiles::RaceNextCreate(SimFile placed) {
    std::lock_guard<std::mutex> lock(mutex_);
    race_ = std::move(placed);
}

void SimScriptFiles::FailNextCreate(std::uint32_t error) {
    std::lock_guard<std::mutex> lock(mutex_);
    failNext_ = error;
}

void SimScriptFiles::SetSystemDrive(std::optional<std::wstring> drive) {
    std::lock_guard<std::mutex> lock(mutex_);
    systemDrive_ = std::move(drive);
}

std::optional<std::string> SimScriptFiles::ReadScript(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::wstring key = Key(path);
    for (int depth = 0; depth < 8; ++depth) {
        const auto found = files_.find(key);
        if (found == files_.end()) return std::nullopt;
        if (found->second.kind == SimFile::Kind::File) return found->second.bytes;
        if (found->second.kind != SimFile::Kind::Link) return std::nullopt;
        key = Key(found->second.linkTarget);
    }
    return std::nullopt;
}

SimScriptFiles::ScriptOpen SimScriptFiles::OpenAsDiskpart(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    ScriptOpen open;
    std::wstring key = Key(path);
    for (int depth = 0; depth < 8; ++depth) {
        const auto found = files_.find(key);
        if (found == files_.end()) break;
        const SimFile& file = found->second;
        if (file.kind == SimFile::Kind::Link) {
            key = Key(file.linkTarget);
            continue;
        }
        if (file.kind != SimFile::Kind::File) {
            open.error = win32_error::kAccessDenied;
            return open;
        }
        // Denying writers cannot coexist with a handle that already writes.
        if (file.writers > 0) {
            open.error = win32_error::kSharingViolation;
            return open;
        }
        open.bytes = file.bytes;
        return open;
    }
    open.error = win32_error::kFileNotFound;
    return open;
}

void SimScriptFiles::KeepWriterWhileHeld(bool keep) {
    std::lock_guard<std::mutex> lock(mutex_);
    keepWriter_ = keep;
}

std::optional<SimFile> SimScriptFiles::Entry(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = files_.find(Key(path));
    if (found == files_.end()) return std::nullopt;
    return found->second;
}

bool SimScriptFiles::Exists(const std::wstring& path) { return Entry(path).has_value(); }

std::vector<std::wstring> SimScriptFiles::Created() {
    std::lock_guard<std::mutex> lock(mutex_);
    return created_;
}

std::optional<std::wstring> SimScriptFiles::SystemDrive() {
    std::lock_guard<std::mutex> lock(mutex_);
    return systemDrive_;
}

ScriptFileCreation SimScriptFiles::CreateHeld(const std::wstring& path, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    ScriptFileCreation result;
    const std::wstring key = Key(path);
    if (auto found = files_.find(key); found != files_.end()) {
        const SimFile& old = found->second;
        // Deleting a held or non-empty thing fails; a link goes itself.
        if (old.holds > 0) {
            result.error = win32_error::kSharingViolation;
            return result;
        }
        if (old.kind == SimFile::Kind::Folder && !old.folderEmpty) {
            result.error = win32_error::kDirNotEmpty;
            return result;
        }
        files_.erase(found);
    }
    if (race_) {
        files_[key] = *race_;
        race_.reset();
    }
    if (failNext_) {
        result.error = *failNext_;
        failNext_.reset();
        return result;
    }
    if (files_.count(key) != 0) {
        result.error = win32_error::kFileExists;  // CREATE_NEW found something
        return result;
    }
    SimFile file;
    file.bytes = bytes;
    file.hidden = true;
    file.adminOnly = true;
    file.holds = 1;
    file.writers = keepWriter_ ? 1 : 0;
    files_[key] = file;
    created_.push_back(path);
    result.file = std::make_unique<Hold>(*this, key);
    return result;
}

std::uint32_t SimScriptFiles::Remove(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = files_.find(Key(path));
    if (found == files_.end()) return win32_error::kSuccess;
    if (found->second.kind == SimFile::Kind::Folder) return win32_error::kAccessDenied;
    if (found->second.holds > 0) return win32_error::kSharingViolation;
    files_.erase(found);
    return win32_error::kSuccess;
}

}  // namespace norvale::sim
