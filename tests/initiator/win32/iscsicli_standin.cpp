// iscsicli.exe for a test prefix: hands its whole command line to the
// simulated initiator and prints what the initiator answers, exiting with its
// status, as the real tool does.
#include <windows.h>

#include <string>

#include "tests/initiator/win32/standin_link.h"

namespace {

void Print(HANDLE out, const std::wstring& line) {
    const std::wstring text = line + L"\r\n";
    DWORD written = 0;
    DWORD mode = 0;
    if (::GetConsoleMode(out, &mode)) {
        ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // A pipe (the program's command runner) gets the ANSI code page.
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int wmain() {
    using namespace norvale;
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const std::optional<sim::wire::Response> answer =
        standin::Ask({"ISCSICLI", {standin::ToUtf8(::GetCommandLineW())}});
    if (!answer) {
        Print(::GetStdHandle(STD_ERROR_HANDLE), L"The RPC server is unavailable.");
        return static_cast<int>(RPC_S_SERVER_UNAVAILABLE);
    }
    for (const std::string& line : answer->lines) Print(out, standin::FromUtf8(line));
    return static_cast<int>(answer->code);
}
