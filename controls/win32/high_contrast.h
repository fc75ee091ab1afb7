// The high-contrast setting and the system colours the dialogs then paint
// with (controls/core/contrast_palette.h decides which).
#pragma once

#include <windows.h>

#include "controls/core/contrast_palette.h"
#include "controls/core/dpi_scale.h"

namespace norvale::win32 {

// SPI_GETHIGHCONTRAST with HCF_HIGHCONTRASTON set.
bool HighContrastOn();

COLORREF SystemColorRef(ThemeColor color);
COLORREF ColorRefOf(const ChosenColor& color);
Color ColorOf(COLORREF color);

// One disk-bar segment in high contrast: `outer` filled and framed as
// `look` says; the caller draws the label on top in look.text.
void PaintHighContrastSegment(HDC dc, const RECT& outer, const SegmentLook& look, const DpiScale& scale);

}  // namespace norvale::win32
