// The window host on real windows of the test display: fitting and centring
// in the work area, client and outer sizes with the system frame and the
// custom one, the minimum tracking size, DPI changes, following the system
// theme through a fake system, metrics and the unbinding on destruction.
#include "ui/platform/hosting/window_host.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_dwm_attributes.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/ui/platform/hosting/host_test_window.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/hosting/native_host.h"
#include "ui/platform/hosting/window_chrome.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::HostTestWindow;

RECT window_rect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

RECT client_rect(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return rect;
}

RECT work_area() {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
  return info.rcWork;
}

class WindowHostTest : public ::testing::Test {
 protected:
  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  quorvel::test::FakeDwmAttributes dwm_;
};

TEST_F(WindowHostTest, PlaceOnMonitorRefusesAnUnsetPreferredSize) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  const RECT before = window_rect(window.hwnd());
  host.set_preferred_size(0.0f, 300.0f);

  EXPECT_FALSE(host.place_on_monitor(nullptr, true));

  const RECT after = window_rect(window.hwnd());
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right, before.right);
  EXPECT_EQ(after.bottom, before.bottom);
}

TEST_F(WindowHostTest, ShrinksAnOversizedWindowToTheWorkAreaLessTheMarginsAndCentresIt) {
  const RECT work = work_area();
  ASSERT_EQ(work.right - work.left, 1920);
  ASSERT_EQ(work.bottom - work.top, 1080);
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  host.set_preferred_size(4000.0f, 3000.0f);
  host.set_work_area_margin(24.0f);

  ASSERT_TRUE(host.place_on_monitor(nullptr, true));

  const RECT placed = window_rect(window.hwnd());
  EXPECT_EQ(placed.right - placed.left, 1872);
  EXPECT_EQ(placed.bottom - placed.top, 1032);
  EXPECT_EQ(placed.left, 24);
  EXPECT_EQ(placed.top, 24);
}

TEST_F(WindowHostTest, WithoutCentringKeepsTheCornerAndNeverGoesBelowOnePixel) {
  // A plain popup: a framed window has a system minimum tracking size.
  HostTestWindow window(WS_POPUP, 130, 90);
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  host.set_preferred_size(400.0f, 300.0f);
  host.set_work_area_margin(5000.0f);

  ASSERT_TRUE(host.place_on_monitor(window.hwnd(), false));

  const RECT placed = window_rect(window.hwnd());
  EXPECT_EQ(placed.left, 130);
  EXPECT_EQ(placed.top, 90);
  EXPECT_EQ(placed.right - placed.left, 1);
  EXPECT_EQ(placed.bottom - placed.top, 1);
}

TEST_F(WindowHostTest, SizesTheClientWithTheSystemFrame) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  host.set_preferred_size(640.0f, 400.0f);

  ASSERT_TRUE(host.place_on_monitor(nullptr, true));

  const RECT client = client_rect(window.hwnd());
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 400);
  const ClientSize size = host.client_size();
  EXPECT_FLOAT_EQ(size.width, 640.0f);
  EXPECT_FLOAT_EQ(size.height, 400.0f);
}

TEST_F(WindowHostTest, TheTitleRowAddsFortyFourAndTheClientIsTheWholeWindow) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  host.set_chrome_mode(1);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  ASSERT_TRUE(host.chrome()->has_title_row());
  host.set_preferred_size(640.0f, 400.0f);

  ASSERT_TRUE(host.place_on_monitor(nullptr, true));

  const RECT outer = window_rect(window.hwnd());
  const RECT client = client_rect(window.hwnd());
  EXPECT_EQ(outer.right - outer.left, 640);
  EXPECT_EQ(outer.bottom - outer.top, 444);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 444);
}

TEST_F(WindowHostTest, Dpi144ScalesTheClientAndTheTitleRow) {
  QUORVEL_REQUIRE_DPI(144);
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  host.set_chrome_mode(1);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  host.set_preferred_size(640.0f, 400.0f);

  ASSERT_TRUE(host.place_on_monitor(nullptr, true));

  const RECT outer = window_rect(window.hwnd());
  EXPECT_EQ(outer.right - outer.left, 960);
  EXPECT_EQ(outer.bottom - outer.top, 666);
  EXPECT_EQ(host.metrics().dpi, 144u);
  EXPECT_FLOAT_EQ(host.metrics().scale, 1.5f);
}

TEST_F(WindowHostTest, ChromeModeIsFixedWhileAWindowIsBound) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  host.set_chrome_mode(7);
  EXPECT_EQ(host.chrome_mode(), 0) << "unknown modes are none";
  host.set_chrome_mode(1);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  host.set_chrome_mode(2);
  EXPECT_EQ(host.chrome_mode(), 1);
}

TEST_F(WindowHostTest, RaisesTheMinimumTrackingWidthAndLeavesAnUnsetHeight) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  host.set_minimum_size(500.0f, 0.0f);
  const RECT outer = host.window_rect_for_client(500.0f, 0.0f, 96);
  const LONG outer_width = outer.right - outer.left;
  ASSERT_GT(outer_width, 500) << "the system frame adds its borders";

  MINMAXINFO small{};
  small.ptMinTrackSize = {100, 77};
  SendMessageW(window.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&small));
  EXPECT_EQ(small.ptMinTrackSize.x, outer_width);
  EXPECT_EQ(small.ptMinTrackSize.y, 77);

  MINMAXINFO large{};
  large.ptMinTrackSize = {5000, 77};
  SendMessageW(window.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&large));
  EXPECT_EQ(large.ptMinTrackSize.x, 5000) << "never lowered";
}

TEST_F(WindowHostTest, SanitisesSizesAndTheMargin) {
  WindowHost host(system_, dwm_);
  host.set_preferred_size(-5.0f, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(host.preferred_size(), (ClientSize{0.0f, 0.0f}));
  host.set_minimum_size(std::numeric_limits<float>::infinity(), 12.0f);
  EXPECT_EQ(host.minimum_size(), (ClientSize{0.0f, 12.0f}));
  EXPECT_FLOAT_EQ(host.work_area_margin(), 24.0f);
  host.set_work_area_margin(-1.0f);
  EXPECT_FLOAT_EQ(host.work_area_margin(), 0.0f);
}

TEST_F(WindowHostTest, MovesToTheRectangleOfADpiChange) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  RECT suggested{210, 150, 910, 650};

  SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));

  const RECT placed = window_rect(window.hwnd());
  EXPECT_EQ(placed.left, 210);
  EXPECT_EQ(placed.top, 150);
  EXPECT_EQ(placed.right - placed.left, 700);
  EXPECT_EQ(placed.bottom - placed.top, 500);
}

struct ThemeCalls {
  int count = 0;
  bool last_dark = false;
};

void count_theme(void* user_data, const Theme* theme) {
  auto* calls = static_cast<ThemeCalls*>(user_data);
  ++calls->count;
  calls->last_dark = theme != nullptr && theme->is_dark;
}

TEST_F(WindowHostTest, FollowsTheSystemThemeOncePerRealChange) {
  system_.set_apps_use_light_theme_dword(1);
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ThemeCalls calls;
  ASSERT_TRUE(host.attach_themed(window.hwnd(), kThemeModeSystem, kDefaultAccent));
  host.set_theme_changed_callback(&count_theme, &calls);
  ASSERT_FALSE(host.surface().theme().is_dark);
  EXPECT_EQ(host.tracked_mode(), kThemeModeSystem);

  system_.set_apps_use_light_theme_dword(0);
  SendMessageW(window.hwnd(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));

  EXPECT_TRUE(host.surface().theme().is_dark);
  EXPECT_EQ(calls.count, 1);
  EXPECT_TRUE(calls.last_dark);
  EXPECT_EQ(dwm_.accepted_value(kDwmImmersiveDarkMode), 1) << "the frame turned dark too";

  SendMessageW(window.hwnd(), WM_THEMECHANGED, 0, 0);
  SendMessageW(window.hwnd(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(calls.count, 1) << "nothing changed the second time";
}

TEST_F(WindowHostTest, SetThemeModeAnswersFalseUnlessFollowing) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  EXPECT_FALSE(host.set_theme_mode(kThemeModeDark));
  EXPECT_FALSE(host.tracked_mode().has_value());
  EXPECT_FALSE(host.surface().theme().is_dark);

  ASSERT_TRUE(host.attach_themed(window.hwnd(), kThemeModeLight, kDefaultAccent));
  EXPECT_TRUE(host.set_theme_mode(kThemeModeDark));
  EXPECT_TRUE(host.surface().theme().is_dark);
  EXPECT_FALSE(host.set_theme_mode(kThemeModeDark)) << "no change the second time";
}

void throw_from_callback(void*, const Theme*) { throw std::runtime_error("owner failed"); }

TEST_F(WindowHostTest, AThrowingThemeCallbackDoesNotCrossTheWindowProcedure) {
  system_.set_apps_use_light_theme_dword(1);
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach_themed(window.hwnd(), kThemeModeSystem, kDefaultAccent));
  host.set_theme_changed_callback(&throw_from_callback, nullptr);
  system_.set_apps_use_light_theme_dword(0);

  SendMessageW(window.hwnd(), WM_THEMECHANGED, 0, 0);

  EXPECT_TRUE(host.surface().theme().is_dark);
  EXPECT_TRUE(host.is_attached());
}

TEST_F(WindowHostTest, MetricsWithoutAWindowAreTheDefaults) {
  WindowHost host(system_, dwm_);
  const platform::HostMetrics metrics = host.metrics();
  EXPECT_FLOAT_EQ(metrics.client_width, 0.0f);
  EXPECT_FLOAT_EQ(metrics.client_height, 0.0f);
  EXPECT_EQ(metrics.dpi, 96u);
  EXPECT_FLOAT_EQ(metrics.scale, 1.0f);
  EXPECT_EQ(metrics.theme, nullptr);
  EXPECT_EQ(metrics.localization_revision, 0u);
}

TEST_F(WindowHostTest, MetricsOfABoundWindowFollowTheZoom) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  host.set_zoom(1.5f);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  const RECT client = client_rect(window.hwnd());
  const platform::HostMetrics metrics = host.metrics();
  EXPECT_EQ(metrics.dpi, 96u);
  EXPECT_FLOAT_EQ(metrics.scale, 1.5f);
  EXPECT_FLOAT_EQ(metrics.client_width, static_cast<float>(client.right) / 1.5f);
  EXPECT_EQ(metrics.theme, &host.surface().theme());
}

TEST_F(WindowHostTest, TheWindowsDestructionUnbindsTheHost) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  host.set_chrome_mode(1);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  ASSERT_TRUE(find_window_subclass(window.hwnd(), &WindowHost::procedure, kWindowHostSubclass,
                                   nullptr));

  window.destroy();

  EXPECT_FALSE(host.is_attached());
  EXPECT_EQ(host.hwnd(), nullptr);
  EXPECT_EQ(host.chrome()->mode(), 0);
  host.set_preferred_size(100.0f, 100.0f);
  EXPECT_FALSE(host.place_on_monitor(nullptr, true));
}

TEST_F(WindowHostTest, AttachRefusesADeadWindow) {
  HostTestWindow window;
  HWND dead = window.hwnd();
  window.destroy();
  WindowHost host(system_, dwm_);
  EXPECT_FALSE(host.attach(dead, Theme::light(kDefaultAccent)));
  EXPECT_FALSE(host.attach(nullptr, Theme::light(kDefaultAccent)));
  EXPECT_FALSE(host.is_attached());
}

TEST_F(WindowHostTest, FocusViewFocusesTheHostWindowForAPlainView) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  SetForegroundWindow(window.hwnd());
  SetFocus(nullptr);
  auto content = std::make_unique<OverlayPanel>();
  View* view = content.get();
  host.set_content(std::move(content));

  host.focus_view(view);

  EXPECT_EQ(GetFocus(), window.hwnd());
}

// A peer that only names an existing native window.
class HandlePeer final : public NativeViewPeer {
 public:
  explicit HandlePeer(HWND handle) : handle_(handle) {}
  int capabilities() const override { return 0; }
  HWND native_handle() const override { return handle_; }
  bool attach_window(HWND, const NativeViewContext&) override { return true; }
  bool adopt_window(HWND, bool, const NativeViewContext&) override { return false; }
  void release_window() override {}
  void apply_context(const NativeViewContext&) override {}
  void place(const NativePlacement&) override {}
  bool translate_notification(const NativeNotification&, Event&) override { return false; }

 private:
  HWND handle_;
};

TEST_F(WindowHostTest, FocusViewFocusesAHostedNativeControlItself) {
  HostTestWindow window;
  WindowHost host(system_, dwm_);
  ASSERT_TRUE(host.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  SetForegroundWindow(window.hwnd());
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 100, 24,
                              window.hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  NativeHost native(7, 100.0f, 24.0f);
  native.set_peer(std::make_unique<HandlePeer>(edit));
  NativeHost empty(8, 100.0f, 24.0f);

  host.focus_view(&native);
  EXPECT_EQ(GetFocus(), edit);
  host.focus_view(&empty);
  EXPECT_EQ(GetFocus(), window.hwnd()) << "a native host without a window";
}

}  // namespace
}  // namespace win32_ui::modern
