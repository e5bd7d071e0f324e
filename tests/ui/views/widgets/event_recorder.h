// Records the events a widget raises, as its own target-phase handlers see
// them after dispatch through a view root.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/views/element_info.h"
#include "ui/views/event.h"
#include "ui/views/view.h"

namespace win32_ui::modern::testing {

struct RaisedEvent {
  std::int32_t kind = 0;
  InputOrigin origin = 0;
  bool checked = false;
  float value = 0.0f;
  std::int32_t control_id = 0;
};

inline ElementAction make_action(std::int32_t kind, double value = 0.0) {
  ElementAction action;
  action.kind = kind;
  action.value = value;
  return action;
}

class EventRecorder {
 public:
  // Listens for invoked, checked changed and value changed on `view`.
  explicit EventRecorder(View& view) {
    for (const std::int32_t kind :
         {Event::kInvoked, Event::kCheckedChanged, Event::kValueChanged}) {
      view.add_event_handler(kind, [this](Event& event) {
        events.push_back({event.kind, event.origin, event.checked, event.value, event.control_id});
      });
    }
  }

  std::vector<RaisedEvent> events;
};

}  // namespace win32_ui::modern::testing
