#include "ui/platform/accessibility/semantics_automation_host.h"

#include <utility>

#include "ui/platform/accessibility/action_message.h"
#include "ui/platform/accessibility/automation_events.h"
#include "ui/platform/accessibility/automation_ids.h"
#include "ui/views/event.h"
#include "ui/views/view.h"

namespace win32_ui::modern {

std::unique_ptr<SemanticsAutomationHost> SemanticsAutomationHost::create() {
  return std::make_unique<SemanticsAutomationHost>();
}

std::unique_ptr<SemanticsAutomationHost> SemanticsAutomationHost::create(
    std::shared_ptr<AutomationCore> core, std::uint32_t action_timeout_ms) {
  return std::make_unique<SemanticsAutomationHost>(std::move(core), action_timeout_ms);
}

SemanticsAutomationHost::SemanticsAutomationHost()
    : SemanticsAutomationHost(system_automation_core()) {}

SemanticsAutomationHost::SemanticsAutomationHost(std::shared_ptr<AutomationCore> core,
                                                 std::uint32_t action_timeout_ms)
    : state_(std::make_shared<ProviderState>(std::move(core), action_timeout_ms)) {}

SemanticsAutomationHost::~SemanticsAutomationHost() { SemanticsAutomationHost::detach(); }

void SemanticsAutomationHost::attach(HWND window, ViewRoot* root) {
  detach();
  if (window == nullptr || !IsWindow(window)) return;
  state_->bind(window, root);
  sync();
}

void SemanticsAutomationHost::detach() {
  const HWND window = state_->unbind();
  // The detach form of the call: UI Automation releases what it holds of
  // this window's providers.
  if (window != nullptr) state_->core().return_raw_element_provider(window, 0, 0, nullptr);
}

void SemanticsAutomationHost::update_scale(std::uint32_t dpi, float zoom, float scroll_offset) {
  if (state_->set_scale(dpi, zoom, scroll_offset)) {
    raise_event(0, automation::kLayoutInvalidatedEvent);
  }
}

void SemanticsAutomationHost::sync() { publish_diff(*state_, state_->capture()); }

void SemanticsAutomationHost::raise_invoked(const Event& event) {
  if (event.source == nullptr || event.kind != Event::kInvoked ||
      event.origin == kInputAccessibility) {
    return;
  }
  raise_event(event.source->id(), automation::kInvokedEvent);
}

bool SemanticsAutomationHost::handle_message(UINT message, WPARAM wparam, LPARAM lparam,
                                             LRESULT* result) {
  if (message == WM_GETOBJECT &&
      static_cast<LONG>(static_cast<DWORD>(lparam)) == automation::kRootObjectId) {
    if (!state_->is_alive()) return false;
    const auto root = make_provider(0);
    if (!root) return false;
    const LRESULT answer =
        state_->core().return_raw_element_provider(state_->window(), wparam, lparam, root.Get());
    if (result != nullptr) *result = answer;
    return true;
  }
  if (const UINT action = action_message(); action != 0 && message == action) {
    const bool done = state_->run_pending_call(static_cast<std::uint64_t>(wparam));
    if (result != nullptr) *result = done ? 1 : 0;
    return true;
  }
  return false;
}

Microsoft::WRL::ComPtr<IRawElementProviderSimple> SemanticsAutomationHost::make_provider(
    std::uint64_t id) const {
  return state_->make_provider(id);
}

void SemanticsAutomationHost::raise_event(std::uint64_t id, int event_id) const {
  raise_element_event(*state_, id, event_id);
}

}  // namespace win32_ui::modern
