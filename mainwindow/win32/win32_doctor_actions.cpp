#include "mainwindow/win32/win32_doctor_actions.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/win32_handle.h"

namespace norvale::win32 {

namespace {

// The elevated setup reads and writes a few rules; a minute covers a slow
// firewall service, and the consent prompt's own time comes before it.
constexpr DWORD kSetupLimitMs = 60 * 1000;

const wchar_t* VerbArgument(FirewallVerb verb) {
    switch (verb) {
        case FirewallVerb::Install: return L"--firewall install";
        case FirewallVerb::Repair: return L"--firewall repair";
        case FirewallVerb::RepairPublic: return L"--firewall repair-public";
        case FirewallVerb::Remove: return L"--firewall remove";
        case FirewallVerb::Status: return L"--firewall status";
    }
    return L"";
}

std::wstring SystemFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(folder, length) + L"\\" + name;
}

bool Open(const std::wstring& file, const std::wstring& parameters) {
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace

Win32DoctorActions::Win32DoctorActions(std::wstring programPath, bool settingsApp)
    : programPath_(std::move(programPath)), settingsApp_(settingsApp) {}

std::optional<int> Win32DoctorActions::RunFirewallSetup(FirewallVerb verb) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"runas";
    info.lpFile = programPath_.c_str();
    info.lpParameters = VerbArgument(verb);
    info.nShow = SW_HIDE;
    // Declined consent ends here with ERROR_CANCELLED.
    if (!::ShellExecuteExW(&info) || info.hProcess == nullptr) return std::nullopt;
    const Handle process(info.hProcess);
    DWORD code = 0;
    if (::WaitForSingleObject(process.Get(), kSetupLimitMs) != WAIT_OBJECT_0 || !::GetExitCodeProcess(process.Get(), &code)) {
        return std::nullopt;
    }
    return static_cast<int>(code);
}

bool Win32DoctorActions::OpenNetworkSettings() {
    if (settingsApp_) return Open(L"ms-settings:network-status", L"");
    return Open(SystemFile(L"control.exe"), L"/name Microsoft.NetworkAndSharingCenter");
}

bool Win32DoctorActions::DiagnosticsAvailable() {
    const std::wstring library = SystemFile(L"ndfapi.dll");
    return !library.empty() && ::GetFileAttributesW(library.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32DoctorActions::StartDiagnostics() {
    return DiagnosticsAvailable() && Open(SystemFile(L"rundll32.exe"), L"ndfapi.dll,NdfRunDllDiagnoseIncident");
}

}  // namespace norvale::win32
