// How an element's role looks to UI Automation: its class name and control
// type. Any value outside the known roles is shown as a plain view.
#pragma once

#include <string_view>

#include "ui/views/element_info.h"

namespace win32_ui::modern {

struct AutomationRole {
  std::wstring_view class_name;
  int control_type = 0;
};

AutomationRole automation_role(ElementRole role);

inline constexpr std::wstring_view kSurfaceClassName = L"win32_ui.Surface";
inline constexpr std::wstring_view kFrameworkId = L"win32-ui";
inline constexpr std::wstring_view kAutomationIdPrefix = L"semantics-";

}  // namespace win32_ui::modern
