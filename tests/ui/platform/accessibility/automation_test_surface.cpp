#include "tests/ui/platform/accessibility/automation_test_surface.h"

#include <gtest/gtest.h>

#include "ui/platform/theme/theme.h"
#include "ui/views/surface_impl.h"
#include "tests/ui/views/placed_layout.h"

namespace win32_ui::modern::testing {
namespace {

SurfaceServices services_with(std::shared_ptr<AutomationCore> core, std::uint32_t timeout,
                              SemanticsAutomationHost** made) {
  SurfaceServices services;
  services.make_automation_host = [core = std::move(core), timeout, made]() {
    auto host = SemanticsAutomationHost::create(core, timeout);
    *made = host.get();
    return host;
  };
  return services;
}

}  // namespace

ElementInfo element(ElementRole role, std::int32_t flags, std::wstring name) {
  ElementInfo info;
  info.role = role;
  info.exposed = true;
  info.enabled = true;
  info.action_flags = flags;
  info.name = std::move(name);
  return info;
}

AutomationTestSurface::AutomationTestSurface(int width, int height,
                                             std::shared_ptr<AutomationCore> core,
                                             std::uint32_t action_timeout_ms)
    : window(kX, kY, width, height),
      surface(services_with(core ? core : fake, action_timeout_ms, &host_)) {
  auto content = std::make_unique<OverlayPanel>();
  panel = content.get();
  surface.set_content(std::move(content));
}

AutomationTestSurface::~AutomationTestSurface() { surface.detach(); }

bool AutomationTestSurface::attach() {
  return surface.attach(window.hwnd(), Theme::light(kDefaultAccent));
}

ViewRoot* AutomationTestSurface::view_root() const {
  Surface::Impl* impl = Surface::Impl::from_window(window.hwnd());
  return impl != nullptr ? &impl->view_root : nullptr;
}

void AutomationTestSurface::place(std::unique_ptr<View> view, float x, float y, float width,
                                  float height) {
  view->set_layout_params(testing::placed(x, y, width, height));
  panel->add_child(std::move(view));
}

void AutomationTestSurface::settle() {
  surface.refresh();
  host_->sync();
}

Microsoft::WRL::ComPtr<IRawElementProviderSimple> AutomationTestSurface::provider(
    std::uint64_t id) const {
  return host_->make_provider(id);
}

bool pump_until(HANDLE done) {
  for (;;) {
    const DWORD wait = MsgWaitForMultipleObjects(1, &done, FALSE, 10000, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) return true;
    if (wait != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace win32_ui::modern::testing
