// What one simulated appliance is and how it misbehaves, read from the JSON
// file described in README.md.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvale::sim {

struct TargetConfig {
    std::string name;
    bool chap = false;
    std::string user;
    std::string password;  // sent base64-encoded, as the appliance does
    std::uint64_t lunBytes = 0;  // the size of the target's one LUN; 0: no LUN
};

// An iSCSI portal of the appliance, as the initiator reaches its targets.
struct PortalConfig {
    std::string address;
    std::uint16_t port = 3260;
};

struct FloodConfig {
    int ratePerSecond = 0;  // foreign datagrams per second, at most 5000
    int durationMs = 0;     // how long the flood lasts, at most 60 s
    int startAfterMs = 0;   // counted from the simulator's start
};

struct HttpConfig {
    std::string address;  // empty: no web server
    std::uint16_t port = 80;
};

struct ApplianceConfig {
    std::string interfaceName;       // where the address lives (added when missing)
    std::array<std::uint8_t, 6> id{};
    std::string address;
    std::string netmask = "255.255.255.0";
    std::string gateway = "0.0.0.0";
    bool dhcp = false;
    std::string name;                // display name
    std::string port;                // e.g. "eth0"; empty: a plain name
    std::string otherAddress;        // the other LAN port's address
    std::uint8_t selector1 = 0;
    std::uint8_t selector2 = 8;
    std::string service = "iscsi";
    std::vector<std::string> shares;  // as sent, lock marks included ("music*0", "data@1")
    std::vector<TargetConfig> targets;
    // The portal groups its targets are reachable through; empty: one group
    // with the address (and the other LAN port's address, when there is one).
    std::vector<std::vector<PortalConfig>> portalGroups;
    std::string adminPassword;
    std::vector<std::string> dhcpPool;
    int replyDelayMs = 0;    // at most 20 s
    double dropRate = 0.0;   // 0..1, share of requests left unanswered
    int duplicates = 1;      // copies of each reply, 1..10
    FloodConfig flood;
    HttpConfig http;

    // The name text of a DiscoverReply: name[:port=otherAddress].
    std::string NameText() const;
    // portalGroups, or the default groups described there.
    std::vector<std::vector<PortalConfig>> EffectivePortalGroups() const;
};

struct SimulatorConfig {
    std::vector<ApplianceConfig> appliances;
    unsigned seed = 1;  // drives the drop decisions, so runs repeat
};

struct ConfigResult {
    std::optional<SimulatorConfig> config;
    std::string error;  // what is wrong, naming the field
};

ConfigResult ParseConfig(const std::string& jsonText);

}  // namespace norvale::sim
