#include "tools/cli/cli_report.h"

#include <cstdio>

#include "platform/core/utf8.h"
#include "protocol/core/name_text.h"

namespace norvale::cli {

std::string ToTerminalLine(const std::wstring& text) {
    std::wstring safe;
    safe.reserve(text.size());
    for (const wchar_t c : text) {
        if (c == L'\n' || c == L'\r' || c == L'\t') safe += L' ';
        else if (c < 0x20 || (c >= 0x7f && c < 0xa0)) safe += L'?';
        else safe += c;
    }
    return WideToUtf8(safe);
}

std::wstring FormatNumber(std::wstring text, long long number) {
    const std::size_t at = text.find(L"%d");
    if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring(number));
    return text;
}

void WriteApplianceJson(JsonWriter& json, const DeviceRecord& record) {
    json.BeginObject()
        .Key("name").String(DisplayName(record.name))
        .Key("nameText").String(record.name)
        .Key("ip").String(record.ipText)
        .Key("netmask").String(record.netmaskText)
        .Key("gateway").String(record.gatewayText)
        .Key("dhcp").Bool(record.UsesDhcp())
        .Key("iscsi").Bool(record.isIscsi)
        .Key("interface").Number(record.interfaceIndex)
        .EndObject();
}

std::string ApplianceLine(const DeviceRecord& record) {
    auto column = [](const std::wstring& text, int width) {
        std::string cell = ToTerminalLine(text);
        // Pad by characters, not bytes, so non-ASCII names keep the columns.
        int chars = 0;
        for (const char c : cell) chars += (static_cast<unsigned char>(c) & 0xc0) != 0x80;
        if (chars < width) cell.append(std::size_t(width - chars), ' ');
        return cell + ' ';
    };
    std::string line = column(DisplayName(record.name), 20) + column(record.ipText, 15) +
                       column(record.netmaskText, 15) + column(record.gatewayText, 15) +
                       (record.UsesDhcp() ? "dhcp" : "static");
    if (record.isIscsi) line += " iscsi";
    return line;
}

void Reporter::Note(const std::wstring& message) {
    err_ << "norvale-cli: " << ToTerminalLine(message) << '\n';
    err_.flush();
}

ExitCode Reporter::Fail(ExitCode code, const std::wstring& message) {
    Note(message);
    if (json_) {
        JsonWriter json;
        json.BeginObject()
            .Key("ok").Bool(false)
            .Key("exitCode").Number(ToInt(code))
            .Key("error").String(message)
            .EndObject();
        out_ << json.Text() << '\n';
        out_.flush();
    }
    return code;
}

void Reporter::Result(const JsonWriter& json) {
    if (!json_) return;
    out_ << json.Text() << '\n';
    out_.flush();
}

void Reporter::Line(const std::string& utf8Line) {
    if (json_) return;
    out_ << utf8Line << '\n';
}

}  // namespace norvale::cli
