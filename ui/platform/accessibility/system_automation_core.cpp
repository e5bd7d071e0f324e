#include "ui/platform/accessibility/automation_core.h"

namespace win32_ui::modern {
namespace {

using ClientsAreListening = BOOL(WINAPI*)();
using RaiseAutomationEvent = HRESULT(WINAPI*)(IRawElementProviderSimple*, int);
using RaisePropertyChanged = HRESULT(WINAPI*)(IRawElementProviderSimple*, int, VARIANT, VARIANT);
using RaiseStructureChanged = HRESULT(WINAPI*)(IRawElementProviderSimple*, int, int*, int);
using ReturnRawElementProvider = LRESULT(WINAPI*)(HWND, WPARAM, LPARAM,
                                                  IRawElementProviderSimple*);
using HostProviderFromHwnd = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);

template <typename Function>
Function find_export(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The module stays loaded for the life of the process: providers handed to
// clients may call into it until the very end. It comes from the system
// folder only, never from a copy planted beside the program.
class SystemAutomationCore final : public AutomationCore {
 public:
  SystemAutomationCore()
      : module_(LoadLibraryExW(L"uiautomationcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)),
        listening_(find_export<ClientsAreListening>(module_, "UiaClientsAreListening")),
        raise_event_(find_export<RaiseAutomationEvent>(module_, "UiaRaiseAutomationEvent")),
        raise_property_(find_export<RaisePropertyChanged>(
            module_, "UiaRaiseAutomationPropertyChangedEvent")),
        raise_structure_(
            find_export<RaiseStructureChanged>(module_, "UiaRaiseStructureChangedEvent")),
        return_provider_(
            find_export<ReturnRawElementProvider>(module_, "UiaReturnRawElementProvider")),
        host_provider_(find_export<HostProviderFromHwnd>(module_, "UiaHostProviderFromHwnd")) {}

  bool clients_are_listening() override { return listening_ != nullptr && listening_() != FALSE; }

  HRESULT raise_automation_event(IRawElementProviderSimple* provider, int event_id) override {
    return raise_event_ ? raise_event_(provider, event_id) : E_NOTIMPL;
  }

  HRESULT raise_property_changed_event(IRawElementProviderSimple* provider, int property_id,
                                       VARIANT old_value, VARIANT new_value) override {
    return raise_property_ ? raise_property_(provider, property_id, old_value, new_value)
                           : E_NOTIMPL;
  }

  HRESULT raise_structure_changed_event(IRawElementProviderSimple* provider, int change_type,
                                        int* runtime_id, int runtime_id_length) override {
    return raise_structure_ ? raise_structure_(provider, change_type, runtime_id,
                                               runtime_id_length)
                            : E_NOTIMPL;
  }

  LRESULT return_raw_element_provider(HWND window, WPARAM wparam, LPARAM lparam,
                                      IRawElementProviderSimple* provider) override {
    return return_provider_ ? return_provider_(window, wparam, lparam, provider) : 0;
  }

  HRESULT host_provider_from_hwnd(HWND window, IRawElementProviderSimple** provider) override {
    if (provider == nullptr) return E_INVALIDARG;
    *provider = nullptr;
    return host_provider_ ? host_provider_(window, provider) : S_OK;
  }

 private:
  const HMODULE module_;
  const ClientsAreListening listening_;
  const RaiseAutomationEvent raise_event_;
  const RaisePropertyChanged raise_property_;
  const RaiseStructureChanged raise_structure_;
  const ReturnRawElementProvider return_provider_;
  const HostProviderFromHwnd host_provider_;
};

}  // namespace

std::shared_ptr<AutomationCore> system_automation_core() {
  static const std::shared_ptr<AutomationCore> core = std::make_shared<SystemAutomationCore>();
  return core;
}

}  // namespace win32_ui::modern
