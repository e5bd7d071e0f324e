#include "app/editor/toolbar_placement.h"

#include <algorithm>

namespace quorvel::windows {

POINT toolbar_position(const RECT& selection, SIZE toolbar, const RECT& work_area, UINT dpi) {
  const LONG gap = MulDiv(6, static_cast<int>(dpi), 96);
  const LONG x = std::clamp<LONG>(selection.left, work_area.left,
                                  std::max(work_area.left, work_area.right - toolbar.cx));
  LONG y = selection.bottom + gap;
  if (work_area.bottom < selection.bottom + gap + toolbar.cy) {
    y = selection.top - gap - toolbar.cy;
  }
  // A selection as tall as the work area puts the above-position off the
  // top; the clamp then holds the toolbar at the work area's top edge.
  y = std::clamp<LONG>(y, work_area.top, std::max(work_area.top, work_area.bottom - toolbar.cy));
  return {x, y};
}

}  // namespace quorvel::windows
