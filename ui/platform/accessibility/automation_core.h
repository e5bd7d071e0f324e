// AutomationCore is the part of UI Automation's core that a surface's host
// and providers call: whether clients listen, the three raise functions, the
// WM_GETOBJECT answer and the host provider of a window. The system one
// loads uiautomationcore.dll at run time (no import library exists for
// every toolchain, and a missing export must not keep the program from
// starting); tests pass a recording fake. Shared by a host and every
// provider it made; callable from any thread.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/platform/accessibility/uia_provider_interfaces.h"

namespace win32_ui::modern {

class AutomationCore {
 public:
  virtual ~AutomationCore() = default;

  // UiaClientsAreListening; false when the export is missing.
  virtual bool clients_are_listening() = 0;
  [[nodiscard]] virtual HRESULT raise_automation_event(IRawElementProviderSimple* provider,
                                                       int event_id) = 0;
  [[nodiscard]] virtual HRESULT raise_property_changed_event(IRawElementProviderSimple* provider,
                                                             int property_id, VARIANT old_value,
                                                             VARIANT new_value) = 0;
  [[nodiscard]] virtual HRESULT raise_structure_changed_event(IRawElementProviderSimple* provider,
                                                              int change_type, int* runtime_id,
                                                              int runtime_id_length) = 0;
  // UiaReturnRawElementProvider; 0 when the export is missing.
  virtual LRESULT return_raw_element_provider(HWND window, WPARAM wparam, LPARAM lparam,
                                              IRawElementProviderSimple* provider) = 0;
  // UiaHostProviderFromHwnd; S_OK with null when the export is missing.
  [[nodiscard]] virtual HRESULT host_provider_from_hwnd(HWND window,
                                                        IRawElementProviderSimple** provider) = 0;
};

// The process's one system core, loaded on first use.
std::shared_ptr<AutomationCore> system_automation_core();

}  // namespace win32_ui::modern
