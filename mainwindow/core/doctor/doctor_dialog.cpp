#include "mainwindow/core/doctor/doctor_dialog.h"

#include "mainwindow/core/doctor/doctor_texts.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/utf8.h"
#include "resources/resource.h"

namespace norvale {

namespace {

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Problem: return "problem";
        case Verdict::Unknown: return "not read";
        case Verdict::Information: return "information";
        case Verdict::Fine: return "fine";
    }
    return "";
}

// The buttons that are there only when their fix applies.
constexpr struct {
    int controlId;
    unsigned fix;
} kFixButtons[] = {
    {IDC_DOCTOR_FIX_FIREWALL, kFixFirewall},
    {IDC_DOCTOR_NETWORK_SETTINGS, kFixNetworkSettings},
    {IDC_DOCTOR_DIAGNOSTICS, kFixDiagnostics},
};
// What waits for the checks (Search again and Close never do).
constexpr int kAllButtons[] = {IDC_DOCTOR_FIX_FIREWALL, IDC_DOCTOR_NETWORK_SETTINGS, IDC_DOCTOR_DIAGNOSTICS,
                               IDC_DOCTOR_COPY_REPORT};

}  // namespace

CDoctorDlg::CDoctorDlg(DoctorPorts& ports, TracePort& log, DoctorHooks hooks)
    : ports_(ports), log_(log), hooks_(std::move(hooks)) {
    Messages()
        .OnInitDialog([this] { return OnInitDialog(); })
        .OnClicked(IDC_DOCTOR_FIX_FIREWALL, [this] { OnFixFirewall(); })
        .OnClicked(IDC_DOCTOR_NETWORK_SETTINGS, [this] { OnStartOutside(&DoctorActionsPort::OpenNetworkSettings); })
        .OnClicked(IDC_DOCTOR_DIAGNOSTICS, [this] { OnStartOutside(&DoctorActionsPort::StartDiagnostics); })
        .OnClicked(IDC_DOCTOR_SEARCH_AGAIN, [this] {
            if (hooks_.searchAgain) hooks_.searchAgain();
        })
        .OnClicked(IDC_DOCTOR_COPY_REPORT, [this] {
            Surface().CopyToClipboard(UiText(doctor_text::kIntro) + L"\r\n" + ReportText(diagnosis_));
        })
        .OnDestroy([this] { steps_.DialogEnded(); });
}

bool CDoctorDlg::OnInitDialog() {
    DialogSurfacePort& surface = Surface();
    surface.SetTitle(UiText(doctor_text::kTitle));
    surface.SetIcon(IDR_MAINFRAME);
    surface.SetText(IDC_DOCTOR_INTRO, UiText(doctor_text::kIntro));
    surface.SetReadOnly(IDC_DOCTOR_REPORT, true);
    surface.SetText(IDC_DOCTOR_FIX_FIREWALL, UiText(doctor_text::kFixFirewall));
    surface.SetText(IDC_DOCTOR_NETWORK_SETTINGS, UiText(doctor_text::kNetworkSettings));
    surface.SetText(IDC_DOCTOR_DIAGNOSTICS, UiText(doctor_text::kDiagnostics));
    surface.SetText(IDC_DOCTOR_SEARCH_AGAIN, UiText(doctor_text::kSearchAgain));
    surface.SetText(IDC_DOCTOR_COPY_REPORT, UiText(doctor_text::kCopyReport));
    surface.SetText(kIdCancel, UiText(doctor_text::kClose));
    for (const auto& button : kFixButtons) surface.Show(button.controlId, false);
    CheckAgain();
    // The focus on the default button, not in the report (whose caret would
    // sit in its first line).
    surface.SetFocus(IDC_DOCTOR_SEARCH_AGAIN);
    return false;
}

void CDoctorDlg::CheckAgain() {
    if (!IsAttached() || steps_.Running()) return;
    DialogSurfacePort& surface = Surface();
    surface.SetText(IDC_DOCTOR_REPORT, UiText(doctor_text::kChecking));
    for (int id : kAllButtons) surface.Enable(id, false);
    DoctorPorts& ports = ports_;
    const auto interfaces = hooks_.interfacesInUse;
    const bool started = steps_.Run(
        surface,
        [&ports, interfaces] {
            return Diagnose(GatherDiscoveryFacts(ports, interfaces ? interfaces() : std::vector<InterfaceUse>{}));
        },
        [this](Diagnosis diagnosis) { Show(diagnosis); });
    if (!started) Show(Diagnose(DiscoveryFacts{}));
}

void CDoctorDlg::Show(const Diagnosis& diagnosis) {
    diagnosis_ = diagnosis;
    for (const Finding& finding : diagnosis.findings) {
        log_.Trace(L"doctor: " + Utf8ToWide(finding.check) + L": " + Utf8ToWide(VerdictName(finding.verdict)) + L": " +
                   finding.text);
    }
    DialogSurfacePort& surface = Surface();
    surface.SetText(IDC_DOCTOR_REPORT, ReportText(diagnosis));
    for (const auto& button : kFixButtons) surface.Show(button.controlId, (diagnosis.fixes & button.fix) != 0);
    for (int id : kAllButtons) surface.Enable(id, true);
}

void CDoctorDlg::OnFixFirewall() {
    if (steps_.Running()) return;
    DialogSurfacePort& surface = Surface();
    FirewallVerb verb = FirewallVerb::Repair;
    if (diagnosis_.publicNetwork) {
        const MessageAnswer answer =
            surface.ShowMessage({UiText(doctor_text::kAllowOnPublic, {*diagnosis_.publicNetwork}),
                                 UiText(main_text::kCaptionConfirm), MessageIcon::Question, MessageButtons::YesNo});
        if (answer == MessageAnswer::Yes) verb = FirewallVerb::RepairPublic;
    }
    for (int id : kAllButtons) surface.Enable(id, false);
    DoctorActionsPort& actions = ports_.actions;
    steps_.Run(
        surface, [&actions, verb] { return actions.RunFirewallSetup(verb); },
        [this](std::optional<int> exitCode) {
            if (!exitCode || *exitCode != kFirewallDone) {
                const std::wstring text = exitCode ? UiText(doctor_text::kSetupFailed, {std::to_wstring(*exitCode)})
                                                   : UiText(doctor_text::kSetupDidNotRun);
                Surface().ShowMessage({text, UiText(main_text::kCaptionWarning), MessageIcon::Exclamation, MessageButtons::Ok});
            }
            for (int id : kAllButtons) Surface().Enable(id, true);
            CheckAgain();
            if (exitCode == kFirewallDone && hooks_.searchAgain) hooks_.searchAgain();
        });
}

void CDoctorDlg::OnStartOutside(bool (DoctorActionsPort::*start)()) {
    DoctorActionsPort& actions = ports_.actions;
    steps_.Run(Surface(), [&actions, start] { return (actions.*start)(); }, [](bool) {});
}

}  // namespace norvale
