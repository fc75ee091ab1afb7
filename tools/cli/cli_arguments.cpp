#include "tools/cli/cli_arguments.h"

#include <map>
#include <set>

namespace norvale::cli {
namespace {

struct CommandInfo {
    Command command;
    bool takesAppliance;
    std::set<std::string> options;  // besides --json and --help
};

const std::map<std::string, CommandInfo>& Commands() {
    static const std::map<std::string, CommandInfo> commands = {
        {"discover", {Command::Discover, false, {}}},
        {"shares", {Command::Shares, true, {"--page"}}},
        {"targets", {Command::Targets, true, {}}},
        {"set-static",
         {Command::SetStatic, true, {"--ip", "--mask", "--gateway", "--password", "--settle"}}},
        {"set-dhcp", {Command::SetDhcp, true, {"--password", "--settle"}}},
    };
    return commands;
}

bool IsFlag(const std::string& name) { return name == "--json" || name == "--help" || name == "-h"; }

std::optional<int> ParsePage(const std::string& text) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1) return std::nullopt;
    return value;
}

ParsedArguments Error(std::string message) {
    ParsedArguments parsed;
    parsed.outcome = ParsedArguments::Outcome::Error;
    parsed.error = std::move(message);
    return parsed;
}

}  // namespace

std::optional<std::chrono::milliseconds> ParseSeconds(const std::string& text) {
    long long millis = 0;
    std::size_t i = 0;
    std::size_t wholeDigits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++wholeDigits) {
        millis = millis * 10 + (text[i] - '0');
        if (millis > kMaxSettle.count()) return std::nullopt;
    }
    millis *= 1000;
    if (i < text.size() && text[i] == '.') {
        ++i;
        long long scale = 100;
        std::size_t fractionDigits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++fractionDigits) {
            millis += (text[i] - '0') * scale;  // digits past milliseconds add 0
            scale /= 10;
        }
        if (fractionDigits == 0) return std::nullopt;
    }
    if (wholeDigits == 0 || i != text.size() || millis > kMaxSettle.count()) return std::nullopt;
    return std::chrono::milliseconds(millis);
}

ParsedArguments ParseArguments(const std::vector<std::string>& arguments) {
    ParsedArguments parsed;
    CliRequest& request = parsed.request;
    const CommandInfo* command = nullptr;
    std::set<std::string> seen;
    std::vector<std::string> positionals;
    bool help = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument[0] != '-') {
            if (command == nullptr) {
                const auto found = Commands().find(argument);
                // Not echoed: a stray word may be a password typed without its option.
                if (found == Commands().end()) return Error("unknown command");
                command = &found->second;
            } else {
                positionals.push_back(argument);
            }
            continue;
        }

        // --name=value or --name value; only the name ever appears in a message.
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::optional<std::string> value;
        if (equals != std::string::npos) value = argument.substr(equals + 1);

        if (IsFlag(name)) {
            if (value) return Error("option " + name + " takes no value");
            if (name == "--json") request.json = true;
            else help = true;
            continue;
        }
        if (command == nullptr) return Error("option " + name + " before the command");
        if (command->options.count(name) == 0) {
            bool known = false;
            for (const auto& entry : Commands()) known = known || entry.second.options.count(name);
            return Error(known ? "option " + name + " does not apply to this command"
                               : "unknown option " + name);
        }
        if (!seen.insert(name).second) return Error("option " + name + " given twice");
        if (!value) {
            if (i + 1 >= arguments.size()) return Error("option " + name + " needs a value");
            value = arguments[++i];
        }

        if (name == "--page") {
            const auto page = ParsePage(*value);
            if (!page) return Error("--page needs a page number from 1");
            request.page = *page;
        } else if (name == "--settle") {
            const auto settle = ParseSeconds(*value);
            if (!settle) return Error("--settle needs seconds from 0 to 3600");
            request.settle = *settle;
        } else if (name == "--ip") {
            request.newIp = *value;
        } else if (name == "--mask") {
            request.newNetmask = *value;
        } else if (name == "--gateway") {
            request.newGateway = *value;
        } else if (name == "--password") {
            request.password = *value;
        }
    }

    if (help) {
        parsed.outcome = ParsedArguments::Outcome::Help;
        return parsed;
    }
    if (command == nullptr) return Error("no command given");
    request.command = command->command;
    if (request.command == Command::SetDhcp && seen.count("--settle") == 0)
        request.settle = kDefaultDhcpSettle;

    const std::size_t wanted = command->takesAppliance ? 1 : 0;
    if (positionals.size() > wanted)
        return Error("unexpected extra argument");
    if (positionals.size() < wanted) return Error("the appliance's IP address is missing");
    if (wanted == 1) request.applianceIp = positionals.front();

    parsed.outcome = ParsedArguments::Outcome::Run;
    return parsed;
}

}  // namespace norvale::cli
