// Provider is the COM object UI Automation calls for one element of a
// surface, or for the surface itself (element id 0, the fragment root). It
// implements the simple, fragment, fragment-root and window-override
// provider interfaces and the invoke, toggle, expand/collapse, range value
// and value patterns over the state's snapshot; it never touches views, and
// sends actions to the UI thread through ProviderState::run_action. Once the
// surface is gone every method answers that the element is not available.
//
// Reference counted (atomically); every method may be called from any
// thread and no exception leaves one.
#pragma once

#include <wrl/client.h>

#include <cstdint>
#include <memory>

#include "ui/platform/accessibility/uia_provider_interfaces.h"

namespace win32_ui::modern {

class ProviderState;

// A new provider (one reference) for the element; null when it cannot be
// allocated.
Microsoft::WRL::ComPtr<IRawElementProviderSimple> create_provider(
    std::shared_ptr<ProviderState> state, std::uint64_t element_id);

}  // namespace win32_ui::modern
