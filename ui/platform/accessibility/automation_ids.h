// The UI Automation numbers the toolkit's provider speaks: result codes,
// property, event, pattern and control-type ids, the root object id of
// WM_GETOBJECT, and the provider options. Named here once so code and tests
// say what they mean; the values are UI Automation's own.
#pragma once

#include <windows.h>

#include <cstdint>

namespace win32_ui::modern::automation {

// ---- Results ----
inline constexpr HRESULT kElementNotEnabled = static_cast<HRESULT>(0x80040200);
inline constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);
// An element lacks the pattern data or the action a request needs.
inline constexpr HRESULT kInvalidOperation = static_cast<HRESULT>(0x80040204);
// A request reached the element but the action did not happen: the view
// refused, the element went away, or the UI thread stayed busy past the
// bound.
inline constexpr HRESULT kActionFailed = static_cast<HRESULT>(0x80131509);

// ---- WM_GETOBJECT ----
// The object id UI Automation asks a window for; the SDK's mingw headers
// lack it.
inline constexpr LONG kRootObjectId = -25;
// First element of a runtime id that the core completes with the window's.
inline constexpr int kAppendRuntimeId = 3;

// ---- Provider options ----
inline constexpr int kServerSideProvider = 0x2;
inline constexpr int kOverrideProvider = 0x8;
inline constexpr int kUseComThreading = 0x20;

// ---- Properties ----
inline constexpr int kControlTypeProperty = 30003;
inline constexpr int kNameProperty = 30005;
inline constexpr int kHasKeyboardFocusProperty = 30008;
inline constexpr int kIsKeyboardFocusableProperty = 30009;
inline constexpr int kIsEnabledProperty = 30010;
inline constexpr int kAutomationIdProperty = 30011;
inline constexpr int kClassNameProperty = 30012;
inline constexpr int kHelpTextProperty = 30013;
inline constexpr int kIsControlElementProperty = 30016;
inline constexpr int kIsContentElementProperty = 30017;
inline constexpr int kNativeWindowHandleProperty = 30020;
inline constexpr int kIsOffscreenProperty = 30022;
inline constexpr int kFrameworkIdProperty = 30024;
inline constexpr int kValueValueProperty = 30045;
inline constexpr int kValueIsReadOnlyProperty = 30046;
inline constexpr int kRangeValueValueProperty = 30047;
inline constexpr int kRangeValueIsReadOnlyProperty = 30048;
inline constexpr int kExpandCollapseStateProperty = 30070;
inline constexpr int kToggleStateProperty = 30086;

// ---- Events ----
inline constexpr int kFocusChangedEvent = 20005;
inline constexpr int kLayoutInvalidatedEvent = 20008;
inline constexpr int kInvokedEvent = 20009;
// StructureChangeType_ChildrenInvalidated.
inline constexpr int kChildrenInvalidated = 2;

// ---- Patterns ----
inline constexpr int kInvokePattern = 10000;
inline constexpr int kValuePattern = 10002;
inline constexpr int kRangeValuePattern = 10003;
inline constexpr int kExpandCollapsePattern = 10005;
inline constexpr int kTogglePattern = 10015;

// ---- Control types ----
inline constexpr int kPaneControlType = 50033;

// ---- Navigation, toggle and expand states ----
inline constexpr int kNavigateParent = 0;
inline constexpr int kNavigateNextSibling = 1;
inline constexpr int kNavigatePreviousSibling = 2;
inline constexpr int kNavigateFirstChild = 3;
inline constexpr int kNavigateLastChild = 4;
inline constexpr int kToggleOff = 0;
inline constexpr int kToggleOn = 1;
inline constexpr int kToggleIndeterminate = 2;
inline constexpr int kCollapsed = 0;
inline constexpr int kExpanded = 1;
inline constexpr int kLeafNode = 3;

}  // namespace win32_ui::modern::automation
