#include "tools/simulator/appliance_config.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>

#include "tools/simulator/wire_format.h"

namespace norvale::sim {
namespace {

using nlohmann::json;

struct ConfigError {
    std::string text;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw ConfigError{where + ": " + what};
}

template <typename T>
T Get(const json& object, const char* key, const std::string& where, T fallback) {
    const auto found = object.find(key);
    if (found == object.end()) return fallback;
    try {
        return found->get<T>();
    } catch (const json::exception&) {
        Fail(where + "." + key, "has the wrong type");
    }
}

int GetBounded(const json& object, const char* key, const std::string& where, int fallback,
               int low, int high) {
    const int value = Get<int>(object, key, where, fallback);
    if (value < low || value > high) {
        Fail(where + "." + key, "must lie in " + std::to_string(low) + ".." + std::to_string(high));
    }
    return value;
}

std::string GetAddress(const json& object, const char* key, const std::string& where,
                       const std::string& fallback) {
    std::string text = Get<std::string>(object, key, where, fallback);
    if (!ParseIpv4(text)) Fail(where + "." + key, "is not an IPv4 address: \"" + text + "\"");
    return text;
}

std::array<std::uint8_t, 6> ParseId(const std::string& text, const std::string& where) {
    std::array<std::uint8_t, 6> id{};
    unsigned parts[6];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &parts[0], &parts[1], &parts[2],
                    &parts[3], &parts[4], &parts[5], &tail) != 6) {
        Fail(where + ".id", "must be six hex bytes like 00:11:22:33:44:55");
    }
    for (int i = 0; i < 6; ++i) id[i] = static_cast<std::uint8_t>(parts[i]);
    return id;
}

PortalConfig ParsePortal(const std::string& text, const std::string& where) {
    PortalConfig portal;
    const std::size_t colon = text.find(':');
    portal.address = text.substr(0, colon);
    if (!ParseIpv4(portal.address)) Fail(where, "holds a portal that is no IPv4 address: \"" + text + "\"");
    if (colon != std::string::npos) {
        const std::string port = text.substr(colon + 1);
        char* end = nullptr;
        const unsigned long number = std::strtoul(port.c_str(), &end, 10);
        if (port.empty() || *end != '\0' || number == 0 || number > 65535)
            Fail(where, "holds a portal with a bad port: \"" + text + "\"");
        portal.port = static_cast<std::uint16_t>(number);
    }
    return portal;
}

ApplianceConfig ParseAppliance(const json& object, const std::string& where) {
    if (!object.is_object()) Fail(where, "must be an object");
    ApplianceConfig appliance;
    appliance.interfaceName = Get<std::string>(object, "interface", where, "");
    if (appliance.interfaceName.empty()) Fail(where + ".interface", "is required");
    appliance.id = ParseId(Get<std::string>(object, "id", where, ""), where);
    appliance.address = GetAddress(object, "address", where, "");
    appliance.netmask = GetAddress(object, "netmask", where, appliance.netmask);
    appliance.gateway = GetAddress(object, "gateway", where, appliance.gateway);
    appliance.dhcp = Get<bool>(object, "dhcp", where, false);
    appliance.name = Get<std::string>(object, "name", where, "NAS");
    appliance.port = Get<std::string>(object, "port", where, "");
    appliance.otherAddress = Get<std::string>(object, "otherAddress", where, "");
    appliance.selector1 = static_cast<std::uint8_t>(GetBounded(object, "selector1", where, 0, 0, 255));
    appliance.selector2 = static_cast<std::uint8_t>(GetBounded(object, "selector2", where, 8, 0, 255));
    appliance.service = Get<std::string>(object, "service", where, appliance.service);
    if (appliance.service.size() > 8) Fail(where + ".service", "holds at most 8 bytes");
    if (appliance.NameText().size() > 255) Fail(where + ".name", "name text exceeds 255 bytes");
    appliance.shares = Get<std::vector<std::string>>(object, "shares", where, {});
    if (const auto targets = object.find("targets"); targets != object.end()) {
        if (!targets->is_array()) Fail(where + ".targets", "must be an array");
        for (std::size_t i = 0; i < targets->size(); ++i) {
            const json& entry = (*targets)[i];
            const std::string at = where + ".targets[" + std::to_string(i) + "]";
            if (!entry.is_object()) Fail(at, "must be an object");
            appliance.targets.push_back(TargetConfig{Get<std::string>(entry, "name", at, ""),
                                                     Get<bool>(entry, "chap", at, false),
                                                     Get<std::string>(entry, "user", at, ""),
                                                     Get<std::string>(entry, "password", at, ""),
                                                     Get<std::uint64_t>(entry, "lunBytes", at, 0)});
        }
    }
    if (const auto groups = object.find("portalGroups"); groups != object.end()) {
        if (!groups->is_array()) Fail(where + ".portalGroups", "must be an array of arrays");
        for (std::size_t g = 0; g < groups->size(); ++g) {
            const std::string at = where + ".portalGroups[" + std::to_string(g) + "]";
            if (!(*groups)[g].is_array()) Fail(at, "must be an array of \"address[:port]\" texts");
            std::vector<PortalConfig> group;
            for (const json& portal : (*groups)[g]) {
                if (!portal.is_string()) Fail(at, "must be an array of \"address[:port]\" texts");
                group.push_back(ParsePortal(portal.get<std::string>(), at));
            }
            appliance.portalGroups.push_back(std::move(group));
        }
    }
    appliance.adminPassword = Get<std::string>(object, "adminPassword", where, "");
    appliance.dhcpPool = Get<std::vector<std::string>>(object, "dhcpPool", where, {});
    for (const std::string& address : appliance.dhcpPool) {
        if (!ParseIpv4(address)) Fail(where + ".dhcpPool", "holds a non-address: \"" + address + "\"");
    }
    appliance.replyDelayMs = GetBounded(object, "replyDelayMs", where, 0, 0, 20000);
    appliance.dropRate = Get<double>(object, "dropRate", where, 0.0);
    if (!(appliance.dropRate >= 0.0 && appliance.dropRate <= 1.0)) {
        Fail(where + ".dropRate", "must lie in 0..1");
    }
    appliance.duplicates = GetBounded(object, "duplicates", where, 1, 1, 10);
    if (const auto flood = object.find("flood"); flood != object.end()) {
        const std::string at = where + ".flood";
        if (!flood->is_object()) Fail(at, "must be an object");
        appliance.flood.ratePerSecond = GetBounded(*flood, "ratePerSecond", at, 0, 0, 5000);
        appliance.flood.durationMs = GetBounded(*flood, "durationMs", at, 0, 0, 60000);
        appliance.flood.startAfterMs = GetBounded(*flood, "startAfterMs", at, 0, 0, 600000);
    }
    if (const auto http = object.find("http"); http != object.end()) {
        const std::string at = where + ".http";
        if (!http->is_object()) Fail(at, "must be an object");
        appliance.http.address = GetAddress(*http, "address", at, appliance.address);
        appliance.http.port = static_cast<std::uint16_t>(GetBounded(*http, "port", at, 80, 1, 65535));
    }
    return appliance;
}

}  // namespace

std::string ApplianceConfig::NameText() const {
    if (port.empty()) return name;
    return name + ":" + port + "=" + otherAddress;
}

std::vector<std::vector<PortalConfig>> ApplianceConfig::EffectivePortalGroups() const {
    if (!portalGroups.empty()) return portalGroups;
    std::vector<PortalConfig> group{PortalConfig{address, 3260}};
    if (ParseIpv4(otherAddress)) group.push_back(PortalConfig{otherAddress, 3260});
    return {group};
}

ConfigResult ParseConfig(const std::string& jsonText) {
    const json root = json::parse(jsonText, nullptr, /*allow_exceptions=*/false);
    if (root.is_discarded()) return ConfigResult{std::nullopt, "the file is not valid JSON"};
    try {
        if (!root.is_object()) Fail("config", "must be an object");
        SimulatorConfig config;
        config.seed = static_cast<unsigned>(GetBounded(root, "seed", "config", 1, 0, 1 << 30));
        const auto appliances = root.find("appliances");
        if (appliances == root.end() || !appliances->is_array() || appliances->empty()) {
            Fail("config.appliances", "must be a non-empty array");
        }
        if (appliances->size() > 1000) Fail("config.appliances", "holds at most 1000 appliances");
        for (std::size_t i = 0; i < appliances->size(); ++i) {
            config.appliances.push_back(
                ParseAppliance((*appliances)[i], "appliances[" + std::to_string(i) + "]"));
        }
        return ConfigResult{std::move(config), {}};
    } catch (const ConfigError& error) {
        return ConfigResult{std::nullopt, error.text};
    }
}

}  // namespace norvale::sim
