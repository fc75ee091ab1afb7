// The appliance's web port for host tests, on real TCP: a listener on the
// loopback interface stands for the device's HTTP server, and the check
// really connects to it. Device addresses are routed to listener ports, so
// "http://192.168.1.20" reaches 127.0.0.1:<port>. Connecting to a listener
// completes in the kernel and a closed port refuses at once, so answers do
// not depend on timing.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "mainwindow/core/ports/http_check_port.h"

namespace norvale::test {

class LoopbackListener {
public:
    LoopbackListener();  // listens on 127.0.0.1 at a port of the system's choice
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool Listening() const { return socket_ >= 0; }
    int Port() const { return port_; }
    void Close();

private:
    int socket_ = -1;
    int port_ = 0;
};

class TcpHttpCheck final : public HttpCheckPort {
public:
    // Requests for http://<address> go to 127.0.0.1:<port>.
    void Route(const std::wstring& address, int port);
    // Every URL asked, in order (thread-safe).
    std::vector<std::wstring> Urls() const;
    int Connections() const { return connections_.load(); }

    bool CheckConnection(const std::wstring& url) override;

private:
    mutable std::mutex mutex_;
    std::map<std::wstring, int> routes_;
    std::vector<std::wstring> urls_;
    std::atomic<int> connections_{0};
};

}  // namespace norvale::test
