// Views for the dispatch tests that write what reaches them, and their own
// destruction, into one shared log, so the order of deliveries and frees is
// a plain comparison of lines.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/views/compound_view.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/pointer_event.h"
#include "ui/views/view.h"
#include "tests/ui/views/placed_layout.h"

namespace win32_ui::modern::testing {

struct Log {
  std::vector<std::string> lines;

  void add(std::string line) { lines.push_back(std::move(line)); }
  bool has(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  // Position of the line, or -1.
  long index_of(const std::string& line) const {
    const auto it = std::find(lines.begin(), lines.end(), line);
    return it == lines.end() ? -1 : static_cast<long>(it - lines.begin());
  }
  // Lines that start with `prefix`, in order.
  std::vector<std::string> starting_with(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : lines) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }
  void clear() { lines.clear(); }
};

template <typename T, typename... Args>
T* add_placed(ViewGroup& parent, float x, float y, float width, float height, Args&&... args) {
  auto view = std::make_unique<T>(std::forward<Args>(args)...);
  view->set_layout_params(placed(x, y, width, height));
  return static_cast<T*>(parent.add_child(std::move(view)));
}

inline const char* action_name(PointerAction action) {
  static const char* const kNames[] = {"down", "move",  "up",    "cancel",
                                       "wheel", "enter", "leave", "menu"};
  return action >= 0 && action < 8 ? kNames[action] : "?";
}

// Logs "<name> <action>" for every pointer event it handles itself, "<name>
// on_key" for keys, and "free <name>" when destroyed.
template <typename Base>
class Logging : public Base {
 public:
  Logging(Log& log, std::string name) : log_(log), name_(std::move(name)) {}
  ~Logging() override { log_.add("free " + name_); }

  using Base::add_event_handler_in_phase;
  using Base::add_key_handler_in_phase;

  // Whether wheel events are taken.
  bool takes_wheel = false;
  bool on_key_result = false;

  const std::string& name() const { return name_; }

  bool handle_pointer(PointerEvent& event) override {
    log_.add(name_ + " " + action_name(event.action));
    if (event.action == kPointerWheel) return takes_wheel;
    return Base::handle_pointer(event);
  }
  bool on_key(KeyEvent&) override {
    log_.add(name_ + " on_key");
    return on_key_result;
  }

 protected:
  Log& log_;

 private:
  std::string name_;
};

using LogView = Logging<View>;

// A group laying its children over each other, with an intercept decided
// by the test.
class LogGroup : public Logging<OverlayPanel> {
 public:
  using Logging<OverlayPanel>::Logging;
  std::function<bool(PointerEvent&)> intercept;

  bool intercept_pointer(PointerEvent& event) override {
    return intercept && intercept(event);
  }
};

class LogCompound : public Logging<CompoundView> {
 public:
  using Logging<CompoundView>::Logging;
};

}  // namespace win32_ui::modern::testing
