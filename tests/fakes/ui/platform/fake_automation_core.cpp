#include "tests/fakes/ui/platform/fake_automation_core.h"

#include <oleauto.h>

#include <cwchar>
#include <string>

#include "ui/platform/accessibility/automation_ids.h"

namespace win32_ui::modern::testing {
namespace {

AutomationValue value_of(const VARIANT& variant) {
  switch (variant.vt) {
    case VT_BOOL:
      return AutomationValue::of_bool(variant.boolVal != VARIANT_FALSE);
    case VT_I4:
      return AutomationValue::of_int(variant.lVal);
    case VT_R8:
      return AutomationValue::of_double(variant.dblVal);
    case VT_BSTR:
      return AutomationValue::of_string(
          variant.bstrVal ? std::wstring(variant.bstrVal, SysStringLen(variant.bstrVal))
                          : std::wstring());
    default: {
      AutomationValue empty;
      empty.kind = -1;
      return empty;
    }
  }
}

}  // namespace

std::uint64_t element_id_of(IRawElementProviderSimple* provider) {
  if (provider == nullptr) return 0;
  VARIANT id;
  VariantInit(&id);
  std::uint64_t result = 0;
  if (SUCCEEDED(provider->GetPropertyValue(automation::kAutomationIdProperty, &id)) &&
      id.vt == VT_BSTR && id.bstrVal != nullptr) {
    const std::wstring text(id.bstrVal, SysStringLen(id.bstrVal));
    const std::wstring prefix = L"semantics-";
    if (text.rfind(prefix, 0) == 0) result = std::stoull(text.substr(prefix.size()));
  }
  VariantClear(&id);
  return result;
}

bool FakeAutomationCore::clients_are_listening() {
  std::lock_guard lock(mutex_);
  return listening_;
}

HRESULT FakeAutomationCore::raise_automation_event(IRawElementProviderSimple* provider,
                                                   int event_id) {
  RecordedEvent event;
  event.kind = RecordedEvent::kAutomation;
  event.element_id = element_id_of(provider);
  event.id = event_id;
  record(std::move(event));
  return S_OK;
}

HRESULT FakeAutomationCore::raise_property_changed_event(IRawElementProviderSimple* provider,
                                                         int property_id, VARIANT old_value,
                                                         VARIANT new_value) {
  RecordedEvent event;
  event.kind = RecordedEvent::kProperty;
  event.element_id = element_id_of(provider);
  event.id = property_id;
  event.old_value = value_of(old_value);
  event.new_value = value_of(new_value);
  record(std::move(event));
  return S_OK;
}

HRESULT FakeAutomationCore::raise_structure_changed_event(IRawElementProviderSimple* provider,
                                                          int change_type, int* runtime_id,
                                                          int) {
  RecordedEvent event;
  event.kind = RecordedEvent::kStructure;
  event.element_id = element_id_of(provider);
  event.id = change_type;
  event.has_runtime_id = runtime_id != nullptr;
  record(std::move(event));
  return S_OK;
}

LRESULT FakeAutomationCore::return_raw_element_provider(HWND window, WPARAM wparam,
                                                        LPARAM lparam,
                                                        IRawElementProviderSimple* provider) {
  std::lock_guard lock(mutex_);
  returns_.push_back({window, wparam, lparam, provider != nullptr});
  return provider != nullptr ? 0x5EED : 0;
}

HRESULT FakeAutomationCore::host_provider_from_hwnd(HWND window,
                                                    IRawElementProviderSimple** provider) {
  if (provider == nullptr) return E_INVALIDARG;
  *provider = nullptr;
  std::lock_guard lock(mutex_);
  host_provider_windows_.push_back(window);
  return S_OK;
}

void FakeAutomationCore::set_listening(bool listening) {
  std::lock_guard lock(mutex_);
  listening_ = listening;
}

std::vector<RecordedEvent> FakeAutomationCore::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<RecordedEvent> FakeAutomationCore::events_of(int kind, int id) const {
  std::lock_guard lock(mutex_);
  std::vector<RecordedEvent> found;
  for (const RecordedEvent& event : events_) {
    if (event.kind == kind && event.id == id) found.push_back(event);
  }
  return found;
}

std::vector<RecordedReturn> FakeAutomationCore::returns() const {
  std::lock_guard lock(mutex_);
  return returns_;
}

std::vector<HWND> FakeAutomationCore::host_provider_windows() const {
  std::lock_guard lock(mutex_);
  return host_provider_windows_;
}

void FakeAutomationCore::clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
  returns_.clear();
  host_provider_windows_.clear();
}

void FakeAutomationCore::record(RecordedEvent event) {
  event.thread = GetCurrentThreadId();
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
}

}  // namespace win32_ui::modern::testing
