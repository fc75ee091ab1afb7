// SocketPort over Winsock. Startup asks for Winsock 1.1, as the product always
// has; the interfaces come from GetAdaptersAddresses (XP and later), the
// address list from gethostname + gethostbyname where that is missing.
//
// A receiver is two sockets behind one handle, for the same reason as on the
// host: a socket bound to 0.0.0.0 that joined the group on the interface and
// reads the arrival interface with WSARecvMsg/IP_PKTINFO (a socket bound to a
// unicast address sees no multicast under Wine, which maps to Linux sockets),
// and a socket bound to the interface address, which alone is picked for
// unicast to that address when several receivers share the port.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/core/socket_port.h"

namespace norvale::win32 {

class WinsockSocketPort final : public SocketPort {
public:
    WinsockSocketPort() = default;
    ~WinsockSocketPort() override;
    WinsockSocketPort(const WinsockSocketPort&) = delete;
    WinsockSocketPort& operator=(const WinsockSocketPort&) = delete;

    bool Startup() override;
    void Cleanup() override;

    std::optional<std::vector<std::string>> LocalAddresses() override;
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
    struct Receiver {
        SocketHandle unicast = kNoSocket;  // bound to the interface address
        unsigned long interfaceIndex = 0;  // as IP_PKTINFO reports it
        std::uint32_t localAddress = 0;    // network byte order
        std::uint32_t group = 0;           // network byte order
        std::optional<std::vector<std::uint8_t>> held;
        bool heldFailure = false;
    };

    bool ReadOne(SocketHandle socket, bool wildcard, Receiver& receiver);

    std::map<SocketHandle, Receiver> receivers_;
    void* recvMsg_ = nullptr;  // LPFN_WSARECVMSG, looked up once per startup
    int lastOpenError_ = 0;
};

}  // namespace norvale::win32
