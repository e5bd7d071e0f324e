// Where the editor's toolbar goes: below the selection, or above it when the
// work area has no room below, always on the work area. Pure arithmetic in
// screen pixels, so any thread may call it.
#pragma once

#include <windows.h>

namespace quorvel::windows {

// The toolbar's top-left corner for a selection in screen coordinates, the
// toolbar's window size, the work area of the selection's monitor and the
// canvas DPI (the gap to the selection is 6 DIP).
POINT toolbar_position(const RECT& selection, SIZE toolbar, const RECT& work_area, UINT dpi);

}  // namespace quorvel::windows
