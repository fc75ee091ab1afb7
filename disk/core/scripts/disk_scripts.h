// The diskpart scripts: bringing a disk online (and clearing its read-only
// flag), deleting a partition and assigning a drive letter. Each has a fixed
// file in the root of the system drive and a fixed text; writing one and
// running "cmd.exe /C diskpart /s PATH" is one operation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disk/core/scripts/script_file_port.h"
#include "platform/core/console/command_runner.h"
#include "platform/core/trace_port.h"

namespace norvale {

enum class ScriptFile {
    Online,        // "\diskonline.script"
    Active,        // "\diskactive.script"
    Delete,        // "\diskdel.script"
    AssignLetter,  // "\assignletter_2003.script"
};

// "\diskonline.script" and the others, with their leading backslash.
const wchar_t* ScriptFileName(ScriptFile file);

// The script texts, byte for byte. Each line ends with a line feed but the
// last of the two assign texts. The forms that take the disk number as text
// refuse (nullopt) anything but a decimal number, and the assign texts a
// letter other than A..Z: a line break smuggled into either would add
// commands to a script that runs with administrator rights.
std::string OnlineScriptText(std::uint32_t disk);
std::optional<std::string> OnlineScriptText(const std::wstring& diskText);
std::string DeleteScriptText(std::uint32_t disk, std::uint32_t partition);
std::optional<std::string> AssignScriptText(const std::wstring& diskText, std::uint32_t partition, wchar_t letter);
std::optional<std::string> AssignFirstScriptText(const std::wstring& diskText, wchar_t letter);

struct ScriptRun {
    enum class Outcome {
        Ran,         // diskpart was started and has ended (its result is not read here)
        NotStarted,  // the file was written but the command could not be run
        TimedOut,    // diskpart did not end within its limit and was ended (the runner told the user)
        Refused,     // no safe file could be made, or the text was refused: nothing ran
    };
    Outcome outcome = Outcome::Refused;
    std::uint32_t fileError = win32_error::kSuccess;  // why the file was refused

    bool Ran() const { return outcome == Outcome::Ran; }
};

class DiskScripts {
public:
    DiskScripts(ScriptFilePort& files, CommandRunner& runner) : files_(files), runner_(runner) {}

    // The system drive followed by the file name; nullopt when the system
    // drive is not a plain drive ("C:").
    std::optional<std::wstring> PathOf(ScriptFile file);

    // Writes the text into a new, protected file and runs diskpart on it,
    // holding the file against writers until diskpart has ended. The file
    // stays on disk (hidden); the caller deletes it where it should go.
    ScriptRun WriteAndRun(ScriptFile file, const std::string& text);
    // A text refused by its builder runs nothing.
    ScriptRun WriteAndRun(ScriptFile file, const std::optional<std::string>& text);

    // Deletes the file; a missing one is no error.
    void Remove(ScriptFile file);

    // The message for a refused run: string 268 with the file's path (its
    // name when the system drive is unusable).
    std::wstring RefusalText(ScriptFile file);

    // What the last delete-script run printed.
    const std::wstring& CapturedOutput() const { return runner_.CapturedCommandOutput(); }

    // The support log gets each script's text and a file that could not be made.
    void SetLog(TracePort& log) { log_ = &log; }

private:
    ScriptFilePort& files_;
    CommandRunner& runner_;
    TracePort* log_ = nullptr;
};

// The check of a delete-script run: diskpart's banner holds one colon
// ("On computer: NAME"); a second one means it printed an error ("Virtual
// Disk Service error: ..."). Answers the text to show, from the last colon
// to the end, when the first colon lies past the start and is not the last.
std::optional<std::wstring> DeleteRunWarning(const std::wstring& output);

}  // namespace norvale
