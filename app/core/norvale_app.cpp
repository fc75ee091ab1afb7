#include "app/core/norvale_app.h"

#include "mainwindow/core/norvale_dialog.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/version/windows_version_reader.h"
#include "resources/resource.h"

namespace norvale {

bool CNorvaleApp::InitInstance() {
    const std::wstring title = UiText(main_text::kTitle);
    if (ActivateRunningInstance(title)) return false;

    version_ = ReadWindowsVersion(ports_.version);
    wow64_ = IsWow64(ports_.version);

    CNorvaleDlg dialog(ports_.protocol, ports_.files, sections_);
    ranMainDialog_ = true;
    const int endCode = ports_.dialogs.RunModal(dialog, IDD_NORVALE_DIALOG);
    // Either way the user saw no window, or saw it vanish: the log is where
    // support finds out why the program "did not start".
    if (endCode == kDialogSocketsUnavailable) {
        exitCode_ = 1;
        ports_.log.Trace(L"Winsock could not be started; the program ends with exit code 1.");
    } else if (endCode == -1) {
        exitCode_ = kExitNoMainWindow;
        ports_.log.Trace(L"The main window could not be made (error " +
                         std::to_wstring(ports_.dialogs.CreateError()) + L"); the program ends with exit code 2.");
    }
    return false;
}

// The main dialog's caption is the title too, so a running instance is
// found by it. The mutex only decides whether to look: without one the
// test is skipped rather than guessed.
bool CNorvaleApp::ActivateRunningInstance(const std::wstring& title) {
    if (!ports_.instance.CreateNamedMutex(title)) return false;
    const WindowRef running = ports_.instance.FindTopLevelWindow(title);
    if (running == 0) return false;
    ports_.instance.ShowWindow(running);
    ports_.instance.SetForegroundWindow(running);
    ports_.log.Trace(L"Another instance runs: its window was brought forward and this one ends.");
    return true;
}

}  // namespace norvale
