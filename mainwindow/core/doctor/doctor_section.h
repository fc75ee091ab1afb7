// The main dialog's way to the discovery doctor: it opens after a pass that
// found nothing (or shows its checks again when it is open), closes once a
// pass finds an appliance, and opens from the system menu at any time.
//
//   CDoctorSection doctor(ports, log);
//   NorvaleDlgSections sections;
//   sections.doctor = &doctor;
#pragma once

#include <memory>
#include <vector>

#include "mainwindow/core/doctor/doctor_dialog.h"
#include "mainwindow/core/norvale_sections.h"

namespace norvale {

class CDoctorSection final : public DoctorSection {
public:
    // The ports and the log must outlive the section.
    CDoctorSection(DoctorPorts& ports, TracePort& log);
    ~CDoctorSection() override;

    void OnPassEnded(CNorvaleDlg& dialog, bool foundAny) override;
    void OnOpenDoctor(CNorvaleDlg& dialog) override;

    // The dialog on screen, or nullptr.
    CDoctorDlg* Open() const;

private:
    void OpenOver(CNorvaleDlg& dialog);

    DoctorPorts& ports_;
    TracePort& log_;
    // Each opening gets a dialog of its own; the ended ones stay until the
    // section goes, since a step of theirs may still be on its way.
    std::vector<std::unique_ptr<CDoctorDlg>> dialogs_;
};

}  // namespace norvale
