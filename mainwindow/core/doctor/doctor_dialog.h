// The discovery doctor: a modeless dialog over the main window that says
// why the last pass found nothing, most likely cause first, and offers the
// fixes that apply (the firewall through the program's elevated setup, the
// network settings, Windows Network Diagnostics), Search again and Copy
// report. Its checks run as a background step; each finding also goes to
// the support log, one line each.
//
//   CDoctorDlg doctor(ports, log, {searchAgain, interfacesInUse});
//   owner.OpenModeless(doctor, IDD_DOCTOR);
#pragma once

#include <functional>
#include <vector>

#include "controls/core/background_steps.h"
#include "controls/core/dialog_controller.h"
#include "mainwindow/core/doctor/discovery_checks.h"
#include "platform/core/trace_port.h"

namespace norvale {

struct DoctorHooks {
    // Starts a discovery pass in the main window.
    std::function<void()> searchAgain;
    // The interfaces of the last pass and whether their sockets opened.
    // Blocks (it waits for an exchange under way): called on the worker.
    std::function<std::vector<InterfaceUse>()> interfacesInUse;
};

class CDoctorDlg final : public DialogController {
public:
    // The ports and the log must outlive the dialog.
    CDoctorDlg(DoctorPorts& ports, TracePort& log, DoctorHooks hooks);

    // Reads everything again and shows what it finds; nothing while a check
    // or a fix runs. Only while the dialog is open.
    void CheckAgain();
    const Diagnosis& Current() const { return diagnosis_; }
    bool Busy() const { return steps_.Running(); }

private:
    bool OnInitDialog();
    void Show(const Diagnosis& diagnosis);
    void OnFixFirewall();
    void OnStartOutside(bool (DoctorActionsPort::*start)());

    DoctorPorts& ports_;
    TracePort& log_;
    DoctorHooks hooks_;
    Diagnosis diagnosis_;
    BackgroundSteps steps_{Messages()};
};

}  // namespace norvale
