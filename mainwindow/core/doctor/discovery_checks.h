// Why a discovery pass found nothing: what the PC's adapters, the sockets of
// the last pass, the firewall and the network list say, turned into plain
// sentences, most likely cause first, each with the fixes that apply.
//
//   DiscoveryFacts facts = GatherDiscoveryFacts(ports, interfacesInUse);  // blocks: a step's worker
//   Diagnosis diagnosis = Diagnose(facts);                                  // the texts, in order
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/core/doctor/doctor_actions_port.h"
#include "mainwindow/core/doctor/firewall_port.h"
#include "mainwindow/core/doctor/network_list_port.h"
#include "platform/core/error_text_port.h"
#include "protocol/core/local_interface.h"
#include "protocol/core/socket_port.h"

namespace norvale {

// An interface of the last pass and whether its sockets opened.
struct InterfaceUse {
    LocalInterface local;
    bool opened = true;
    int error = 0;  // the system's error where they did not
};

struct DiscoveryFacts {
    std::optional<std::vector<LocalInterface>> adapters;  // every address Windows listed, up or not
    std::vector<InterfaceUse> used;
    std::optional<unsigned> activeProfiles;
    std::map<unsigned, FirewallProfileState> profiles;  // the active ones
    std::optional<PolicyModifyState> modifyState;
    std::optional<std::vector<FirewallRule>> rules;
    std::optional<std::vector<std::wstring>> otherFirewalls;
    std::optional<std::vector<ConnectedNetwork>> networks;
    bool diagnosticsAvailable = false;
    std::wstring programPath;
    std::map<int, std::wstring> errorTexts;  // the system's text of each socket error
};

struct DoctorPorts {
    SocketPort& sockets;
    FirewallPort& firewall;
    NetworkListPort& networks;
    DoctorActionsPort& actions;
    const ErrorTextPort& errors;
    std::wstring programPath;
};

// Reads everything but the interfaces in use (the protocol's, read on the
// dialog's thread). Blocks.
DiscoveryFacts GatherDiscoveryFacts(DoctorPorts& ports, std::vector<InterfaceUse> used);

enum class Verdict { Problem, Unknown, Information, Fine };

// The fixes a diagnosis offers (Search again is always there).
inline constexpr unsigned kFixFirewall = 1;
inline constexpr unsigned kFixNetworkSettings = 2;
inline constexpr unsigned kFixDiagnostics = 4;

struct Finding {
    Verdict verdict = Verdict::Fine;
    std::string check;  // the support log's name of the check
    std::wstring text;
};

struct Diagnosis {
    std::vector<Finding> findings;  // problems first, most likely cause first
    unsigned fixes = 0;
    // The firewall fix would run on a Public network: ask before including it.
    std::optional<std::wstring> publicNetwork;
    // Whether a policy keeps the firewall from being changed here.
    bool firewallLocked = false;
};

Diagnosis Diagnose(const DiscoveryFacts& facts);

// The whole report as the dialog shows it and "Copy report" copies it.
std::wstring ReportText(const Diagnosis& diagnosis);

}  // namespace norvale
