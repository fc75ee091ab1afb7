// Window messages the dialog host sends itself.
#pragma once

#include <windows.h>

namespace norvale::win32 {

// Destroys a modeless dialog from its message loop, after the handler that
// ended it has returned.
inline constexpr UINT kDestroyModelessDialog = WM_APP + 0x3E1;

}  // namespace norvale::win32
