// Event is the semantic input record a widget raises (invoked, checked
// changed, value changed ...) and the view root dispatches through the tree
// in capture, target and bubble phases. A plain value on the UI thread; the
// view pointers it carries are not owned.
#pragma once

#include <cstdint>
#include <string>

namespace win32_ui::modern {

class View;

// How an action was started.
using InputOrigin = std::int32_t;
inline constexpr InputOrigin kInputPointer = 0;
inline constexpr InputOrigin kInputKeyboard = 1;
// A hosted native control raised it.
inline constexpr InputOrigin kInputNativeControl = 2;
inline constexpr InputOrigin kInputAccessibility = 3;

struct Event {
  static constexpr std::int32_t kInvoked = 0;
  static constexpr std::int32_t kCheckedChanged = 1;
  static constexpr std::int32_t kValueChanged = 2;
  static constexpr std::int32_t kTextChanged = 3;
  static constexpr std::int32_t kSelectionChanged = 4;
  static constexpr std::int32_t kDropdownOpened = 5;
  static constexpr std::int32_t kDropdownClosed = 6;

  static constexpr std::int32_t kPhaseCapture = 0;
  static constexpr std::int32_t kPhaseTarget = 1;
  static constexpr std::int32_t kPhaseBubble = 2;

  std::int32_t control_id = 0;
  std::int32_t widget_kind = 0;
  std::int32_t kind = kInvoked;
  InputOrigin origin = kInputPointer;
  // The raising view; set to the posting view when empty.
  View* source = nullptr;
  // The view whose handlers run now; null outside a dispatch.
  View* current = nullptr;
  std::int32_t phase = kPhaseTarget;
  bool checked = false;
  float value = 0.0f;
  std::wstring text;
  std::int32_t index = -1;
  // Set by a handler to end the dispatch.
  bool stop = false;
  bool skip_root_listener = false;
};

}  // namespace win32_ui::modern
