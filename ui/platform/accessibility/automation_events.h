// Raising UI Automation events for a surface's elements through the state's
// core: one event on one element, or everything a snapshot diff holds. Both
// do nothing while no client listens, and skip an element that no longer
// exists. Any thread; never called with the state's mutex held.
#pragma once

#include <cstdint>

#include "ui/platform/accessibility/provider_state.h"
#include "ui/platform/accessibility/snapshot_diff.h"

namespace win32_ui::modern {

// The event on the element (0: the surface).
void raise_element_event(ProviderState& state, std::uint64_t element_id, int event_id);

// Property changes in order, then the structure change and the layout
// change on the surface, then the focus change on the newly focused element.
void publish_diff(ProviderState& state, const SnapshotDiff& diff);

}  // namespace win32_ui::modern
