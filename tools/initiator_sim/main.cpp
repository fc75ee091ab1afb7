// norvale-initiator-sim: the simulated iSCSI initiator as a daemon on a
// loopback TCP port, for the Windows stand-ins under Wine; and a small client
// (--ask) for scripts. See README.md.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/clock_port.h"
#include "tools/initiator_sim/daemon_service.h"
#include "tools/initiator_sim/real_targets.h"
#include "tools/initiator_sim/share_check.h"
#include "tools/initiator_sim/simulated_initiator.h"
#include "tools/initiator_sim/wire.h"
#include "tools/simulator/appliance_config.h"

namespace {

using namespace norvale::sim;

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

constexpr int kRequestTimeoutMs = 5000;

const char kUsage[] =
    "usage: norvale-initiator-sim --config FILE [--listen 127.0.0.1:PORT] [--port-file FILE]\n"
    "                             [--service stopped|running] [--start-delay MS]\n"
    "                             [--statistics-names bare|suffixed] [--not-installed] [--log FILE]\n"
    "                             [--real-targets]   discoveries and logins go to the iSCSI target at\n"
    "                                                each portal's address (port 3260), which checks CHAP\n"
    "       norvale-initiator-sim --ask 127.0.0.1:PORT VERB [ARG...]\n";

struct Endpoint {
    std::string address = "127.0.0.1";
    unsigned short port = 0;
};

bool ParseEndpoint(const std::string& text, Endpoint& endpoint) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    endpoint.address = text.substr(0, colon);
    char* end = nullptr;
    const unsigned long port = std::strtoul(text.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || port > 65535) return false;
    endpoint.port = static_cast<unsigned short>(port);
    in_addr probe{};
    return inet_pton(AF_INET, endpoint.address.c_str(), &probe) == 1;
}

sockaddr_in SocketAddress(const Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    inet_pton(AF_INET, endpoint.address.c_str(), &address.sin_addr);
    return address;
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads up to the first line end, within the time-out and the line limit.
std::string ReadRequest(int fd) {
    std::string bytes;
    char buffer[4096];
    while (bytes.find('\n') == std::string::npos && bytes.size() <= wire::kMaxLine) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, kRequestTimeoutMs) <= 0) return {};
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return {};
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

void WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    std::ofstream(temporary) << text;
    std::rename(temporary.c_str(), path.c_str());
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int Ask(const std::vector<std::string>& args) {
    Endpoint endpoint;
    if (args.size() < 2 || !ParseEndpoint(args[0], endpoint)) {
        std::cerr << kUsage;
        return 2;
    }
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = SocketAddress(endpoint);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::cerr << "norvale-initiator-sim: cannot reach " << args[0] << "\n";
        return 2;
    }
    const wire::Request request{args[1], std::vector<std::string>(args.begin() + 2, args.end())};
    std::string answer;
    if (SendAll(fd, wire::FormatRequest(request))) {
        char buffer[4096];
        ssize_t n;
        while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    const std::optional<wire::Response> response = wire::ParseResponse(answer);
    if (!response) {
        std::cerr << "norvale-initiator-sim: no valid answer\n";
        return 2;
    }
    for (const std::string& line : response->lines) std::cout << line << "\n";
    if (response->delayNever) std::cout << "delay never\n";
    if (response->delayMs) std::cout << "delay " << *response->delayMs << "\n";
    for (const SimObject& object : response->objects) std::cout << "object " << object.className << "\n";
    return response->code == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--ask") return Ask({args.begin() + 1, args.end()});

    std::string configPath, portFile, logPath;
    Endpoint endpoint;
    InitiatorOptions options;
    bool realTargets = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--config" && hasValue) {
            configPath = args[++i];
        } else if (arg == "--listen" && hasValue) {
            if (!ParseEndpoint(args[++i], endpoint)) return std::cerr << kUsage, 2;
        } else if (arg == "--port-file" && hasValue) {
            portFile = args[++i];
        } else if (arg == "--log" && hasValue) {
            logPath = args[++i];
        } else if (arg == "--service" && hasValue) {
            const std::string state = args[++i];
            if (state != "stopped" && state != "running") return std::cerr << kUsage, 2;
            options.service = state == "stopped" ? SimServiceState::Stopped : SimServiceState::Running;
        } else if (arg == "--start-delay" && hasValue) {
            options.startDelay = std::chrono::milliseconds(std::strtol(args[++i].c_str(), nullptr, 10));
        } else if (arg == "--statistics-names" && hasValue) {
            const std::string names = args[++i];
            if (names != "bare" && names != "suffixed") return std::cerr << kUsage, 2;
            options.statisticsNames = names == "bare" ? StatisticsNames::Bare : StatisticsNames::Suffixed;
        } else if (arg == "--not-installed") {
            options.installed = false;
        } else if (arg == "--real-targets") {
            realTargets = true;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    if (configPath.empty()) return std::cerr << kUsage, 2;
    const ConfigResult config = ParseConfig(ReadWholeFile(configPath));
    if (!config.config) {
        std::cerr << "norvale-initiator-sim: " << configPath << ": " << config.error << "\n";
        return 1;
    }

    std::ofstream logFile;
    if (!logPath.empty()) logFile.open(logPath, std::ios::app);
    std::ostream& log = logPath.empty() ? std::cout : logFile;

    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address = SocketAddress(endpoint);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::cerr << "norvale-initiator-sim: cannot listen on " << endpoint.address << ":" << endpoint.port << ": "
                  << std::strerror(errno) << "\n";
        return 1;
    }
    const unsigned short port = ntohs(address.sin_port);

    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    SimulatedInitiator initiator(config.config->appliances, norvale::SystemClock(), options);
    const ShareCheck shares(config.config->appliances);
    RealTargets targets(options.nodeName);
    if (realTargets) initiator.SetTargetNetwork(&targets);
    log << "listening on " << endpoint.address << ":" << port << std::endl;
    if (!portFile.empty()) WriteFileAtomically(portFile, std::to_string(port) + "\n");

    while (!stopRequested) {
        pollfd waiting{listener, POLLIN, 0};
        if (poll(&waiting, 1, 200) <= 0) continue;
        const int client = accept(listener, nullptr, nullptr);
        if (client < 0) continue;
        const std::string bytes = ReadRequest(client);
        const std::optional<wire::Request> request = wire::ParseRequest(bytes);
        wire::Response response;
        if (request && request->verb == "SHARE" && request->args.size() == 3) {
            const ShareVerdict verdict = shares.Check(request->args[0], request->args[1], request->args[2]);
            response.code = verdict.error;
            response.lines.push_back(verdict.status);
            log << DescribeRequest(*request) << " -> " << response.code << " " << verdict.status << std::endl;
        } else if (request) {
            response = Serve(initiator, *request);
            log << DescribeRequest(*request) << " -> " << response.code << std::endl;
        } else {
            response.code = kBadRequest;
            response.lines.push_back("malformed request");
            log << "malformed request of " << bytes.size() << " bytes" << std::endl;
        }
        SendAll(client, wire::FormatResponse(response));
        close(client);
    }
    close(listener);
    log << "stopped" << std::endl;
    return 0;
}
