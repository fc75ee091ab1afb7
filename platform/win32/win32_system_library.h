// DLLs from the system folder only. The program runs elevated, often from a
// Downloads folder where anyone could have put a DLL of a system name; the
// standard search order would load that one first into the elevated
// process.
#pragma once

#include <windows.h>

namespace norvale::win32 {

// At start: every later load by name searches System32 only, where Windows
// has SetDefaultDllDirectories (Windows 8, and 7/2008 R2/Vista/2008 with
// KB2533623). Elsewhere the current folder at least leaves the search
// (SetDllDirectoryW(L""), XP SP1 and later). True when System32-only
// applies to the whole process.
bool RestrictDllSearchToSystem();

// A system DLL from System32: through LOAD_LIBRARY_SEARCH_SYSTEM32 where
// Windows knows the flag, else by its full path in the system folder (its
// own dependencies then searched from there first). nullptr when the
// system has no such library.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

}  // namespace norvale::win32
