// The application object's ports on Windows: the single-instance test, the
// two file-system services of the exit path and the modal dialog runner.
#pragma once

#include <windows.h>

#include "app/core/norvale_app_ports.h"
#include "mainwindow/core/ports/norvale_system_files_port.h"

namespace norvale::win32 {

// The mutex handle stays open until the process ends, so a second instance
// started meanwhile opens the same object.
class Win32SingleInstance final : public SingleInstancePort {
public:
    Win32SingleInstance() = default;
    ~Win32SingleInstance() override;
    Win32SingleInstance(const Win32SingleInstance&) = delete;
    Win32SingleInstance& operator=(const Win32SingleInstance&) = delete;

    bool CreateNamedMutex(const std::wstring& name) override;
    WindowRef FindTopLevelWindow(const std::wstring& title) override;
    void ShowWindow(WindowRef window) override;
    void SetForegroundWindow(WindowRef window) override;

private:
    HANDLE mutex_ = nullptr;
};

class Win32SystemFiles final : public SystemFilesPort {
public:
    std::optional<std::wstring> EnvironmentVariable(const std::wstring& name) const override;
    bool RemoveFile(const std::wstring& path) override;
};

// Top-level dialogs of this module's templates, without an owner window.
class Win32DialogRunner final : public DialogRunnerPort {
public:
    int RunModal(DialogController& dialog, int templateId) override;
    std::uint32_t CreateError() const override { return createError_; }

private:
    std::uint32_t createError_ = 0;
};

}  // namespace norvale::win32
