// Every console command line the program hands to the command runner, built
// in one place so their exact form (star counts, blanks, quotes) is fixed.
//
// The runner passes a line to the process-creation call as it is, and the
// child splits it into arguments by blanks and double quotes. A field that
// could move the argument boundaries (a blank, a double quote, a control
// character, a backslash before a closing quote, or nothing at all) would make
// the tool act on the wrong target or portal, so such a field is refused and
// no line is built. The refusal names the field, never its value: the CHAP
// password must not end up in a message or a trace.
#pragma once

#include <string>

namespace norvale {

struct CommandLine {
    std::wstring text;     // the line to run; empty when refused
    std::wstring refusal;  // why the line was not built; empty when built

    bool Built() const { return refusal.empty(); }
};

// Log in to a target (all options default) and the persistent variant. The
// target name must be an iSCSI name (iscsi_name.h).
CommandLine LoginTargetCommand(const std::wstring& targetName, const std::wstring& initiatorName);
CommandLine PersistentLoginTargetCommand(const std::wstring& targetName,
                                         const std::wstring& initiatorName);

// The same with one-way CHAP: the user name (printable ASCII, no blank or
// quote) is quoted, the password goes as "0x" and the hex of its bytes
// between quotes. The line holds the secret: wipe it (WipeText) once run.
CommandLine ChapLoginTargetCommand(const std::wstring& targetName, const std::wstring& initiatorName,
                                   const std::wstring& userName, const std::wstring& password);
CommandLine ChapPersistentLoginTargetCommand(const std::wstring& targetName,
                                             const std::wstring& initiatorName,
                                             const std::wstring& userName,
                                             const std::wstring& password);

std::wstring BindPersistentVolumesCommand();
CommandLine LogoutTargetCommand(const std::wstring& sessionId);

// Initiator instance, target name (an iSCSI name) and portal address are
// quoted.
CommandLine RemovePersistentTargetCommand(const std::wstring& initiatorInstance,
                                          const std::wstring& targetName,
                                          const std::wstring& portalAddress);

// driveRoot: "E:\" or "E:"; both are written "E:\".
CommandLine RemovePersistentDeviceCommand(const std::wstring& driveRoot);
CommandLine AddPersistentDeviceCommand(const std::wstring& driveRoot);

std::wstring ClearPersistentDevicesCommand();
CommandLine RemoveTargetPortalCommand(const std::wstring& portalAddress);
std::wstring ListTargetsCommand();

// Runs through cmd.exe, so the path must not carry cmd's operators either.
CommandLine DiskpartScriptCommand(const std::wstring& scriptPath);

// The installer runs as the whole line; a path with blanks is quoted so that
// the process-creation call cannot pick a shorter path ("C:\Program.exe").
CommandLine InstallerCommand(const std::wstring& installerPath);

}  // namespace norvale
