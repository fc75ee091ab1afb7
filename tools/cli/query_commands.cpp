// discover, shares and targets: read-only commands.
#include "iscsi/core/target_entry.h"
#include "mainwindow/core/shares/share_entry.h"
#include "tools/cli/appliance_session.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/cli_report.h"
#include "protocol/core/device_requests.h"

namespace norvale::cli {
namespace {

// Shares as the share list shows them: the name, and whether it is locked.
void WriteShares(JsonWriter& json, Reporter& report, const NameList& names) {
    json.BeginArray();
    for (const std::wstring& entry : names.Names()) {
        const ShareEntry share = ParseShareEntry(entry);
        json.BeginObject().Key("name").String(share.name).Key("locked").Bool(share.locked).EndObject();
        report.Line("  " + ToTerminalLine(share.name) + (share.locked ? "  (locked)" : ""));
    }
    json.EndArray();
}

// Targets as the target list and the connect sequence read them. The CHAP
// password never leaves the entry: not on the terminal, not in JSON.
void WriteTargets(JsonWriter& json, Reporter& report, const NameList& names) {
    json.BeginArray();
    for (const std::wstring& entry : names.Names()) {
        DeviceTargetEntry target = SplitTargetEntry(entry);
        target.encodedPassword.Wipe();
        const std::wstring shown = ShownTargetName(target.listedName);
        json.BeginObject()
            .Key("shown").String(shown)
            .Key("name").String(target.listedName)
            .Key("iscsiName").String(target.name)
            .Key("chap").Bool(target.ChapRequired())
            .Key("user").String(target.userName)
            .EndObject();
        // An entry without "|" names no target: the dialog shows an empty row.
        std::string line = target.listedName.empty()
                               ? std::string("  (an entry without a name)")
                               : "  " + ToTerminalLine(shown) + "  " + ToTerminalLine(target.listedName);
        if (target.ChapRequired()) line += "  CHAP, user \"" + ToTerminalLine(target.userName) + "\"";
        report.Line(line);
    }
    json.EndArray();
}

}  // namespace

ExitCode RunDiscover(const CliRequest& request, CliEnvironment& env) {
    Reporter report(request.json, env.out, env.err);
    ApplianceSession session(env, report);
    if (auto failed = session.Start()) return *failed;

    const DeviceList& devices = session.Protocol().Devices();
    if (devices.Empty()) return report.Fail(ExitCode::NoSuchAppliance, L"no appliance answered the discovery");

    JsonWriter json;
    json.BeginObject().Key("ok").Bool(true).Key("appliances").BeginArray();
    for (const DeviceRecord& record : devices.Records()) {
        WriteApplianceJson(json, record);
        report.Line(ApplianceLine(record));
    }
    json.EndArray().EndObject();
    report.Result(json);
    return ExitCode::Ok;
}

ExitCode RunShares(const CliRequest& request, CliEnvironment& env) {
    Reporter report(request.json, env.out, env.err);
    const auto ip = ParseApplianceAddress(request.applianceIp);
    if (!ip) return report.Fail(ExitCode::InvalidInput, kNotAnApplianceAddress);

    ApplianceSession session(env, report);
    if (auto failed = session.Start()) return *failed;
    if (auto failed = session.Select(*ip)) return *failed;
    DeviceProtocol& protocol = session.Protocol();

    const int count = QueryShareCount(protocol);
    if (count < 0) return report.Fail(ExitCode::NoAnswer, L"the appliance did not answer the share count query");
    const int pages = PageCount(count);
    if (request.page > pages) {
        return report.Fail(ExitCode::InvalidInput, L"page " + std::to_wstring(request.page) +
                                                        L" does not exist; the appliance has " +
                                                        std::to_wstring(pages) + L" page(s) of shares");
    }
    if (QueryShareList(protocol, (request.page - 1) * kItemsPerPage) == 0)
        return report.Fail(ExitCode::NoAnswer, L"the appliance did not answer the share list query");

    report.Line("Shares of " + ToTerminalLine(*ip) + ", page " + std::to_string(request.page) +
                " of " + std::to_string(pages) + " (" + std::to_string(count) + " in all):");

    JsonWriter json;
    json.BeginObject()
        .Key("ok").Bool(true)
        .Key("appliance").String(*ip)
        .Key("count").Number(count)
        .Key("page").Number(request.page)
        .Key("pages").Number(pages)
        .Key("shares");
    WriteShares(json, report, protocol.ShareNameList);
    json.EndObject();
    report.Result(json);
    return ExitCode::Ok;
}

ExitCode RunTargets(const CliRequest& request, CliEnvironment& env) {
    Reporter report(request.json, env.out, env.err);
    const auto ip = ParseApplianceAddress(request.applianceIp);
    if (!ip) return report.Fail(ExitCode::InvalidInput, kNotAnApplianceAddress);

    ApplianceSession session(env, report);
    if (auto failed = session.Start()) return *failed;
    if (auto failed = session.Select(*ip)) return *failed;
    DeviceProtocol& protocol = session.Protocol();

    const int count = QueryTargetCount(protocol);
    if (count < 0) return report.Fail(ExitCode::NoAnswer, L"the appliance did not answer the target count query");
    if (QueryTargetList(protocol) == 0)
        return report.Fail(ExitCode::NoAnswer, L"the appliance did not answer the target list query");

    report.Line("iSCSI targets of " + ToTerminalLine(*ip) + " (" + std::to_string(count) + " in all):");

    JsonWriter json;
    json.BeginObject()
        .Key("ok").Bool(true)
        .Key("appliance").String(*ip)
        .Key("iscsi").Bool(session.Selected() != nullptr && session.Selected()->isIscsi)
        .Key("count").Number(count)
        .Key("targets");
    WriteTargets(json, report, protocol.TargetNameList);
    json.EndObject();
    report.Result(json);
    return ExitCode::Ok;
}

}  // namespace norvale::cli
