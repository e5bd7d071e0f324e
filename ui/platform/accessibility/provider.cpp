#include "ui/platform/accessibility/provider.h"

#include <oleauto.h>

#include <atomic>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/exception_guard.h"
#include "ui/platform/accessibility/action_call.h"
#include "ui/platform/accessibility/automation_events.h"
#include "ui/platform/accessibility/automation_ids.h"
#include "ui/platform/accessibility/automation_roles.h"
#include "ui/platform/accessibility/provider_state.h"

namespace win32_ui::modern {
namespace {

namespace ids = automation;
using Microsoft::WRL::ComPtr;
using quorvel::windows::call_guarded;

HRESULT set_bstr(std::wstring_view text, VARIANT* out) {
  BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (value == nullptr) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  out->bstrVal = value;
  return S_OK;
}

void set_bool(bool value, VARIANT* out) {
  out->vt = VT_BOOL;
  out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void set_int(int value, VARIANT* out) {
  out->vt = VT_I4;
  out->lVal = value;
}

bool overlap(const ElementRect& a, const ElementRect& b) {
  return a.width > 0 && a.height > 0 && b.width > 0 && b.height > 0 && a.left < b.left + b.width &&
         b.left < a.left + a.width && a.top < b.top + b.height && b.top < a.top + a.height;
}

class Provider final : public IRawElementProviderSimple,
                       public IRawElementProviderFragment,
                       public IRawElementProviderFragmentRoot,
                       public IRawElementProviderHwndOverride,
                       public IInvokeProvider,
                       public IToggleProvider,
                       public IExpandCollapseProvider,
                       public IRangeValueProvider,
                       public IValueProvider {
 public:
  Provider(std::shared_ptr<ProviderState> state, std::uint64_t id)
      : state_(std::move(state)), id_(id) {}

  // ---- IUnknown ----
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IRawElementProviderSimple)) {
      *out = static_cast<IRawElementProviderSimple*>(this);
    } else if (iid == __uuidof(IRawElementProviderFragment)) {
      *out = static_cast<IRawElementProviderFragment*>(this);
    } else if (iid == __uuidof(IRawElementProviderFragmentRoot) && is_root()) {
      *out = static_cast<IRawElementProviderFragmentRoot*>(this);
    } else if (iid == __uuidof(IRawElementProviderHwndOverride) && is_root()) {
      *out = static_cast<IRawElementProviderHwndOverride*>(this);
    } else if (iid == __uuidof(IInvokeProvider)) {
      *out = static_cast<IInvokeProvider*>(this);
    } else if (iid == __uuidof(IToggleProvider)) {
      *out = static_cast<IToggleProvider*>(this);
    } else if (iid == __uuidof(IExpandCollapseProvider)) {
      *out = static_cast<IExpandCollapseProvider*>(this);
    } else if (iid == __uuidof(IRangeValueProvider)) {
      *out = static_cast<IRangeValueProvider*>(this);
    } else if (iid == __uuidof(IValueProvider)) {
      *out = static_cast<IValueProvider*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
  }

  // ---- IRawElementProviderSimple ----
  HRESULT STDMETHODCALLTYPE get_ProviderOptions(enum ProviderOptions* out) override {
    if (out == nullptr) return E_INVALIDARG;
    return call_guarded([&]() -> HRESULT {
      int options = ids::kServerSideProvider | ids::kUseComThreading;
      const std::optional<AutomationNode> node = is_root() ? std::nullopt : state_->node(id_);
      if (node && node->native_handle != nullptr) options |= ids::kOverrideProvider;
      *out = static_cast<enum ProviderOptions>(options);
      return state_->has_element(id_) ? S_OK : ids::kElementNotAvailable;
    });
  }

  HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return call_guarded([&]() -> HRESULT {
      if (!state_->has_element(id_)) return ids::kElementNotAvailable;
      if (is_root()) return S_OK;
      const std::optional<AutomationNode> node = state_->node(id_);
      if (!node) return ids::kElementNotAvailable;
      IUnknown* pattern_object = nullptr;
      if (pattern == ids::kInvokePattern && node->has_action(ElementAction::kInvoke)) {
        pattern_object = static_cast<IInvokeProvider*>(this);
      } else if (pattern == ids::kValuePattern &&
                 (node->role == ElementRole::kEdit || node->role == ElementRole::kComboBox ||
                  node->has_action(ElementAction::kSetValueText))) {
        pattern_object = static_cast<IValueProvider*>(this);
      } else if (pattern == ids::kRangeValuePattern && node->has_range) {
        pattern_object = static_cast<IRangeValueProvider*>(this);
      } else if (pattern == ids::kExpandCollapsePattern && node->expanded_state.has_value()) {
        pattern_object = static_cast<IExpandCollapseProvider*>(this);
      } else if (pattern == ids::kTogglePattern && node->has_action(ElementAction::kToggle)) {
        pattern_object = static_cast<IToggleProvider*>(this);
      }
      if (pattern_object != nullptr) {
        pattern_object->AddRef();
        *out = pattern_object;
      }
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* out) override {
    if (out == nullptr) return E_INVALIDARG;
    VariantInit(out);
    return call_guarded([&]() -> HRESULT {
      if (is_root()) return root_property(property, out);
      const std::optional<AutomationNode> node = state_->node(id_);
      if (!node) return ids::kElementNotAvailable;
      return element_property(*node, property, out);
    });
  }

  HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return call_guarded([&]() -> HRESULT {
      HWND window = nullptr;
      if (is_root()) {
        if (!state_->is_alive()) return ids::kElementNotAvailable;
        window = state_->window();
      } else {
        const std::optional<AutomationNode> node = state_->node(id_);
        if (!node) return ids::kElementNotAvailable;
        window = node->native_handle;
      }
      if (window == nullptr) return S_OK;
      return state_->core().host_provider_from_hwnd(window, out);
    });
  }

  // ---- IRawElementProviderFragment ----
  HRESULT STDMETHODCALLTYPE Navigate(enum NavigateDirection direction,
                                     IRawElementProviderFragment** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return call_guarded([&]() -> HRESULT {
      if (!state_->has_element(id_)) return ids::kElementNotAvailable;
      const std::optional<std::uint64_t> target = navigation_target(static_cast<int>(direction));
      if (!target) return S_OK;
      return hand_out_fragment(*target, out);
    });
  }

  HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return call_guarded([&]() -> HRESULT {
      if (!state_->has_element(id_)) return ids::kElementNotAvailable;
      if (is_root()) return S_OK;
      SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 3);
      if (array == nullptr) return E_OUTOFMEMORY;
      const LONG parts[3] = {ids::kAppendRuntimeId, static_cast<LONG>(id_ & 0xFFFFFFFFu),
                             static_cast<LONG>(id_ >> 32)};
      for (LONG index = 0; index < 3; ++index) {
        LONG value = parts[index];
        const HRESULT put = SafeArrayPutElement(array, &index, &value);
        if (FAILED(put)) {
          SafeArrayDestroy(array);
          return put;
        }
      }
      *out = array;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = UiaRect{};
    return call_guarded([&]() -> HRESULT {
      if (!state_->has_element(id_)) return ids::kElementNotAvailable;
      const ElementRect rect = state_->element_bounds(id_);
      *out = UiaRect{rect.left, rect.top, rect.width, rect.height};
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return call_guarded([&]() -> HRESULT {
      return state_->has_element(id_) ? S_OK : ids::kElementNotAvailable;
    });
  }

  HRESULT STDMETHODCALLTYPE SetFocus() override {
    return call_guarded([&]() -> HRESULT {
      if (!is_root()) return perform(ElementAction::kFocus, 0.0, {});
      if (!state_->is_alive()) return ids::kElementNotAvailable;
      ActionCall call;
      call.element_id = 0;
      call.action.kind = ElementAction::kFocus;
      return state_->run_action(call) ? S_OK : E_FAIL;
    });
  }

  HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return call_guarded([&]() -> HRESULT {
      if (!state_->has_element(id_)) return ids::kElementNotAvailable;
      const ComPtr<IRawElementProviderSimple> root = create_provider(state_, 0);
      if (!root) return E_OUTOFMEMORY;
      return root->QueryInterface(__uuidof(IRawElementProviderFragmentRoot),
                                  reinterpret_cast<void**>(out));
    });
  }

  // ---- IRawElementProviderFragmentRoot ----
  HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double x, double y,
                                                     IRawElementProviderFragment** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (!is_root()) return E_NOINTERFACE;
    return call_guarded([&]() -> HRESULT {
      if (!state_->is_alive()) return ids::kElementNotAvailable;
      const std::optional<std::uint64_t> hit = state_->hit_test(x, y);
      if (!hit) return S_OK;
      return hand_out_fragment(*hit, out);
    });
  }

  HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (!is_root()) return E_NOINTERFACE;
    return call_guarded([&]() -> HRESULT {
      if (!state_->is_alive()) return ids::kElementNotAvailable;
      const std::uint64_t focused = state_->focused_id();
      if (focused == 0) return S_OK;
      return hand_out_fragment(focused, out);
    });
  }

  // ---- IRawElementProviderHwndOverride ----
  HRESULT STDMETHODCALLTYPE GetOverrideProviderForHwnd(HWND window,
                                                       IRawElementProviderSimple** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (!is_root()) return E_NOINTERFACE;
    return call_guarded([&]() -> HRESULT {
      if (!state_->is_alive()) return ids::kElementNotAvailable;
      const std::optional<std::uint64_t> owner = state_->node_for_native_window(window);
      if (!owner) return S_OK;
      ComPtr<IRawElementProviderSimple> provider = create_provider(state_, *owner);
      if (!provider) return E_OUTOFMEMORY;
      *out = provider.Detach();
      return S_OK;
    });
  }

  // ---- Patterns ----
  HRESULT STDMETHODCALLTYPE Invoke() override {
    return call_guarded([&] { return perform(ElementAction::kInvoke, 0.0, {}); });
  }

  HRESULT STDMETHODCALLTYPE Toggle() override {
    return call_guarded([&] { return perform(ElementAction::kToggle, 0.0, {}); });
  }

  HRESULT STDMETHODCALLTYPE get_ToggleState(enum ToggleState* out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = ToggleState_Off;
    return read_node([&](const AutomationNode& node) -> HRESULT {
      if (!node.toggle_state) return ids::kInvalidOperation;
      *out = *node.toggle_state ? ToggleState_On : ToggleState_Off;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE Expand() override {
    return call_guarded([&] { return perform(ElementAction::kExpand, 0.0, {}); });
  }

  HRESULT STDMETHODCALLTYPE Collapse() override {
    return call_guarded([&] { return perform(ElementAction::kCollapse, 0.0, {}); });
  }

  HRESULT STDMETHODCALLTYPE get_ExpandCollapseState(enum ExpandCollapseState* out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = ExpandCollapseState_Collapsed;
    return read_node([&](const AutomationNode& node) -> HRESULT {
      if (!node.expanded_state) return ids::kInvalidOperation;
      *out = *node.expanded_state ? ExpandCollapseState_Expanded : ExpandCollapseState_Collapsed;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE SetValue(double value) override {
    return call_guarded([&] { return perform(ElementAction::kSetRangeValue, value, {}); });
  }

  HRESULT STDMETHODCALLTYPE get_Value(double* out) override {
    return range_field(out, [](const AutomationNode& node) { return node.range_value; });
  }

  HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = FALSE;
    return read_node([&](const AutomationNode& node) -> HRESULT {
      *out = node.effectively_read_only() ? TRUE : FALSE;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_Maximum(double* out) override {
    return range_field(out, [](const AutomationNode& node) { return node.range_maximum; });
  }

  HRESULT STDMETHODCALLTYPE get_Minimum(double* out) override {
    return range_field(out, [](const AutomationNode& node) { return node.range_minimum; });
  }

  HRESULT STDMETHODCALLTYPE get_LargeChange(double* out) override {
    return range_field(out, [](const AutomationNode& node) {
      return node.range_step > 0.0 ? node.range_step * 10.0 : 0.0;
    });
  }

  HRESULT STDMETHODCALLTYPE get_SmallChange(double* out) override {
    return range_field(out, [](const AutomationNode& node) { return node.range_step; });
  }

  HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) override {
    if (value == nullptr) return E_INVALIDARG;
    return call_guarded([&] { return perform(ElementAction::kSetValueText, 0.0, value); });
  }

  HRESULT STDMETHODCALLTYPE get_Value(BSTR* out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return read_node([&](const AutomationNode& node) -> HRESULT {
      BSTR text = SysAllocStringLen(node.value_text.data(),
                                    static_cast<UINT>(node.value_text.size()));
      if (text == nullptr) return E_OUTOFMEMORY;
      *out = text;
      return S_OK;
    });
  }

 private:
  ~Provider() = default;

  bool is_root() const { return id_ == 0; }

  template <typename Reader>
  HRESULT read_node(Reader&& reader) {
    return call_guarded([&]() -> HRESULT {
      const std::optional<AutomationNode> node = state_->node(id_);
      if (!node) return ids::kElementNotAvailable;
      return reader(*node);
    });
  }

  template <typename Field>
  HRESULT range_field(double* out, Field&& field) {
    if (out == nullptr) return E_INVALIDARG;
    *out = 0.0;
    return read_node([&](const AutomationNode& node) -> HRESULT {
      if (!node.has_range) return ids::kInvalidOperation;
      *out = field(node);
      return S_OK;
    });
  }

  HRESULT hand_out_fragment(std::uint64_t id, IRawElementProviderFragment** out) {
    const ComPtr<IRawElementProviderSimple> provider = create_provider(state_, id);
    if (!provider) return E_OUTOFMEMORY;
    return provider->QueryInterface(__uuidof(IRawElementProviderFragment),
                                    reinterpret_cast<void**>(out));
  }

  std::optional<std::uint64_t> navigation_target(int direction) const {
    if (is_root()) {
      const std::vector<std::uint64_t> top = state_->top_level_ids();
      if (top.empty()) return std::nullopt;
      if (direction == ids::kNavigateFirstChild) return top.front();
      if (direction == ids::kNavigateLastChild) return top.back();
      return std::nullopt;
    }
    const std::optional<AutomationNode> node = state_->node(id_);
    if (!node) return std::nullopt;
    switch (direction) {
      case ids::kNavigateParent:
        return node->parent_id;
      case ids::kNavigateNextSibling:
      case ids::kNavigatePreviousSibling:
        return sibling(*node, direction == ids::kNavigateNextSibling);
      case ids::kNavigateFirstChild:
        if (node->child_ids.empty()) return std::nullopt;
        return node->child_ids.front();
      case ids::kNavigateLastChild:
        if (node->child_ids.empty()) return std::nullopt;
        return node->child_ids.back();
      default:
        return std::nullopt;
    }
  }

  std::optional<std::uint64_t> sibling(const AutomationNode& node, bool next) const {
    std::vector<std::uint64_t> siblings;
    if (node.parent_id == 0) {
      siblings = state_->top_level_ids();
    } else if (const std::optional<AutomationNode> parent = state_->node(node.parent_id)) {
      siblings = parent->child_ids;
    }
    for (std::size_t i = 0; i < siblings.size(); ++i) {
      if (siblings[i] != node.id) continue;
      if (next) {
        if (i + 1 < siblings.size()) return siblings[i + 1];
      } else if (i > 0) {
        return siblings[i - 1];
      }
      return std::nullopt;
    }
    return std::nullopt;
  }

  HRESULT root_property(PROPERTYID property, VARIANT* out) {
    if (!state_->is_alive()) return ids::kElementNotAvailable;
    const HWND window = state_->window();
    switch (property) {
      case ids::kControlTypeProperty:
        set_int(ids::kPaneControlType, out);
        return S_OK;
      case ids::kNameProperty: {
        wchar_t title[512] = {};
        const int length = GetWindowTextW(window, title, 512);
        return set_bstr(std::wstring_view(title, length > 0 ? length : 0), out);
      }
      case ids::kHasKeyboardFocusProperty: {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        const bool has = GetGUIThreadInfo(state_->ui_thread(), &info) &&
                         info.hwndFocus != nullptr &&
                         (info.hwndFocus == window || IsChild(window, info.hwndFocus));
        set_bool(has, out);
        return S_OK;
      }
      case ids::kIsKeyboardFocusableProperty:
      case ids::kIsControlElementProperty:
      case ids::kIsContentElementProperty:
        set_bool(true, out);
        return S_OK;
      case ids::kIsEnabledProperty:
        set_bool(IsWindowEnabled(window) != FALSE, out);
        return S_OK;
      case ids::kClassNameProperty:
        return set_bstr(kSurfaceClassName, out);
      case ids::kIsOffscreenProperty:
        set_bool(IsWindowVisible(window) == FALSE, out);
        return S_OK;
      case ids::kFrameworkIdProperty:
        return set_bstr(kFrameworkId, out);
      default:
        return S_OK;
    }
  }

  HRESULT element_property(const AutomationNode& node, PROPERTYID property, VARIANT* out) {
    switch (property) {
      case ids::kControlTypeProperty:
        set_int(automation_role(node.role).control_type, out);
        return S_OK;
      case ids::kNameProperty:
        return set_bstr(node.name, out);
      case ids::kHasKeyboardFocusProperty:
        set_bool(node.focused, out);
        return S_OK;
      case ids::kIsKeyboardFocusableProperty:
        set_bool(node.focusable, out);
        return S_OK;
      case ids::kIsEnabledProperty:
        set_bool(node.enabled, out);
        return S_OK;
      case ids::kAutomationIdProperty:
        return set_bstr(std::wstring(kAutomationIdPrefix) + std::to_wstring(node.id), out);
      case ids::kClassNameProperty:
        return set_bstr(automation_role(node.role).class_name, out);
      case ids::kHelpTextProperty:
        return set_bstr(node.help_text, out);
      case ids::kIsControlElementProperty:
      case ids::kIsContentElementProperty:
        set_bool(true, out);
        return S_OK;
      case ids::kNativeWindowHandleProperty:
        if (node.native_handle != nullptr) {
          set_int(static_cast<int>(reinterpret_cast<std::intptr_t>(node.native_handle)), out);
        }
        return S_OK;
      case ids::kIsOffscreenProperty:
        set_bool(!overlap(state_->element_bounds(node.id), state_->element_bounds(0)), out);
        return S_OK;
      case ids::kFrameworkIdProperty:
        return set_bstr(kFrameworkId, out);
      case ids::kExpandCollapseStateProperty:
        if (node.expanded_state) {
          set_int(*node.expanded_state ? ids::kExpanded : ids::kCollapsed, out);
        }
        return S_OK;
      default:
        return S_OK;
    }
  }

  // The action path of every pattern method.
  HRESULT perform(std::int32_t kind, double value, std::wstring text) {
    const std::optional<AutomationNode> node = state_->node(id_);
    if (!node) return ids::kElementNotAvailable;
    if (!node->enabled) return ids::kElementNotEnabled;
    if (!node->has_action(kind)) return ids::kInvalidOperation;
    ActionCall call;
    call.element_id = id_;
    call.action.kind = kind;
    call.action.value = value;
    call.action.text = std::move(text);
    if (!state_->run_action(call)) return ids::kActionFailed;
    publish_diff(*state_, call.diff);
    if (kind == ElementAction::kInvoke) {
      raise_element_event(*state_, id_, ids::kInvokedEvent);
    }
    return S_OK;
  }

  std::atomic<ULONG> references_{1};
  const std::shared_ptr<ProviderState> state_;
  const std::uint64_t id_;
};

}  // namespace

ComPtr<IRawElementProviderSimple> create_provider(std::shared_ptr<ProviderState> state,
                                                  std::uint64_t element_id) {
  auto* provider = new (std::nothrow) Provider(std::move(state), element_id);
  ComPtr<IRawElementProviderSimple> result;
  // The new object's own reference is handed over as it is: MinGW's
  // ComPtr::Attach would add a second one that nobody releases.
  if (provider != nullptr) *result.GetAddressOf() = static_cast<IRawElementProviderSimple*>(provider);
  return result;
}

}  // namespace win32_ui::modern
