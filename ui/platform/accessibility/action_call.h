// ActionCall is one action a UI Automation client asked of an element, on
// its way to the UI thread and back: what to do, whether the view did it,
// and what changed afterwards. Element id 0 names the surface itself.
#pragma once

#include <cstdint>

#include "ui/platform/accessibility/snapshot_diff.h"
#include "ui/views/element_info.h"

namespace win32_ui::modern {

struct ActionCall {
  std::uint64_t element_id = 0;
  ElementAction action;
  bool result = false;
  SnapshotDiff diff;
};

}  // namespace win32_ui::modern
