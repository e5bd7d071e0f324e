// ProviderState is what a surface's automation host shares with every
// provider it hands to UI Automation: the bound window and view root, the
// scale, the latest snapshot and the actions waiting for the UI thread.
// Held in shared ownership, so a provider a client keeps after the surface
// is gone stays safe and answers that its element is not available.
//
// Threads: binding, capture and running actions on views happen on the UI
// thread; every reader and run_action may be called from UI Automation's
// threads. One mutex guards every field and is never held while calling UI
// Automation, sending a message, building a semantic tree or running a view
// action.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "ui/platform/accessibility/action_call.h"
#include "ui/platform/accessibility/automation_core.h"
#include "ui/platform/accessibility/automation_snapshot.h"
#include "ui/platform/accessibility/snapshot_diff.h"

namespace win32_ui::modern {

class ViewRoot;

// Screen pixels.
struct ElementRect {
  double left = 0.0;
  double top = 0.0;
  double width = 0.0;
  double height = 0.0;

  friend bool operator==(const ElementRect&, const ElementRect&) = default;
};

class ProviderState : public std::enable_shared_from_this<ProviderState> {
 public:
  static constexpr std::uint32_t kDefaultActionTimeoutMs = 5000;

  // `action_timeout_ms` bounds how long a UI Automation thread waits for
  // the UI thread to run an action.
  explicit ProviderState(std::shared_ptr<AutomationCore> core,
                         std::uint32_t action_timeout_ms = kDefaultActionTimeoutMs);

  AutomationCore& core() const { return *core_; }
  std::uint32_t action_timeout_ms() const { return action_timeout_ms_; }

  // ---- UI thread ----
  void bind(HWND window, ViewRoot* root);
  // Forgets everything bound and captured; returns the window that was
  // bound (null when none).
  HWND unbind();
  // Stores the scale; true when it counts as a change (a scale was known
  // before and one of the three differs).
  bool set_scale(std::uint32_t dpi, float zoom, float scroll_offset);
  // Takes a new snapshot of the root's semantic tree and installs it; the
  // diff is computed only when an earlier snapshot exists.
  SnapshotDiff capture();
  // The action message's work: runs the pending call of that id; false
  // when it is no longer pending.
  bool run_pending_call(std::uint64_t call_id);

  // ---- Any thread ----
  // Window, root and a root view are all there.
  bool is_alive() const;
  // Alive and, for an id other than 0, the id is in the snapshot.
  bool has_element(std::uint64_t id) const;
  HWND window() const;
  DWORD ui_thread() const;
  std::optional<AutomationNode> node(std::uint64_t id) const;
  std::vector<std::uint64_t> top_level_ids() const;
  // The first focused node; 0 when none.
  std::uint64_t focused_id() const;
  // The node hosting `window`; empty when none.
  std::optional<std::uint64_t> node_for_native_window(HWND window) const;
  // Runs the call on the UI thread (directly there, otherwise through the
  // action message with the time-out) and hands back its result and diff.
  bool run_action(ActionCall& call);
  // The element's rectangle on screen; id 0 is the client area. All zeros
  // without a window or for an unknown id.
  ElementRect element_bounds(std::uint64_t id) const;
  // The deepest element under the point (screen pixels), 0 for the surface
  // itself, empty outside the surface.
  std::optional<std::uint64_t> hit_test(double x, double y) const;
  // A new provider for the element (0: the surface); null when the state is
  // not alive or the element unknown.
  Microsoft::WRL::ComPtr<IRawElementProviderSimple> make_provider(std::uint64_t id);
  Microsoft::WRL::ComPtr<IRawElementProviderFragment> make_fragment_provider(std::uint64_t id);

  // ---- Tests ----
  // Installs a snapshot of chosen nodes as if it had been captured.
  void install_snapshot(AutomationSnapshot snapshot);
  AutomationSnapshot snapshot() const;

 private:
  struct Scale {
    HWND window = nullptr;
    std::uint32_t dpi = 96;
    float zoom = 1.0f;
    float scroll_offset = 0.0f;
  };

  bool alive_locked() const;
  // Runs the call on this, the UI thread.
  bool perform(ActionCall& call);
  std::uint64_t enter_pending_call(std::shared_ptr<ActionCall> call);
  static ElementRect node_bounds(const Scale& scale, const AutomationNode& node);
  static ElementRect client_bounds(HWND window);

  const std::shared_ptr<AutomationCore> core_;
  const std::uint32_t action_timeout_ms_;

  mutable std::mutex mutex_;
  HWND window_ = nullptr;
  DWORD ui_thread_ = 0;
  ViewRoot* root_ = nullptr;
  bool has_root_view_ = false;
  bool has_snapshot_ = false;
  bool scale_known_ = false;
  std::uint32_t dpi_ = 96;
  float zoom_ = 1.0f;
  float scroll_offset_ = 0.0f;
  AutomationSnapshot snapshot_;
  std::unordered_map<std::uint64_t, std::shared_ptr<ActionCall>> pending_calls_;
  std::uint64_t call_counter_ = 0;
};

}  // namespace win32_ui::modern
