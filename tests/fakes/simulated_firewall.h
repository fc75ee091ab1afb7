// Windows' firewall, network list and the doctor's outside actions as one
// simulated PC: a rule store that refuses what Windows refuses (changes
// under a group policy), reads that can be made to fail as Wine's do
// (E_NOTIMPL), and an elevated "--firewall VERB" run that works on the same
// store unless the user declines the consent prompt.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mainwindow/core/doctor/doctor_actions_port.h"
#include "mainwindow/core/doctor/firewall_port.h"
#include "mainwindow/core/doctor/network_list_port.h"
#include "tests/fakes/recording_trace.h"

namespace norvale::test {

class SimulatedFirewall final : public FirewallPort {
public:
    unsigned active = kProfilePrivate;
    FirewallProfileState state{true, false, true};  // every profile alike: on, blocking by default
    PolicyModifyState modify = PolicyModifyState::Allowed;
    std::vector<FirewallRule> rules;
    std::vector<std::wstring> products;
    bool readable = true;  // false: every read fails, as under Wine

    std::optional<unsigned> ActiveProfiles() override { return Read(active); }
    std::optional<FirewallProfileState> ProfileState(unsigned) override { return Read(state); }
    std::optional<PolicyModifyState> ModifyState() override { return Read(modify); }
    std::optional<std::vector<FirewallRule>> InboundRules() override { return Read(rules); }
    std::optional<std::vector<std::wstring>> OtherFirewalls() override { return Read(products); }
    bool AddRule(const FirewallRule& rule) override {
        if (modify != PolicyModifyState::Allowed) return false;
        rules.push_back(rule);
        return true;
    }
    bool RemoveRule(const FirewallRule& rule) override {
        for (auto it = rules.begin(); it != rules.end(); ++it) {
            if (SameRule(*it, rule)) {
                rules.erase(it);
                return true;
            }
        }
        return false;
    }

    // The pair of rules Windows makes when its "allow access" prompt is
    // cancelled: both named after the program, block for UDP and TCP.
    void CancelledPrompt(const std::wstring& path) {
        for (int protocol : {kProtocolUdp, 6}) {
            FirewallRule rule;
            rule.name = L"norvale.exe";
            rule.application = path;
            rule.action = RuleAction::Block;
            rule.protocol = protocol;
            rule.profiles = active;
            rules.push_back(rule);
        }
    }

private:
    template <typename T>
    std::optional<T> Read(const T& value) const {
        return readable ? std::optional<T>(value) : std::nullopt;
    }
};

class SimulatedNetworkList final : public NetworkListPort {
public:
    std::optional<std::vector<ConnectedNetwork>> networks = std::vector<ConnectedNetwork>{{L"Office", NetworkCategory::Private}};
    std::optional<std::vector<ConnectedNetwork>> ConnectedNetworks() override { return networks; }
};

class SimulatedDoctorActions final : public DoctorActionsPort {
public:
    SimulatedDoctorActions(SimulatedFirewall& firewall, std::wstring path) : firewall_(firewall), path_(std::move(path)) {}

    bool consents = true;
    bool diagnostics = true;
    std::vector<std::wstring> started;
    RecordingTrace elevatedLog;

    std::optional<int> RunFirewallSetup(FirewallVerb verb) override {
        started.push_back(L"firewall " + std::to_wstring(static_cast<int>(verb)));
        if (!consents) return std::nullopt;
        return RunFirewallVerb(verb, firewall_, path_, elevatedLog);
    }
    bool OpenNetworkSettings() override {
        started.push_back(L"network settings");
        return true;
    }
    bool DiagnosticsAvailable() override { return diagnostics; }
    bool StartDiagnostics() override {
        started.push_back(L"diagnostics");
        return diagnostics;
    }

private:
    SimulatedFirewall& firewall_;
    std::wstring path_;
};

}  // namespace norvale::test
