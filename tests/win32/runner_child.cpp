// A console child for the command runner's tests. Arguments, in any order:
//   out N   print N bytes (a-z repeated) to standard output
//   err N   print N bytes (A-Z repeated) to standard error
//   sleep N wait N milliseconds
//   spawn X start a grandchild "runner_child.exe sleep 600000" that inherits
//           the output; print "pids CHILD GRANDCHILD;"
//   open P  open file P as diskpart opens its script (read, sharing read
//           only); print "read:CONTENT;" or "error:CODE;"
//   fmifs X load fmifs.dll as the shipped program does (System32 only) and
//           print "fmifs:PATH;" ("fmifs:none;" when it is not there)
//   byname X load fmifs.dll by name with the standard search; same print
// Anything else is ignored, so a test can add words to its command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_system_library.h"

namespace {

void Print(DWORD which, unsigned long count, char first) {
    HANDLE out = ::GetStdHandle(which);
    std::vector<char> bytes(4096);
    while (count > 0) {
        DWORD n = count < bytes.size() ? static_cast<DWORD>(count) : static_cast<DWORD>(bytes.size());
        for (DWORD i = 0; i < n; ++i) bytes[i] = static_cast<char>(first + (i % 26));
        DWORD written = 0;
        if (!::WriteFile(out, bytes.data(), n, &written, nullptr) || written == 0) return;
        count -= written;
    }
}

void PrintText(const std::string& text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void Spawn() {
    char self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = "\"" + std::string(self, length) + "\" sleep 600000";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                          &process)) {
        PrintText("error:spawn;");
        return;
    }
    PrintText("pids " + std::to_string(::GetCurrentProcessId()) + " " + std::to_string(process.dwProcessId) + ";");
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

void OpenAsDiskpart(const char* path) {
    const HANDLE file =
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        PrintText("error:" + std::to_string(::GetLastError()) + ";");
        return;
    }
    char buffer[512];
    DWORD got = 0;
    ::ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    ::CloseHandle(file);
    PrintText("read:" + std::string(buffer, got) + ";");
}

void PrintModule(HMODULE module) {
    char path[MAX_PATH] = "none";
    if (module != nullptr) ::GetModuleFileNameA(module, path, MAX_PATH);
    PrintText(std::string("fmifs:") + path + ";");
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        unsigned long count = std::strtoul(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "out") == 0) Print(STD_OUTPUT_HANDLE, count, 'a');
        if (std::strcmp(argv[i], "err") == 0) Print(STD_ERROR_HANDLE, count, 'A');
        if (std::strcmp(argv[i], "sleep") == 0) ::Sleep(count);
        if (std::strcmp(argv[i], "spawn") == 0) Spawn();
        if (std::strcmp(argv[i], "open") == 0) OpenAsDiskpart(argv[i + 1]);
        if (std::strcmp(argv[i], "fmifs") == 0) {
            norvale::win32::RestrictDllSearchToSystem();
            PrintModule(norvale::win32::LoadSystemLibrary(L"fmifs.dll"));
        }
        if (std::strcmp(argv[i], "byname") == 0) PrintModule(::LoadLibraryW(L"fmifs.dll"));
    }
    return 3;  // the runner never looks at the exit code
}
