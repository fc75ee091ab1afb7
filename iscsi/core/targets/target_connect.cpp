// Connect and Disconnect of the iSCSI group: the login lines (plain, or
// through the CHAP dialog), the check through the initiator's statistics,
// the hand-over to disk management, and the logout of a target.
#include <algorithm>
#include <chrono>

#include "controls/core/list_selection.h"
#include "controls/core/ok_box.h"
#include "iscsi/core/target_entry.h"
#include "iscsi/core/targets/chap_dialog.h"
#include "iscsi/core/targets/name_compare.h"
#include "iscsi/core/targets/statistics_selection.h"
#include "iscsi/core/targets/target_section.h"
#include "iscsi/core/targets/target_texts.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/initiator/iscsi_name.h"
#include "platform/core/texts/norvale_texts.h"
#include "protocol/core/device_requests.h"
#include "resources/resource.h"

namespace norvale {

namespace {

constexpr wchar_t kInitiatorClass[] = L"MSiSCSIInitiator_InitiatorClass";
constexpr wchar_t kSessionClass[] = L"MSiSCSIInitiator_SessionClass";
constexpr wchar_t kPersistentLoginClass[] = L"MSiSCSIInitiator_PersistentLoginClass";
constexpr wchar_t kStatisticsClass[] = L"MSiSCSI_ConnectionStatistics";
// The disk of a new session takes a moment to show up: it is looked for
// this often, and no longer than this.
constexpr std::chrono::milliseconds kDiskArrivalPoll{50};
constexpr std::chrono::milliseconds kDiskArrivalBound{500};
constexpr int kActiveColumn = 1;

// The name the initiator logs in as. A null value reads "NULL"; neither it
// nor an empty or blank value may go into a login line.
std::optional<std::wstring> InitiatorName(CWmiWrapper& wmi) {
    std::vector<std::wstring> names;
    wmi.QueryPropertyValues(kInitiatorClass, L"InitiatorName", names);
    if (names.empty() || Trimmed(names.front()).empty() || names.front() == L"NULL") return std::nullopt;
    return names.front();
}

void Run(CommandRunner& commands, CommandLine line) {
    if (line.Built()) commands.RunConsoleCommand(line.text);
    // A CHAP line carries the password.
    WipeText(line.text);
}

bool IsTrue(const std::wstring& value) { return SameIgnoringCase(value, L"true"); }

// `Active` of the target's connection statistics, the instance names read anew.
std::vector<std::wstring> ReadActive(CWmiWrapper& wmi, const std::wstring& targetName, bool prefixMatching) {
    std::vector<std::wstring> names;
    wmi.QueryPropertyValues(kStatisticsClass, L"InstanceName", names);
    std::sort(names.begin(), names.end());
    std::vector<std::wstring> values;
    if (const auto instance = StatisticsInstanceFor(targetName, names, prefixMatching)) {
        wmi.QueryPropertyValuesWhere(kStatisticsClass, L"InstanceName", *instance, L"Active", values);
    }
    return values;
}

void RemovePersistentLogins(CommandRunner& commands, CWmiWrapper& wmi, const std::wstring& target,
                            const std::wstring& deviceIp) {
    std::vector<std::wstring> instances;
    wmi.QueryPropertyValuesWhere(kPersistentLoginClass, L"TargetName", target, L"InitiatorInstance", instances);
    for (const std::wstring& instance : instances) {
        Run(commands, RemovePersistentTargetCommand(instance, target, deviceIp));
    }
}

// What a read of the initiator's name brought.
struct NameRead {
    std::optional<std::wstring> name;
    bool timedOut = false;
};

// What the check after a login found.
struct LoginCheck {
    std::vector<std::wstring> active;
    bool timedOut = false;
};

}  // namespace

void CTargetSection::ShowWarning(TargetGroupHost& dialog, unsigned textId, MessageIcon icon) {
    ShowOkBox(dialog.Surface(), UiText(textId), target_text::kCaptionWarning, icon);
}

void CTargetSection::OnConnectClicked(TargetGroupHost& dialog, const TargetFlow& flow) {
    DeviceProtocol& protocol = dialog.Protocol();
    dialog.Steps().Run(dialog.Surface(), [&protocol] { return QueryTargetCount(protocol); }, [this, &dialog, flow](int count) {
        DialogSurfacePort& surface = dialog.Surface();
        if (count == -1) return;
        if (count == 0) {
            ShowWarning(dialog, target_text::kNoTargets, MessageIcon::Exclamation);
            return;
        }
        // The list takes one selection: the sequences below act on it.
        if (SelectedRows(surface, IDC_TARGET_LIST).empty() || RefusedWithoutAdmin(dialog)) return;
        if (!SameIgnoringCase(surface.Text(IDC_TARGET_CONNECT), UiText(target_text::kConnect))) {
            DisconnectSelectedTargets(dialog, flow);
            return;
        }
        PrepareConnect(dialog, flow, [this, &dialog, flow] { ContinueConnect(dialog, flow); });
    });
}

void CTargetSection::ContinueConnect(TargetGroupHost& dialog, const TargetFlow& flow) {
    if (state_.AutoConnectPending) {
        // The initiator just came up: it learns the device's targets first,
        // and the list fill after that connects.
        StartPortalRefresh(dialog, flow);
        return;
    }
    ConnectTarget(dialog, flow, false, [&dialog](bool connected) {
        if (connected) dialog.Surface().Enable(IDC_MANAGEMENT, true);
    });
}

void CTargetSection::ConnectTarget(TargetGroupHost& dialog, const TargetFlow& flow, bool automatic,
                                   std::function<void(bool)> then) {
    DialogSurfacePort& surface = dialog.Surface();
    EnableTargetButtons(dialog, false);
    const WmiSiteLink site(ports_.wmi, WmiSite::Connect);
    CommandRunner& commands = ports_.commands;

    // The targets to log in to, once known; never a login line without the
    // name the initiator logs in as.
    const auto logIn = [this, &dialog, site, flow, automatic, then](std::vector<std::wstring> targets) {
        if (targets.empty()) {
            StartTargetListTimer(dialog);
            then(true);
            return;
        }
        dialog.Steps().Run(
            dialog.Surface(),
            [site] {
                CWmiWrapper& wmi = *site;
                NameRead read;
                read.name = InitiatorName(wmi);
                read.timedOut = wmi.TakeTimedOut();
                return read;
            },
            [this, &dialog, flow, automatic, then, targets](const NameRead& read) {
                // A provider that hangs tells nothing: no login on a guess.
                if (ReportWmiTimeout(dialog, read.timedOut)) {
                    then(true);
                    return;
                }
                if (!read.name) {
                    ShowWarning(dialog, target_text::kNoInitiatorName, MessageIcon::Exclamation);
                    StartTargetListTimer(dialog);
                    dialog.Surface().Enable(IDC_MANAGEMENT, true);
                    then(true);
                    return;
                }
                LogInAll(dialog, flow, targets, 0, *read.name, automatic, then);
            });
    };

    if (!automatic) {
        std::vector<std::wstring> targets;
        for (int row : SelectedRows(surface, IDC_TARGET_LIST)) {
            std::wstring target = TargetOfRow(row);
            if (!target.empty()) targets.push_back(std::move(target));
        }
        logIn(std::move(targets));
        return;
    }
    const std::wstring selected = state_.SelectedTargetFullName;
    const bool prefixMatching = PrefixMatching();
    dialog.Steps().Run(
        surface, [site, selected, prefixMatching] { return ReadActive(*site, selected, prefixMatching); },
        [this, &dialog, &commands, flow, then, selected, logIn](const std::vector<std::wstring>& active) {
            if (!active.empty() && IsTrue(active.front())) {
                StartTargetListTimer(dialog);
                dialog.Surface().Enable(IDC_MANAGEMENT, true);
                dialog.Steps().Run(
                    dialog.Surface(), [&commands] { commands.RunConsoleCommand(BindPersistentVolumesCommand()); },
                    [flow, then] { then(true); });
                return;
            }
            // Not connected, or statistics that do not say "true": log in.
            std::vector<std::wstring> targets;
            if (!selected.empty()) targets.push_back(selected);
            logIn(std::move(targets));
        });
}

void CTargetSection::LogInAll(TargetGroupHost& dialog, const TargetFlow& flow, std::vector<std::wstring> targets,
                              std::size_t next, const std::wstring& initiatorName, bool automatic,
                              std::function<void(bool)> then) {
    if (next < targets.size()) {
        const std::wstring target = targets[next];
        LogIn(dialog, flow, target, initiatorName,
              [this, &dialog, flow, targets = std::move(targets), next, initiatorName, automatic, then]() mutable {
                  LogInAll(dialog, flow, std::move(targets), next + 1, initiatorName, automatic, then);
              });
        return;
    }
    // The CHAP dialog was cancelled: nothing was tried, nothing to say.
    if (state_.ChapRequired && !state_.ChapLoginDone) {
        then(false);
        return;
    }
    AfterLogin(dialog, flow, targets.back(), automatic, [then] { then(true); });
}

void CTargetSection::LogIn(TargetGroupHost& dialog, const TargetFlow& flow, const std::wstring& target,
                           const std::wstring& initiatorName, Then then) {
    DeviceProtocol& protocol = dialog.Protocol();
    dialog.Steps().Run(
        dialog.Surface(),
        [&protocol] {
            QueryTargetList(protocol);
            return protocol.TargetNameList.Names();
        },
        [this, &dialog, flow, target, initiatorName, then](const std::vector<std::wstring>& entries) {
            const std::wstring* entry = FindTargetEntry(entries, target);
            const DeviceTargetEntry split = entry != nullptr ? SplitTargetEntry(*entry) : DeviceTargetEntry{};
            // A target the device does not list announces no CHAP: the
            // credentials of a target connected before must not be offered for it.
            state_.ChapRequired = split.ChapRequired();
            if (state_.ChapRequired) {
                // A user name the initiator would read as something else (a
                // blank or quote splits the line, "*" means none): refused
                // before the dialog, so the user is not asked for a password
                // that cannot work.
                if (!IsChapUserName(split.userName)) {
                    state_.ChapLoginDone = false;
                    ShowWarning(dialog, target_text::kChapUserRefused, MessageIcon::Exclamation);
                    StartTargetListTimer(dialog);
                } else {
                    RequestChapLogin(dialog, split.userName, split.encodedPassword);
                }
                then();
                return;
            }
            CommandRunner& commands = ports_.commands;
            dialog.Steps().Run(
                dialog.Surface(),
                [&commands, target, initiatorName] {
                    Run(commands, LoginTargetCommand(target, initiatorName));
                    Run(commands, PersistentLoginTargetCommand(target, initiatorName));
                },
                [flow, then] { then(); });
        });
}

void CTargetSection::RequestChapLogin(TargetGroupHost& dialog, const std::wstring& userName,
                                      const SecretText& encodedPassword) {
    DialogSurfacePort& surface = dialog.Surface();
    state_.ChapLoginDone = false;
    std::wstring target = state_.SelectedTargetFullName;
    if (!state_.AutoConnectPending) {
        const int row = SelectedRow(surface, IDC_TARGET_LIST);
        if (row < 0) {
            ShowOkBox(surface, UiText(target_text::kSelectTarget), target_text::kTitle, MessageIcon::Information);
            return;
        }
        target = TargetOfRow(row);
    }
    EnableTargetButtons(dialog, false);
    const WmiSiteLink site(ports_.wmi, WmiSite::ChapLogin);
    CommandRunner& commands = ports_.commands;
    // Runs on the CHAP dialog's worker: the lines are built, run and wiped there.
    CPasswordDialog chap(target, userName, encodedPassword.Reveal(),
                         [site, &commands, target](const std::wstring& user, const SecretText& password) {
                             const std::optional<std::wstring> initiator = InitiatorName(*site);
                             if (!initiator) return false;
                             Run(commands, ChapLoginTargetCommand(target, *initiator, user, password.Reveal()));
                             Run(commands,
                                 ChapPersistentLoginTargetCommand(target, *initiator, user, password.Reveal()));
                             return true;
                         });
    surface.RunModal(chap, IDD_CHAP_PASSWORD);
    state_.ChapLoginDone = chap.Done();
    if (state_.ChapLoginDone) StartTargetListTimer(dialog);
}

void CTargetSection::AfterLogin(TargetGroupHost& dialog, const TargetFlow& flow, const std::wstring& target,
                                bool automatic, Then then) {
    const WmiSiteLink site(ports_.wmi, WmiSite::Connect);
    CommandRunner& commands = ports_.commands;
    const bool chapRequired = state_.ChapRequired;
    const bool prefixMatching = PrefixMatching();
    const std::wstring deviceIp = dialog.Protocol().SelectedDeviceIp;
    dialog.Steps().Run(
        dialog.Surface(),
        [site, &commands, target, chapRequired, prefixMatching, deviceIp] {
            CWmiWrapper& wmi = *site;
            LoginCheck check;
            check.active = ReadActive(wmi, target, prefixMatching);
            if (check.active.empty() && !chapRequired) {
                // The statistics may come a moment after the session.
                check.active = ReadActive(wmi, target, prefixMatching);
                // A persistent login that never worked would be retried at
                // every start of Windows.
                if (check.active.empty()) RemovePersistentLogins(commands, wmi, target, deviceIp);
            }
            check.timedOut = wmi.TakeTimedOut();
            return check;
        },
        [this, &dialog, flow, target, automatic, then](const LoginCheck& check) {
            if (check.active.empty()) {
                ShowWarning(dialog, target_text::kLoginFailed, MessageIcon::Exclamation);
                StartTargetListTimer(dialog);
                dialog.Surface().SetRedraw(IDC_TARGET_LIST, true);
                ReportWmiTimeout(dialog, check.timedOut);
                then();
                return;
            }
            const bool timedOut = check.timedOut;
            HandOverDisk(dialog, flow, target, IsTrue(check.active.front()), automatic, [this, &dialog, timedOut, then] {
                ReportWmiTimeout(dialog, timedOut);
                then();
            });
        });
}

void CTargetSection::HandOverDisk(TargetGroupHost& dialog, const TargetFlow& flow, const std::wstring& target,
                                  bool firstValueTrue, bool automatic, Then then) {
    TargetDiskHandoff& disks = ports_.disks;
    ClockPort& clock = ports_.clock;
    struct Arrival {
        TargetDiskState state = TargetDiskState::None;
        std::int32_t disk = -1;  // for partitions whose volumes never came
    };
    dialog.Steps().Run(
        dialog.Surface(),
        [&disks, &clock, target] {
            // The disk of a new session takes a moment to show up, and a
            // reused LUN's volumes a moment more: looked for until they do,
            // within the moment.
            const std::chrono::milliseconds giveUp = clock.Now() + kDiskArrivalBound;
            Arrival arrival;
            arrival.state = disks.FindByTarget(target);
            while ((arrival.state == TargetDiskState::None || arrival.state == TargetDiskState::VolumesToCome) &&
                   clock.Now() < giveUp) {
                clock.Sleep(kDiskArrivalPoll);
                arrival.state = disks.FindByTarget(target);
            }
            if (arrival.state == TargetDiskState::VolumesToCome) arrival.disk = disks.DiskOf(target);
            return arrival;
        },
        [this, &dialog, &disks, flow, target, firstValueTrue, automatic, then](const Arrival& arrival) {
            DialogSurfacePort& surface = dialog.Surface();
            // The user closed the window while the connect ran: the session
            // stays, and the disk waits for the next start.
            const bool closing = dialog.Gate().CloseAsked();
            if (closing && (arrival.state == TargetDiskState::VolumesToCome ||
                            arrival.state == TargetDiskState::BareDisk)) {
                then();
                return;
            }
            switch (arrival.state) {
                case TargetDiskState::VolumesToCome:
                    // Partitions without volumes even now: left as they are,
                    // and the disk manager shows them.
                    disks.ReportHeldPartitions(arrival.disk);
                    StartTargetListTimer(dialog);
                    dialog.RefreshDriveLetters();
                    disks.OpenDiskManager();
                    then();
                    return;
                case TargetDiskState::BareDisk:
                    if (disks.RunFormatWizard(UpperCase(target)) != 0) {
                        StartTargetListTimer(dialog);
                        then();
                        return;
                    }
                    StartTargetListTimer(dialog);
                    dialog.RefreshDriveLetters();
                    disks.OpenDiskManager();
                    then();
                    return;
                case TargetDiskState::HasVolume:
                    surface.SetRedraw(IDC_TARGET_LIST, true);
                    StartTargetListTimer(dialog);
                    if (automatic && firstValueTrue) {
                        then();
                        return;
                    }
                    {
                        CommandRunner& commands = ports_.commands;
                        dialog.Steps().Run(
                            surface, [&commands] { commands.RunConsoleCommand(BindPersistentVolumesCommand()); },
                            [flow, then] { then(); });
                    }
                    return;
                case TargetDiskState::None:
                    StartTargetListTimer(dialog);
                    ShowWarning(dialog, target_text::kNoLun, MessageIcon::Exclamation);
                    surface.SetRedraw(IDC_TARGET_LIST, true);
                    then();
                    return;
            }
        });
}

void CTargetSection::DisconnectSelectedTargets(TargetGroupHost& dialog, const TargetFlow& flow) {
    DialogSurfacePort& surface = dialog.Surface();
    EnableTargetButtons(dialog, false);
    std::vector<std::wstring> targets;
    for (int row : SelectedRows(surface, IDC_TARGET_LIST)) {
        std::wstring target = TargetOfRow(row);
        if (!target.empty()) targets.push_back(std::move(target));
    }
    const std::wstring deviceIp = dialog.Protocol().SelectedDeviceIp;
    dialog.Steps().Run(
        surface,
        [this, targets, deviceIp] {
            for (const std::wstring& target : targets) LogoutTargetWork(target, true, deviceIp);
        },
        [this, &dialog, flow] {
            DialogSurfacePort& shown = dialog.Surface();
            shown.SetRedraw(IDC_TARGET_LIST, false);
            StartTargetListTimer(dialog);
            EnableTargetButtons(dialog, true);
            shown.SetRedraw(IDC_TARGET_LIST, true);
        });
}

void CTargetSection::LogoutTargetWork(const std::wstring& targetName, bool removeDevices,
                                      const std::wstring& deviceIp) {
    if (removeDevices) {
        // Volumes of a target that is gone must not be waited for at the
        // next start of Windows.
        for (const std::wstring& letter : ports_.disks.LetteredVolumes(targetName)) {
            Run(ports_.commands, RemovePersistentDeviceCommand(letter));
        }
    }
    CWmiWrapper& wmi = ports_.wmi.For(WmiSite::Logout);
    std::vector<std::wstring> sessions;
    wmi.QueryPropertyValuesWhere(kSessionClass, L"TargetName", targetName, L"SessionId", sessions);
    for (const std::wstring& session : sessions) Run(ports_.commands, LogoutTargetCommand(session));
    RemovePersistentLogins(ports_.commands, wmi, targetName, deviceIp);
}

std::vector<std::wstring> CTargetSection::ActiveTargets(TargetGroupHost& dialog) const {
    DialogSurfacePort& surface = dialog.Surface();
    const std::wstring yes = UiText(target_text::kActiveYes);
    std::vector<std::wstring> targets;
    const int rows = surface.ListRowCount(IDC_TARGET_LIST);
    for (int row = 0; row < rows; ++row) {
        if (!SameIgnoringCase(surface.ListCell(IDC_TARGET_LIST, row, kActiveColumn), yes)) continue;
        std::wstring target = TargetOfRow(row);
        if (!target.empty()) targets.push_back(std::move(target));
    }
    return targets;
}

}  // namespace norvale
