#include "tools/simulator/net_interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "tools/simulator/wire_format.h"

extern char** environ;

namespace norvale::sim {
namespace {

constexpr auto kCommandLimit = std::chrono::seconds(5);

bool RunCommand(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + kCommandLimit;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

unsigned InterfaceIndex(const std::string& name) { return if_nametoindex(name.c_str()); }

std::string InterfaceName(unsigned index) {
    char name[IF_NAMESIZE] = {};
    if (if_indextoname(index, name) == nullptr) return std::to_string(index);
    return name;
}

bool InterfaceHasAddress(const std::string& name, const std::string& address) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool found = false;
    for (const ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text);
        found = name == entry->ifa_name && address == text;
    }
    freeifaddrs(list);
    return found;
}

int PrefixLength(const std::string& netmask) {
    const auto octets = ParseIpv4(netmask).value_or(std::array<std::uint8_t, 4>{255, 255, 255, 0});
    int length = 0;
    for (std::uint8_t octet : octets) {
        for (int bit = 7; bit >= 0 && (octet >> bit & 1) != 0; --bit) ++length;
        if (octet != 0xff) break;
    }
    return length;
}

bool AddInterfaceAddress(const std::string& name, const std::string& address,
                         const std::string& netmask) {
    if (InterfaceHasAddress(name, address)) return true;
    return RunCommand({"ip", "addr", "add", address + "/" + std::to_string(PrefixLength(netmask)),
                       "dev", name}) &&
           InterfaceHasAddress(name, address);
}

}  // namespace norvale::sim
