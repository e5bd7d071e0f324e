#include "ui/platform/accessibility/semantics_automation_host.h"

namespace win32_ui::modern {

std::unique_ptr<SemanticsAutomationHost> SemanticsAutomationHost::create() {
  return std::make_unique<SemanticsAutomationHost>();
}

void SemanticsAutomationHost::attach(HWND, ViewRoot*) {}

void SemanticsAutomationHost::detach() {}

void SemanticsAutomationHost::update_scale(std::uint32_t, float, float) {}

void SemanticsAutomationHost::sync() {}

void SemanticsAutomationHost::raise_invoked(const Event&) {}

bool SemanticsAutomationHost::handle_message(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

}  // namespace win32_ui::modern
