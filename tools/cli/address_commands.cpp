// set-static and set-dhcp: the LAN settings change of the main dialog, with its
// input checks, its administrator login and its rediscovery.
#include <algorithm>
#include <array>

#include "mainwindow/core/lan/address_checks.h"
#include "mainwindow/core/admin_login.h"
#include "platform/core/utf8.h"
#include "protocol/core/device_requests.h"
#include "protocol/core/name_text.h"
#include "protocol/core/wire_text.h"
#include "tools/cli/appliance_session.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/cli_report.h"

namespace norvale::cli {
namespace {

enum : unsigned {
    kPasswordLabel = 134,      // "Password:"
    kLoginRefused = 166,       // "Wrong administrator password input!"
    kGettingAddress = 167,     // "Getting IP Address ...\nPlease wait 15 seconds."
    kDhcpFailed = 168,         // "Set to dhcp client fail."
    kIpInputError = 172,       // 173 netmask, 174 gateway follow
    kDhcpEnabled = 206,        // "DHCP client enabled."
};

// "Caption: text", both from the string table, as the message box shows them.
std::wstring BoxText(const CliEnvironment& env, unsigned captionId, std::wstring text) {
    return env.texts(captionId) + L": " + text;
}

std::wstring RefusalText(const CliEnvironment& env, const InputRefusal& refusal) {
    std::wstring text = env.texts(refusal.messageId);
    if (refusal.portNumber) text = FormatNumber(text, *refusal.portNumber);
    return BoxText(env, refusal.captionId, text);
}

// The login dialog, on the command line: --password when given, else the
// terminal; nullopt (Cancel) when there is no terminal.
AskAdminCredentials AskOnTerminal(const CliRequest& request, CliEnvironment& env) {
    return [&request, &env]() -> std::optional<AdminCredentials> {
        if (request.password) return AdminCredentials{kDefaultAdminUserName, *request.password};
        const std::string prompt = WideToUtf8(env.texts(kPasswordLabel)) + " ";
        std::optional<std::string> typed = env.passwordPrompt.ReadHidden(prompt);
        if (!typed) return std::nullopt;
        return AdminCredentials{kDefaultAdminUserName, std::move(*typed)};
    };
}

// Runs the login sequence; nullopt when accepted, else LoginRefused (reported).
std::optional<ExitCode> LogIn(ApplianceSession& session, const CliRequest& request,
                              CliEnvironment& env, Reporter& report) {
    if (RunAdminLoginSequence(session.Protocol(), AskOnTerminal(request, env))) return std::nullopt;
    return report.Fail(ExitCode::LoginRefused, BoxText(env, kCaptionError, env.texts(kLoginRefused)));
}

void WriteChangeResult(Reporter& report, const std::wstring& previousIp, const DeviceRecord& found) {
    report.Line(ApplianceLine(found));
    JsonWriter json;
    json.BeginObject().Key("ok").Bool(true).Key("previousIp").String(previousIp).Key("appliance");
    WriteApplianceJson(json, found);
    json.EndObject();
    report.Result(json);
}

// The appliance after a change: at `ipText`, or, should it have moved on
// meanwhile (a DHCP server may hand out another address), by its identifier.
const DeviceRecord* FindChanged(const DeviceList& devices, const std::wstring& ipText,
                                const DeviceId& before) {
    if (const DeviceRecord* record = devices.Find(ipText)) return record;
    const auto idEnd = before.begin() + 6;
    if (std::all_of(before.begin(), idEnd, [](std::uint8_t b) { return b == 0; })) return nullptr;
    for (const DeviceRecord& record : devices.Records()) {
        if (std::equal(before.begin(), idEnd, record.deviceId.begin())) return &record;
    }
    return nullptr;
}

struct TypedField {
    const std::optional<std::string>& typed;
    AddressFieldInput* field;
};

// Fills the address fields from the typed texts; a missing or empty text is a
// blank field. A refusal for text that is not a dotted quad, which the
// dialog's address fields cannot hold; the blank-field messages come first,
// as in the dialog.
std::optional<InputRefusal> ReadAddressFields(const CliRequest& request, StaticChangeInput& input) {
    const std::array<TypedField, 3> fields{{{request.newIp, &input.ip},
                                            {request.newNetmask, &input.netmask},
                                            {request.newGateway, &input.gateway}}};
    std::optional<InputRefusal> malformed;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        AddressFieldInput& field = *fields[k].field;
        field.blank = !fields[k].typed || fields[k].typed->empty();
        if (field.blank) continue;
        if (const auto octets = ParseIpv4(Utf8ToWide(*fields[k].typed))) {
            field.octets = *octets;
        } else if (!malformed) {
            malformed = InputRefusal{};
            malformed->messageId = kIpInputError + unsigned(k);
        }
    }
    if (input.ip.blank || input.netmask.blank || input.gateway.blank) {
        return CheckStaticChange(input).refusal;  // the blank-field message
    }
    return malformed;
}

}  // namespace

ExitCode RunSetStatic(const CliRequest& request, CliEnvironment& env) {
    Reporter report(request.json, env.out, env.err);
    const auto ip = ParseApplianceAddress(request.applianceIp);
    if (!ip) return report.Fail(ExitCode::InvalidInput, kNotAnApplianceAddress);

    StaticChangeInput input;
    if (auto refusal = ReadAddressFields(request, input))
        return report.Fail(ExitCode::InvalidInput, RefusalText(env, *refusal));

    ApplianceSession session(env, report);
    if (auto failed = session.Start()) return *failed;
    if (auto failed = session.Select(*ip)) return *failed;
    DeviceProtocol& protocol = session.Protocol();

    const DeviceRecord& selected = *session.Selected();
    input.otherPortNumber = OtherPortNumber(selected.name);
    input.otherPortAddress = OtherPortAddress(selected.name);
    const StaticChangeCheck check = CheckStaticChange(input);
    if (!check.Accepted()) return report.Fail(ExitCode::InvalidInput, RefusalText(env, *check.refusal));

    if (auto failed = LogIn(session, request, env, report)) return *failed;

    protocol.NewIpText = check.values.ipText;
    protocol.NewNetmaskText = check.values.netmaskText;
    protocol.NewGatewayText = check.values.gatewayText;
    const bool confirmed = SetStaticAddress(protocol) == 1;

    // The dialog looks again whatever the answer was, and so do we: the
    // answer may have been lost on its way while the change took effect.
    if (request.settle.count() > 0) env.clock.Sleep(request.settle);
    session.Rediscover();
    const DeviceRecord* found = protocol.Devices().Find(check.values.ipText);
    if (found == nullptr) {
        if (!confirmed) {
            return report.Fail(ExitCode::NoAnswer,
                               L"the appliance did not confirm the new address " + check.values.ipText);
        }
        return report.Fail(ExitCode::NotRediscovered, L"the appliance confirmed the new address " +
                                                           check.values.ipText +
                                                           L" but did not answer the discovery there");
    }
    if (!confirmed) report.Note(L"the appliance did not confirm the change but answers at its new address");
    WriteChangeResult(report, *ip, *found);
    return ExitCode::Ok;
}

ExitCode RunSetDhcp(const CliRequest& request, CliEnvironment& env) {
    Reporter report(request.json, env.out, env.err);
    const auto ip = ParseApplianceAddress(request.applianceIp);
    if (!ip) return report.Fail(ExitCode::InvalidInput, kNotAnApplianceAddress);

    ApplianceSession session(env, report);
    if (auto failed = session.Start()) return *failed;
    if (auto failed = session.Select(*ip)) return *failed;
    DeviceProtocol& protocol = session.Protocol();
    const DeviceId identity = session.Selected()->deviceId;

    if (auto failed = LogIn(session, request, env, report)) return *failed;
    if (SetDhcpClient(protocol) != 1)
        return report.Fail(ExitCode::NoAnswer, BoxText(env, kCaptionError, env.texts(kDhcpFailed)));
    const std::wstring reported = protocol.SelectedDeviceIp;

    // The dialog's message names its fixed 15 s; a different wait says so.
    report.Note(request.settle == kDefaultDhcpSettle
                    ? env.texts(kGettingAddress)
                    : L"Getting IP Address ... waiting " +
                          std::to_wstring(request.settle.count() / 1000) + L"." +
                          std::to_wstring(request.settle.count() % 1000 / 100) + L" s");
    if (request.settle.count() > 0) env.clock.Sleep(request.settle);
    report.Note(env.texts(kDhcpEnabled));

    session.Rediscover();
    const DeviceRecord* found = FindChanged(protocol.Devices(), reported, identity);
    if (found == nullptr) {
        return report.Fail(ExitCode::NotRediscovered, L"the appliance reported the address " + reported +
                                                           L" but did not answer the discovery");
    }
    if (found->ipText != reported) report.Note(L"the appliance now answers from " + found->ipText);
    WriteChangeResult(report, *ip, *found);
    return ExitCode::Ok;
}

}  // namespace norvale::cli
