// SocketPort over BSD sockets, for the host builds (CLI, integration tests).
//
// A receiver is two sockets behind one handle:
//  - a wildcard socket bound to 0.0.0.0:port that joined the group on the
//    interface; Linux hands a multicast datagram to every such socket of the
//    port, so it keeps only those whose IP_PKTINFO names its own interface and
//    whose destination is the group;
//  - a socket bound to the interface address itself, which the kernel prefers
//    over every wildcard socket for unicast to that address, so unicast
//    reaches this receiver and no other one sharing the port.
// WaitReadable reads and drops the datagrams that belong elsewhere, so a
// receiver only ever reports a datagram that Receive then returns.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/core/socket_port.h"

namespace norvale {

class PosixSocketPort final : public SocketPort {
public:
    PosixSocketPort() = default;
    ~PosixSocketPort() override;
    PosixSocketPort(const PosixSocketPort&) = delete;
    PosixSocketPort& operator=(const PosixSocketPort&) = delete;

    bool Startup() override { return true; }
    void Cleanup() override {}

    // IPv4 addresses of the interfaces that are up and not loopback, in the
    // order getifaddrs lists them; an empty list when there is none, nullopt
    // when getifaddrs itself fails.
    std::optional<std::vector<std::string>> LocalAddresses() override;
    // Every IPv4 address with its interface's name and kind, up or not.
    std::optional<std::vector<LocalInterface>> LocalInterfaces() override;
    int LastOpenError() const override { return lastOpenError_; }

    SocketHandle OpenSender(const std::string& localAddress) override;
    SocketHandle OpenReceiver(const std::string& localAddress, const std::string& group,
                              std::uint16_t port) override;

    bool SendTo(SocketHandle sender, const std::uint8_t* data, std::size_t size,
                const std::string& group, std::uint16_t port) override;
    bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) override;
    std::vector<SocketHandle> WaitAnyReadable(const std::vector<SocketHandle>& sockets,
                                              std::chrono::milliseconds timeout) override;
    int Receive(SocketHandle socket, std::uint8_t* buffer, std::size_t capacity) override;

    void Close(SocketHandle socket) override;

private:
    int lastOpenError_ = 0;
    struct Receiver {
        int unicastFd = -1;          // bound to the interface address; may be -1
        unsigned interfaceIndex = 0; // kernel index of the interface
        std::uint32_t localAddress = 0;  // network byte order
        std::uint32_t group = 0;         // network byte order
        std::optional<std::vector<std::uint8_t>> held;  // accepted, not yet read
        bool heldFailure = false;        // the last read failed: Receive reports -1
    };

    // Reads one datagram from fd into `receiver.held` when it belongs to the
    // receiver. Returns false when nothing was accepted.
    bool ReadOne(int fd, bool wildcard, Receiver& receiver);

    std::map<SocketHandle, Receiver> receivers_;
};

}  // namespace norvale
