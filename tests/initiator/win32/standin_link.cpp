#include "tests/initiator/win32/standin_link.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <vector>

namespace norvale::standin {
namespace {

constexpr DWORD kTimeoutMs = 15000;

class Winsock {
public:
    Winsock() { ready_ = ::WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~Winsock() {
        if (ready_) ::WSACleanup();
    }
    bool Ready() const { return ready_; }

private:
    WSADATA data_{};
    bool ready_ = false;
};

class Socket {
public:
    Socket() : socket_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~Socket() {
        if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET Get() const { return socket_; }

private:
    SOCKET socket_;
};

}  // namespace

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::optional<std::string> Endpoint(const wchar_t* keyPath) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t value[128] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);  // room for a terminator the value may lack
    DWORD type = 0;
    const LONG read = ::RegQueryValueExW(key, kEndpointValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    ::RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return ToUtf8(value);
}

std::optional<sim::wire::Response> Ask(const sim::wire::Request& request, const wchar_t* keyPath) {
    const std::optional<std::string> endpoint = Endpoint(keyPath);
    if (!endpoint) return std::nullopt;
    const std::size_t colon = endpoint->rfind(':');
    if (colon == std::string::npos) return std::nullopt;

    static Winsock winsock;
    if (!winsock.Ready()) return std::nullopt;
    Socket connection;
    if (connection.Get() == INVALID_SOCKET) return std::nullopt;
    const DWORD timeout = kTimeoutMs;
    ::setsockopt(connection.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(static_cast<u_short>(std::strtoul(endpoint->c_str() + colon + 1, nullptr, 10)));
    if (::inet_pton(AF_INET, endpoint->substr(0, colon).c_str(), &address.sin_addr) != 1) return std::nullopt;
    if (::connect(connection.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return std::nullopt;

    const std::string bytes = sim::wire::FormatRequest(request);
    for (std::size_t sent = 0; sent < bytes.size();) {
        const int n = ::send(connection.Get(), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return std::nullopt;
        sent += static_cast<std::size_t>(n);
    }
    std::string answer;
    std::vector<char> buffer(16384);
    while (answer.size() <= sim::wire::kMaxMessage) {
        const int n = ::recv(connection.Get(), buffer.data(), static_cast<int>(buffer.size()), 0);
        if (n <= 0) break;
        answer.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return sim::wire::ParseResponse(answer);
}

}  // namespace norvale::standin
