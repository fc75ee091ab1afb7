// What the application object asks of the platform: the single-instance
// test and running a dialog modally.
#pragma once

#include <cstdint>
#include <string>

#include "controls/core/dialog_controller.h"

namespace norvale {

// A top-level window of any process; 0 stands for none.
using WindowRef = std::intptr_t;

class SingleInstancePort {
public:
    virtual ~SingleInstancePort() = default;
    // Creates (or opens) a named mutex that lives as long as the process;
    // false when no handle could be had.
    virtual bool CreateNamedMutex(const std::wstring& name) = 0;
    // A top-level window whose caption is exactly `title`, of any class.
    virtual WindowRef FindTopLevelWindow(const std::wstring& title) = 0;
    virtual void ShowWindow(WindowRef window) = 0;
    virtual void SetForegroundWindow(WindowRef window) = 0;
};

class DialogRunnerPort {
public:
    virtual ~DialogRunnerPort() = default;
    // Runs a top-level dialog modally from its template; its end code, or -1
    // when it could not be created.
    virtual int RunModal(DialogController& dialog, int templateId) = 0;
    // Why the last RunModal could not create its dialog (the system's error
    // number; 0 when it did not say).
    virtual std::uint32_t CreateError() const { return 0; }
};

}  // namespace norvale
