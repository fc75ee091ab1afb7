#include "tools/disksim/diskpart.h"

#include <cctype>
#include <optional>
#include <sstream>
#include <vector>

namespace norvale::disksim {

namespace {

using Kind = DiskpartCommand::Kind;

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : line) {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

std::optional<std::uint32_t> Number(const std::string& word) {
    if (word.empty() || word.size() > 9) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

// Takes a trailing NOERR off the words.
bool TakeNoerr(std::vector<std::string>& words) {
    if (words.size() > 1 && words.back() == "noerr") {
        words.pop_back();
        return true;
    }
    return false;
}

DiskpartCommand Bad(const char* topic) {
    DiskpartCommand command;
    command.kind = Kind::BadArguments;
    command.helpTopic = topic;
    return command;
}

}  // namespace

DiskpartCommand ParseDiskpartLine(const std::string& line) {
    std::vector<std::string> words = Words(line);
    DiskpartCommand command;
    if (words.empty() || words[0] == "rem") return command;
    command.noerr = TakeNoerr(words);
    const std::string& verb = words[0];
    if (verb == "exit" && words.size() == 1) {
        command.kind = Kind::Exit;
    } else if (verb == "select") {
        if (words.size() < 2 || (words[1] != "disk" && words[1] != "partition")) return Bad("SELECT");
        const bool disk = words[1] == "disk";
        const auto number = words.size() == 3 ? Number(words[2]) : std::nullopt;
        if (!number) return Bad(disk ? "SELECT DISK" : "SELECT PARTITION");
        command.kind = disk ? Kind::SelectDisk : Kind::SelectPartition;
        command.number = *number;
    } else if (verb == "attributes") {
        if (words != std::vector<std::string>{"attributes", "disk", "clear", "readonly"}) return Bad("ATTRIBUTES DISK");
        command.kind = Kind::ClearReadOnly;
    } else if (verb == "online") {
        if (words != std::vector<std::string>{"online", "disk"}) return Bad("ONLINE DISK");
        command.kind = Kind::OnlineDisk;
    } else if (verb == "delete") {
        const bool plain = words == std::vector<std::string>{"delete", "partition"};
        if (!plain && words != std::vector<std::string>{"delete", "partition", "override"}) {
            return Bad("DELETE PARTITION");
        }
        command.kind = Kind::DeletePartition;
    } else if (verb == "assign") {
        // letter=X, with or without its colon
        const std::string& argument = words.size() == 2 ? words[1] : std::string();
        const std::size_t size = argument.size();
        const bool shape = argument.rfind("letter=", 0) == 0 && (size == 8 || (size == 9 && argument[8] == ':'));
        if (!shape || !std::isalpha(static_cast<unsigned char>(argument[7]))) return Bad("ASSIGN");
        command.kind = Kind::AssignLetter;
        command.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(argument[7])));
    } else {
        command.kind = Kind::Unknown;
    }
    return command;
}

namespace {

const char* const kHelp =
    "\r\nMicrosoft DiskPart version 6.1.7601\r\n\r\n"
    "ACTIVE      - Mark the selected partition as active.\r\n"
    "ASSIGN      - Assign a drive letter or mount point to the selected volume.\r\n"
    "ATTRIBUTES  - Manipulate volume or disk attributes.\r\n"
    "CLEAN       - Clear the configuration information, or all information, off the\r\n"
    "              disk.\r\n"
    "CREATE      - Create a volume, partition or virtual disk.\r\n"
    "DELETE      - Delete an object.\r\n"
    "EXIT        - Exit DiskPart.\r\n"
    "HELP        - Display a list of commands.\r\n"
    "LIST        - Display a list of objects.\r\n"
    "ONLINE      - Online an object that is currently marked as offline.\r\n"
    "REM         - Does nothing. This is used to comment scripts.\r\n"
    "SELECT      - Shift the focus to an object.\r\n";

std::string ServiceError(const char* text) { return std::string("\r\nVirtual Disk Service error:\r\n") + text + "\r\n"; }

// What diskpart prints when the service refuses a change.
std::string ServiceErrorFor(std::uint32_t error) {
    switch (error) {
        case win32_error::kWriteProtect:
            return ServiceError("The media is write protected.");
        case win32_error::kNotReady:
            return ServiceError("The device is not ready.");
        case win32_error::kAccessDenied:
            return ServiceError("Cannot delete a protected partition without the force protected parameter set.");
        case win32_error::kFileNotFound:
            return ServiceError("The specified partition does not exist.");
        case win32_error::kDirNotEmpty:
            return ServiceError("The specified drive letter is not free to be assigned.");
        case win32_error::kInvalidParameter:
            return ServiceError("The operation is not supported by the object.");
        default:
            return "\r\nDiskPart has encountered an error: The request could not be performed because of an I/O "
                   "device error.\r\nSee the System Event Log for more information.\r\n";
    }
}

class Session {
public:
    explicit Session(SimulatedDiskStack& stack) : stack_(stack) {}

    // The text printed and the exit code of a failure (0: it went well).
    std::pair<std::string, int> Run(const DiskpartCommand& command) {
        switch (command.kind) {
            case Kind::Blank:
            case Kind::Exit:
                return {"", 0};
            case Kind::Unknown:
                return {kHelp, 2};
            case Kind::BadArguments:
                return {"\r\nThe arguments specified for this command are not valid.\r\n"
                        "For more information on the command type: HELP " +
                            command.helpTopic + "\r\n",
                        2};
            case Kind::SelectDisk:
                return SelectDisk(command.number);
            case Kind::SelectPartition:
                return SelectPartition(command.number);
            case Kind::ClearReadOnly:
                if (disk_ < 0) return NoDisk();
                stack_.SetReadOnly(Disk(), false);
                return {"\r\nDisk attributes cleared successfully.\r\n", 0};
            case Kind::OnlineDisk:
                if (disk_ < 0) return NoDisk();
                if (!stack_.BringOnline(Disk())) return {ServiceError("This disk is already online."), 4};
                return {"\r\nDiskPart successfully onlined the selected disk.\r\n", 0};
            case Kind::DeletePartition:
                return Delete();
            case Kind::AssignLetter:
                return Assign(command.letter);
        }
        return {kHelp, 2};
    }

private:
    std::pair<std::string, int> SelectDisk(std::uint32_t number) {
        partition_ = -1;
        if (!stack_.Disk(number)) {
            disk_ = -1;
            return {"\r\nThe disk you specified is not valid.\r\n\r\nThere is no disk selected.\r\n", 5};
        }
        disk_ = number;
        return {"\r\nDisk " + std::to_string(number) + " is now the selected disk.\r\n", 0};
    }

    std::pair<std::string, int> SelectPartition(std::uint32_t number) {
        if (disk_ < 0) {
            return {"\r\nThere is no disk selected to set the partition.\r\nPlease select a disk and try again.\r\n", 5};
        }
        const auto partitions = stack_.Partitions(Disk());
        bool found = false;
        for (const auto& entry : partitions ? *partitions : std::vector<PartitionEntry>{}) {
            found |= entry.partitionNumber == number;
        }
        if (!found) {
            partition_ = -1;
            return {"\r\nThe partition you selected is not valid.\r\nPlease select a valid partition.\r\n\r\n"
                    "There is no partition selected.\r\n",
                    5};
        }
        partition_ = number;
        return {"\r\nPartition " + std::to_string(number) + " is now the selected partition.\r\n", 0};
    }

    std::pair<std::string, int> Delete() {
        if (disk_ < 0 || partition_ < 0) {
            return {"\r\nThere is no partition selected.\r\nPlease select a partition and try again.\r\n", 5};
        }
        const auto error = stack_.DeletePartition(Disk(), Partition());
        if (error != 0) return {ServiceErrorFor(error), 4};
        partition_ = -1;
        return {"\r\nDiskPart successfully deleted the selected partition.\r\n", 0};
    }

    std::pair<std::string, int> Assign(char letter) {
        if (disk_ < 0 || partition_ < 0) {
            return {"\r\nThere is no volume selected.\r\nPlease select a volume and try again.\r\n", 5};
        }
        const auto error = stack_.AssignLetter(Disk(), Partition(), static_cast<wchar_t>(letter));
        if (error == win32_error::kAccessDenied) return {ServiceError("Access is denied."), 4};
        if (error != 0) return {ServiceErrorFor(error), 4};
        return {"\r\nDiskPart successfully assigned the drive letter or mount point.\r\n", 0};
    }

    std::uint32_t Disk() const { return static_cast<std::uint32_t>(disk_); }
    std::uint32_t Partition() const { return static_cast<std::uint32_t>(partition_); }

    static std::pair<std::string, int> NoDisk() {
        return {"\r\nThere is no disk selected.\r\nPlease select a disk and try again.\r\n", 5};
    }

    SimulatedDiskStack& stack_;
    // -1: nothing selected (plain values: GCC takes optionals here for unset)
    long long disk_ = -1;
    long long partition_ = -1;
};

}  // namespace

DiskpartRun RunDiskpartScript(SimulatedDiskStack& stack, const std::string& script, DiskpartVersion version) {
    DiskpartRun run;
    std::string name;
    for (const wchar_t c : stack.ComputerName()) name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    const char* build = version.major >= 6 ? (version.minor >= 1 ? "7601" : "6001") : (version.minor >= 2 ? "3790" : "3565");
    run.output = "\r\nMicrosoft DiskPart version " + std::to_string(version.major) + "." +
                 std::to_string(version.minor) + "." + build +
                 "\r\nCopyright (C) 1999-2008 Microsoft Corporation.\r\n"
                 "On computer: " +
                 name + "\r\n";
    Session session(stack);
    std::istringstream lines(script);
    std::string line;
    while (std::getline(lines, line)) {
        DiskpartCommand command = ParseDiskpartLine(line);
        if (command.kind == Kind::Exit) break;
        // The older diskpart has no ATTRIBUTES command, and its ONLINE takes
        // no object; noerr still lets the script go on.
        if (!version.KnowsDiskAttributes()) {
            if (command.kind == Kind::ClearReadOnly) command.kind = Kind::Unknown;
            if (command.kind == Kind::OnlineDisk) {
                command.kind = Kind::BadArguments;
                command.helpTopic = "ONLINE";
            }
        }
        const auto [text, failure] = session.Run(command);
        run.output += text;
        if (failure != 0 && !command.noerr) {
            run.exitCode = failure;
            break;
        }
    }
    if (run.exitCode == 0) run.output += "\r\nLeaving DiskPart...\r\n";
    return run;
}

}  // namespace norvale::disksim
