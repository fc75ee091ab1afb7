// One run of the command-line client against the appliances: the sockets, a
// discovery pass, and the selection of the appliance named on the command
// line — the same steps the main dialog takes before any request.
#pragma once

#include <optional>
#include <string>

#include "protocol/core/device_protocol.h"
#include "tools/cli/cli_environment.h"
#include "tools/cli/cli_report.h"

namespace norvale::cli {

class ApplianceSession {
public:
    ApplianceSession(CliEnvironment& env, Reporter& report);
    ~ApplianceSession();
    ApplianceSession(const ApplianceSession&) = delete;
    ApplianceSession& operator=(const ApplianceSession&) = delete;

    // Opens the sockets and runs the first discovery pass. nullopt on
    // success, else the exit code (the message is already reported).
    std::optional<ExitCode> Start();

    // A new discovery pass; the selection text stays as it is.
    void Rediscover();

    // Selects the appliance that answered from `ipText`, as a click on its
    // row would. nullopt on success, else NoSuchAppliance (reported).
    std::optional<ExitCode> Select(const std::wstring& ipText);

    DeviceProtocol& Protocol() { return protocol_; }
    const DeviceRecord* Selected() const { return protocol_.FindSelected(); }

private:
    Reporter& report_;
    DeviceProtocol protocol_;
    bool open_ = false;
};

// The appliance address given on the command line as canonical dotted text
// ("010.0.0.5" names 10.0.0.5), or nullopt when it is not a dotted quad.
std::optional<std::wstring> ParseApplianceAddress(const std::string& typed);

// Said when ParseApplianceAddress fails. The text is not echoed: what stands
// there may be a password typed in the wrong place.
inline constexpr wchar_t kNotAnApplianceAddress[] =
    L"the appliance address is not an IPv4 address like 192.168.0.50";

}  // namespace norvale::cli
