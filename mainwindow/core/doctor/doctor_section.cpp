#include "mainwindow/core/doctor/doctor_section.h"

#include "mainwindow/core/norvale_dialog.h"
#include "resources/resource.h"

namespace norvale {

CDoctorSection::CDoctorSection(DoctorPorts& ports, TracePort& log) : ports_(ports), log_(log) {}

CDoctorSection::~CDoctorSection() = default;

CDoctorDlg* CDoctorSection::Open() const {
    return !dialogs_.empty() && dialogs_.back()->IsAttached() ? dialogs_.back().get() : nullptr;
}

void CDoctorSection::OnPassEnded(CNorvaleDlg& dialog, bool foundAny) {
    if (CDoctorDlg* open = Open()) {
        if (foundAny) {
            dialog.Surface().CloseModeless(*open);
        } else {
            open->CheckAgain();
        }
        return;
    }
    if (!foundAny) OpenOver(dialog);
}

void CDoctorSection::OnOpenDoctor(CNorvaleDlg& dialog) {
    if (CDoctorDlg* open = Open()) {
        open->CheckAgain();
        return;
    }
    OpenOver(dialog);
}

void CDoctorSection::OpenOver(CNorvaleDlg& dialog) {
    DeviceProtocol& protocol = dialog.Protocol();
    DoctorHooks hooks;
    hooks.searchAgain = [&dialog] { dialog.Refresh(); };
    hooks.interfacesInUse = [&protocol] {
        std::vector<InterfaceUse> used;
        for (const auto& state : protocol.SocketStates()) {
            used.push_back(InterfaceUse{state.local, state.senderOpened && state.receiverOpened, state.error});
        }
        return used;
    };
    dialogs_.push_back(std::make_unique<CDoctorDlg>(ports_, log_, std::move(hooks)));
    if (!dialog.Surface().OpenModeless(*dialogs_.back(), IDD_DOCTOR)) dialogs_.pop_back();
}

}  // namespace norvale
