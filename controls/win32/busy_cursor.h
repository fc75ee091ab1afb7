// The program's animated busy cursor (resource 238, RT_ANICURSOR), with the
// system's wait cursor where the module carries none.
#pragma once

#include <windows.h>

namespace norvale::win32 {

inline constexpr int kBusyCursorResource = 238;

// Loaded once from the program's own module; never null.
HCURSOR BusyCursor();

}  // namespace norvale::win32
