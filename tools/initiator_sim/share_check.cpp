#include "tools/initiator_sim/share_check.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "tools/initiator_sim/sim_object.h"

namespace norvale::sim {

namespace {

constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kBadNetPath = 53;
constexpr std::uint32_t kUnexpectedNetError = 59;
constexpr std::uint32_t kBadNetName = 67;
constexpr std::uint32_t kLogonFailure = 1326;
constexpr std::uint32_t kAccountDisabled = 1331;
constexpr std::uint32_t kPasswordExpired = 1330;
// smbclient bounds its own connection; this bounds the whole run.
constexpr int kRunSeconds = 20;

struct Run {
    int status = -1;
    std::string output;
};

// smbclient without a shell; its answer within kRunSeconds, else killed.
Run RunSmbclient(const std::vector<std::string>& args, const std::string& password) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return {};
    const pid_t child = fork();
    if (child < 0) return {};
    if (child == 0) {
        dup2(pipeEnds[1], 1);
        dup2(pipeEnds[1], 2);
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        setenv("PASSWD", password.c_str(), 1);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    Run run;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(kRunSeconds);
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd waiting{pipeEnds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
            kill(child, SIGKILL);
            break;
        }
        const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        if (run.output.size() < 65536) run.output.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace

std::uint32_t Win32ErrorOfSmbclient(std::string_view output, int exitStatus) {
    struct Mapping {
        const char* status;
        std::uint32_t error;
    };
    // As the redirector reports the server's verdicts to WNetAddConnection2.
    static const Mapping kMappings[] = {
        {"NT_STATUS_LOGON_FAILURE", kLogonFailure},       {"NT_STATUS_WRONG_PASSWORD", kLogonFailure},
        {"NT_STATUS_NO_SUCH_USER", kLogonFailure},        {"NT_STATUS_ACCOUNT_DISABLED", kAccountDisabled},
        {"NT_STATUS_PASSWORD_EXPIRED", kPasswordExpired}, {"NT_STATUS_ACCESS_DENIED", kAccessDenied},
        {"NT_STATUS_BAD_NETWORK_NAME", kBadNetName},      {"NT_STATUS_CONNECTION_REFUSED", kBadNetPath},
        {"NT_STATUS_HOST_UNREACHABLE", kBadNetPath},      {"NT_STATUS_NETWORK_UNREACHABLE", kBadNetPath},
        {"NT_STATUS_IO_TIMEOUT", kBadNetPath},            {"NT_STATUS_BAD_NETWORK_PATH", kBadNetPath},
    };
    for (const Mapping& mapping : kMappings) {
        if (output.find(mapping.status) != std::string_view::npos) return mapping.error;
    }
    return exitStatus == 0 ? 0 : kUnexpectedNetError;
}

ShareVerdict ShareCheck::Check(const std::string& remote, const std::string& user, const std::string& password) const {
    // "\\SERVER\SHARE", one share deep: the redirector connects to shares only.
    if (remote.size() < 5 || remote.compare(0, 2, "\\\\") != 0) return {kBadNetPath, "not a UNC name"};
    const std::size_t slash = remote.find('\\', 2);
    if (slash == std::string::npos || slash == 2 || slash + 1 == remote.size() ||
        remote.find('\\', slash + 1) != std::string::npos)
        return {kBadNetName, "not \\\\server\\share"};
    const std::string server = remote.substr(2, slash - 2);
    const std::string share = remote.substr(slash + 1);
    std::string address;
    for (const ApplianceConfig& appliance : appliances_) {
        if (SameIgnoringCase(appliance.name, server) || appliance.address == server) address = appliance.address;
    }
    if (address.empty()) return {kBadNetPath, "no such server"};
    if (share.find_first_of("/%\"") != std::string::npos) return {kBadNetName, "no such share"};
    std::vector<std::string> args = {"smbclient", "//" + address + "/" + share, "-t", "10", "-c", "exit"};
    if (user.empty() && password.empty()) {
        args.push_back("-N");
    } else {
        args.insert(args.end(), {"-U", user});
        if (password.empty()) args.push_back("-N");
    }
    const Run run = RunSmbclient(args, password);
    const std::uint32_t error = Win32ErrorOfSmbclient(run.output, run.status);
    const std::size_t at = run.output.find("NT_STATUS_");
    std::string status = at == std::string::npos ? (error == 0 ? "OK" : "exit " + std::to_string(run.status))
                                                  : run.output.substr(at, run.output.find_first_of(" )\n", at) - at);
    return {error, status};
}

}  // namespace norvale::sim
