#include "tests/ui/views/surface_harness.h"

#include <gtest/gtest.h>

namespace win32_ui::modern::testing {

BOOL HighContrastSwitch::get_high_contrast(HIGHCONTRASTW* info) {
  info->dwFlags = on ? HCF_HIGHCONTRASTON : 0;
  return TRUE;
}

COLORREF HighContrastSwitch::get_sys_color(int index) { return GetSysColor(index); }

LSTATUS HighContrastSwitch::get_registry_value(HKEY key, const wchar_t* subkey,
                                               const wchar_t* value, DWORD flags, DWORD* type,
                                               void* data, DWORD* size) {
  return RegGetValueW(key, subkey, value, flags, type, data, size);
}

namespace {

SurfaceServices make_services(const std::shared_ptr<quorvel::test::AutomationLog>& log,
                              const std::shared_ptr<quorvel::windows::test::FakeClock>& clock,
                              const bool* animations_on, ThemeSystem* theme_system) {
  SurfaceServices services;
  services.make_automation_host = [log] {
    return std::make_unique<quorvel::test::RecordingAutomationHost>(log);
  };
  services.read_client_area_animation = [animations_on](BOOL* enabled) {
    *enabled = *animations_on ? TRUE : FALSE;
    return TRUE;
  };
  services.theme_system = theme_system;
  services.clock = [clock] {
    return ViewRoot::TimePoint(std::chrono::nanoseconds(clock->now()));
  };
  return services;
}

}  // namespace

SurfaceHarness::SurfaceHarness(int width, int height, bool animations)
    : animations_on(animations),
      window(kX, kY, width, height),
      surface(make_services(log, clock, &animations_on, &high_contrast)) {}

SurfaceHarness::~SurfaceHarness() { surface.detach(); }

RECT SurfaceHarness::update_rect() const {
  RECT rect{};
  if (!GetUpdateRect(window.hwnd(), &rect, FALSE)) return RECT{};
  return rect;
}

bool SurfaceHarness::wait_for_frame_timer(MSG& out) {
  constexpr UINT_PTR kGuard = 0x51A7;
  const Surface::Impl* const bound = impl();
  if (bound == nullptr) return false;
  SetTimer(window.hwnd(), kGuard, 2000, nullptr);
  bool arrived = false;
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == window.hwnd()) {
      if (message.wParam == kGuard) break;
      if (message.wParam == bound->frame_timer_id()) {
        out = message;
        arrived = true;
        break;
      }
    }
    // Paints come while the timer runs; they only tick the fake clock.
    DispatchMessageW(&message);
  }
  KillTimer(window.hwnd(), kGuard);
  return arrived;
}

}  // namespace win32_ui::modern::testing
