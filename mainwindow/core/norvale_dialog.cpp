// The main dialog's message table, its initialisation, the timers and the
// two ways out. The device section itself is in norvale_device_section.cpp.
#include "mainwindow/core/norvale_dialog.h"

#include "mainwindow/core/doctor/doctor_texts.h"
#include "platform/core/texts/norvale_texts.h"
#include "protocol/core/protocol_constants.h"
#include "resources/resource.h"

namespace norvale {

namespace {

template <typename Section>
Section& OrInert(Section* section) {
    static Section inert;
    return section != nullptr ? *section : inert;
}

constexpr wchar_t kLeftOverScript[] = L"\\diskactive.script";

// What a running flow holds: everything that would start another one.
const std::vector<int> kHeldWhileBusy = {
    IDC_REFRESH,      IDC_DEVICE_LIST,   IDC_LAN_APPLY,  IDC_DHCP_MODE,        IDC_TARGET_LIST,
    IDC_TARGET_CONNECT, IDC_MANAGEMENT,  IDC_TARGET_PAGE, IDC_SHARE_LIST,      IDC_SHARE_CONNECT,
    IDC_SHARE_DISCONNECT, IDC_SHARE_PAGE, IDC_CONFIGURATION,
};

}  // namespace

CNorvaleDlg::CNorvaleDlg(DeviceProtocol& protocol, SystemFilesPort& files,
                         NorvaleDlgSections sections)
    : protocol_(protocol),
      files_(files),
      lan_(OrInert(sections.lan)),
      shares_(OrInert(sections.shares)),
      targets_(OrInert(sections.targets)),
      web_(OrInert(sections.web)),
      doctor_(OrInert(sections.doctor)),
      netmaskField_(IDC_LAN_NETMASK, IDC_LAN_IP),
      gate_(kHeldWhileBusy) {
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        // Enter refreshes wherever the focus is; it never reaches a button.
        // While an appliance takes its DHCP address Refresh is off, and so is
        // Enter: the timer brings the rediscovery. Nor does it start a
        // second flow beside one that runs.
        .OnKeyDown(kKeyReturn, [this] {
            if (!gate_.Busy() && Surface().IsEnabled(IDC_REFRESH)) Refresh();
            return true;
        })
        .OnClicked(IDC_REFRESH, [this] { Refresh(); })
        .OnListRowPicked(IDC_DEVICE_LIST, [this] { OnDeviceClicked(); })
        .OnTimer(IDT_TARGET_LIST, [this] {
            Surface().KillTimer(IDT_TARGET_LIST);
            targets_.OnTargetListTimer(*this);
        })
        .OnTimer(IDT_DHCP_CHANGE, [this] { OnDhcpChangeTimer(); })
        .OnTimer(IDT_SERVICE_START, [this] {
            Surface().KillTimer(IDT_SERVICE_START);
            targets_.OnServiceStartTimer(*this);
        })
        .OnCloseUnless([this] {
            if (!MayLeave([this] { Surface().PostClose(); })) return true;
            ReleaseDeviceState();
            return false;
        })
        .OnDestroy([this] {
            // Whatever still runs finishes without the dialog.
            gate_.DialogEnded();
            steps_.DialogEnded();
            targets_.OnDialogEnding(*this);
        })
        // Escape ends the dialog like the close box, with the same clean-up.
        .OnClicked(kIdCancel, [this] {
            if (!MayLeave([this] { Surface().PostClose(); })) return;
            ReleaseDeviceState();
            Surface().EndDialog(kIdCancel);
        })
        .OnClicked(IDC_EXIT, [this] { OnExit(); })
        .OnSize([this](SizeKind kind) { OnSize(kind); })
        // LAN settings.
        .OnClicked(IDC_LAN_APPLY, [this] { lan_.OnApply(*this); })
        .OnCommand(IDC_DHCP_MODE, kComboSelChange, [this] { lan_.OnDhcpModeChanged(*this); })
        // Shares.
        .OnListRowPicked(IDC_SHARE_LIST, [this] { shares_.OnListClicked(*this); })
        .OnClicked(IDC_SHARE_CONNECT, [this] { shares_.OnConnect(*this); })
        .OnClicked(IDC_SHARE_DISCONNECT, [this] { shares_.OnDisconnect(*this); })
        .OnCommand(IDC_SHARE_PAGE, kComboSelChange, [this] { shares_.OnPageChanged(*this); })
        // iSCSI targets.
        .OnListRowPicked(IDC_TARGET_LIST, [this] { targets_.OnListClicked(*this); })
        .OnClicked(IDC_TARGET_CONNECT, [this] { targets_.OnConnect(*this); })
        .OnClicked(IDC_MANAGEMENT, [this] { targets_.OnManagement(*this); })
        .OnCommand(IDC_TARGET_PAGE, kComboSelChange, [this] { targets_.OnPageChanged(*this); })
        // Web page and About.
        .OnClicked(IDC_CONFIGURATION, [this] { web_.OnConfiguration(*this); })
        .OnClicked(IDC_ABOUT, [this] { web_.OnAbout(*this); });
    // The system menu's commands of our own: 16 to 31 open the About box,
    // 32 to 47 the discovery doctor (Windows may set the low four bits).
    for (int offset = 0; offset < 16; ++offset) {
        Messages().OnSysCommand(IDM_ABOUTBOX + offset, [this] { web_.OnAbout(*this); });
        Messages().OnSysCommand(IDM_DOCTOR + offset, [this] { doctor_.OnOpenDoctor(*this); });
    }
    netmaskField_.Bind(Messages(), [this]() -> DialogSurfacePort& { return Surface(); });
}

bool CNorvaleDlg::OnInitDialog() {
    DialogSurfacePort& surface = Surface();
    surface.SetDialogColors(kDialogBlue, kWhite);
    const std::wstring aboutItem = UiText(main_text::kAboutMenuItem);
    if (!aboutItem.empty()) surface.AppendSystemMenuItem(IDM_ABOUTBOX, aboutItem);
    const std::wstring doctorItem = UiText(doctor_text::kMenuItem);
    if (!doctorItem.empty()) surface.AppendSystemMenuItem(IDM_DOCTOR, doctorItem);
    surface.SetIcon(IDR_MAINFRAME);
    SetTexts();
    SetUpColumns();
    state_.deviceSelected = false;
    targets_.ResetFlags();
    surface.Enable(IDC_TARGET_CONNECT, false);
    surface.Enable(IDC_MANAGEMENT, false);
    // The window shows at once; the sockets open and the first pass runs
    // behind it, and the list fills when the pass ends. The mapped drives
    // are read once the sockets are known to work.
    if (SectionFlow flow = gate_.Enter(surface)) Rediscover(flow, true, [this] { shares_.OnDialogOpened(*this); });
    return true;
}

void CNorvaleDlg::SetTexts() {
    DialogSurfacePort& surface = Surface();
    surface.SetTitle(UiText(main_text::kTitle));
    const struct {
        int controlId;
        unsigned textId;
    } texts[] = {
        {IDC_REFRESH, main_text::kRefresh},
        {IDC_CONFIGURATION, main_text::kConfiguration},
        {IDC_LAN_APPLY, main_text::kApply},
        {IDC_TARGET_CONNECT, main_text::kConnect},
        {IDC_SHARE_CONNECT, main_text::kConnect},
        {IDC_MANAGEMENT, main_text::kManagement},
        {IDC_SHARE_DISCONNECT, main_text::kDisconnect},
        {IDC_ABOUT, main_text::kAbout},
        {IDC_EXIT, main_text::kExit},
        {IDC_IP_LABEL, main_text::kIpLabel},
        {IDC_NETMASK_LABEL, main_text::kNetmaskLabel},
        {IDC_GATEWAY_LABEL, main_text::kGatewayLabel},
        {IDC_DHCP_LABEL, main_text::kDhcpLabel},
        {IDC_DRIVE_LETTERS_LABEL, main_text::kDriveLettersLabel},
        {IDC_TARGET_PAGE_LABEL, main_text::kPageLabel},
        {IDC_SHARE_PAGE_LABEL, main_text::kPageLabel},
    };
    for (const auto& text : texts) surface.SetText(text.controlId, UiText(text.textId));

    const struct {
        int controlId;
        unsigned textId;
    } groups[] = {
        {IDC_DEVICE_GROUP, main_text::kDeviceGroup},
        {IDC_LAN_GROUP, main_text::kLanGroup},
        {IDC_ISCSI_GROUP, main_text::kIscsiGroup},
        {IDC_SHARE_GROUP, main_text::kShareGroup},
    };
    for (const auto& group : groups) {
        surface.SetGroupBoxColors(group.controlId, kDialogBlue, kWhite);
        surface.SetText(group.controlId, UiText(group.textId));
    }

    // The selector's items are part of the dialog, not of the string table.
    surface.ClearCombo(IDC_DHCP_MODE);
    surface.AddComboItem(IDC_DHCP_MODE, L"Disable");
    surface.AddComboItem(IDC_DHCP_MODE, L"Enable");
}

void CNorvaleDlg::SetUpColumns() {
    DialogSurfacePort& surface = Surface();
    const struct {
        int listId;
        unsigned textId;
        int width;
    } columns[] = {
        {IDC_DEVICE_LIST, main_text::kColumnName, 94},
        {IDC_DEVICE_LIST, main_text::kColumnIp, 90},
        {IDC_DEVICE_LIST, main_text::kColumnNetmask, 90},
        {IDC_DEVICE_LIST, main_text::kColumnGateway, 90},
        {IDC_SHARE_LIST, main_text::kColumnVolumeName, 128},
        {IDC_SHARE_LIST, main_text::kColumnLocation, 112},
        {IDC_TARGET_LIST, main_text::kColumnName, 205},
        {IDC_TARGET_LIST, main_text::kColumnActive, 110},
    };
    int index = 0;
    int previousList = 0;
    for (const auto& column : columns) {
        index = column.listId == previousList ? index + 1 : 0;
        previousList = column.listId;
        surface.InsertListColumn(column.listId, index,
                                 ListColumn{UiText(column.textId), column.width, ColumnAlignment::Left});
    }
    for (int list : {IDC_DEVICE_LIST, IDC_SHARE_LIST, IDC_TARGET_LIST}) {
        surface.SetListFullRowSelect(list, true);
    }
}

void CNorvaleDlg::ResetPageCombo(int comboId) {
    DialogSurfacePort& surface = Surface();
    surface.ClearCombo(comboId);
    surface.AddComboItem(comboId, L"1");
    surface.SelectComboItem(comboId, 0);
}

void CNorvaleDlg::AwaitDhcpAddress(SectionFlow flow) {
    dhcpFlow_ = std::move(flow);
    Surface().SetTimer(IDT_DHCP_CHANGE, kDhcpSettle);
}

void CNorvaleDlg::OnDhcpChangeTimer() {
    DialogSurfacePort& surface = Surface();
    surface.KillTimer(IDT_DHCP_CHANGE);
    // The flow of the change ends with this handler unless the pass takes it on.
    SectionFlow flow = std::move(dhcpFlow_);
    const MessageAnswer answer = surface.ShowMessage(
        MessageBoxRequest{UiText(main_text::kDhcpEnabled), UiText(main_text::kCaptionConfirm),
                          MessageIcon::Information, MessageButtons::Ok});
    if (answer != MessageAnswer::Ok) return;
    if (!flow) flow = gate_.Enter(surface);
    if (flow) Rediscover(flow, false);
}

void CNorvaleDlg::OnSize(SizeKind kind) {
    if (kind == SizeKind::Minimized) {
        minimized_ = true;
        return;
    }
    const bool restored = minimized_ && kind == SizeKind::Restored;
    minimized_ = false;
    if (restored) targets_.OnRestored(*this);
}

bool CNorvaleDlg::MayLeave(std::function<void()> leaveLater) {
    return !gate_.DeferClose(Surface(), std::move(leaveLater));
}

// Both ways out free the device state and release the socket layer; only
// once, whichever comes first. A step still asking the appliances owns the
// protocol until it returns: the program lets it go after the dialog.
void CNorvaleDlg::ReleaseDeviceState() {
    if (released_ || steps_.Running()) return;
    released_ = true;
    protocol_.Devices().Clear();
    protocol_.ShareNameList.Clear();
    protocol_.TargetNameList.Clear();
    protocol_.CloseDeviceSockets(true);
}

void CNorvaleDlg::OnExit() {
    if (!MayLeave([this] { OnExit(); })) return;
    ReleaseDeviceState();
    // A disk script left over by an interrupted format; a missing file is fine.
    const std::wstring drive = files_.EnvironmentVariable(L"systemdrive").value_or(L"");
    files_.RemoveFile(drive + kLeftOverScript);
    Surface().EndDialog(kDialogExit);
}

}  // namespace norvale
