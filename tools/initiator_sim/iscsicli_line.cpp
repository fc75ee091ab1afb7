#include "tools/initiator_sim/iscsicli_line.h"

#include <array>

#include "tools/initiator_sim/sim_object.h"

namespace norvale::sim {
namespace {

// Login lines: target, report-to-PnP, portal address and socket, initiator,
// then port to DefaultTime2Retain (8), user, password, auth type, key,
// mapping count.
constexpr std::size_t kLoginArguments = 18;
constexpr std::size_t kUserArgument = 13;
constexpr std::size_t kPasswordArgument = 14;

struct VerbName {
    const char* name;
    IscsicliVerb verb;
    const char* usage;
};

constexpr std::array<VerbName, 10> kVerbs{{
    {"LoginTarget", IscsicliVerb::LoginTarget,
     "iscsicli LoginTarget <TargetName> <ReportToPNP> <TargetPortalAddress> <TargetPortalSocket> "
     "<InitiatorName> <PortNumber> <Security Flags> <Login Flags> <Header Digest> <Data Digest> "
     "<Max Connections> <DefaultTime2Wait> <DefaultTime2Retain> <Username> <Password> <AuthType> <Key> "
     "<Mapping Count>"},
    {"PersistentLoginTarget", IscsicliVerb::PersistentLoginTarget,
     "iscsicli PersistentLoginTarget <TargetName> <ReportToPNP> <TargetPortalAddress> <TargetPortalSocket> "
     "<InitiatorName> <PortNumber> <Security Flags> <Login Flags> <Header Digest> <Data Digest> "
     "<Max Connections> <DefaultTime2Wait> <DefaultTime2Retain> <Username> <Password> <AuthType> <Key> "
     "<Mapping Count>"},
    {"BindPersistentVolumes", IscsicliVerb::BindPersistentVolumes, "iscsicli BindPersistentVolumes"},
    {"LogoutTarget", IscsicliVerb::LogoutTarget, "iscsicli LogoutTarget <SessionId>"},
    {"RemovePersistentTarget", IscsicliVerb::RemovePersistentTarget,
     "iscsicli RemovePersistentTarget <Initiator Name> <TargetName> <Initiator Port Number> "
     "<Target Portal Address> <Target Portal Socket>"},
    {"RemovePersistentDevice", IscsicliVerb::RemovePersistentDevice,
     "iscsicli RemovePersistentDevice <Volume Path>"},
    {"AddPersistentDevice", IscsicliVerb::AddPersistentDevice, "iscsicli AddPersistentDevice <Volume Path>"},
    {"ClearPersistentDevices", IscsicliVerb::ClearPersistentDevices, "iscsicli ClearPersistentDevices"},
    {"RemoveTargetPortal", IscsicliVerb::RemoveTargetPortal,
     "iscsicli RemoveTargetPortal <TargetPortalAddress> <TargetPortalSocket>"},
    {"ListTargets", IscsicliVerb::ListTargets, "iscsicli ListTargets <ForceUpdate>"},
}};

const VerbName* FindVerb(std::string_view name) {
    for (const VerbName& verb : kVerbs) {
        if (SameIgnoringCase(verb.name, name)) return &verb;
    }
    return nullptr;
}

bool IsLoginVerb(IscsicliVerb verb) {
    return verb == IscsicliVerb::LoginTarget || verb == IscsicliVerb::PersistentLoginTarget;
}

// iscsicli sees its arguments without quotes: a quoted argument reads as the
// same text unquoted.
bool IsStar(const CommandToken& token) { return iscsicli_rules::IsDefault(token); }
bool IsWord(const CommandToken& token) { return !token.text.empty() && !IsStar(token); }
bool IsQuotedText(const CommandToken& token) { return IsWord(token); }
bool Is(const CommandToken& token, std::string_view literal) { return SameIgnoringCase(token.text, literal); }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The arguments after the verb of a login line, checked against the two
// forms the product builds: all defaults, or one-way CHAP.
std::optional<IscsicliCommand> ReadLogin(IscsicliVerb verb, const std::vector<CommandToken>& args) {
    if (args.size() != kLoginArguments) return std::nullopt;
    if (!IsWord(args[0]) || !Is(args[1], "t") || !IsStar(args[2]) || !IsStar(args[3])) return std::nullopt;
    if (!IsWord(args[4]) && !IsStar(args[4])) return std::nullopt;
    for (std::size_t i = 5; i < kUserArgument; ++i) {
        if (!IsStar(args[i])) return std::nullopt;
    }
    if (!IsStar(args[16]) || !Is(args[17], "0")) return std::nullopt;

    IscsicliCommand command;
    command.verb = verb;
    command.targetName = args[0].text;
    command.initiatorName = args[4].text;
    const CommandToken& user = args[kUserArgument];
    const CommandToken& password = args[kPasswordArgument];
    if (IsStar(user) && IsStar(password) && IsStar(args[15])) return command;
    if (!IsQuotedText(user) || !IsQuotedText(password) || !Is(args[15], "1")) return std::nullopt;
    std::optional<std::string> secret = iscsicli_rules::SecretBytes(password.text);
    if (!secret) return std::nullopt;
    command.chap = true;
    command.chapUser = user.text;
    command.chapSecret = std::move(*secret);
    return command;
}

std::optional<IscsicliCommand> ReadArguments(IscsicliVerb verb, const std::vector<CommandToken>& args) {
    IscsicliCommand command;
    command.verb = verb;
    switch (verb) {
    case IscsicliVerb::LoginTarget:
    case IscsicliVerb::PersistentLoginTarget:
        return ReadLogin(verb, args);
    case IscsicliVerb::BindPersistentVolumes:
    case IscsicliVerb::ClearPersistentDevices:
        if (!args.empty()) return std::nullopt;
        return command;
    case IscsicliVerb::ListTargets:
        if (args.size() != 1 || !Is(args[0], "t")) return std::nullopt;
        return command;
    case IscsicliVerb::LogoutTarget:
        if (args.size() != 1 || !IsWord(args[0])) return std::nullopt;
        command.sessionId = args[0].text;
        return command;
    case IscsicliVerb::RemovePersistentTarget:
        if (args.size() != 5 || !IsQuotedText(args[0]) || !IsQuotedText(args[1]) || !IsStar(args[2]) ||
            !IsQuotedText(args[3]) || !Is(args[4], "3260"))
            return std::nullopt;
        command.initiatorName = args[0].text;
        command.targetName = args[1].text;
        command.portalAddress = args[3].text;
        return command;
    case IscsicliVerb::RemovePersistentDevice:
    case IscsicliVerb::AddPersistentDevice: {
        if (args.size() != 1) return std::nullopt;
        std::optional<std::string> root = iscsicli_rules::VolumePath(args[0].text);
        if (!root) return std::nullopt;
        command.driveRoot = std::move(*root);
        return command;
    }
    case IscsicliVerb::RemoveTargetPortal:
        if (args.size() != 2 || !IsWord(args[0]) || !Is(args[1], "3260")) return std::nullopt;
        command.portalAddress = args[0].text;
        return command;
    }
    return std::nullopt;
}

}  // namespace

namespace iscsicli_rules {

bool IsDefault(const CommandToken& argument) { return argument.text == "*"; }

std::optional<std::string> SecretBytes(std::string_view argument) {
    if (argument.size() < 2 || argument[0] != '0' || (argument[1] != 'x' && argument[1] != 'X'))
        return std::string(argument);
    const std::string_view digits = argument.substr(2);
    if (digits.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexValue(digits[i]);
        const int low = HexValue(digits[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::optional<std::string> VolumePath(std::string_view text) {
    if (text.size() != 2 && text.size() != 3) return std::nullopt;
    const char letter = text[0];
    const bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (!isLetter || text[1] != ':' || (text.size() == 3 && text[2] != '\\')) return std::nullopt;
    std::string path(text);
    if (letter >= 'a') path[0] = static_cast<char>(letter - 'a' + 'A');
    return path;
}

}  // namespace iscsicli_rules

std::optional<std::vector<CommandToken>> SplitCommandLine(std::string_view line) {
    std::vector<CommandToken> tokens;
    std::size_t pos = 0;
    while (true) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos == line.size()) return tokens;

        CommandToken token;
        token.begin = pos;
        bool inQuotes = false;
        bool startsQuoted = line[pos] == '"';
        bool endsWithClosingQuote = false;
        while (pos < line.size() && (inQuotes || (line[pos] != ' ' && line[pos] != '\t'))) {
            endsWithClosingQuote = false;
            if (line[pos] == '\\') {
                std::size_t backslashes = 0;
                while (pos < line.size() && line[pos] == '\\') {
                    ++backslashes;
                    ++pos;
                }
                if (pos < line.size() && line[pos] == '"') {
                    token.text.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        token.text += '"';
                        ++pos;
                    }
                } else {
                    token.text.append(backslashes, '\\');
                }
                continue;
            }
            if (line[pos] == '"') {
                if (inQuotes) endsWithClosingQuote = true;
                inQuotes = !inQuotes;
                ++pos;
                continue;
            }
            token.text += line[pos++];
        }
        if (inQuotes) return std::nullopt;
        token.end = pos;
        token.quoted = startsQuoted && endsWithClosingQuote;
        tokens.push_back(std::move(token));
    }
}

IscsicliParse ParseIscsicliLine(std::string_view line) {
    IscsicliParse parse;
    const std::optional<std::vector<CommandToken>> tokens = SplitCommandLine(line);
    if (!tokens || tokens->size() < 2) {
        parse.unknownVerb = true;
        return parse;
    }
    const VerbName* verb = FindVerb((*tokens)[1].text);
    if (verb == nullptr) {
        parse.unknownVerb = true;
        return parse;
    }
    const std::vector<CommandToken> args(tokens->begin() + 2, tokens->end());
    parse.command = ReadArguments(verb->verb, args);
    if (!parse.command) parse.usage = verb->usage;
    return parse;
}

std::string RedactIscsicliLine(std::string_view line) {
    const std::optional<std::vector<CommandToken>> tokens = SplitCommandLine(line);
    if (!tokens) return "<a line with an open quote, " + std::to_string(line.size()) + " bytes>";
    const IscsicliParse parse = ParseIscsicliLine(line);
    const VerbName* verb = tokens->size() > 1 ? FindVerb((*tokens)[1].text) : nullptr;
    const bool login = verb != nullptr && IsLoginVerb(verb->verb);

    std::string redacted;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < tokens->size(); ++i) {
        const CommandToken& token = (*tokens)[i];
        bool hide;
        if (parse.command) {
            hide = parse.command->chap && i == kPasswordArgument + 2;
        } else {
            hide = token.quoted || (login && i >= kUserArgument + 2) || (verb == nullptr && i >= 2);
        }
        redacted.append(line.substr(copied, token.begin - copied));
        redacted += hide ? (token.quoted ? "\"***\"" : "***") : std::string(line.substr(token.begin, token.end - token.begin));
        copied = token.end;
    }
    redacted.append(line.substr(copied));
    return redacted;
}

}  // namespace norvale::sim
