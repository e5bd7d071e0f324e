#include "ui/platform/accessibility/provider_state.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/platform/accessibility/action_message.h"
#include "ui/platform/accessibility/provider.h"
#include "ui/views/view.h"
#include "ui/views/view_root.h"

namespace win32_ui::modern {

ProviderState::ProviderState(std::shared_ptr<AutomationCore> core, std::uint32_t action_timeout_ms)
    : core_(std::move(core)), action_timeout_ms_(action_timeout_ms) {}

// ---- UI thread ----

void ProviderState::bind(HWND window, ViewRoot* root) {
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  const bool has_root_view = root != nullptr && root->root_view() != nullptr;
  std::lock_guard lock(mutex_);
  window_ = window;
  ui_thread_ = thread;
  root_ = root;
  has_root_view_ = has_root_view;
}

HWND ProviderState::unbind() {
  std::lock_guard lock(mutex_);
  const HWND window = std::exchange(window_, nullptr);
  ui_thread_ = 0;
  root_ = nullptr;
  has_root_view_ = false;
  has_snapshot_ = false;
  scale_known_ = false;
  snapshot_ = AutomationSnapshot{};
  pending_calls_.clear();
  return window;
}

bool ProviderState::set_scale(std::uint32_t dpi, float zoom, float scroll_offset) {
  if (dpi == 0) dpi = 96;
  if (!std::isfinite(zoom) || !(zoom > 0.0f)) zoom = 1.0f;
  if (!std::isfinite(scroll_offset)) scroll_offset = 0.0f;
  std::lock_guard lock(mutex_);
  const bool changed =
      scale_known_ && (dpi != dpi_ || zoom != zoom_ || scroll_offset != scroll_offset_);
  dpi_ = dpi;
  zoom_ = zoom;
  scroll_offset_ = scroll_offset;
  scale_known_ = true;
  return changed;
}

SnapshotDiff ProviderState::capture() {
  ViewRoot* root = nullptr;
  HWND window = nullptr;
  {
    std::lock_guard lock(mutex_);
    root = root_;
    window = window_;
  }
  if (root == nullptr || window == nullptr) return {};
  AutomationSnapshot snapshot = AutomationSnapshot::from_tree(root->semantic_tree());
  const bool has_root_view = root->root_view() != nullptr;
  std::lock_guard lock(mutex_);
  if (root_ != root || window_ != window) return {};
  SnapshotDiff diff;
  if (has_snapshot_) diff = diff_snapshots(snapshot_, snapshot);
  snapshot_ = std::move(snapshot);
  has_root_view_ = has_root_view;
  has_snapshot_ = true;
  return diff;
}

bool ProviderState::run_pending_call(std::uint64_t call_id) {
  std::shared_ptr<ActionCall> call;
  {
    std::lock_guard lock(mutex_);
    const auto found = pending_calls_.find(call_id);
    if (found == pending_calls_.end()) return false;
    call = found->second;
  }
  return perform(*call);
}

bool ProviderState::perform(ActionCall& call) {
  ViewRoot* root = nullptr;
  HWND window = nullptr;
  {
    std::lock_guard lock(mutex_);
    root = root_;
    window = window_;
  }
  call.result = false;
  if (root == nullptr) return false;
  if (call.element_id == 0 && call.action.kind == ElementAction::kFocus) {
    SetFocus(window);
    call.result = GetFocus() == window;
    return call.result;
  }
  const SemanticEntry* entry = root->semantic_tree().find(call.element_id);
  call.result = entry != nullptr && entry->view != nullptr &&
                entry->view->perform_element_action(call.action);
  call.diff = capture();
  return call.result;
}

// ---- Any thread ----

bool ProviderState::alive_locked() const {
  return window_ != nullptr && root_ != nullptr && has_root_view_;
}

bool ProviderState::is_alive() const {
  std::lock_guard lock(mutex_);
  return alive_locked();
}

bool ProviderState::has_element(std::uint64_t id) const {
  std::lock_guard lock(mutex_);
  return alive_locked() && (id == 0 || snapshot_.find(id) != nullptr);
}

HWND ProviderState::window() const {
  std::lock_guard lock(mutex_);
  return window_;
}

DWORD ProviderState::ui_thread() const {
  std::lock_guard lock(mutex_);
  return ui_thread_;
}

std::optional<AutomationNode> ProviderState::node(std::uint64_t id) const {
  std::lock_guard lock(mutex_);
  if (!alive_locked()) return std::nullopt;
  const AutomationNode* found = snapshot_.find(id);
  if (found == nullptr) return std::nullopt;
  return *found;
}

std::vector<std::uint64_t> ProviderState::top_level_ids() const {
  std::lock_guard lock(mutex_);
  return snapshot_.top_level_ids();
}

std::uint64_t ProviderState::focused_id() const {
  std::lock_guard lock(mutex_);
  return snapshot_.focused_id();
}

std::optional<std::uint64_t> ProviderState::node_for_native_window(HWND window) const {
  if (window == nullptr) return std::nullopt;
  std::lock_guard lock(mutex_);
  for (const AutomationNode& node : snapshot_.nodes()) {
    if (node.native_handle == window) return node.id;
  }
  return std::nullopt;
}

std::uint64_t ProviderState::enter_pending_call(std::shared_ptr<ActionCall> call) {
  std::lock_guard lock(mutex_);
  const auto base = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(this)) >> 4;
  std::uint64_t id = 0;
  do {
    ++call_counter_;
    id = base ^ call_counter_;
  } while (id == 0 || pending_calls_.contains(id));
  pending_calls_.emplace(id, std::move(call));
  return id;
}

bool ProviderState::run_action(ActionCall& call) {
  HWND window = nullptr;
  DWORD thread = 0;
  {
    std::lock_guard lock(mutex_);
    window = window_;
    thread = ui_thread_;
  }
  if (window == nullptr || thread == 0) return false;
  if (GetCurrentThreadId() == thread) return perform(call);

  auto pending = std::make_shared<ActionCall>(call);
  const std::uint64_t call_id = enter_pending_call(pending);
  LRESULT delivered = 0;
  if (const UINT message = action_message(); message != 0) {
    DWORD_PTR answer = 0;
    delivered = SendMessageTimeoutW(window, message, static_cast<WPARAM>(call_id), 0,
                                    SMTO_BLOCK | SMTO_ABORTIFHUNG, action_timeout_ms_, &answer);
  }
  {
    std::lock_guard lock(mutex_);
    pending_calls_.erase(call_id);
  }
  // Only a delivered message has finished with the call; after a time-out
  // the UI thread may still be writing it.
  if (delivered == 0) {
    call.result = false;
    return false;
  }
  call.result = pending->result;
  call.diff = std::move(pending->diff);
  return call.result;
}

ElementRect ProviderState::client_bounds(HWND window) {
  POINT origin{0, 0};
  RECT client{};
  if (!ClientToScreen(window, &origin) || !GetClientRect(window, &client)) return {};
  return {static_cast<double>(origin.x), static_cast<double>(origin.y),
          static_cast<double>(client.right - client.left),
          static_cast<double>(client.bottom - client.top)};
}

ElementRect ProviderState::node_bounds(const Scale& scale, const AutomationNode& node) {
  if (node.native_handle != nullptr && IsWindow(node.native_handle)) {
    RECT rect{};
    if (!GetWindowRect(node.native_handle, &rect)) return {};
    return {static_cast<double>(rect.left), static_cast<double>(rect.top),
            static_cast<double>(rect.right - rect.left),
            static_cast<double>(rect.bottom - rect.top)};
  }
  POINT origin{0, 0};
  if (!ClientToScreen(scale.window, &origin)) return {};
  const double s = static_cast<double>(scale.dpi) / 96.0 * static_cast<double>(scale.zoom);
  return {node.rect.x * s + origin.x,
          (static_cast<double>(node.rect.y) - scale.scroll_offset) * s + origin.y,
          std::max(node.rect.width * s, 0.0), std::max(node.rect.height * s, 0.0)};
}

ElementRect ProviderState::element_bounds(std::uint64_t id) const {
  Scale scale;
  std::optional<AutomationNode> node;
  {
    std::lock_guard lock(mutex_);
    scale = {window_, dpi_, zoom_, scroll_offset_};
    if (id != 0) {
      const AutomationNode* found = snapshot_.find(id);
      if (found == nullptr) return {};
      node = *found;
    }
  }
  if (scale.window == nullptr || !IsWindow(scale.window)) return {};
  return node ? node_bounds(scale, *node) : client_bounds(scale.window);
}

std::optional<std::uint64_t> ProviderState::hit_test(double x, double y) const {
  Scale scale;
  AutomationSnapshot snapshot;
  {
    std::lock_guard lock(mutex_);
    scale = {window_, dpi_, zoom_, scroll_offset_};
    snapshot = snapshot_;
  }
  if (scale.window == nullptr || !IsWindow(scale.window)) return std::nullopt;
  const auto contains = [x, y](const ElementRect& r) {
    return r.width > 0.0 && r.height > 0.0 && x >= r.left && x < r.left + r.width &&
           y >= r.top && y < r.top + r.height;
  };
  std::uint64_t found = 0;
  const std::vector<std::uint64_t>* candidates = &snapshot.top_level_ids();
  bool descended = true;
  while (descended) {
    descended = false;
    for (auto it = candidates->rbegin(); it != candidates->rend(); ++it) {
      const AutomationNode* node = snapshot.find(*it);
      if (node == nullptr || !contains(node_bounds(scale, *node))) continue;
      found = node->id;
      candidates = &node->child_ids;
      descended = true;
      break;
    }
  }
  if (found != 0) return found;
  if (contains(client_bounds(scale.window))) return 0;
  return std::nullopt;
}

Microsoft::WRL::ComPtr<IRawElementProviderSimple> ProviderState::make_provider(std::uint64_t id) {
  if (!has_element(id)) return nullptr;
  return create_provider(shared_from_this(), id);
}

Microsoft::WRL::ComPtr<IRawElementProviderFragment> ProviderState::make_fragment_provider(
    std::uint64_t id) {
  Microsoft::WRL::ComPtr<IRawElementProviderFragment> fragment;
  if (const auto provider = make_provider(id)) provider.As(&fragment);
  return fragment;
}

// ---- Tests ----

void ProviderState::install_snapshot(AutomationSnapshot snapshot) {
  std::lock_guard lock(mutex_);
  snapshot_ = std::move(snapshot);
  has_snapshot_ = true;
}

AutomationSnapshot ProviderState::snapshot() const {
  std::lock_guard lock(mutex_);
  return snapshot_;
}

}  // namespace win32_ui::modern
