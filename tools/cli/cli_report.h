// How a command tells its outcome: one-line messages on stderr, results on
// stdout as text or, with --json, as one JSON document. Texts from devices are
// made safe for a terminal here.
#pragma once

#include <ostream>
#include <string>

#include "protocol/core/device_record.h"
#include "tools/cli/exit_codes.h"
#include "tools/cli/json_writer.h"

namespace norvale::cli {

// UTF-8 of `text` for one terminal line: control characters (which a device
// name could use to move the cursor or recolour the terminal) become '?',
// line ends become blanks.
std::string ToTerminalLine(const std::wstring& text);

// The first "%d" of a string-table text replaced by `number`. Table texts are
// never used as a printf format.
std::wstring FormatNumber(std::wstring text, long long number);

// One appliance as a JSON object.
void WriteApplianceJson(JsonWriter& json, const DeviceRecord& record);
// One appliance as a text line: name, IP, netmask, gateway, mode, iSCSI.
std::string ApplianceLine(const DeviceRecord& record);

class Reporter {
public:
    Reporter(bool json, std::ostream& out, std::ostream& err) : json_(json), out_(out), err_(err) {}

    bool Json() const { return json_; }

    // A line of progress on stderr ("norvale-cli: ...").
    void Note(const std::wstring& message);
    // The failure message on stderr and, with --json, {"ok":false,...} on
    // stdout. Returns `code` for the caller to return.
    ExitCode Fail(ExitCode code, const std::wstring& message);
    // Writes a finished JSON result (with --json) or text lines to stdout.
    void Result(const JsonWriter& json);
    void Line(const std::string& utf8Line);

private:
    bool json_;
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace norvale::cli
