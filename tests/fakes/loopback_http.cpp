#include "tests/fakes/loopback_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>

namespace norvale::test {

namespace {

constexpr wchar_t kScheme[] = L"http://";
constexpr int kConnectTimeoutMs = 2000;

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool ConnectLoopback(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return false;
    ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL, 0) | O_NONBLOCK);
    const sockaddr_in address = Loopback(port);
    bool connected = ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd wait{s, POLLOUT, 0};
        if (::poll(&wait, 1, kConnectTimeoutMs) == 1) {
            int error = 0;
            socklen_t length = sizeof(error);
            connected = ::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
    }
    ::close(s);
    return connected;
}

}  // namespace

LoopbackListener::LoopbackListener() {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket_ < 0) return;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof(address);
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(socket_, 16) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        Close();
        return;
    }
    port_ = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() { Close(); }

void LoopbackListener::Close() {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
}

void TcpHttpCheck::Route(const std::wstring& address, int port) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[address] = port;
}

std::vector<std::wstring> TcpHttpCheck::Urls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return urls_;
}

bool TcpHttpCheck::CheckConnection(const std::wstring& url) {
    int port = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        urls_.push_back(url);
        const std::wstring scheme = kScheme;
        if (url.compare(0, scheme.size(), scheme) != 0) return false;
        const auto route = routes_.find(url.substr(scheme.size()));
        if (route == routes_.end()) return false;  // no such host on this network
        port = route->second;
    }
    if (!ConnectLoopback(port)) return false;
    ++connections_;
    return true;
}

}  // namespace norvale::test
