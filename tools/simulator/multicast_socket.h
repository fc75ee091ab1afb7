// The appliance side of the transport: one socket that hears the protocol
// port on every interface (with the arrival interface and destination of each
// datagram), and one sender per appliance address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/simulator/wire_format.h"

namespace norvale::sim {

struct Arrival {
    Bytes data;
    unsigned interfaceIndex = 0;
    std::string destination;  // dotted text
    std::string source;       // "a.b.c.d:port"
};

class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket();
    Socket(Socket&& other) noexcept : fd_(other.Release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int Fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

class ProtocolListener {
public:
    // 0.0.0.0:13579 with IP_PKTINFO.
    bool Open();
    // Joins the group on one interface; repeated joins are harmless.
    bool Join(unsigned interfaceIndex);
    int Fd() const { return socket_.Fd(); }
    // One datagram if one is queued, without waiting.
    std::optional<Arrival> ReceiveOne();

private:
    Socket socket_;
};

// Sends to 224.0.0.1:13579 from one appliance address, multicast loop-back off
// so the appliances of one process do not hear each other.
class ReplySender {
public:
    bool Open(const std::string& address);
    bool Send(const Bytes& datagram);

private:
    Socket socket_;
};

}  // namespace norvale::sim
