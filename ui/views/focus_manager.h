// FocusManager holds the keyboard focus of one view tree: the scope inside
// which focus may live (the root view), the focused view, whether the focus
// ring shows, and a callback told every change. It moves the focus in Tab
// order and by direction. The view root owns one; it refers to views without
// owning them, so the root clears the focus before it frees a focused view.
// UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "ui/views/view_host.h"

namespace win32_ui::modern {

class View;

// Directions of FocusManager::move_focus.
using FocusDirection = std::int32_t;
inline constexpr FocusDirection kFocusNext = 0;
inline constexpr FocusDirection kFocusPrevious = 1;
inline constexpr FocusDirection kFocusLeft = 2;
inline constexpr FocusDirection kFocusUp = 3;
inline constexpr FocusDirection kFocusRight = 4;
inline constexpr FocusDirection kFocusDown = 5;

class FocusManager {
 public:
  // (previously focused, newly focused, origin).
  using Callback = std::function<void(View*, View*, FocusOrigin)>;

  // Refused (false, no callback) for null, for a view outside the scope and
  // for one that cannot take focus. Asking again for the focused view only
  // updates whether the ring shows.
  bool request_focus(View* view, FocusOrigin origin);
  void clear_focus(FocusOrigin origin);
  // A new scope drops the focus (programmatic origin); the same scope drops
  // it only when the focused view left the scope or cannot take focus.
  void set_scope(View* scope);
  // The check of an unchanged scope.
  void validate_focus();
  // Next and previous wrap around; the four directions pick the nearest
  // candidate on that side. False when nothing took the focus.
  bool move_focus(FocusDirection direction, FocusOrigin origin);

  View* scope() const { return scope_; }
  View* focused_view() const { return focused_; }
  bool is_focus_visible() const { return focus_visible_; }
  void set_callback(Callback callback) { callback_ = std::move(callback); }

  // Whether `view` is the scope or lies inside it.
  bool in_scope(const View* view) const;

 private:
  // Focusable views of the scope's subtree in pre-order, hidden and
  // collapsed subtrees left out.
  std::vector<View*> candidates() const;
  View* directional_candidate(const std::vector<View*>& candidates,
                              FocusDirection direction) const;
  void take_focus(View* view, FocusOrigin origin);

  View* scope_ = nullptr;
  View* focused_ = nullptr;
  Callback callback_;
  bool focus_visible_ = false;
};

}  // namespace win32_ui::modern
