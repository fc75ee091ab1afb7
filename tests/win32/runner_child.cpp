// A console child for the command runner's tests. Arguments, in any order:
//   out N   print N bytes (a-z repeated) to standard output
//   err N   print N bytes (A-Z repeated) to standard error
//   sleep N wait N milliseconds
// Anything else is ignored, so a test can add words to its command line.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

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

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        unsigned long count = std::strtoul(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "out") == 0) Print(STD_OUTPUT_HANDLE, count, 'a');
        if (std::strcmp(argv[i], "err") == 0) Print(STD_ERROR_HANDLE, count, 'A');
        if (std::strcmp(argv[i], "sleep") == 0) ::Sleep(count);
    }
    return 3;  // the runner never looks at the exit code
}
