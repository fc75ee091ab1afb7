#include "app/win32/win32_app_ports.h"

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
    // FindWindowW matches an empty caption with any untitled window.
    if (title.empty()) return 0;
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

bool Win32SystemFiles::RemoveFile(const std::wstring& path) {
    // Not named DeleteFile: <windows.h> would rename such a member to
    // DeleteFileW in Win32 files only, and a call of the API in it would
    // reach the member itself.
    return ::DeleteFileW(path.c_str()) != FALSE;
}

int Win32DialogRunner::RunModal(DialogController& dialog, int templateId) {
    SetLastError(0);
    // The program's main window: the user waits for its first paint.
    const DialogTemplate main = DialogTemplate::FromResource(templateId).WithLateDropDowns();
    const INT_PTR endCode = RunModalDialog(dialog, main, nullptr);
    createError_ = endCode == -1 ? GetLastError() : 0;
    return static_cast<int>(endCode);
}

}  // namespace norvale::win32
