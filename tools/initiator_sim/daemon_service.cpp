#include "tools/initiator_sim/daemon_service.h"

#include <utility>

namespace norvale::sim {
namespace {

wire::Response Bad(const std::string& why) {
    wire::Response response;
    response.code = kBadRequest;
    response.lines.push_back(why);
    return response;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

const char* StateName(SimServiceState state) {
    switch (state) {
    case SimServiceState::Stopped: return "stopped";
    case SimServiceState::StartPending: return "start-pending";
    case SimServiceState::Running: return "running";
    }
    return "stopped";
}

std::optional<bool> Flag(const std::string& value) {
    if (value == "1") return true;
    if (value == "0") return false;
    return std::nullopt;
}

wire::Response SetFault(SimulatedInitiator& initiator, const std::vector<std::string>& args) {
    InitiatorFaults& faults = initiator.Faults();
    if (args.size() == 1 && args[0] == "clear") {
        faults = InitiatorFaults();
        return {};
    }
    if (args.size() != 2) return Bad("FAULT takes a name and a value");
    const std::string& name = args[0];
    const std::string& value = args[1];
    const std::optional<bool> flag = Flag(value);
    bool* toggle = name == "wmi-unreachable"         ? &faults.wmiUnreachable
                   : name == "wmi-hangs"             ? &faults.wmiHangs
                   : name == "wmi-connect-hangs"     ? &faults.wmiConnectHangs
                   : name == "service-never-runs"    ? &faults.serviceNeverRuns
                   : name == "service-start-refused" ? &faults.serviceStartRefused
                   : name == "no-initiator"          ? &faults.noInitiatorInstance
                   : name == "inactive-statistics"   ? &faults.inactiveStatistics
                                                     : nullptr;
    if (toggle != nullptr) {
        if (!flag) return Bad("FAULT " + name + " takes 0 or 1");
        *toggle = *flag;
    } else if (name == "login-timeout") {
        faults.loginTimeouts.insert(Lower(value));
    } else if (name == "unreachable-portal") {
        faults.unreachablePortals.insert(value);
    } else if (name == "failed-read") {
        faults.failedReads.insert(Lower(value));
    } else {
        return Bad("no such fault: " + name);
    }
    return {};
}

wire::Response SetOption(SimulatedInitiator& initiator, const std::vector<std::string>& args) {
    if (args.size() != 2) return Bad("OPTION takes a name and a value");
    if (args[0] == "statistics-names" && (args[1] == "bare" || args[1] == "suffixed")) {
        initiator.SetStatisticsNames(args[1] == "bare" ? StatisticsNames::Bare : StatisticsNames::Suffixed);
        return {};
    }
    if (args[0] == "installed" && Flag(args[1])) {
        initiator.SetInstalled(*Flag(args[1]));
        return {};
    }
    return Bad("no such option or value: " + args[0]);
}

wire::Response Service(SimulatedInitiator& initiator, const std::vector<std::string>& args) {
    if (args.size() != 1) return Bad("SERVICE takes one word");
    wire::Response response;
    if (args[0] == "start") {
        const std::optional<std::chrono::milliseconds> delay = initiator.BeginServiceStart();
        response.delayNever = !delay;
        if (delay) response.delayMs = delay->count();
    } else if (args[0] == "running") {
        initiator.SetServiceState(SimServiceState::Running);
    } else if (args[0] == "stopped") {
        initiator.SetServiceState(SimServiceState::Stopped);
    } else if (args[0] == "state") {
        response.lines.push_back(StateName(initiator.ServiceState()));
    } else {
        return Bad("SERVICE takes start, running, stopped or state");
    }
    return response;
}

}  // namespace

wire::Response Serve(SimulatedInitiator& initiator, const wire::Request& request) {
    const std::string& verb = request.verb;
    const std::vector<std::string>& args = request.args;
    wire::Response response;
    if (verb == "ISCSICLI" && args.size() == 1) {
        const IscsicliRun run = initiator.RunIscsicli(args[0]);
        response.code = run.exitCode;
        response.lines = SplitLines(run.output);
    } else if (verb == "CONNECT" && args.size() == 1) {
        // A hung connect: the stand-in holds the caller past any limit.
        response.code = initiator.Faults().wmiConnectHangs ? 0x40004 : initiator.ConnectNamespace(args[0]);
    } else if (verb == "QUERY" && args.size() == 1) {
        WmiAnswer answer = initiator.Query(args[0]);
        response.code = answer.code;
        response.objects = std::move(answer.objects);
        // A hung provider: the stand-in's enumerator delivers nothing and
        // waits out the caller's time-out (WBEM_S_TIMEDOUT).
        if (answer.code == 0 && initiator.Faults().wmiHangs) {
            response.code = 0x40004;
            response.objects.clear();
        }
    } else if (verb == "CLASS" && args.size() == 1) {
        response.code = initiator.GetClass(args[0]);
    } else if (verb == "PUT" && !args.empty() && args.size() % 2 == 1) {
        SimObject instance;
        instance.className = args[0];
        for (std::size_t i = 1; i + 1 < args.size(); i += 2) instance.Set(args[i], SimValue::String(args[i + 1]));
        // A hung store: the stand-in's call result never completes.
        response.code = initiator.Faults().wmiHangs ? 0x40004 : initiator.PutInstance(instance);
    } else if (verb == "SERVICE") {
        return Service(initiator, args);
    } else if (verb == "LOG" && args.empty()) {
        for (const LoggedCommand& command : initiator.CommandLog()) {
            response.lines.push_back(std::to_string(command.exitCode) + (command.accepted ? " accepted " : " refused ") +
                                     command.line);
        }
    } else if (verb == "STATE" && args.empty()) {
        response.lines = DescribeState(initiator);
    } else if (verb == "RESET" && args.empty()) {
        initiator.Reset();
    } else if (verb == "FAULT") {
        return SetFault(initiator, args);
    } else if (verb == "OPTION") {
        return SetOption(initiator, args);
    } else {
        return Bad("unknown request or wrong number of fields: " + verb);
    }
    return response;
}

std::vector<std::string> DescribeState(SimulatedInitiator& initiator) {
    std::vector<std::string> lines;
    for (const Portal& portal : initiator.SendTargetPortals())
        lines.push_back("portal " + portal.address + " " + std::to_string(portal.port));
    for (const std::string& target : initiator.KnownTargets()) lines.push_back("target " + target);
    for (const SimSession& session : initiator.Sessions()) {
        lines.push_back("session " + session.id + " " + session.targetName + " " + session.portal.address +
                        " disk " + (session.deviceNumber ? std::to_string(*session.deviceNumber) : "none") +
                        " statistics " + session.statisticsInstance + (session.chap ? " chap" : " plain"));
    }
    for (const SimPersistentLogin& login : initiator.PersistentLogins()) {
        lines.push_back("persistent-login " + login.targetName + " " + login.initiatorInstance +
                        (login.chap ? " chap " + login.chapUser : " plain"));
    }
    for (const std::string& device : initiator.PersistentDevices()) lines.push_back("persistent-device " + device);
    lines.push_back(std::string("service ") + StateName(initiator.ServiceState()));
    return lines;
}

std::string DescribeRequest(const wire::Request& request) {
    std::string text = request.verb;
    for (const std::string& arg : request.args) {
        text += ' ';
        // A share's password (its third field) never reaches a log.
        const bool password = request.verb == "SHARE" && &arg == &request.args.back() && request.args.size() == 3;
        text += request.verb == "ISCSICLI" ? RedactIscsicliLine(arg) : password ? std::string("***") : arg;
    }
    return text;
}

}  // namespace norvale::sim
