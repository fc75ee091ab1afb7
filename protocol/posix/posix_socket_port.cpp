#include "protocol/posix/posix_socket_port.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cerrno>
#include <cstring>

namespace norvale {
namespace {

// Largest UDP payload; a datagram is read whole, then cut to the caller's buffer.
constexpr std::size_t kMaxDatagram = 65536;
// Foreign datagrams dropped by one non-waiting WaitReadable before it gives up,
// so a flood cannot hold a zero-timeout poll forever.
constexpr int kMaxDropsPerPoll = 256;

std::optional<in_addr> ParseAddress(const std::string& text) {
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1) return std::nullopt;
    return address;
}

// Kernel index of the interface that carries this IPv4 address; 0 when none does.
unsigned InterfaceIndexOf(in_addr address) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return 0;
    unsigned index = 0;
    for (const ifaddrs* entry = list; entry != nullptr && index == 0; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (ipv4->sin_addr.s_addr == address.s_addr) index = if_nametoindex(entry->ifa_name);
    }
    freeifaddrs(list);
    return index;
}

int OpenUdpSocket() { return socket(AF_INET, SOCK_DGRAM, 0); }

bool SetByteOption(int fd, int level, int name, unsigned char value) {
    return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

bool SetIntOption(int fd, int level, int name, int value) {
    return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

bool Bind(int fd, in_addr address, std::uint16_t port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = address;
    local.sin_port = htons(port);
    return bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

// The multicast half of a receiver: every datagram of the port, tagged with its
// arrival interface and destination.
int OpenWildcardReceiver(in_addr localAddress, in_addr group, std::uint16_t port) {
    const int fd = OpenUdpSocket();
    if (fd < 0) return -1;
    ip_mreq membership{};
    membership.imr_multiaddr = group;
    membership.imr_interface = localAddress;
    const bool ready = SetIntOption(fd, SOL_SOCKET, SO_REUSEADDR, 1) &&
                       Bind(fd, in_addr{htonl(INADDR_ANY)}, port) &&
                       SetIntOption(fd, IPPROTO_IP, IP_PKTINFO, 1) &&
                       setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership,
                                  sizeof membership) == 0 &&
                       SetByteOption(fd, IPPROTO_IP, IP_MULTICAST_LOOP, 0);
    if (!ready) {
        close(fd);
        return -1;
    }
#ifdef IP_MULTICAST_ALL
    // Only the groups this socket joined, not every group of the host.
    SetIntOption(fd, IPPROTO_IP, IP_MULTICAST_ALL, 0);
#endif
    return fd;
}

// The unicast half: bound to the address itself, which outranks every wildcard
// socket of the port when the kernel picks the socket for a unicast datagram.
int OpenUnicastReceiver(in_addr localAddress, std::uint16_t port) {
    const int fd = OpenUdpSocket();
    if (fd < 0) return -1;
    if (!SetIntOption(fd, SOL_SOCKET, SO_REUSEADDR, 1) || !Bind(fd, localAddress, port)) {
        close(fd);
        return -1;
    }
    return fd;
}

// Linux names its adapters by kind (systemd's and the kernel's customs).
AdapterKind KindOfLinuxInterface(const std::string& name) {
    const auto starts = [&name](const char* prefix) { return name.rfind(prefix, 0) == 0; };
    if (starts("wl")) return AdapterKind::Wireless;
    if (starts("tun") || starts("tap") || starts("wg") || starts("ppp") || starts("ipip")) return AdapterKind::Tunnel;
    if (starts("docker") || starts("virbr") || starts("veth") || starts("br-") || starts("vmnet") ||
        starts("vboxnet"))
        return AdapterKind::Virtual;
    return AdapterKind::Ethernet;
}

}  // namespace

PosixSocketPort::~PosixSocketPort() {
    while (!receivers_.empty()) Close(receivers_.begin()->first);
}

std::optional<std::vector<std::string>> PosixSocketPort::LocalAddresses() {
    const std::optional<std::vector<LocalInterface>> interfaces = LocalInterfaces();
    if (!interfaces) return std::nullopt;
    std::vector<std::string> addresses;
    for (const LocalInterface& entry : *interfaces) {
        if (entry.up && entry.kind != AdapterKind::Loopback) addresses.push_back(entry.address);
    }
    return addresses;
}

std::optional<std::vector<LocalInterface>> PosixSocketPort::LocalInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::vector<LocalInterface> interfaces;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        std::array<char, INET_ADDRSTRLEN> text{};
        if (inet_ntop(AF_INET, &ipv4->sin_addr, text.data(), text.size()) == nullptr) continue;
        LocalInterface found;
        found.address = text.data();
        const std::string name = entry->ifa_name != nullptr ? entry->ifa_name : "";
        found.adapterName.assign(name.begin(), name.end());
        found.kind = (entry->ifa_flags & IFF_LOOPBACK) != 0 ? AdapterKind::Loopback : KindOfLinuxInterface(name);
        found.up = (entry->ifa_flags & IFF_UP) != 0;
        interfaces.push_back(std::move(found));
    }
    freeifaddrs(list);
    return interfaces;
}

SocketHandle PosixSocketPort::OpenSender(const std::string& localAddress) {
    lastOpenError_ = 0;
    const auto address = ParseAddress(localAddress);
    if (!address) {
        lastOpenError_ = EADDRNOTAVAIL;
        return kNoSocket;
    }
    const int fd = OpenUdpSocket();
    if (fd < 0) {
        lastOpenError_ = errno;
        return kNoSocket;
    }
    if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &*address, sizeof *address) != 0 ||
        !SetByteOption(fd, IPPROTO_IP, IP_MULTICAST_LOOP, 0)) {
        lastOpenError_ = errno;
        close(fd);
        return kNoSocket;
    }
    return fd;
}

SocketHandle PosixSocketPort::OpenReceiver(const std::string& localAddress,
                                           const std::string& group, std::uint16_t port) {
    lastOpenError_ = 0;
    const auto address = ParseAddress(localAddress);
    const auto groupAddress = ParseAddress(group);
    const unsigned interfaceIndex = address ? InterfaceIndexOf(*address) : 0;
    if (!groupAddress || interfaceIndex == 0) {
        lastOpenError_ = EADDRNOTAVAIL;
        return kNoSocket;
    }
    const int fd = OpenWildcardReceiver(*address, *groupAddress, port);
    if (fd < 0) {
        lastOpenError_ = errno;
        return kNoSocket;
    }
    Receiver receiver;
    receiver.unicastFd = OpenUnicastReceiver(*address, port);
    receiver.interfaceIndex = interfaceIndex;
    receiver.localAddress = address->s_addr;
    receiver.group = groupAddress->s_addr;
    receivers_[fd] = std::move(receiver);
    return fd;
}

bool PosixSocketPort::SendTo(SocketHandle sender, const std::uint8_t* data, std::size_t size,
                             const std::string& group, std::uint16_t port) {
    const auto groupAddress = ParseAddress(group);
    if (sender == kNoSocket || !groupAddress) return false;
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr = *groupAddress;
    destination.sin_port = htons(port);
    const ssize_t sent = sendto(static_cast<int>(sender), data, size, 0,
                                reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    return sent == static_cast<ssize_t>(size);
}

bool PosixSocketPort::ReadOne(int fd, bool wildcard, Receiver& receiver) {
    std::vector<std::uint8_t> datagram(kMaxDatagram);
    iovec part{datagram.data(), datagram.size()};
    alignas(cmsghdr) std::array<unsigned char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    const ssize_t size = recvmsg(fd, &message, MSG_DONTWAIT);
    if (size < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
        receiver.heldFailure = true;
        return true;
    }
    if (wildcard) {
        const in_pktinfo* info = nullptr;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                info = reinterpret_cast<const in_pktinfo*>(CMSG_DATA(header));
            }
        }
        if (info == nullptr || info->ipi_ifindex != static_cast<int>(receiver.interfaceIndex)) {
            return false;
        }
        const std::uint32_t destination = info->ipi_addr.s_addr;
        // Unicast to our address lands here only when the bound half is missing;
        // the kernel gives a unicast datagram to one socket alone, so no copy.
        const bool ours = destination == receiver.group ||
                          destination == receiver.localAddress;
        if (!ours) return false;
    }
    datagram.resize(static_cast<std::size_t>(size));
    receiver.held = std::move(datagram);
    return true;
}

bool PosixSocketPort::WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
    if (socket == kNoSocket) return false;
    const auto found = receivers_.find(socket);
    if (found == receivers_.end()) {
        pollfd entry{static_cast<int>(socket), POLLIN, 0};
        return poll(&entry, 1, static_cast<int>(timeout.count())) > 0;
    }
    Receiver& receiver = found->second;
    if (receiver.held || receiver.heldFailure) return true;

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int drops = 0;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        std::array<pollfd, 2> entries{pollfd{static_cast<int>(socket), POLLIN, 0},
                                      pollfd{receiver.unicastFd, POLLIN, 0}};
        const nfds_t count = receiver.unicastFd >= 0 ? 2 : 1;
        const int waitMs = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        if (poll(entries.data(), count, waitMs) <= 0) return false;
        for (nfds_t i = 0; i < count; ++i) {
            if ((entries[i].revents & (POLLIN | POLLERR)) == 0) continue;
            if (ReadOne(entries[i].fd, i == 0, receiver)) return true;
            ++drops;
        }
        if (left.count() <= 0 && drops >= kMaxDropsPerPoll) return false;
    }
}

std::vector<SocketHandle> PosixSocketPort::WaitAnyReadable(const std::vector<SocketHandle>& sockets,
                                                            std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // Receivers holding a datagram already are ready; every other
        // socket joins one poll.
        std::vector<SocketHandle> ready;
        std::vector<pollfd> entries;
        std::vector<std::pair<SocketHandle, bool>> owners;  // handle, wildcard socket of a receiver
        for (const SocketHandle socket : sockets) {
            if (socket == kNoSocket) continue;
            const auto found = receivers_.find(socket);
            if (found == receivers_.end()) {
                entries.push_back(pollfd{static_cast<int>(socket), POLLIN, 0});
                owners.emplace_back(socket, false);
                continue;
            }
            if (found->second.held || found->second.heldFailure) {
                ready.push_back(socket);
                continue;
            }
            entries.push_back(pollfd{static_cast<int>(socket), POLLIN, 0});
            owners.emplace_back(socket, true);
            if (found->second.unicastFd >= 0) {
                entries.push_back(pollfd{found->second.unicastFd, POLLIN, 0});
                owners.emplace_back(socket, false);
            }
        }
        if (!ready.empty() || entries.empty()) return ready;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int waitMs = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        if (poll(entries.data(), static_cast<nfds_t>(entries.size()), waitMs) <= 0) return {};
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if ((entries[i].revents & (POLLIN | POLLERR)) == 0) continue;
            const SocketHandle owner = owners[i].first;
            const auto found = receivers_.find(owner);
            // A receiver holds one datagram at a time; its other socket waits.
            const bool readable = found == receivers_.end() || found->second.held || found->second.heldFailure ||
                                  ReadOne(entries[i].fd, owners[i].second, found->second);
            if (readable && std::find(ready.begin(), ready.end(), owner) == ready.end()) ready.push_back(owner);
        }
        if (!ready.empty()) {
            // In the order asked for.
            std::vector<SocketHandle> ordered;
            for (const SocketHandle socket : sockets) {
                if (std::find(ready.begin(), ready.end(), socket) != ready.end()) ordered.push_back(socket);
            }
            return ordered;
        }
        // Only foreign datagrams, dropped: wait on for what is left.
        if (left.count() <= 0) return {};
    }
}

int PosixSocketPort::Receive(SocketHandle socket, std::uint8_t* buffer, std::size_t capacity) {
    if (socket == kNoSocket) return -1;
    const auto found = receivers_.find(socket);
    if (found == receivers_.end()) {
        const ssize_t size = recv(static_cast<int>(socket), buffer, capacity, MSG_DONTWAIT);
        return size < 0 ? -1 : static_cast<int>(size);
    }
    Receiver& receiver = found->second;
    if (!receiver.held && !receiver.heldFailure) WaitReadable(socket, std::chrono::milliseconds{0});
    if (receiver.heldFailure) {
        receiver.heldFailure = false;
        return -1;
    }
    if (!receiver.held) return -1;
    const std::size_t size = std::min(receiver.held->size(), capacity);
    std::memcpy(buffer, receiver.held->data(), size);
    receiver.held.reset();
    return static_cast<int>(size);
}

void PosixSocketPort::Close(SocketHandle socket) {
    if (socket == kNoSocket) return;
    const auto found = receivers_.find(socket);
    if (found != receivers_.end()) {
        if (found->second.unicastFd >= 0) close(found->second.unicastFd);
        receivers_.erase(found);
    }
    close(static_cast<int>(socket));
}

}  // namespace norvale
