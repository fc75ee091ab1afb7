#include "platform/core/initiator/command_lines.h"

#include <initializer_list>
#include <utility>

#include "platform/core/initiator/iscsi_name.h"
#include "platform/core/secret_text.h"

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

enum class Shape { Word, Quoted, IscsiName, ChapUser };

struct Field {
    const wchar_t* name;
    const std::wstring& value;
    Shape shape;
};

std::wstring Problem(const Field& f) {
    switch (f.shape) {
        case Shape::Word: return WordProblem(f.value);
        case Shape::Quoted: return QuotedProblem(f.value);
        case Shape::IscsiName: return IscsiNameProblem(f.value);
        case Shape::ChapUser:
            return IsChapUserName(f.value) ? std::wstring()
                                           : L"is not printable ASCII without blanks and quotes";
    }
    return {};
}

// The first field that cannot be placed in the line, as a refusal text.
std::wstring Refusal(std::initializer_list<Field> fields) {
    for (const Field& f : fields) {
        std::wstring problem = Problem(f);
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
    return Build(Refusal({{L"target name", target, Shape::IscsiName}, {L"initiator name", initiator, Shape::Word}}),
                 LoginHead(verb, target, initiator) + L" * * * * * * * * * * * * 0");
}

CommandLine ChapLogin(const wchar_t* verb, const std::wstring& target,
                      const std::wstring& initiator, const std::wstring& user,
                      const std::wstring& password) {
    std::wstring refusal = Refusal({{L"target name", target, Shape::IscsiName},
                                    {L"initiator name", initiator, Shape::Word},
                                    {L"CHAP user name", user, Shape::ChapUser}});
    // The secret goes as "0x" and the hex of its bytes (iscsicli's own
    // form): no character of it can split the line, and one that itself
    // begins with "0x" is not read as hex of something else.
    SecretText secret(ChapSecretArgument(password));
    if (refusal.empty() && (password.empty() || secret.Empty()))
        refusal = L"CHAP password is empty or not made of bytes";
    if (!refusal.empty()) return Build(std::move(refusal), {});
    // Port number to DefaultTime2Retain default (eight stars); then user
    // name, password, authentication type 1 (one-way CHAP), default key, no
    // mappings. Built in one buffer reserved up front: no partial copy of the
    // secret is left behind in a freed block.
    const std::wstring head = LoginHead(verb, target, initiator);
    CommandLine line;
    line.text.reserve(head.size() + user.size() + secret.Size() + 40);
    line.text += head;
    line.text += L" * * * * * * * * \"";
    line.text += user;
    line.text += L"\" \"";
    line.text += secret.Reveal();
    line.text += L"\" 1 * 0";
    return line;
}

CommandLine DriveCommand(const wchar_t* verb, const std::wstring& driveRoot) {
    // One form for every caller ("E:" becomes "E:\"): the initiator keeps
    // the path as given, so a device added as "E:" would not be found by a
    // removal of "E:\".
    std::wstring root = driveRoot;
    if (root.size() == 2 && root[1] == L':') root += L'\\';
    return Build(Refusal({{L"drive root", root, Shape::Word}}), std::wstring(L"iscsicli ") + verb + L" " + root);
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
    return Build(Refusal({{L"session id", sessionId, Shape::Word}}),
                 L"iscsicli logouttarget " + sessionId);
}

CommandLine RemovePersistentTargetCommand(const std::wstring& initiatorInstance,
                                          const std::wstring& targetName,
                                          const std::wstring& portalAddress) {
    // Two blanks after the verb, as the initiator's own tooling writes it;
    // the initiator port is the default star.
    return Build(Refusal({{L"initiator instance", initiatorInstance, Shape::Quoted},
                          {L"target name", targetName, Shape::IscsiName},
                          {L"portal address", portalAddress, Shape::Quoted}}),
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
    return Build(Refusal({{L"portal address", portalAddress, Shape::Word}}),
                 L"iscsicli RemoveTargetPortal " + portalAddress + L" 3260");
}

std::wstring ListTargetsCommand() { return L"iscsicli ListTargets t"; }

CommandLine DiskpartScriptCommand(const std::wstring& scriptPath) {
    std::wstring refusal = Refusal({{L"script path", scriptPath, Shape::Word}});
    if (refusal.empty() && scriptPath.find_first_of(L"&|<>^%") != std::wstring::npos)
        refusal = L"script path contains a command operator";
    return Build(std::move(refusal), L"cmd.exe /C diskpart /s " + scriptPath);
}

CommandLine InstallerCommand(const std::wstring& installerPath) {
    std::wstring refusal = Refusal({{L"installer path", installerPath, Shape::Quoted}});
    if (!refusal.empty()) return Build(std::move(refusal), {});
    if (installerPath.find(L' ') == std::wstring::npos) return Build({}, installerPath);
    return Build({}, Quoted(installerPath));
}

}  // namespace norvale
