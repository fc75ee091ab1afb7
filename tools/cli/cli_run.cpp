#include "tools/cli/cli_commands.h"
#include "tools/cli/cli_report.h"

namespace norvale::cli {

const char* HelpText() {
    return R"(Usage: norvale-cli COMMAND [ARGUMENTS] [--json]

Finds and configures the network storage appliances on the local network,
with the same steps and checks as the Norvale dialog.

Commands:
  discover                      list every appliance that answers
  shares IP [--page N]          list the shares of the appliance at IP,
                                10 a page (default: page 1), each with
                                whether it is locked
  targets IP                    list the iSCSI targets of the appliance at IP:
                                the name the dialog shows, the full name, and
                                whether CHAP is required with its user name
                                (never the CHAP password)
  set-static IP --ip A --mask M --gateway G [--password P] [--settle S]
                                give the appliance a static address A with
                                netmask M and gateway G, then find it there
  set-dhcp IP [--password P] [--settle S]
                                let the appliance take its address from DHCP,
                                wait S seconds (default 15), then find it at
                                the address it reported

Options:
  --json          print the result as one JSON document on stdout
  --password P    the administrator password, tried after the default empty
                  password was refused twice; without it the password is
                  asked on the terminal (input hidden). Note that a password
                  on the command line can be seen by other local users.
  --settle S      seconds to wait before looking for the appliance again
                  (set-dhcp: default 15; set-static: default 0)
  --page N        shares: the page to list, from 1
  -h, --help      show this text

JSON results (--json) carry "ok": true and, besides the appliance's address:
  discover   "appliances": [{"name", "ip", "netmask", "gateway", "dhcp", "iscsi", ...}]
  shares     "count", "page", "pages", "shares": [{"name": text, "locked": bool}]
  targets    "iscsi", "count", "targets": [{"shown": text, "name": text,
             "iscsiName": text, "chap": bool, "user": text}]
             (shown: the part of the name after its first ":"; iscsiName:
             the name the initiator knows, with "-" where the list has "_")
A failure prints {"ok": false, "exitCode": number, "error": text}.

Messages go to stderr, one line each. Exit codes:
  0  success
  1  the network sockets cannot be opened
  2  invalid usage, or an address the LAN rules refuse
  3  no appliance answered the discovery (at the given address)
  4  the appliance did not answer a request
  5  the administrator login was refused
  6  the change was sent, but the appliance was not found afterwards
)";
}

int RunCli(const std::vector<std::string>& arguments, CliEnvironment& env) {
    const ParsedArguments parsed = ParseArguments(arguments);
    switch (parsed.outcome) {
    case ParsedArguments::Outcome::Help:
        env.out << HelpText();
        return ToInt(ExitCode::Ok);
    case ParsedArguments::Outcome::Error: {
        Reporter report(parsed.request.json, env.out, env.err);
        const ExitCode code = report.Fail(
            ExitCode::InvalidInput, std::wstring(parsed.error.begin(), parsed.error.end()));
        env.err << "Try 'norvale-cli --help'.\n";
        return ToInt(code);
    }
    case ParsedArguments::Outcome::Run: break;
    }

    const CliRequest& request = parsed.request;
    switch (request.command) {
    case Command::Discover: return ToInt(RunDiscover(request, env));
    case Command::Shares: return ToInt(RunShares(request, env));
    case Command::Targets: return ToInt(RunTargets(request, env));
    case Command::SetStatic: return ToInt(RunSetStatic(request, env));
    case Command::SetDhcp: return ToInt(RunSetDhcp(request, env));
    }
    return ToInt(ExitCode::InvalidInput);
}

}  // namespace norvale::cli
