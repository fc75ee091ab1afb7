// netprobe: opens the product's socket port for every local address, sends a
// hand-built Discover on each interface and prints every datagram that each
// receiver delivers, so the integration scripts can see which interface heard
// what. Built for the host (POSIX port) and for Windows (Winsock port).
//
//   netprobe [--listen-ms N] [--no-send]
//
// Output, one line each:
//   local <index> <address>            (or "local none" / "local failed")
//   recv <index> type=<hex> len=<n> device=<a.b.c.d> client=<mine|other>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include "protocol/win32/winsock_socket_port.h"
using PlatformSocketPort = norvale::win32::WinsockSocketPort;
#else
#include "protocol/posix/posix_socket_port.h"
using PlatformSocketPort = norvale::PosixSocketPort;
#endif

namespace {

constexpr const char* kGroup = "224.0.0.1";
constexpr std::uint16_t kPort = 13579;

struct Options {
    int listenMs = 1500;
    bool send = true;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-send") == 0) {
            options.send = false;
        } else if (std::strcmp(argv[i], "--listen-ms") == 0 && i + 1 < argc) {
            options.listenMs = std::atoi(argv[++i]);
            if (options.listenMs < 0 || options.listenMs > 30000) options.listenMs = 1500;
        }
    }
    return options;
}

void PrintDatagram(std::size_t index, const std::uint8_t* data, int size,
                   const std::uint8_t* clientId) {
    char device[16] = "-";
    if (size >= 21) std::snprintf(device, sizeof device, "%u.%u.%u.%u", data[17], data[18], data[19], data[20]);
    const bool mine = size >= 7 && std::memcmp(data + 1, clientId, 6) == 0;
    std::printf("recv %zu type=%02x len=%d device=%s client=%s\n", index, size > 0 ? data[0] : 0,
                size, device, mine ? "mine" : "other");
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    PlatformSocketPort port;
    if (!port.Startup()) {
        std::printf("startup failed\n");
        return 1;
    }
    const auto addresses = port.LocalAddresses();
    if (!addresses) {
        std::printf("local failed\n");
        port.Cleanup();
        return 0;
    }
    if (addresses->empty()) std::printf("local none\n");

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    std::uint8_t discover[11] = {0x01};
    for (int i = 0; i < 6; ++i) discover[1 + i] = static_cast<std::uint8_t>(std::rand());

    std::vector<norvale::SocketHandle> senders;
    std::vector<norvale::SocketHandle> receivers;
    for (std::size_t i = 0; i < addresses->size(); ++i) {
        const std::string& address = (*addresses)[i];
        senders.push_back(port.OpenSender(address));
        receivers.push_back(port.OpenReceiver(address, kGroup, kPort));
        std::printf("local %zu %s%s%s\n", i, address.c_str(),
                    senders.back() == norvale::kNoSocket ? " no-sender" : "",
                    receivers.back() == norvale::kNoSocket ? " no-receiver" : "");
    }
    std::fflush(stdout);
    if (options.send) {
        for (norvale::SocketHandle sender : senders) port.SendTo(sender, discover, sizeof discover, kGroup, kPort);
    }

    std::vector<std::uint8_t> buffer(4097);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.listenMs);
    while (std::chrono::steady_clock::now() < end) {
        bool any = false;
        for (std::size_t i = 0; i < receivers.size(); ++i) {
            if (!port.WaitReadable(receivers[i], std::chrono::milliseconds(10))) continue;
            const int size = port.Receive(receivers[i], buffer.data(), 4096);
            if (size >= 0) PrintDatagram(i, buffer.data(), size, discover + 1);
            any = true;
        }
        if (receivers.empty() && !any) break;
    }
    std::printf("done\n");
    for (norvale::SocketHandle socket : senders) port.Close(socket);
    for (norvale::SocketHandle socket : receivers) port.Close(socket);
    port.Cleanup();
    return 0;
}
