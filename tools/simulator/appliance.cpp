#include "tools/simulator/appliance.h"

#include <algorithm>
#include <cstdlib>

#include "tools/simulator/base64.h"

namespace norvale::sim {
namespace {

constexpr const char* kAdminUser = "admin";

std::string Join(const std::vector<std::string>& pieces, std::size_t first, std::size_t count,
                 char separator) {
    std::string text;
    for (std::size_t i = first; i < first + count && i < pieces.size(); ++i) {
        if (!text.empty()) text += separator;
        text += pieces[i];
    }
    return text;
}

// The page's first index as the product writes it: decimal digits; anything
// else reads as the first page.
std::size_t PageStart(const std::string& indexText) {
    std::size_t value = 0;
    for (char c : indexText) {
        if (c < '0' || c > '9' || value > 1'000'000) break;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

}  // namespace

Appliance::Appliance(ApplianceConfig config)
    : config_(std::move(config)),
      address_(config_.address),
      netmask_(config_.netmask),
      gateway_(config_.gateway),
      dhcp_(config_.dhcp) {}

Identity Appliance::DeviceIdFor(const std::string& address) const {
    Identity id{};
    std::copy(config_.id.begin(), config_.id.end(), id.begin());
    const auto octets = ParseIpv4(address).value_or(std::array<std::uint8_t, 4>{});
    std::copy(octets.begin(), octets.end(), id.begin() + 6);
    return id;
}

Identity Appliance::DeviceId() const { return DeviceIdFor(address_); }

bool Appliance::IsAddressedBy(const Request& request) const {
    return request.deviceId == DeviceId();
}

std::optional<Answer> Appliance::Respond(const Request& request) {
    switch (request.opcode) {
    case Opcode::Discover: {
        DiscoverAnswer answer;
        answer.clientId = request.clientId;
        answer.deviceId = DeviceId();
        answer.addressMode = dhcp_ ? '1' : '0';
        answer.netmask = netmask_;
        answer.gateway = gateway_;
        answer.selector1 = config_.selector1;
        answer.selector2 = config_.selector2;
        answer.service = config_.service;
        answer.nameText = config_.NameText();
        return Answer{EncodeDiscoverReply(answer), std::nullopt};
    }
    case Opcode::Query:
        if (!IsAddressedBy(request)) return std::nullopt;
        return RespondToQuery(request);
    case Opcode::Settings:
        if (!IsAddressedBy(request)) return std::nullopt;
        return RespondToSettings(request);
    default:
        return std::nullopt;
    }
}

std::optional<Answer> Appliance::RespondToQuery(const Request& request) const {
    const Identity id = DeviceId();
    switch (static_cast<QueryKind>(request.subcommand)) {
    case QueryKind::ShareCount:
        return Answer{EncodeQueryReply(request.clientId, id, std::to_string(config_.shares.size())),
                      std::nullopt};
    case QueryKind::ShareList:
        return Answer{EncodeQueryReply(request.clientId, id, SharePage(request.shareIndex)),
                      std::nullopt};
    case QueryKind::TargetCount:
        return Answer{EncodeQueryReply(request.clientId, id, std::to_string(config_.targets.size())),
                      std::nullopt};
    case QueryKind::TargetList:
        return Answer{EncodeQueryReply(request.clientId, id, TargetListText()), std::nullopt};
    case QueryKind::AdminLogin: {
        const bool accepted = request.user == kAdminUser && request.password == config_.adminPassword;
        return Answer{EncodeLoginReply(request.clientId, id, accepted ? 1 : 0), std::nullopt};
    }
    }
    return std::nullopt;
}

std::optional<Answer> Appliance::RespondToSettings(const Request& request) {
    AddressChange change;
    switch (static_cast<SettingsKind>(request.subcommand)) {
    case SettingsKind::StaticAddress:
        if (!ParseIpv4(request.address) || !ParseIpv4(request.netmask)) return std::nullopt;
        change = AddressChange{request.address, request.netmask, request.gateway, false};
        break;
    case SettingsKind::DhcpClient:
        if (config_.dhcpPool.empty()) return std::nullopt;
        change = AddressChange{config_.dhcpPool[nextPoolEntry_ % config_.dhcpPool.size()],
                               netmask_, gateway_, true};
        break;
    default:
        return std::nullopt;
    }
    return Answer{EncodeSetReply(request.clientId, DeviceIdFor(change.address)), change};
}

void Appliance::CompleteMove(const AddressChange& change) {
    address_ = change.address;
    netmask_ = change.netmask;
    gateway_ = change.gateway;
    dhcp_ = change.dhcp;
    if (change.dhcp) ++nextPoolEntry_;
}

std::string Appliance::SharePage(const std::string& indexText) const {
    return Join(config_.shares, PageStart(indexText), kPageSize, ':');
}

std::string TargetListEntry(const TargetConfig& target) {
    return target.name + "|" + (target.chap ? "1" : "0") + "@" + target.user + "$" +
           EncodeBase64(target.password);
}

std::string Appliance::TargetListText() const {
    std::vector<std::string> entries;
    for (const TargetConfig& target : config_.targets) entries.push_back(TargetListEntry(target));
    return Join(entries, 0, entries.size(), '=');
}

}  // namespace norvale::sim
