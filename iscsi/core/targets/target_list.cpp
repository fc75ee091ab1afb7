// The target list: filled from the appliance where the initiator cannot
// help, else from the initiator after a refresh of its send-target portals;
// a page at a time, with each target's connection state.
#include <algorithm>
#include <chrono>

#include "controls/core/list_selection.h"
#include "controls/core/ok_box.h"
#include "iscsi/core/target_entry.h"
#include "iscsi/core/targets/initiator_prerequisites.h"
#include "iscsi/core/targets/name_compare.h"
#include "iscsi/core/targets/statistics_selection.h"
#include "iscsi/core/targets/target_section.h"
#include "iscsi/core/targets/target_texts.h"
#include "platform/core/initiator/command_lines.h"
#include "platform/core/initiator/iscsi_name.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/version/windows_version_editions.h"
#include "protocol/core/device_requests.h"
#include "resources/resource.h"

namespace norvale {

namespace {

constexpr wchar_t kDelayCommand[] = L"ipconfig /all";
constexpr wchar_t kSessionClass[] = L"MSiSCSIInitiator_SessionClass";
constexpr wchar_t kTargetClass[] = L"MSiSCSIInitiator_TargetClass";
constexpr wchar_t kStatisticsClass[] = L"MSiSCSI_ConnectionStatistics";
constexpr wchar_t kSendTargetPortalClass[] = L"MSiSCSIInitiator_SendTargetPortalClass";
constexpr std::chrono::milliseconds kListDelay{100};
constexpr std::chrono::milliseconds kListDelayBeforeConnect{1000};
constexpr int kActiveColumn = 1;

}  // namespace

namespace {

// What a fill from the initiator read on its worker.
struct InitiatorView {
    std::vector<std::wstring> targetNames;  // sorted, upper case
    std::vector<std::wstring> instanceNames;
    struct Row {
        std::wstring target;
        bool connected = false;
        bool hasPortals = false;
    };
    std::vector<Row> rows;  // the shown page
    bool timedOut = false;
};

std::vector<std::wstring> ReadInstanceNames(CWmiWrapper& wmi) {
    std::vector<std::wstring> names;
    wmi.QueryPropertyValues(kStatisticsClass, L"InstanceName", names);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

void CTargetSection::OnPageChanged(TargetGroupHost& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    const int page = surface.ComboSelection(IDC_TARGET_PAGE);
    dialog.SetTargetPageStart(page > 0 ? page * kItemsPerPage : 0);
    surface.DeleteAllListRows(IDC_TARGET_LIST);
    rowTargets_.clear();

    const int deviceRow = SelectedRowFromVisible(surface, IDC_DEVICE_LIST);
    if (deviceRow < 0) return;
    DeviceProtocol& protocol = dialog.Protocol();
    const DeviceRecord* device = protocol.Devices().Find(surface.ListCell(IDC_DEVICE_LIST, deviceRow, 1));
    if (device == nullptr) return;
    if (!device->isIscsi) {
        // The selector still shows the pages of an iSCSI device clicked
        // before: this device has no targets, and its address is editable.
        ClearTargetList(dialog);
        if (!device->UsesDhcp()) {
            surface.SelectComboItem(IDC_DHCP_MODE, 0);
            for (int field : {IDC_LAN_IP, IDC_LAN_NETMASK, IDC_LAN_GATEWAY}) surface.Enable(field, true);
        }
        return;
    }
    const TargetFlow flow = dialog.Gate().Enter(surface);
    if (!flow) return;
    dialog.Steps().Run(surface, [&protocol] { return QueryTargetCount(protocol); }, [this, &dialog, flow](int count) {
        if (count == 0) {
            ClearTargetList(dialog);
            return;
        }
        state_.PortalRefreshStarted = false;
        CheckInitiator(dialog, flow);
    });
}

void CTargetSection::RefreshTargetList(TargetGroupHost& dialog, const TargetFlow& flow) {
    const std::unique_ptr<ServiceHandle> service = ports_.services.Open(kInitiatorServiceName);
    std::optional<ServiceState> state;
    if (service) state = service->QueryState();
    const bool known = state.has_value();
    const bool stopped = known && *state == ServiceState::Stopped;
    const bool olderWithoutInitiator =
        !VistaOrLater() && !IsInitiatorInstalled(ports_.registry, Version(), ports_.wow64);
    if (stopped || olderWithoutInitiator) {
        FillTargetListFromDevice(dialog, flow);
        return;
    }
    // A service that cannot be opened or asked leaves the list as it is.
    if (!known || state_.PortalRefreshStarted) return;
    StartPortalRefresh(dialog, flow);
}

void CTargetSection::FillTargetListFromDevice(TargetGroupHost& dialog, const TargetFlow& flow) {
    DeviceProtocol& protocol = dialog.Protocol();
    // Only a list asked for now: TargetNameList may still hold the targets
    // of a device selected before.
    dialog.Steps().Run(
        dialog.Surface(),
        [&protocol] {
            std::optional<std::vector<std::wstring>> entries;
            if (QueryTargetCount(protocol) > 0) {
                QueryTargetList(protocol);
                entries = protocol.TargetNameList.Names();
            }
            return entries;
        },
        [this, &dialog, flow](const std::optional<std::vector<std::wstring>>& entries) {
            DialogSurfacePort& surface = dialog.Surface();
            if (entries) surface.Enable(IDC_MANAGEMENT, true);
            surface.DeleteAllListRows(IDC_TARGET_LIST);
            rowTargets_.clear();
            if (!entries) return;
            const std::size_t first = static_cast<std::size_t>(dialog.TargetPageStart());
            const std::wstring no = UiText(target_text::kNo);
            for (std::size_t index = first; index < entries->size() && index < first + kItemsPerPage; ++index) {
                const DeviceTargetEntry entry = SplitTargetEntry((*entries)[index]);
                // Judged as it would be used: after the "_" to "-" replacement.
                if (!AcceptTargetName(entry.name, L"the storage device's target list")) continue;
                const int row =
                    surface.InsertListRow(IDC_TARGET_LIST, static_cast<int>(rowTargets_.size()), entry.listedName);
                if (row < 0) continue;
                surface.SetListCell(IDC_TARGET_LIST, row, kActiveColumn, no);
                rowTargets_.push_back(entry.name);
                state_.TargetNamePrefix = TargetNamePrefix(entry.name);
            }
        });
}

void CTargetSection::StartPortalRefresh(TargetGroupHost& dialog, const TargetFlow& flow) {
    EnableTargetButtons(dialog, false);
    state_.PortalRefreshStarted = true;
    const auto started = watcher_.Start(dialog.Steps(), dialog.Surface(), kDelayCommand,
                                        [this, &dialog, flow] { RefreshPortals(dialog, flow); });
    // Without a delay process to wait for, the refresh goes on at once.
    if (started != DelayProcessWatcher::Started::Watched) RefreshPortals(dialog, flow);
}

void CTargetSection::RefreshPortals(TargetGroupHost& dialog, const TargetFlow& flow) {
    // The initiator's portals change from here on: a close waits for it.
    dialog.Gate().MarkWriting();
    ClearTargetList(dialog);
    const WmiSiteLink site(ports_.wmi, WmiSite::PortalRefresh);
    CommandRunner& commands = ports_.commands;
    const bool listTargets = !state_.AutoConnectPending;
    const std::wstring deviceIp = dialog.Protocol().SelectedDeviceIp;
    struct Refreshed {
        bool added = true;
        bool timedOut = false;
    };
    dialog.Steps().Run(
        dialog.Surface(),
        [site, &commands, listTargets, deviceIp] {
            CWmiWrapper& wmi = *site;
            // Whatever portals the initiator knows (of other devices, or of
            // this one's old address) give way to the selected device's address.
            std::vector<std::wstring> portals;
            wmi.QueryPropertyValues(kSendTargetPortalClass, L"PortalAddress", portals);
            for (const std::wstring& portal : portals) {
                const CommandLine remove = RemoveTargetPortalCommand(portal);
                if (remove.Built()) commands.RunConsoleCommand(remove.text);
                if (listTargets) commands.RunConsoleCommand(ListTargetsCommand());
            }
            Refreshed refreshed;
            refreshed.added = wmi.AddSendTargetPortal(deviceIp) == kWmiOk;
            refreshed.timedOut = wmi.TakeTimedOut();
            return refreshed;
        },
        [this, &dialog, flow](Refreshed refreshed) {
            // A provider that did not answer is told of once, below.
            if (!refreshed.added && !refreshed.timedOut) {
                ShowOkBox(dialog.Surface(), UiText(target_text::kPortalFailed), target_text::kTitle,
                          MessageIcon::None);
            }
            StartTargetListTimer(dialog);
            EnableTargetButtons(dialog, true);
            ReportWmiTimeout(dialog, refreshed.timedOut);
        });
}

bool CTargetSection::PrefixMatching() {
    const std::optional<WindowsVersionInfo> version = Version();
    return version && UsesStatisticsPrefixMatching(*version);
}

void CTargetSection::FillTargetListFromInitiator(TargetGroupHost& dialog, const TargetFlow& flow) {
    DialogSurfacePort& surface = dialog.Surface();
    surface.SetRedraw(IDC_TARGET_LIST, false);
    surface.DeleteAllListRows(IDC_TARGET_LIST);
    rowTargets_.clear();

    const WmiSiteLink site(ports_.wmi, WmiSite::TargetListFill);
    const std::wstring deviceIp = dialog.Protocol().SelectedDeviceIp;
    const std::size_t first = static_cast<std::size_t>(dialog.TargetPageStart());
    // While a connect is pending the rows wait for the fill after it, which
    // shows the connect's outcome.
    const bool showRows = !state_.AutoConnectPending;
    const bool prefixMatching = PrefixMatching();
    dialog.Steps().Run(
        surface,
        [this, site, deviceIp, first, showRows, prefixMatching] {
            CWmiWrapper& wmi = *site;
            InitiatorView view;
            // Targets with a session first: they stay known to the initiator
            // even when its portal list changed.
            std::vector<std::wstring> candidates;
            wmi.QueryPropertyValues(kSessionClass, L"TargetName", candidates);
            wmi.QueryPropertyValues(kTargetClass, L"TargetName", candidates);
            for (const std::wstring& candidate : candidates) {
                if (!AcceptTargetName(candidate, L"the initiator")) continue;
                const std::wstring name = UpperCase(candidate);
                const std::wstring_view key = Trimmed(name);
                const bool known = std::any_of(view.targetNames.begin(), view.targetNames.end(),
                                               [key](const std::wstring& other) { return Trimmed(other) == key; });
                if (known) continue;
                std::vector<TargetPortal> portals;
                wmi.QueryTargetPortals(name, portals);
                // Once for each of the device's portals it is reachable through.
                for (const TargetPortal& portal : portals) {
                    if (portal.address == deviceIp) view.targetNames.push_back(name);
                }
            }
            view.instanceNames = ReadInstanceNames(wmi);
            std::sort(view.targetNames.begin(), view.targetNames.end());
            const std::vector<std::wstring>& targets = view.targetNames;
            for (std::size_t index = first; showRows && index < targets.size() && index < first + kItemsPerPage;
                 ++index) {
                InitiatorView::Row row;
                row.target = targets[index];
                std::vector<std::wstring> active;
                if (const auto instance = StatisticsInstanceFor(row.target, view.instanceNames, prefixMatching)) {
                    wmi.QueryPropertyValuesWhere(kStatisticsClass, L"InstanceName", *instance, L"Active", active);
                }
                row.connected = !active.empty();
                std::vector<TargetPortal> portals;
                wmi.QueryTargetPortals(row.target, portals);
                row.hasPortals = !portals.empty();
                view.rows.push_back(std::move(row));
            }
            view.timedOut = wmi.TakeTimedOut();
            return view;
        },
        [this, &dialog, flow](InitiatorView view) {
            DialogSurfacePort& shown = dialog.Surface();
            state_.TargetNames = std::move(view.targetNames);
            state_.ConnectionInstanceNames = std::move(view.instanceNames);
            for (const std::wstring& name : state_.TargetNames) state_.TargetNamePrefix = TargetNamePrefix(name);
            const std::wstring yes = UiText(target_text::kYes);
            const std::wstring no = UiText(target_text::kNo);
            for (std::size_t index = 0; index < view.rows.size(); ++index) {
                const InitiatorView::Row& content = view.rows[index];
                const int row =
                    shown.InsertListRow(IDC_TARGET_LIST, static_cast<int>(index), ShownTargetName(content.target));
                if (row < 0) continue;
                rowTargets_.push_back(content.target);
                if (content.hasPortals) {
                    shown.SetListCell(IDC_TARGET_LIST, row, kActiveColumn, content.connected ? yes : no);
                }
            }
            shown.Enable(IDC_TARGET_CONNECT, false);
            shown.Enable(IDC_MANAGEMENT, !state_.TargetNames.empty());
            // A hung provider: no automatic connect on what little came back.
            if (ReportWmiTimeout(dialog, view.timedOut)) state_.AutoConnectPending = false;
            shown.SetRedraw(IDC_TARGET_LIST, true);
            if (!state_.AutoConnectPending) return;
            // The connect that waited for the portals: the fill's flow is its own.
            dialog.Gate().MarkWriting();
            ConnectTarget(dialog, flow, true, [this, &dialog, flow](bool) {
                state_.AutoConnectPending = false;
                StartTargetListTimer(dialog);
                dialog.Surface().Enable(IDC_MANAGEMENT, true);
            });
        });
}

void CTargetSection::OnTargetClicked(TargetGroupHost& dialog, int count) {
    DialogSurfacePort& surface = dialog.Surface();
    if (count == -1) return;
    if (surface.ListRowCount(IDC_TARGET_LIST) == 0 || count == 0) {
        EnableTargetButtons(dialog, false);
        if (count == 0) {
            ShowOkBox(surface, UiText(target_text::kNoTargets), target_text::kCaptionWarning, MessageIcon::Stop);
        }
        return;
    }
    const int row = SelectedRow(surface, IDC_TARGET_LIST);
    if (row < 0) {
        EnableTargetButtons(dialog, false);
        return;
    }
    if (SameIgnoringCase(surface.ListCell(IDC_TARGET_LIST, row, kActiveColumn), UiText(target_text::kActiveYes))) {
        surface.SetText(IDC_TARGET_CONNECT, UiText(target_text::kDisconnect));
    } else {
        surface.SetText(IDC_TARGET_CONNECT, UiText(target_text::kConnect));
        state_.SelectedTargetFullName = TargetOfRow(row);
    }
    EnableTargetButtons(dialog, true);
}

void CTargetSection::ClearTargetList(TargetGroupHost& dialog) {
    EmptyListAndDisable(dialog.Surface(), IDC_TARGET_LIST, {IDC_TARGET_CONNECT, IDC_MANAGEMENT});
    rowTargets_.clear();
}

void CTargetSection::StartTargetListTimer(TargetGroupHost& dialog) {
    dialog.Surface().SetTimer(IDT_TARGET_LIST, state_.AutoConnectPending ? kListDelayBeforeConnect : kListDelay);
}

void CTargetSection::EnableTargetButtons(TargetGroupHost& dialog, bool enabled) {
    dialog.Surface().Enable(IDC_TARGET_CONNECT, enabled);
    dialog.Surface().Enable(IDC_MANAGEMENT, enabled);
}

bool CTargetSection::ReportWmiTimeout(TargetGroupHost& dialog, bool timedOut) {
    if (!timedOut) return false;
    ShowWarning(dialog, target_text::kWmiTimedOut, MessageIcon::Exclamation);
    EnableTargetButtons(dialog, true);
    return true;
}

bool CTargetSection::AcceptTargetName(const std::wstring& name, const wchar_t* source) {
    const std::wstring problem = IscsiNameProblem(name);
    if (problem.empty()) return true;
    // The name itself stays out of the trace: it may hold control characters.
    if (ports_.log != nullptr) {
        ports_.log->Trace(std::wstring(L"iSCSI: a target name from ") + source + L" " + problem +
                            L" (" + std::to_wstring(name.size()) + L" characters); the target is left out\n");
    }
    return false;
}

std::wstring CTargetSection::TargetOfRow(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < rowTargets_.size() ? rowTargets_[row] : std::wstring();
}

}  // namespace norvale
