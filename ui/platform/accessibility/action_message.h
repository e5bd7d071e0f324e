// The window message that carries a UI Automation action to the thread that
// owns a surface window: "win32_ui.SemanticsAutomationHost.Action.v1",
// registered once per process on first use. 0 when registration failed, in
// which case no action crosses threads. Any thread.
#pragma once

#include <windows.h>

namespace win32_ui::modern {

inline constexpr wchar_t kActionMessageName[] = L"win32_ui.SemanticsAutomationHost.Action.v1";

UINT action_message();

}  // namespace win32_ui::modern
