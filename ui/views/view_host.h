// ViewHost is what a view tree talks to: the view root that owns the tree
// (and the surface that forwards to it). Views ask it for repaints and
// layout, tell it that their accessibility description changed, post events,
// start animations on its clock, ask for focus and hand it the subtrees they
// remove. UI thread only; views hold it without owning it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/platform/layout/layout_types.h"
#include "ui/views/animation_clock.h"
#include "ui/views/event.h"

namespace win32_ui::modern {

class View;

// Why the focus moved.
using FocusOrigin = std::int32_t;
inline constexpr FocusOrigin kFocusPointer = 0;
// The only origin that shows the focus ring.
inline constexpr FocusOrigin kFocusKeyboard = 1;
// A hosted native window took the keyboard focus by itself.
inline constexpr FocusOrigin kFocusNative = 2;
inline constexpr FocusOrigin kFocusProgrammatic = 3;

class ViewHost {
 public:
  virtual ~ViewHost() = default;
  // Repaint of an area in root layout coordinates (DIP).
  virtual void invalidate_rect(const layout::LayoutRect& area) = 0;
  virtual void invalidate_all() = 0;
  virtual void request_layout() = 0;
  virtual void notify_semantics_changed() = 0;
  virtual void dispatch_event(Event& event) = 0;
  // Null when the host has none.
  virtual ui::animation::AnimationClock* animation_clock() = 0;
  virtual bool request_focus(View* view, FocusOrigin origin) = 0;
  // Takes subtrees removed from the tree, already detached from this host,
  // and keeps them alive until no dispatch can still be using them.
  virtual void retire_views(std::vector<std::unique_ptr<View>> views) = 0;
  // The time at which animations started now begin; the clock is advanced
  // with times of the same source. Hosts with an injected clock override it.
  virtual ui::animation::AnimationClock::TimePoint animation_time() {
    return std::chrono::steady_clock::now();
  }
};

}  // namespace win32_ui::modern
