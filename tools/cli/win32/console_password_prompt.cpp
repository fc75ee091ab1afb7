#include "tools/cli/win32/console_password_prompt.h"

#include <windows.h>

#include "platform/core/utf8.h"

namespace norvale::cli {
namespace {

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (Valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

HANDLE OpenConsole(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

void Write(HANDLE output, const std::wstring& text) {
    DWORD written = 0;
    WriteConsoleW(output, text.data(), DWORD(text.size()), &written, nullptr);
}

// Longest line kept; the login request uses at most 127 bytes of it.
constexpr DWORD kMaxLine = 1024;

}  // namespace

std::optional<std::string> ConsolePasswordPrompt::ReadHidden(const std::string& prompt) {
    Handle input(OpenConsole(L"CONIN$"));
    Handle output(OpenConsole(L"CONOUT$"));
    DWORD savedMode = 0;
    if (!input.Valid() || !output.Valid() || !GetConsoleMode(input.Get(), &savedMode))
        return std::nullopt;

    SetConsoleMode(input.Get(), (savedMode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) &
                                    ~DWORD(ENABLE_ECHO_INPUT));
    Write(output.Get(), Utf8ToWide(prompt));
    std::wstring line(kMaxLine, L'\0');
    DWORD read = 0;
    const BOOL ok = ReadConsoleW(input.Get(), line.data(), kMaxLine, &read, nullptr);
    SetConsoleMode(input.Get(), savedMode);
    Write(output.Get(), L"\r\n");
    if (!ok || read == 0) return std::nullopt;

    line.resize(read);
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
    const std::string utf8 = WideToUtf8(line);
    SecureZeroMemory(line.data(), line.size() * sizeof(wchar_t));
    return utf8;
}

}  // namespace norvale::cli
