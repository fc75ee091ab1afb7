#include "platform/core/console/run_limits.h"

#include <cwctype>
#include <vector>

namespace norvale {

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

// The first `count` arguments of a line, each quoted or not.
std::vector<std::wstring> LeadingArguments(const std::wstring& line, std::size_t count) {
    std::vector<std::wstring> arguments;
    std::size_t at = 0;
    while (arguments.size() < count) {
        at = line.find_first_not_of(L" \t", at);
        if (at == std::wstring::npos) break;
        std::size_t end;
        if (line[at] == L'"') {
            end = line.find(L'"', at + 1);
            arguments.push_back(line.substr(at + 1, end == std::wstring::npos ? std::wstring::npos : end - at - 1));
            if (end != std::wstring::npos) ++end;
        } else {
            end = line.find_first_of(L" \t", at);
            arguments.push_back(line.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
        }
        if (end == std::wstring::npos) break;
        at = end;
    }
    return arguments;
}

std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The program's name in lower case, without folder and ".exe".
std::wstring ProgramKey(const std::wstring& argument) {
    std::wstring name = Lower(FileNameOf(argument));
    if (name.size() > 4 && name.compare(name.size() - 4, 4, L".exe") == 0) name.resize(name.size() - 4);
    return name;
}

}  // namespace

std::chrono::milliseconds ConsoleRunLimits::For(ConsoleCommandKind kind) const {
    switch (kind) {
        case ConsoleCommandKind::Diskpart: return diskpart;
        case ConsoleCommandKind::Initiator: return initiator;
        case ConsoleCommandKind::Other: return other;
    }
    return other;
}

const ConsoleRunLimits& DefaultConsoleRunLimits() {
    static const ConsoleRunLimits limits;
    return limits;
}

ConsoleCommandKind KindOfCommand(const std::wstring& commandLine) {
    const std::vector<std::wstring> arguments = LeadingArguments(commandLine, 3);
    if (arguments.empty()) return ConsoleCommandKind::Other;
    const std::wstring program = ProgramKey(arguments[0]);
    if (program == L"iscsicli") return ConsoleCommandKind::Initiator;
    if (program == L"diskpart") return ConsoleCommandKind::Diskpart;
    if (program == L"cmd" && arguments.size() == 3 && (Lower(arguments[1]) == L"/c" || Lower(arguments[1]) == L"/k") &&
        ProgramKey(arguments[2]) == L"diskpart") {
        return ConsoleCommandKind::Diskpart;
    }
    return ConsoleCommandKind::Other;
}

std::wstring ProgramNameOf(const std::wstring& commandLine) {
    if (KindOfCommand(commandLine) == ConsoleCommandKind::Diskpart) return L"diskpart";
    const std::vector<std::wstring> arguments = LeadingArguments(commandLine, 1);
    return arguments.empty() ? std::wstring() : FileNameOf(arguments[0]);
}

}  // namespace norvale
