#include "ui/platform/accessibility/automation_events.h"

#include <oleauto.h>

#include "ui/platform/accessibility/automation_ids.h"

namespace win32_ui::modern {
namespace {

// Owns one VARIANT for the length of a raise.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* out() { return &value_; }
  const VARIANT& get() const { return value_; }

 private:
  VARIANT value_;
};

void raise_property_change(ProviderState& state, const PropertyChange& change) {
  const auto provider = state.make_provider(change.element_id);
  if (!provider) return;
  ScopedVariant old_value;
  ScopedVariant new_value;
  if (FAILED(change.old_value.to_variant(old_value.out())) ||
      FAILED(change.new_value.to_variant(new_value.out()))) {
    return;
  }
  (void)state.core().raise_property_changed_event(provider.Get(), change.property_id,
                                                  old_value.get(), new_value.get());
}

void raise_without_listening_check(ProviderState& state, std::uint64_t element_id,
                                   int event_id) {
  if (const auto provider = state.make_provider(element_id)) {
    (void)state.core().raise_automation_event(provider.Get(), event_id);
  }
}

}  // namespace

void raise_element_event(ProviderState& state, std::uint64_t element_id, int event_id) {
  if (!state.core().clients_are_listening()) return;
  raise_without_listening_check(state, element_id, event_id);
}

void publish_diff(ProviderState& state, const SnapshotDiff& diff) {
  if (!diff.computed || !state.core().clients_are_listening()) return;
  for (const PropertyChange& change : diff.property_changes) raise_property_change(state, change);
  if (diff.structure_changed) {
    if (const auto root = state.make_provider(0)) {
      (void)state.core().raise_structure_changed_event(root.Get(), automation::kChildrenInvalidated,
                                                       nullptr, 0);
    }
  }
  if (diff.bounds_changed) {
    raise_without_listening_check(state, 0, automation::kLayoutInvalidatedEvent);
  }
  if (diff.new_focused_id != 0 && diff.new_focused_id != diff.previous_focused_id) {
    raise_without_listening_check(state, diff.new_focused_id, automation::kFocusChangedEvent);
  }
}

}  // namespace win32_ui::modern
