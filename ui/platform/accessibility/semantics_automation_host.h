// SemanticsAutomationHost is a surface's side of the UI Automation bridge:
// the surface binds it to its window and view root, tells it the scale and
// scroll of the tree, asks it to publish the tree's semantics when they
// change, hands it every dispatched event so activations can be announced,
// and lets it see every window message first. It answers WM_GETOBJECT with
// the surface's root provider, raises UI Automation events for what changed
// between snapshots, and runs the actions clients send through the action
// message on the window's thread.
//
// Each surface owns one, made by create() unless its services name another
// factory. Its ProviderState is shared with every provider it hands out.
// The operations are for the UI thread; make_provider and raise_event may
// be called from any thread.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>

#include "ui/platform/accessibility/automation_core.h"
#include "ui/platform/accessibility/provider_state.h"

namespace win32_ui::modern {

struct Event;
class ViewRoot;

class SemanticsAutomationHost {
 public:
  // A host on the system's UI Automation core.
  static std::unique_ptr<SemanticsAutomationHost> create();
  // A host on the given core; `action_timeout_ms` bounds how long a client
  // thread waits for the UI thread to run an action.
  static std::unique_ptr<SemanticsAutomationHost> create(
      std::shared_ptr<AutomationCore> core,
      std::uint32_t action_timeout_ms = ProviderState::kDefaultActionTimeoutMs);

  SemanticsAutomationHost();
  explicit SemanticsAutomationHost(
      std::shared_ptr<AutomationCore> core,
      std::uint32_t action_timeout_ms = ProviderState::kDefaultActionTimeoutMs);
  // Detaches.
  virtual ~SemanticsAutomationHost();
  SemanticsAutomationHost(const SemanticsAutomationHost&) = delete;
  SemanticsAutomationHost& operator=(const SemanticsAutomationHost&) = delete;

  // Binds the host to a live window and the tree's root, forgetting any
  // earlier binding first, and takes the first snapshot without events.
  virtual void attach(HWND window, ViewRoot* root);
  // Forgets window, scale and snapshot and tells UI Automation to drop the
  // window's providers; providers still held answer "not available".
  virtual void detach();
  // dpi 0 means 96; a zoom that is not a positive number means 1; an
  // offset that is not finite means 0. A change after the first call
  // invalidates the clients' layout.
  virtual void update_scale(std::uint32_t dpi, float zoom, float scroll_offset);
  // Captures the tree's semantics again and publishes what changed.
  virtual void sync();
  // Every event the view root dispatched; announces invocations that did
  // not come from UI Automation itself.
  virtual void raise_invoked(const Event& event);
  // True when the host consumed the message; `result` is then the answer.
  virtual bool handle_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

  // A new provider for the element (0: the surface); null when detached or
  // the element is unknown.
  Microsoft::WRL::ComPtr<IRawElementProviderSimple> make_provider(std::uint64_t id) const;
  // Raises the event on the element while clients listen.
  void raise_event(std::uint64_t id, int event_id) const;

  const std::shared_ptr<ProviderState>& state() const { return state_; }

 private:
  std::shared_ptr<ProviderState> state_;
};

}  // namespace win32_ui::modern
