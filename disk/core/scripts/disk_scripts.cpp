#include "disk/core/scripts/disk_scripts.h"

#include <algorithm>

#include "disk/core/disk_texts.h"
#include "disk/core/inventory/volume_names.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/utf8.h"

namespace norvale {

namespace {

// Longest decimal text of a 32-bit disk number.
constexpr std::size_t kMaxDiskTextChars = 10;

// The disk number as written into a script: decimal digits only.
std::optional<std::string> DiskDigits(const std::wstring& diskText) {
    if (diskText.empty() || diskText.size() > kMaxDiskTextChars) return std::nullopt;
    std::string digits;
    for (const wchar_t c : diskText) {
        if (c < L'0' || c > L'9') return std::nullopt;
        digits += static_cast<char>(c);
    }
    return digits;
}

std::optional<char> LetterChar(wchar_t letter) {
    const auto parsed = DriveLetterOf(std::wstring{letter, L':'});
    if (!parsed) return std::nullopt;
    return static_cast<char>(*parsed);
}

}  // namespace

const wchar_t* ScriptFileName(ScriptFile file) {
    switch (file) {
        case ScriptFile::Online: return L"\\diskonline.script";
        case ScriptFile::Active: return L"\\diskactive.script";
        case ScriptFile::Delete: return L"\\diskdel.script";
        case ScriptFile::AssignLetter: return L"\\assignletter_2003.script";
    }
    return L"";
}

std::string OnlineScriptText(std::uint32_t disk) {
    return "select disk " + std::to_string(disk) + "\nattributes disk clear readonly noerr\nonline disk noerr\n";
}

std::optional<std::string> OnlineScriptText(const std::wstring& diskText) {
    const auto disk = DiskDigits(diskText);
    if (!disk) return std::nullopt;
    return "select disk " + *disk + "\nattributes disk clear readonly noerr\nonline disk noerr\n";
}

std::string DeleteScriptText(std::uint32_t disk, std::uint32_t partition) {
    return "select disk " + std::to_string(disk) + "\nselect partition " + std::to_string(partition) +
           "\ndelete partition override\n";
}

std::optional<std::string> AssignScriptText(const std::wstring& diskText, std::uint32_t partition, wchar_t letter) {
    const auto disk = DiskDigits(diskText);
    const auto drive = LetterChar(letter);
    if (!disk || !drive) return std::nullopt;
    return "select disk " + *disk + "\nonline disk noerr\nselect partition " + std::to_string(partition) +
           "\nassign letter=" + *drive;
}

std::optional<std::string> AssignFirstScriptText(const std::wstring& diskText, wchar_t letter) {
    const auto disk = DiskDigits(diskText);
    const auto drive = LetterChar(letter);
    if (!disk || !drive) return std::nullopt;
    return "select disk " + *disk + "\nonline disk noerr\nselect partition 1\nassign letter=" + *drive;
}

std::optional<std::wstring> DiskScripts::PathOf(ScriptFile file) {
    const auto drive = files_.SystemDrive();
    if (!drive || drive->size() != 2 || !DriveLetterOf(*drive)) return std::nullopt;
    return *drive + ScriptFileName(file);
}

ScriptRun DiskScripts::WriteAndRun(ScriptFile file, const std::string& text) {
    ScriptRun run;
    const auto path = PathOf(file);
    if (!path) {
        run.fileError = win32_error::kInvalidName;
        return run;
    }
    const CommandLine command = DiskpartScriptCommand(*path);
    if (!command.Built()) {
        run.fileError = win32_error::kInvalidName;
        return run;
    }
    if (log_) log_->Trace(L"diskpart script " + *path + L":\n" + Utf8ToWide(text));
    ScriptFileCreation created = files_.CreateHeld(*path, text);
    if (!created.Ok()) {
        run.fileError = created.error;
        if (log_) log_->Trace(L"script file " + *path + L" not created: error " + std::to_wstring(created.error));
        return run;
    }
    // The file stays held while diskpart reads it, and is let go after.
    if (runner_.RunConsoleCommand(command.text)) {
        run.outcome = ScriptRun::Outcome::Ran;
    } else {
        run.outcome = runner_.LastRunTimedOut() ? ScriptRun::Outcome::TimedOut : ScriptRun::Outcome::NotStarted;
    }
    return run;
}

ScriptRun DiskScripts::WriteAndRun(ScriptFile file, const std::optional<std::string>& text) {
    if (!text) {
        ScriptRun refused;
        refused.fileError = win32_error::kInvalidParameter;
        return refused;
    }
    return WriteAndRun(file, *text);
}

void DiskScripts::Remove(ScriptFile file) {
    if (const auto path = PathOf(file)) files_.Remove(*path);
}

std::wstring DiskScripts::RefusalText(ScriptFile file) {
    return disk_text::ScriptFileRefusedText(PathOf(file).value_or(ScriptFileName(file)));
}

std::optional<std::wstring> DeleteRunWarning(const std::wstring& output) {
    const std::size_t first = output.find(L':');
    if (first == std::wstring::npos || first == 0) return std::nullopt;
    const std::size_t last = output.rfind(L':');
    if (last == first) return std::nullopt;
    return output.substr(last);
}

}  // namespace norvale
