#include "disk/win32/win32_format_port.h"

#include <windows.h>

#include <string>

#include "platform/win32/win32_system_library.h"

namespace norvale::win32 {

namespace {

// The library's report codes the program reads.
constexpr int kProgress = 0;
constexpr int kDone = 11;
// FormatEx's media type of a fixed disk.
constexpr DWORD kFixedMedia = 12;

// The library calls back with stdcall on 32-bit Windows: a callback of
// another convention would leave the library's stack unbalanced after
// every report.
using FormatCallback = BOOLEAN(WINAPI*)(int command, DWORD subAction, PVOID data);
using FormatExFunction = VOID(WINAPI*)(PWCHAR driveRoot, DWORD mediaType, PWCHAR fileSystem, PWCHAR label,
                                       BOOL quick, DWORD clusterSize, FormatCallback callback);

// The callback carries no context: the reports go to the format running on
// this thread (one per thread, as the library reports on its caller's).
thread_local const std::function<void(const FormatReport&)>* t_onReport = nullptr;

BOOLEAN WINAPI OnFormatReport(int command, DWORD, PVOID data) {
    FormatReport report;
    report.code = static_cast<std::uint32_t>(command);
    if (command == kProgress && data != nullptr) {
        report.kind = FormatReport::Kind::Progress;
        report.percent = *static_cast<const DWORD*>(data);
    } else if (command == kDone && data != nullptr) {
        report.kind = FormatReport::Kind::Done;
        report.success = *static_cast<const BOOLEAN*>(data) != 0;
    }
    if (t_onReport != nullptr) (*t_onReport)(report);
    return TRUE;
}

}  // namespace

FormatStart Win32FormatPort::Format(const FormatRequest& request,
                                    const std::function<void(const FormatReport&)>& onReport) {
    // From System32 only: a DLL of that name in the program's folder never
    // loads into this elevated process. The module stays loaded for the
    // program's life, as a format may still run at its end.
    HMODULE library = loadLibrary_ != nullptr ? static_cast<HMODULE>(loadLibrary_()) : LoadSystemLibrary(L"fmifs.dll");
    if (library == nullptr) return FormatStart::LibraryMissing;
    const auto formatEx =
        library != nullptr ? reinterpret_cast<FormatExFunction>(reinterpret_cast<void*>(GetProcAddress(library, "FormatEx"))) : nullptr;
    // Only looked up: a library without it is not the one the program knows.
    const FARPROC compression = library != nullptr ? GetProcAddress(library, "EnableVolumeCompression") : nullptr;
    if (formatEx == nullptr || compression == nullptr) return FormatStart::ExportMissing;

    std::wstring root = request.driveRoot;
    std::wstring fileSystem = request.fileSystem;
    std::wstring label = request.label;
    t_onReport = &onReport;
    formatEx(root.data(), kFixedMedia, fileSystem.data(), label.data(), request.quick ? TRUE : FALSE, 0,
             OnFormatReport);
    t_onReport = nullptr;
    return FormatStart::Ran;
}

}  // namespace norvale::win32
