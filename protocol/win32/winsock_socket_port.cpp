#include "protocol/win32/winsock_socket_port.h"

// Every receiver of a PC with many interfaces in one select(): two sockets
// each, and Winsock's own set holds 64.
#define FD_SETSIZE 512
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
#include <iphlpapi.h>
// clang-format on

#include <algorithm>
#include <array>
#include <cstring>

namespace norvale::win32 {
namespace {

// What is left until `deadline`, as select() takes it; `wait` gets it in
// microseconds (0 once the deadline has passed).
timeval LimitUntil(std::chrono::steady_clock::time_point deadline, long long& wait) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    wait = std::max<long long>(0, left.count());
    return timeval{static_cast<long>(wait / 1000000), static_cast<long>(wait % 1000000)};
}

constexpr std::size_t kMaxDatagram = 65536;
constexpr int kMaxDropsPerPoll = 256;

SOCKET AsSocket(SocketHandle handle) { return static_cast<SOCKET>(handle); }
SocketHandle AsHandle(SOCKET socket) {
    return socket == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(socket);
}

std::optional<in_addr> ParseAddress(const std::string& text) {
    const unsigned long value = inet_addr(text.c_str());
    if (value == INADDR_NONE && text != "255.255.255.255") return std::nullopt;
    in_addr address{};
    address.s_addr = value;
    return address;
}

// The interface index of a local address as IP_PKTINFO reports it; 0 when the
// address is not one of this PC's.
unsigned long InterfaceIndexOf(in_addr address) {
    ULONG size = 0;
    if (GetIpAddrTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER || size == 0) return 0;
    std::vector<unsigned char> storage(size);
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(storage.data());
    if (GetIpAddrTable(table, &size, FALSE) != NO_ERROR) return 0;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        if (table->table[i].dwAddr == address.s_addr) return table->table[i].dwIndex;
    }
    return 0;
}

bool SetByteOption(SOCKET socket, int level, int name, unsigned char value) {
    return setsockopt(socket, level, name, reinterpret_cast<const char*>(&value), 1) == 0;
}

bool SetIntOption(SOCKET socket, int level, int name, int value) {
    return setsockopt(socket, level, name, reinterpret_cast<const char*>(&value), sizeof value) ==
           0;
}

bool Bind(SOCKET socket, in_addr address, std::uint16_t port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = address;
    local.sin_port = htons(port);
    return bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

SOCKET OpenWildcardReceiver(in_addr localAddress, in_addr group, std::uint16_t port) {
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket == INVALID_SOCKET) return INVALID_SOCKET;
    ip_mreq membership{};
    membership.imr_multiaddr = group;
    membership.imr_interface = localAddress;
    in_addr any{};
    any.s_addr = htonl(INADDR_ANY);
    const bool ready = SetIntOption(socket, SOL_SOCKET, SO_REUSEADDR, 1) &&
                       Bind(socket, any, port) &&
                       SetIntOption(socket, IPPROTO_IP, IP_PKTINFO, 1) &&
                       setsockopt(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP,
                                  reinterpret_cast<const char*>(&membership),
                                  sizeof membership) == 0 &&
                       SetByteOption(socket, IPPROTO_IP, IP_MULTICAST_LOOP, 0);
    if (!ready) {
        const int error = WSAGetLastError();
        closesocket(socket);
        WSASetLastError(error);
        return INVALID_SOCKET;
    }
    return socket;
}

SOCKET OpenUnicastReceiver(in_addr localAddress, std::uint16_t port) {
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket == INVALID_SOCKET) return INVALID_SOCKET;
    if (!SetIntOption(socket, SOL_SOCKET, SO_REUSEADDR, 1) || !Bind(socket, localAddress, port) ||
        !SetIntOption(socket, IPPROTO_IP, IP_PKTINFO, 1)) {
        closesocket(socket);
        return INVALID_SOCKET;
    }
    return socket;
}

LPFN_WSARECVMSG LookUpRecvMsg(SOCKET socket) {
    GUID id = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG function = nullptr;
    DWORD returned = 0;
    if (WSAIoctl(socket, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &function,
                 sizeof function, &returned, nullptr, nullptr) != 0) {
        return nullptr;
    }
    return function;
}

}  // namespace

WinsockSocketPort::~WinsockSocketPort() {
    while (!receivers_.empty()) Close(receivers_.begin()->first);
}

bool WinsockSocketPort::Startup() {
    WSADATA data{};
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void WinsockSocketPort::Cleanup() {
    WSACleanup();
    recvMsg_ = nullptr;
}

std::optional<std::vector<std::string>> WinsockSocketPort::LocalAddresses() {
    std::array<char, 128> hostName{};
    if (gethostname(hostName.data(), static_cast<int>(hostName.size())) != 0) return std::nullopt;
    hostName.back() = '\0';
    const hostent* host = gethostbyname(hostName.data());
    if (host == nullptr || host->h_addrtype != AF_INET) return std::nullopt;
    std::vector<std::string> addresses;
    for (char** entry = host->h_addr_list; entry != nullptr && *entry != nullptr; ++entry) {
        in_addr address{};
        std::memcpy(&address, *entry, sizeof address);
        addresses.emplace_back(inet_ntoa(address));
    }
    return addresses;
}

// GetAdaptersAddresses as iphlpapi.dll exports it from XP on; looked up, so
// that the program still starts on Windows 2000.
using GetAdaptersAddressesFunction = ULONG(WINAPI*)(ULONG, ULONG, void*, IP_ADAPTER_ADDRESSES*, ULONG*);

std::optional<std::vector<LocalInterface>> WinsockSocketPort::LocalInterfaces() {
    const HMODULE helper = GetModuleHandleW(L"iphlpapi.dll");
    const auto getAdapters = helper == nullptr ? nullptr
                                               : reinterpret_cast<GetAdaptersAddressesFunction>(
                                                     reinterpret_cast<void*>(GetProcAddress(helper, "GetAdaptersAddresses")));
    if (getAdapters == nullptr) return SocketPort::LocalInterfaces();
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The list may grow between the size query and the read: a few tries.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> storage;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        storage.assign(size, 0);
        result = getAdapters(AF_INET, kFlags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(storage.data()), &size);
    }
    if (result == ERROR_NO_DATA) return std::vector<LocalInterface>{};
    if (result != NO_ERROR) return SocketPort::LocalInterfaces();
    std::vector<LocalInterface> interfaces;
    for (const auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(storage.data()); adapter != nullptr;
         adapter = adapter->Next) {
        const std::wstring description = adapter->Description != nullptr ? adapter->Description : L"";
        const AdapterKind kind = ClassifyAdapter(adapter->IfType, description);
        for (const auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
            const sockaddr* socketAddress = unicast->Address.lpSockaddr;
            if (socketAddress == nullptr || socketAddress->sa_family != AF_INET) continue;
            const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(socketAddress);
            LocalInterface entry;
            entry.address = inet_ntoa(ipv4->sin_addr);
            entry.adapterName = adapter->FriendlyName != nullptr ? adapter->FriendlyName : description;
            entry.kind = kind;
            entry.up = adapter->OperStatus == IfOperStatusUp;
            interfaces.push_back(std::move(entry));
        }
    }
    return interfaces;
}

SocketHandle WinsockSocketPort::OpenSender(const std::string& localAddress) {
    lastOpenError_ = 0;
    const auto address = ParseAddress(localAddress);
    if (!address) {
        lastOpenError_ = WSAEADDRNOTAVAIL;
        return kNoSocket;
    }
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket == INVALID_SOCKET) {
        lastOpenError_ = WSAGetLastError();
        return kNoSocket;
    }
    if (setsockopt(socket, IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&*address),
                   sizeof *address) != 0 ||
        !SetByteOption(socket, IPPROTO_IP, IP_MULTICAST_LOOP, 0)) {
        lastOpenError_ = WSAGetLastError();
        closesocket(socket);
        return kNoSocket;
    }
    return AsHandle(socket);
}

SocketHandle WinsockSocketPort::OpenReceiver(const std::string& localAddress,
                                             const std::string& group, std::uint16_t port) {
    lastOpenError_ = 0;
    const auto address = ParseAddress(localAddress);
    const auto groupAddress = ParseAddress(group);
    // An address no interface has (gone since the table was read).
    const unsigned long interfaceIndex = address ? InterfaceIndexOf(*address) : 0;
    if (!groupAddress || interfaceIndex == 0) {
        lastOpenError_ = WSAEADDRNOTAVAIL;
        return kNoSocket;
    }
    const SOCKET socket = OpenWildcardReceiver(*address, *groupAddress, port);
    if (socket == INVALID_SOCKET) {
        lastOpenError_ = WSAGetLastError();
        return kNoSocket;
    }
    if (recvMsg_ == nullptr) recvMsg_ = reinterpret_cast<void*>(LookUpRecvMsg(socket));
    if (recvMsg_ == nullptr) {
        lastOpenError_ = WSAEOPNOTSUPP;
        closesocket(socket);
        return kNoSocket;
    }
    Receiver receiver;
    receiver.unicast = AsHandle(OpenUnicastReceiver(*address, port));
    receiver.interfaceIndex = interfaceIndex;
    receiver.localAddress = address->s_addr;
    receiver.group = groupAddress->s_addr;
    const SocketHandle handle = AsHandle(socket);
    receivers_[handle] = std::move(receiver);
    return handle;
}

bool WinsockSocketPort::SendTo(SocketHandle sender, const std::uint8_t* data, std::size_t size,
                               const std::string& group, std::uint16_t port) {
    const auto groupAddress = ParseAddress(group);
    if (sender == kNoSocket || !groupAddress) return false;
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr = *groupAddress;
    destination.sin_port = htons(port);
    const int sent = sendto(AsSocket(sender), reinterpret_cast<const char*>(data),
                            static_cast<int>(size), 0,
                            reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    return sent == static_cast<int>(size);
}

// Wine binds a socket given a unicast address to the wildcard address of that
// interface (SO_BINDTODEVICE), so the bound half hears the group too; both
// halves therefore read the destination and keep only their own datagrams.
bool WinsockSocketPort::ReadOne(SocketHandle socket, bool wildcard, Receiver& receiver) {
    std::vector<std::uint8_t> datagram(kMaxDatagram);
    WSABUF part{static_cast<ULONG>(datagram.size()), reinterpret_cast<char*>(datagram.data())};
    std::array<char, WSA_CMSG_SPACE(sizeof(IN_PKTINFO))> control{};
    WSAMSG message{};
    message.lpBuffers = &part;
    message.dwBufferCount = 1;
    message.Control.buf = control.data();
    message.Control.len = static_cast<ULONG>(control.size());
    DWORD size = 0;
    const auto recvMsg = reinterpret_cast<LPFN_WSARECVMSG>(recvMsg_);
    if (recvMsg(AsSocket(socket), &message, &size, nullptr, nullptr) != 0) {
        receiver.heldFailure = true;
        return true;
    }
    const IN_PKTINFO* info = nullptr;
    for (WSACMSGHDR* header = WSA_CMSG_FIRSTHDR(&message); header != nullptr;
         header = WSA_CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            info = reinterpret_cast<const IN_PKTINFO*>(WSA_CMSG_DATA(header));
        }
    }
    if (!wildcard) {
        // Without control data this is plain Winsock, where the bound socket
        // hears only its own address.
        if (info != nullptr && info->ipi_addr.s_addr != receiver.localAddress) return false;
    } else {
        if (info == nullptr || info->ipi_ifindex != receiver.interfaceIndex) return false;
        const std::uint32_t destination = info->ipi_addr.s_addr;
        const bool ours = destination == receiver.group ||
                          destination == receiver.localAddress;
        if (!ours) return false;
    }
    datagram.resize(size);
    receiver.held = std::move(datagram);
    return true;
}

bool WinsockSocketPort::WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
    if (socket == kNoSocket) return false;
    const auto found = receivers_.find(socket);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int drops = 0;
    for (;;) {
        long long wait = 0;
        timeval limit = LimitUntil(deadline, wait);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(AsSocket(socket), &readable);
        if (found == receivers_.end()) return select(0, &readable, nullptr, nullptr, &limit) > 0;

        Receiver& receiver = found->second;
        if (receiver.held || receiver.heldFailure) return true;
        if (receiver.unicast != kNoSocket) FD_SET(AsSocket(receiver.unicast), &readable);
        if (select(0, &readable, nullptr, nullptr, &limit) <= 0) return false;
        if (FD_ISSET(AsSocket(socket), &readable)) {
            if (ReadOne(socket, true, receiver)) return true;
            ++drops;
        }
        if (receiver.unicast != kNoSocket && FD_ISSET(AsSocket(receiver.unicast), &readable)) {
                if (ReadOne(receiver.unicast, false, receiver)) return true;
            ++drops;
        }
        if (wait == 0 && drops >= kMaxDropsPerPoll) return false;
    }
}

std::vector<SocketHandle> WinsockSocketPort::WaitAnyReadable(const std::vector<SocketHandle>& sockets,
                                                              std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // Receivers holding a datagram already are ready; every other
        // socket joins one select().
        std::vector<SocketHandle> ready;
        std::vector<std::pair<SOCKET, std::pair<SocketHandle, bool>>> members;  // socket, (owner, wildcard)
        for (const SocketHandle socket : sockets) {
            if (socket == kNoSocket) continue;
            const auto found = receivers_.find(socket);
            if (found != receivers_.end() && (found->second.held || found->second.heldFailure)) {
                ready.push_back(socket);
                continue;
            }
            members.push_back({AsSocket(socket), {socket, found != receivers_.end()}});
            if (found != receivers_.end() && found->second.unicast != kNoSocket) {
                members.push_back({AsSocket(found->second.unicast), {socket, false}});
            }
        }
        if (!ready.empty() || members.empty() || members.size() > FD_SETSIZE) return ready;
        long long wait = 0;
        timeval limit = LimitUntil(deadline, wait);
        fd_set readable;
        FD_ZERO(&readable);
        for (const auto& member : members) FD_SET(member.first, &readable);
        if (select(0, &readable, nullptr, nullptr, &limit) <= 0) return {};
        for (const auto& [handle, owner] : members) {
            if (!FD_ISSET(handle, &readable)) continue;
            const auto found = receivers_.find(owner.first);
            // A receiver holds one datagram at a time; its other socket waits.
            const bool accepted = found == receivers_.end() || found->second.held || found->second.heldFailure ||
                                  ReadOne(static_cast<SocketHandle>(handle), owner.second, found->second);
            if (accepted && std::find(ready.begin(), ready.end(), owner.first) == ready.end()) {
                ready.push_back(owner.first);
            }
        }
        if (!ready.empty()) {
            std::vector<SocketHandle> ordered;
            for (const SocketHandle socket : sockets) {
                if (std::find(ready.begin(), ready.end(), socket) != ready.end()) ordered.push_back(socket);
            }
            return ordered;
        }
        // Only foreign datagrams, dropped: wait on for what is left.
        if (wait <= 0) return {};
    }
}

int WinsockSocketPort::Receive(SocketHandle socket, std::uint8_t* buffer, std::size_t capacity) {
    if (socket == kNoSocket) return -1;
    const auto found = receivers_.find(socket);
    if (found == receivers_.end()) {
        return recv(AsSocket(socket), reinterpret_cast<char*>(buffer), static_cast<int>(capacity),
                    0);
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

void WinsockSocketPort::Close(SocketHandle socket) {
    if (socket == kNoSocket) return;
    const auto found = receivers_.find(socket);
    if (found != receivers_.end()) {
        if (found->second.unicast != kNoSocket) closesocket(AsSocket(found->second.unicast));
        receivers_.erase(found);
    }
    closesocket(AsSocket(socket));
}

}  // namespace norvale::win32
