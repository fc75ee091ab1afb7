#include "tools/simulator/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace norvale::sim {
namespace {

constexpr std::size_t kMaxConnections = 16;
constexpr std::size_t kMaxRequest = 4096;
constexpr std::chrono::milliseconds kConnectionLimit{2000};

bool Revents(const std::vector<pollfd>& entries, int fd) {
    for (const pollfd& entry : entries) {
        if (entry.fd == fd) return (entry.revents & (POLLIN | POLLERR | POLLHUP)) != 0;
    }
    return false;
}

void SendAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace

bool HttpServer::Open(const std::string& address, std::uint16_t port, std::string title) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) return false;
    Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
    const int reuse = 1;
    if (!socket.IsOpen() ||
        setsockopt(socket.Fd(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
        bind(socket.Fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        listen(socket.Fd(), 8) != 0) {
        return false;
    }
    listener_ = std::move(socket);
    title_ = std::move(title);
    return true;
}

void HttpServer::AddPollEntries(std::vector<pollfd>& entries) const {
    if (!listener_.IsOpen()) return;
    entries.push_back(pollfd{listener_.Fd(), POLLIN, 0});
    for (const Connection& connection : connections_) {
        entries.push_back(pollfd{connection.socket.Fd(), POLLIN, 0});
    }
}

void HttpServer::Service(const std::vector<pollfd>& entries, std::chrono::milliseconds now) {
    if (!listener_.IsOpen()) return;
    for (Connection& connection : connections_) {
        if (!Revents(entries, connection.socket.Fd())) continue;
        char chunk[1024];
        const ssize_t n = recv(connection.socket.Fd(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (n <= 0) {
            connection.deadline = now;  // closed by the peer
            continue;
        }
        connection.request.append(chunk, static_cast<std::size_t>(n));
        if (connection.request.find("\r\n\r\n") != std::string::npos ||
            connection.request.size() >= kMaxRequest) {
            Answer(connection);
            connection.deadline = now;
        }
    }
    connections_.erase(std::remove_if(connections_.begin(), connections_.end(),
                                      [now](const Connection& c) { return c.deadline <= now; }),
                       connections_.end());
    if (!Revents(entries, listener_.Fd())) return;
    for (;;) {
        const int fd = accept4(listener_.Fd(), nullptr, nullptr, SOCK_NONBLOCK);
        if (fd < 0) break;
        if (connections_.size() >= kMaxConnections) {
            close(fd);
            continue;
        }
        connections_.push_back(Connection{Socket(fd), {}, now + kConnectionLimit});
    }
}

void HttpServer::Answer(Connection& connection) {
    const std::string& request = connection.request;
    const bool root = request.rfind("GET / ", 0) == 0 || request.rfind("HEAD / ", 0) == 0;
    const std::string body =
        root ? "<html><head><title>" + title_ + "</title></head><body>" + title_ +
                   " configuration</body></html>\n"
             : "not found\n";
    const std::string head = std::string("HTTP/1.0 ") + (root ? "200 OK" : "404 Not Found") +
                             "\r\nContent-Type: text/html\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    const bool headOnly = request.rfind("HEAD ", 0) == 0;
    SendAll(connection.socket.Fd(), headOnly ? head : head + body);
}

}  // namespace norvale::sim
