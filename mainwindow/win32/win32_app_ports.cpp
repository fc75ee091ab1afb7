#include "mainwindow/win32/win32_app_ports.h"

#include "controls/win32/dialog_host.h"

namespace norvale::win32 {

Win32SingleInstance::~Win32SingleInstance() {
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

bool Win32SingleInstance::CreateNamedMutex(const std::wstring& name) {
    if (mutex_ != nullptr) return true;
    // Not owned: the mutex marks that an instance exists, it guards nothing.
    mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
    return mutex_ != nullptr;
}

WindowRef Win32SingleInstance::FindTopLevelWindow(const std::wstring& title) {
    return reinterpret_cast<WindowRef>(FindWindowW(nullptr, title.c_str()));
}

void Win32SingleInstance::ShowWindow(WindowRef window) {
    ::ShowWindow(reinterpret_cast<HWND>(window), SW_SHOW);
}

void Win32SingleInstance::SetForegroundWindow(WindowRef window) {
    ::SetForegroundWindow(reinterpret_cast<HWND>(window));
}

std::optional<std::wstring> Win32SystemFiles::EnvironmentVariable(const std::wstring& name) const {
    // The first call sizes the buffer; a value may change between the calls,
    // so the second call's answer is checked again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
        if (needed == 0) return std::nullopt;
        std::wstring value(needed, L'\0');
        const DWORD written = GetEnvironmentVariableW(name.c_str(), value.data(), needed);
        if (written < needed) {
            value.resize(written);
            return value;
        }
    }
    return std::nullopt;
}

bool Win32SystemFiles::DeleteFile(const std::wstring& path) {
    // <windows.h> renames this very member to DeleteFileW, so an unqualified
    // call would be the member itself (through a std::wstring) and recurse.
    return ::DeleteFileW(path.c_str()) != FALSE;
}

int Win32DialogRunner::RunModal(DialogController& dialog, int templateId) {
    return static_cast<int>(RunModalDialog(dialog, DialogTemplate::FromResource(templateId), nullptr));
}

}  // namespace norvale::win32
