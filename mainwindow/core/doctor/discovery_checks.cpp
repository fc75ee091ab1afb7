#include "mainwindow/core/doctor/discovery_checks.h"

#include <algorithm>

#include "mainwindow/core/doctor/doctor_texts.h"
#include "mainwindow/core/doctor/firewall_setup.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/utf8.h"

namespace norvale {

namespace {

std::wstring Joined(const std::vector<std::wstring>& items) {
    std::wstring text;
    for (const std::wstring& item : items) text += (text.empty() ? L"" : L", ") + item;
    return text;
}

std::wstring Named(const LocalInterface& entry) {
    const std::wstring address = Utf8ToWide(entry.address);
    return entry.adapterName.empty() ? address : entry.adapterName + L" (" + address + L")";
}

std::wstring ProfileNames(unsigned profiles) {
    std::vector<std::wstring> names;
    if (profiles & kProfileDomain) names.push_back(UiText(doctor_text::kProfileDomain));
    if (profiles & kProfilePrivate) names.push_back(UiText(doctor_text::kProfilePrivate));
    if (profiles & kProfilePublic) names.push_back(UiText(doctor_text::kProfilePublic));
    return Joined(names);
}

bool IsSelfAssigned(const std::string& address) { return address.rfind("169.254.", 0) == 0; }

class Doctor {
public:
    explicit Doctor(const DiscoveryFacts& facts) : facts_(facts) {}

    Diagnosis Run() {
        CheckAdapters();
        CheckFirewall();
        CheckNetworks();
        CheckVirtualAdapters();
        const bool anyProblem = std::any_of(result_.findings.begin(), result_.findings.end(),
                                            [](const Finding& f) { return f.verdict == Verdict::Problem; });
        if (!anyProblem) {
            Add(Verdict::Information, "route", UiText(doctor_text::kAllClear));
            if (facts_.diagnosticsAvailable) result_.fixes |= kFixDiagnostics;
        }
        if (result_.firewallLocked) result_.fixes &= ~kFixFirewall;
        // Two networks of one name and kind say the same: once is enough.
        std::vector<Finding> distinct;
        for (Finding& finding : result_.findings) {
            const bool said = std::any_of(distinct.begin(), distinct.end(),
                                          [&finding](const Finding& f) { return f.text == finding.text; });
            if (!said) distinct.push_back(std::move(finding));
        }
        result_.findings = std::move(distinct);
        std::stable_sort(result_.findings.begin(), result_.findings.end(),
                         [](const Finding& a, const Finding& b) { return a.verdict < b.verdict; });
        return result_;
    }

private:
    void Add(Verdict verdict, const char* check, std::wstring text) {
        result_.findings.push_back(Finding{verdict, check, std::move(text)});
    }
    void NotRead(const char* check, unsigned subject) {
        Add(Verdict::Unknown, check, UiText(doctor_text::kNotRead, {UiText(subject)}));
    }

    void CheckAdapters() {
        if (!facts_.adapters) {
            NotRead("adapters", doctor_text::kAdaptersSubject);
        } else {
            std::vector<const LocalInterface*> listed;
            std::vector<const LocalInterface*> up;
            for (const LocalInterface& entry : *facts_.adapters) {
                if (entry.kind == AdapterKind::Loopback || entry.address.rfind("127.", 0) == 0) continue;
                listed.push_back(&entry);
                if (entry.up && entry.address != "0.0.0.0") up.push_back(&entry);
            }
            if (listed.empty()) {
                Add(Verdict::Problem, "adapters", UiText(doctor_text::kNoIpv4));
            } else if (up.empty()) {
                Add(Verdict::Problem, "adapters", UiText(doctor_text::kNoAdapterUp));
            } else if (std::all_of(up.begin(), up.end(), [](const LocalInterface* e) { return IsSelfAssigned(e->address); })) {
                for (const LocalInterface* entry : up) {
                    Add(Verdict::Problem, "adapters",
                        UiText(doctor_text::kApipaOnly,
                               {entry->adapterName.empty() ? Utf8ToWide(entry->address) : entry->adapterName, Utf8ToWide(entry->address)}));
                }
            }
        }
        std::vector<std::wstring> listening;
        for (const InterfaceUse& use : facts_.used) {
            if (use.opened) {
                listening.push_back(Named(use.local));
                continue;
            }
            const auto text = facts_.errorTexts.find(use.error);
            Add(Verdict::Problem, "sockets",
                UiText(doctor_text::kSocketFailed,
                       {Utf8ToWide(use.local.address), use.local.adapterName,
                        text != facts_.errorTexts.end() ? text->second : std::to_wstring(use.error)}));
        }
        if (!listening.empty()) {
            Add(Verdict::Fine, "sockets",
                UiText(doctor_text::kListening, {std::to_wstring(listening.size()), Joined(listening)}));
        }
    }

    void CheckFirewall() {
        if (!facts_.activeProfiles) NotRead("firewall-profiles", doctor_text::kProfilesSubject);
        const unsigned active = facts_.activeProfiles.value_or(kAllProfiles);
        unsigned blockingByDefault = 0;
        for (const auto& [profile, state] : facts_.profiles) {
            if ((active & profile) == 0) continue;
            if (state.enabled == false) {
                Add(Verdict::Fine, "firewall-profiles", UiText(doctor_text::kFirewallOff, {ProfileNames(profile)}));
                continue;
            }
            if (state.blockAllInbound == true) {
                Add(Verdict::Problem, "block-all", UiText(doctor_text::kBlockAllInbound, {ProfileNames(profile)}));
            }
            if (state.inboundBlockedByDefault != false) blockingByDefault |= profile;
        }
        // Where the profiles could not be read, Windows' defaults hold: on, blocking.
        if (facts_.profiles.empty()) blockingByDefault = active;

        if (facts_.modifyState && *facts_.modifyState != PolicyModifyState::Allowed) {
            Add(Verdict::Problem, "policy", UiText(doctor_text::kPolicyLocked));
            result_.firewallLocked = true;
        }
        if (!facts_.rules) {
            NotRead("firewall-rules", doctor_text::kRulesSubject);
        } else {
            bool blocked = false;
            bool allowed = false;
            for (const FirewallRule& rule : *facts_.rules) {
                blocked = blocked || (rule.enabled && BlocksProgram(rule, facts_.programPath) && (rule.profiles & active));
                allowed = allowed || AllowsDiscovery(rule, facts_.programPath, active);
            }
            if (blocked) {
                Add(Verdict::Problem, "firewall-rules", UiText(doctor_text::kBlockRule, {facts_.programPath}));
                result_.fixes |= kFixFirewall;
            }
            if (allowed) {
                Add(Verdict::Fine, "firewall-rules", UiText(doctor_text::kAllowRule));
            } else if (blockingByDefault != 0) {
                Add(Verdict::Problem, "firewall-rules", UiText(doctor_text::kNoAllowRule, {ProfileNames(blockingByDefault)}));
                result_.fixes |= kFixFirewall;
            }
            if (!blocked && !allowed && blockingByDefault == 0) {
                for (const auto& [profile, state] : facts_.profiles) {
                    if ((active & profile) && state.enabled == true) {
                        Add(Verdict::Fine, "firewall-profiles", UiText(doctor_text::kFirewallOn, {ProfileNames(profile)}));
                    }
                }
            }
        }
        if (!facts_.otherFirewalls) {
            NotRead("other-firewalls", doctor_text::kProductsSubject);
        } else if (!facts_.otherFirewalls->empty()) {
            Add(Verdict::Problem, "other-firewalls",
                UiText(doctor_text::kOtherFirewall, {Joined(*facts_.otherFirewalls), facts_.programPath}));
        }
    }

    void CheckNetworks() {
        if (!facts_.networks) {
            NotRead("network-category", doctor_text::kNetworksSubject);
            return;
        }
        for (const ConnectedNetwork& network : *facts_.networks) {
            const std::wstring name = network.name.empty() ? UiText(doctor_text::kUnnamedNetwork) : network.name;
            if (network.category == NetworkCategory::Public) {
                Add(Verdict::Problem, "network-category", UiText(doctor_text::kPublicNetwork, {name}));
                result_.fixes |= kFixNetworkSettings;
                if (!result_.publicNetwork) result_.publicNetwork = name;
            } else {
                const unsigned profile = network.category == NetworkCategory::Domain ? kProfileDomain : kProfilePrivate;
                Add(Verdict::Fine, "network-category", UiText(doctor_text::kNetworkCategory, {name, ProfileNames(profile)}));
            }
        }
    }

    void CheckVirtualAdapters() {
        if (!facts_.adapters) return;
        std::vector<std::wstring> names;
        for (const LocalInterface& entry : *facts_.adapters) {
            if (entry.up && (entry.kind == AdapterKind::Virtual || entry.kind == AdapterKind::Tunnel)) names.push_back(Named(entry));
        }
        if (!names.empty()) Add(Verdict::Information, "virtual-adapters", UiText(doctor_text::kVirtualAdapters, {Joined(names)}));
    }

    const DiscoveryFacts& facts_;
    Diagnosis result_;
};

}  // namespace

DiscoveryFacts GatherDiscoveryFacts(DoctorPorts& ports, std::vector<InterfaceUse> used) {
    DiscoveryFacts facts;
    facts.adapters = ports.sockets.LocalInterfaces();
    for (const InterfaceUse& use : used) {
        if (!use.opened && facts.errorTexts.count(use.error) == 0) {
            facts.errorTexts[use.error] = OneLineTextOf(ports.errors, static_cast<std::uint32_t>(use.error));
        }
    }
    facts.used = std::move(used);
    facts.activeProfiles = ports.firewall.ActiveProfiles();
    for (unsigned profile : {kProfileDomain, kProfilePrivate, kProfilePublic}) {
        if ((facts.activeProfiles.value_or(0) & profile) == 0) continue;
        if (auto state = ports.firewall.ProfileState(profile)) facts.profiles[profile] = *state;
    }
    facts.modifyState = ports.firewall.ModifyState();
    facts.rules = ports.firewall.InboundRules();
    facts.otherFirewalls = ports.firewall.OtherFirewalls();
    facts.networks = ports.networks.ConnectedNetworks();
    facts.diagnosticsAvailable = ports.actions.DiagnosticsAvailable();
    facts.programPath = ports.programPath;
    return facts;
}

Diagnosis Diagnose(const DiscoveryFacts& facts) { return Doctor(facts).Run(); }

std::wstring ReportText(const Diagnosis& diagnosis) {
    std::wstring text;
    for (const Finding& finding : diagnosis.findings) {
        if (!text.empty()) text += L"\r\n";
        text += L"- " + finding.text;
    }
    return text;
}

}  // namespace norvale
