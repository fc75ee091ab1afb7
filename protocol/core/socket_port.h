// The datagram sockets of the device protocol, one sender and one receiver per
// local IPv4 address. The port sits just above the socket calls: the platform
// decides how a receiver sees multicast that arrives on its interface (a
// wildcard bind with the arrival interface read from IP_PKTINFO is what works
// on Linux and under Winsock alike), the logic decides what to send and when.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "protocol/core/local_interface.h"

namespace norvale {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

class SocketPort {
public:
    virtual ~SocketPort() = default;

    // WSAStartup 1.1 / WSACleanup; trivially true on POSIX.
    virtual bool Startup() = 0;
    virtual void Cleanup() = 0;

    // The PC's IPv4 addresses as dotted text, in the order the host-name lookup
    // lists them; nullopt when that lookup fails.
    virtual std::optional<std::vector<std::string>> LocalAddresses() = 0;
    // The same with each address's adapter, as the system lists its adapters
    // (every address of every adapter, up or not); nullopt when it cannot be
    // read. Where only the host-name lookup exists, its addresses.
    virtual std::optional<std::vector<LocalInterface>> LocalInterfaces() {
        std::optional<std::vector<std::string>> addresses = LocalAddresses();
        if (!addresses) return std::nullopt;
        std::vector<LocalInterface> interfaces;
        for (std::string& address : *addresses) interfaces.push_back(LocalInterface{std::move(address), {}});
        return interfaces;
    }
    // The system's error code of the last socket that could not be made
    // (WSAGetLastError, errno); 0 where none is known.
    virtual int LastOpenError() const { return 0; }

    // A UDP socket that sends multicast out of the interface with this address,
    // with multicast loop-back off. kNoSocket when it cannot be made.
    virtual SocketHandle OpenSender(const std::string& localAddress) = 0;
    // A UDP socket that delivers every datagram for `port` that arrives on the
    // interface with this address, sent to `group` or to the address itself,
    // with multicast loop-back off. kNoSocket when it cannot be made.
    virtual SocketHandle OpenReceiver(const std::string& localAddress, const std::string& group,
                                      std::uint16_t port) = 0;

    // Sends one datagram to group:port out of the sender's interface.
    virtual bool SendTo(SocketHandle sender, const std::uint8_t* data, std::size_t size,
                        const std::string& group, std::uint16_t port) = 0;
    // select() on one socket: true when a datagram (or an error) is ready
    // within `timeout` (zero: answer at once).
    virtual bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) = 0;
    // The same on several at once: the sockets that are ready once the first
    // of them is (within `timeout`), in the order given; empty when none is.
    // kNoSocket entries never are.
    virtual std::vector<SocketHandle> WaitAnyReadable(const std::vector<SocketHandle>& sockets,
                                                      std::chrono::milliseconds timeout) = 0;
    // Reads one datagram; the number of bytes, or -1 for a failed read.
    virtual int Receive(SocketHandle socket, std::uint8_t* buffer, std::size_t capacity) = 0;

    virtual void Close(SocketHandle socket) = 0;
};

}  // namespace norvale
