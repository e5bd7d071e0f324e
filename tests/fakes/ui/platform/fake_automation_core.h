// An AutomationCore for tests: reports that clients listen (unless told
// otherwise) and records every event raised and every WM_GETOBJECT answer,
// naming each element by the id its provider reports ("semantics-N" gives
// N, the surface gives 0). Never calls the system's UI Automation.
// Thread-safe: providers raise from UI Automation's threads too.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "ui/platform/accessibility/automation_core.h"
#include "ui/platform/accessibility/snapshot_diff.h"

namespace win32_ui::modern::testing {

struct RecordedEvent {
  static constexpr int kAutomation = 0;
  static constexpr int kProperty = 1;
  static constexpr int kStructure = 2;

  int kind = kAutomation;
  std::uint64_t element_id = 0;
  // The event id, the property id or the structure change type.
  int id = 0;
  AutomationValue old_value;
  AutomationValue new_value;
  bool has_runtime_id = false;
  DWORD thread = 0;
};

struct RecordedReturn {
  HWND window = nullptr;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  bool had_provider = false;
};

class FakeAutomationCore final : public AutomationCore {
 public:
  bool clients_are_listening() override;
  HRESULT raise_automation_event(IRawElementProviderSimple* provider, int event_id) override;
  HRESULT raise_property_changed_event(IRawElementProviderSimple* provider, int property_id,
                                       VARIANT old_value, VARIANT new_value) override;
  HRESULT raise_structure_changed_event(IRawElementProviderSimple* provider, int change_type,
                                        int* runtime_id, int runtime_id_length) override;
  LRESULT return_raw_element_provider(HWND window, WPARAM wparam, LPARAM lparam,
                                      IRawElementProviderSimple* provider) override;
  HRESULT host_provider_from_hwnd(HWND window, IRawElementProviderSimple** provider) override;

  void set_listening(bool listening);
  std::vector<RecordedEvent> events() const;
  // Events of one kind and id, e.g. (kAutomation, 20009).
  std::vector<RecordedEvent> events_of(int kind, int id) const;
  std::vector<RecordedReturn> returns() const;
  // The windows host providers were asked for, in order.
  std::vector<HWND> host_provider_windows() const;
  void clear();

 private:
  void record(RecordedEvent event);

  mutable std::mutex mutex_;
  bool listening_ = true;
  std::vector<RecordedEvent> events_;
  std::vector<RecordedReturn> returns_;
  std::vector<HWND> host_provider_windows_;
};

// The element id a provider reports through its automation id.
std::uint64_t element_id_of(IRawElementProviderSimple* provider);

}  // namespace win32_ui::modern::testing
