#include "tools/simulator/multicast_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace norvale::sim {
namespace {

constexpr std::size_t kMaxDatagram = 65536;

bool SetInt(int fd, int level, int name, int value) {
    return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

std::string Dotted(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

sockaddr_in SocketAddress(in_addr address, std::uint16_t port) {
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_addr = address;
    out.sin_port = htons(port);
    return out;
}

}  // namespace

Socket::~Socket() {
    if (fd_ >= 0) close(fd_);
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = other.Release();
    }
    return *this;
}

bool ProtocolListener::Open() {
    Socket socket(::socket(AF_INET, SOCK_DGRAM, 0));
    if (!socket.IsOpen()) return false;
    in_addr any{htonl(INADDR_ANY)};
    const sockaddr_in local = SocketAddress(any, kProtocolPort);
    if (!SetInt(socket.Fd(), SOL_SOCKET, SO_REUSEADDR, 1) ||
        !SetInt(socket.Fd(), IPPROTO_IP, IP_PKTINFO, 1) ||
        bind(socket.Fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return false;
    }
    socket_ = std::move(socket);
    return true;
}

bool ProtocolListener::Join(unsigned interfaceIndex) {
    ip_mreqn membership{};
    inet_pton(AF_INET, kProtocolGroup, &membership.imr_multiaddr);
    membership.imr_ifindex = static_cast<int>(interfaceIndex);
    if (setsockopt(socket_.Fd(), IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) == 0) {
        return true;
    }
    return errno == EADDRINUSE;  // joined already
}

std::optional<Arrival> ProtocolListener::ReceiveOne() {
    Arrival arrival;
    arrival.data.resize(kMaxDatagram);
    iovec part{arrival.data.data(), arrival.data.size()};
    alignas(cmsghdr) std::array<unsigned char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    sockaddr_in from{};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    const ssize_t size = recvmsg(socket_.Fd(), &message, MSG_DONTWAIT);
    if (size < 0) return std::nullopt;
    arrival.data.resize(static_cast<std::size_t>(size));
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            const auto* info = reinterpret_cast<const in_pktinfo*>(CMSG_DATA(header));
            arrival.interfaceIndex = static_cast<unsigned>(info->ipi_ifindex);
            arrival.destination = Dotted(info->ipi_addr);
        }
    }
    arrival.source = Dotted(from.sin_addr) + ":" + std::to_string(ntohs(from.sin_port));
    return arrival;
}

bool ReplySender::Open(const std::string& address) {
    in_addr local{};
    if (inet_pton(AF_INET, address.c_str(), &local) != 1) return false;
    Socket socket(::socket(AF_INET, SOCK_DGRAM, 0));
    if (!socket.IsOpen()) return false;
    const unsigned char loop = 0;
    const sockaddr_in bound = SocketAddress(local, 0);
    if (bind(socket.Fd(), reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
        setsockopt(socket.Fd(), IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0 ||
        setsockopt(socket.Fd(), IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0) {
        return false;
    }
    socket_ = std::move(socket);
    return true;
}

bool ReplySender::Send(const Bytes& datagram) {
    if (!socket_.IsOpen()) return false;
    in_addr group{};
    inet_pton(AF_INET, kProtocolGroup, &group);
    const sockaddr_in destination = SocketAddress(group, kProtocolPort);
    return sendto(socket_.Fd(), datagram.data(), datagram.size(), 0,
                  reinterpret_cast<const sockaddr*>(&destination),
                  sizeof destination) == static_cast<ssize_t>(datagram.size());
}

}  // namespace norvale::sim
