#include "iscsi/core/command_lines.h"

#include <initializer_list>
#include <utility>

namespace norvale {
namespace {

bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// An unquoted argument: one word with no quote that could open a quoted part.
std::wstring WordProblem(const std::wstring& value) {
    if (value.empty()) return L"is empty";
    for (wchar_t c : value) {
        if (c == L' ') return L"contains a blank";
        if (c == L'"') return L"contains a double quote";
        if (IsControl(c)) return L"contains a control character";
    }
    return {};
}

// A quoted argument: blanks are fine, but a quote would close it early and a
// trailing backslash would escape the closing quote.
std::wstring QuotedProblem(const std::wstring& value) {
    if (value.empty()) return L"is empty";
    for (wchar_t c : value) {
        if (c == L'"') return L"contains a double quote";
        if (IsControl(c)) return L"contains a control character";
    }
    if (value.back() == L'\\') return L"ends in a backslash";
    return {};
}

struct Field {
    const wchar_t* name;
    const std::wstring& value;
    bool quoted;
};

// The first field that cannot be placed in the line, as a refusal text.
std::wstring Refusal(std::initializer_list<Field> fields) {
    for (const Field& f : fields) {
        std::wstring problem = f.quoted ? QuotedProblem(f.value) : WordProblem(f.value);
        if (!problem.empty()) return std::wstring(f.name) + L" " + problem;
    }
    return {};
}

CommandLine Build(std::wstring refusal, std::wstring text) {
    if (!refusal.empty()) return CommandLine{{}, std::move(refusal)};
    return CommandLine{std::move(text), {}};
}

std::wstring Quoted(const std::wstring& value) { return L"\"" + value + L"\""; }

// Verb, target, "t", portal address and socket as stars, initiator name.
std::wstring LoginHead(const wchar_t* verb, const std::wstring& target,
                       const std::wstring& initiator) {
    return std::wstring(L"iscsicli ") + verb + L" " + target + L" t * * " + initiator;
}

CommandLine Login(const wchar_t* verb, const std::wstring& target, const std::wstring& initiator) {
    // Port number to key: twelve defaults; no mappings.
    return Build(Refusal({{L"target name", target, false}, {L"initiator name", initiator, false}}),
                 LoginHead(verb, target, initiator) + L" * * * * * * * * * * * * 0");
}

CommandLine ChapLogin(const wchar_t* verb, const std::wstring& target,
                      const std::wstring& initiator, const std::wstring& user,
                      const std::wstring& password) {
    // Port number to DefaultTime2Retain default (eight stars); then user
    // name, password, authentication type 1 (one-way CHAP), default key, no
    // mappings.
    return Build(Refusal({{L"target name", target, false},
                          {L"initiator name", initiator, false},
                          {L"CHAP user name", user, true},
                          {L"CHAP password", password, true}}),
                 LoginHead(verb, target, initiator) + L" * * * * * * * * " + Quoted(user) + L" " +
                     Quoted(password) + L" 1 * 0");
}

CommandLine DriveCommand(const wchar_t* verb, const std::wstring& driveRoot) {
    return Build(Refusal({{L"drive root", driveRoot, false}}),
                 std::wstring(L"iscsicli ") + verb + L" " + driveRoot);
}

}  // namespace

CommandLine LoginTargetCommand(const std::wstring& targetName, const std::wstring& initiatorName) {
    return Login(L"logintarget", targetName, initiatorName);
}

CommandLine PersistentLoginTargetCommand(const std::wstring& targetName,
                                         const std::wstring& initiatorName) {
    return Login(L"persistentlogintarget", targetName, initiatorName);
}

CommandLine ChapLoginTargetCommand(const std::wstring& targetName, const std::wstring& initiatorName,
                                   const std::wstring& userName, const std::wstring& password) {
    return ChapLogin(L"logintarget", targetName, initiatorName, userName, password);
}

CommandLine ChapPersistentLoginTargetCommand(const std::wstring& targetName,
                                             const std::wstring& initiatorName,
                                             const std::wstring& userName,
                                             const std::wstring& password) {
    return ChapLogin(L"persistentlogintarget", targetName, initiatorName, userName, password);
}

std::wstring BindPersistentVolumesCommand() { return L"iscsicli BindPersistentVolumes "; }

CommandLine LogoutTargetCommand(const std::wstring& sessionId) {
    return Build(Refusal({{L"session id", sessionId, false}}),
                 L"iscsicli logouttarget " + sessionId);
}

CommandLine RemovePersistentTargetCommand(const std::wstring& initiatorInstance,
                                          const std::wstring& targetName,
                                          const std::wstring& portalAddress) {
    // Two blanks after the verb, as the initiator's own tooling writes it;
    // the initiator port is the default star.
    return Build(Refusal({{L"initiator instance", initiatorInstance, true},
                          {L"target name", targetName, true},
                          {L"portal address", portalAddress, true}}),
                 L"iscsicli removepersistenttarget  " + Quoted(initiatorInstance) + L" " +
                     Quoted(targetName) + L" * " + Quoted(portalAddress) + L" 3260");
}

CommandLine RemovePersistentDeviceCommand(const std::wstring& driveRoot) {
    return DriveCommand(L"RemovePersistentDevice", driveRoot);
}

CommandLine AddPersistentDeviceCommand(const std::wstring& driveRoot) {
    return DriveCommand(L"AddPersistentDevice", driveRoot);
}

std::wstring ClearPersistentDevicesCommand() { return L"iscsicli ClearPersistentDevices "; }

CommandLine RemoveTargetPortalCommand(const std::wstring& portalAddress) {
    return Build(Refusal({{L"portal address", portalAddress, false}}),
                 L"iscsicli RemoveTargetPortal " + portalAddress + L" 3260");
}

std::wstring ListTargetsCommand() { return L"iscsicli ListTargets t"; }

CommandLine DiskpartScriptCommand(const std::wstring& scriptPath) {
    std::wstring refusal = Refusal({{L"script path", scriptPath, false}});
    if (refusal.empty() && scriptPath.find_first_of(L"&|<>^%") != std::wstring::npos)
        refusal = L"script path contains a command operator";
    return Build(std::move(refusal), L"cmd.exe /C diskpart /s " + scriptPath);
}

CommandLine InstallerCommand(const std::wstring& installerPath) {
    std::wstring refusal = Refusal({{L"installer path", installerPath, true}});
    if (!refusal.empty()) return Build(std::move(refusal), {});
    if (installerPath.find(L' ') == std::wstring::npos) return Build({}, installerPath);
    return Build({}, Quoted(installerPath));
}

}  // namespace norvale
