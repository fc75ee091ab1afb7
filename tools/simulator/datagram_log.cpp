#include "tools/simulator/datagram_log.h"

#include <cstdio>

#include "tools/simulator/wire_format.h"

namespace norvale::sim {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char pair[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

// Texts from the network are quoted with anything unprintable escaped, so a
// log line stays one line.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
        }
    }
    return out + "\"";
}

const char* QueryName(std::uint8_t subcommand) {
    switch (static_cast<QueryKind>(subcommand)) {
    case QueryKind::ShareList: return "QueryShareList";
    case QueryKind::AdminLogin: return "AdminLogin";
    case QueryKind::TargetList: return "QueryTargetList";
    case QueryKind::ShareCount: return "QueryShareCount";
    case QueryKind::TargetCount: return "QueryTargetCount";
    }
    return "Query?";
}

const char* SettingsName(std::uint8_t subcommand) {
    switch (static_cast<SettingsKind>(subcommand)) {
    case SettingsKind::StaticAddress: return "SetStaticAddress";
    case SettingsKind::DhcpClient: return "SetDhcpClient";
    }
    return "Settings?";
}

}  // namespace

std::string DescribeDatagram(const std::uint8_t* data, std::size_t size) {
    const DecodeResult decoded = DecodeRequest(data, size);
    if (!decoded.request) {
        const std::string type = size > 0 ? Hex(data, 1) : "--";
        return "foreign type=0x" + type + " len=" + std::to_string(size) + " (" + decoded.problem + ")";
    }
    const Request& request = *decoded.request;
    const std::string client = " client=" + Hex(request.clientId.data(), request.clientId.size());
    if (request.opcode == Opcode::Discover) return "Discover" + client;

    std::string line;
    if (request.opcode == Opcode::Query) {
        char subcommand[5];
        std::snprintf(subcommand, sizeof subcommand, "0x%02x", request.subcommand);
        line = std::string(QueryName(request.subcommand)) + "(" + subcommand + ")" + client;
    } else {
        line = std::string(SettingsName(request.subcommand)) + client;
    }
    line += " device=" + Hex(request.deviceId.data(), 6) + "/" + AddressOfDeviceId(request.deviceId);
    if (request.opcode == Opcode::Query &&
        request.subcommand == static_cast<std::uint8_t>(QueryKind::ShareList)) {
        line += " index=" + Quoted(request.shareIndex);
    }
    if (request.opcode == Opcode::Query &&
        request.subcommand == static_cast<std::uint8_t>(QueryKind::AdminLogin)) {
        line += " user=" + Quoted(request.user) + " password=***(" +
                std::to_string(request.password.size()) + ")";
    }
    if (request.opcode == Opcode::Settings) {
        line += " address=" + Quoted(request.address) + " netmask=" + Quoted(request.netmask) +
                " gateway=" + Quoted(request.gateway);
    }
    return line + " len=" + std::to_string(size);
}

}  // namespace norvale::sim
