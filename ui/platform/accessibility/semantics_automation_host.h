// SemanticsAutomationHost is a surface's side of the UI Automation bridge:
// the surface binds it to its window and view root, tells it the scale and
// scroll of the tree, asks it to publish the tree's semantics when they
// change, hands it every dispatched event so activations can be announced,
// and lets it see every window message first.
//
// This base answers nothing and publishes nothing; the provider side gives
// the same operations their real work. Each surface owns one, made by
// create() unless its services name another factory. UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

namespace win32_ui::modern {

struct Event;
class ViewRoot;

class SemanticsAutomationHost {
 public:
  static std::unique_ptr<SemanticsAutomationHost> create();

  SemanticsAutomationHost() = default;
  virtual ~SemanticsAutomationHost() = default;
  SemanticsAutomationHost(const SemanticsAutomationHost&) = delete;
  SemanticsAutomationHost& operator=(const SemanticsAutomationHost&) = delete;

  // Binds the host to a live window and the tree's root, forgetting any
  // earlier binding first.
  virtual void attach(HWND window, ViewRoot* root);
  // Forgets window, scale and snapshot.
  virtual void detach();
  // dpi 0 means 96; a zoom that is not a positive number means 1.
  virtual void update_scale(std::uint32_t dpi, float zoom, float scroll_offset);
  // Captures the tree's semantics again and publishes what changed.
  virtual void sync();
  // Every event the view root dispatched; announces invocations.
  virtual void raise_invoked(const Event& event);
  // True when the host consumed the message; `result` is then the answer.
  virtual bool handle_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
};

}  // namespace win32_ui::modern
