// What the surface tests share: a Surface on a real visible popup window of
// the test display, with a recording automation host, an animation setting
// and a high-contrast answer the test chooses, and a fake clock; and views
// that fill their bounds and count their draws, placed by margins inside an
// overlay panel.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>

#include "tests/fakes/ui/views/recording_automation_host.h"
#include "tests/support/fake_clock.h"
#include "tests/ui/views/placed_layout.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/theme/theme_system.h"
#include "ui/views/draw_context.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/surface.h"
#include "ui/views/surface_impl.h"
#include "ui/views/view.h"

namespace win32_ui::modern::testing {

// Fills its bounds with its colour.
class FillView : public View {
 public:
  explicit FillView(ui::graphics::Color color) : color_(color) {}
  void set_color(ui::graphics::Color color) {
    color_ = color;
    invalidate();
  }
  int draws = 0;
  void draw(DrawContext& context) override {
    ++draws;
    context.canvas()->fill_rect(context.bounds_px(), color_);
  }

 private:
  ui::graphics::Color color_;
};

// Answers the high-contrast read as told; the other reads are the system's.
class HighContrastSwitch final : public ThemeSystem {
 public:
  bool on = false;
  BOOL get_high_contrast(HIGHCONTRASTW* info) override;
  COLORREF get_sys_color(int index) override;
  LSTATUS get_registry_value(HKEY key, const wchar_t* subkey, const wchar_t* value, DWORD flags,
                             DWORD* type, void* data, DWORD* size) override;
};

class SurfaceHarness {
 public:
  static constexpr int kX = 40;
  static constexpr int kY = 40;

  // A window of width x height client pixels, not yet attached.
  SurfaceHarness(int width, int height, bool animations_on = true);
  ~SurfaceHarness();
  SurfaceHarness(const SurfaceHarness&) = delete;
  SurfaceHarness& operator=(const SurfaceHarness&) = delete;

  bool attach() { return surface.attach(window.hwnd(), Theme::light(kDefaultAccent)); }
  HWND hwnd() const { return window.hwnd(); }
  Surface::Impl* impl() const { return Surface::Impl::from_window(window.hwnd()); }
  // Paints what is invalid now.
  void update() const { UpdateWindow(window.hwnd()); }
  // The client area as painted on screen.
  void read_back(ui::graphics::test::DibTarget& out) const { window.read_back(out); }
  // The window's update rectangle; empty when nothing is invalid.
  RECT update_rect() const;
  // Runs the message loop until the frame timer's WM_TIMER comes, without
  // dispatching it; false when a two-second guard timer came first.
  bool wait_for_frame_timer(MSG& out);
  void advance(std::chrono::nanoseconds time) { clock->advance(time.count()); }

  std::shared_ptr<quorvel::test::AutomationLog> log =
      std::make_shared<quorvel::test::AutomationLog>();
  std::shared_ptr<quorvel::windows::test::FakeClock> clock =
      std::make_shared<quorvel::windows::test::FakeClock>();
  bool animations_on;
  HighContrastSwitch high_contrast;
  ui::graphics::test::PopupWindow window;
  Surface surface;
};

}  // namespace win32_ui::modern::testing
