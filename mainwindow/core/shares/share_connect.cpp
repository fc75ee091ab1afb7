#include "mainwindow/core/shares/share_connect.h"

namespace norvale {

namespace {

constexpr int kAttemptsPerCredential = 6;
constexpr std::size_t kMaxRemoteNameChars = 255;
constexpr unsigned kWindowsPromptFlags =
    connect_flag::kUpdateProfile | connect_flag::kInteractive | connect_flag::kPrompt;

bool TryRepeatedly(NetworkDrivePort& drives, const std::wstring& localName, const std::wstring& remoteName,
                   const ShareCredentials& credentials) {
    for (int attempt = 0; attempt < kAttemptsPerCredential; ++attempt) {
        if (drives.AddConnection(localName, remoteName, credentials.password, credentials.userName,
                                 connect_flag::kUpdateProfile)) {
            return true;
        }
    }
    return false;
}

// Overwrites a password before its memory is given back.
void Wipe(std::wstring& text) {
    for (wchar_t& c : text) c = L'\0';
    text.clear();
}

bool HasSeparator(const std::wstring& name) { return name.find_first_of(L"\\/") != std::wstring::npos; }

}  // namespace

CredentialPlan CredentialPlanFor(const std::wstring& windowsVersionName, bool vistaOrLater) {
    if (windowsVersionName.find(L"NT") != std::wstring::npos) return CredentialPlan::LoginFirst;
    // Windows 8 and later have names of their own; they take Vista's and 7's way.
    if (vistaOrLater || windowsVersionName.find(L"Vista") != std::wstring::npos) {
        return CredentialPlan::EmptyThenWindowsPrompt;
    }
    return CredentialPlan::EmptyThenLogin;
}

MappingStage ConnectUntyped(NetworkDrivePort& drives, const std::wstring& localName, const std::wstring& remoteName,
                            CredentialPlan plan) {
    if (plan != CredentialPlan::LoginFirst && TryRepeatedly(drives, localName, remoteName, {})) {
        return MappingStage::Connected;
    }
    if (plan == CredentialPlan::EmptyThenWindowsPrompt) {
        return drives.AddConnection(localName, remoteName, std::wstring(), L"admin", kWindowsPromptFlags)
                   ? MappingStage::Connected
                   : MappingStage::Failed;
    }
    return MappingStage::AskCredentials;
}

bool ConnectTyped(NetworkDrivePort& drives, const std::wstring& localName, const std::wstring& remoteName,
                  ShareCredentials typed) {
    const bool connected = TryRepeatedly(drives, localName, remoteName, typed);
    Wipe(typed.password);
    return connected;
}

bool ConnectWithCredentials(NetworkDrivePort& drives, const std::wstring& localName, const std::wstring& remoteName,
                            CredentialPlan plan, const std::function<ShareCredentials()>& askUser) {
    const MappingStage stage = ConnectUntyped(drives, localName, remoteName, plan);
    if (stage != MappingStage::AskCredentials) return stage == MappingStage::Connected;
    return ConnectTyped(drives, localName, remoteName, askUser ? askUser() : ShareCredentials{});
}

std::wstring ShareRemoteName(const std::wstring& deviceName, const std::wstring& shareName) {
    if (deviceName.empty() || shareName.empty() || HasSeparator(deviceName) || HasSeparator(shareName)) return {};
    std::wstring remote = L"\\\\" + deviceName + L"\\" + shareName;
    if (remote.size() > kMaxRemoteNameChars) return {};
    return remote;
}

std::wstring LocalDriveName(const std::wstring& text) {
    if (text.size() < 2 || text[1] != L':') return {};
    const wchar_t letter = text[0];
    if (!((letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z'))) return {};
    return text.substr(0, 2);
}

}  // namespace norvale
