#include "tools/cli/appliance_session.h"

#include "platform/core/utf8.h"
#include "protocol/core/name_text.h"
#include "protocol/core/wire_text.h"

namespace norvale::cli {

ApplianceSession::ApplianceSession(CliEnvironment& env, Reporter& report)
    : report_(report), protocol_(env.sockets, env.clock, env.random) {}

ApplianceSession::~ApplianceSession() {
    if (open_) protocol_.CloseDeviceSockets(true);
}

std::optional<ExitCode> ApplianceSession::Start() {
    if (!protocol_.OpenDeviceSockets())
        return report_.Fail(ExitCode::SocketsUnavailable, L"the network sockets cannot be opened");
    open_ = true;
    Rediscover();
    return std::nullopt;
}

void ApplianceSession::Rediscover() {
    protocol_.DiscoverDevices(kDefaultSelector1, kDefaultSelector2);
}

std::optional<ExitCode> ApplianceSession::Select(const std::wstring& ipText) {
    const DeviceRecord* record = protocol_.Devices().Find(ipText);
    if (record == nullptr) {
        return report_.Fail(ExitCode::NoSuchAppliance,
                            protocol_.Devices().Empty()
                                ? L"no appliance answered the discovery"
                                : L"no appliance answered the discovery from " + ipText);
    }
    protocol_.SelectedDeviceIp = record->ipText;
    protocol_.SelectedDeviceOtherIp = OtherPortAddress(record->name);
    return std::nullopt;
}

std::optional<std::wstring> ParseApplianceAddress(const std::string& typed) {
    const auto octets = ParseIpv4(Utf8ToWide(typed));
    if (!octets) return std::nullopt;
    return FormatIpv4(octets->data());
}

}  // namespace norvale::cli
