// The custom window chrome on real windows of the test display: hit tests
// answered through WM_NCHITTEST, the maximised window, mode 2, installing
// and detaching, high contrast, the maximise button's non-client hover and
// clicks, the caption buttons' texts in two languages, and a look at the
// painted title row.
#include "ui/platform/hosting/window_chrome.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_dwm_attributes.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/ui/platform/hosting/host_test_window.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/hosting/chrome_caption_button.h"
#include "ui/platform/hosting/chrome_title.h"
#include "ui/platform/hosting/window_host.h"
#include "ui/views/grid_panel.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::HostTestWindow;
using ui::graphics::test::DibTarget;
using ui::graphics::test::Rgb;

LRESULT hit_at_client(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  return SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
}

LONG_PTR style_of(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }

// The caption buttons of the title bar, left to right.
std::vector<ChromeCaptionButton*> caption_buttons(const WindowChrome& chrome) {
  std::vector<ChromeCaptionButton*> buttons;
  auto* bar = dynamic_cast<ViewGroup*>(chrome.title_bar());
  if (bar == nullptr) return buttons;
  for (std::size_t i = 0; i < bar->child_count(); ++i) {
    if (auto* button = dynamic_cast<ChromeCaptionButton*>(bar->child_at(i))) {
      buttons.push_back(button);
    }
  }
  return buttons;
}

Rgb rgb_of(COLORREF color) {
  return {GetRValue(color), GetGValue(color), GetBValue(color)};
}

class WindowChromeTest : public ::testing::Test {
 protected:
  // Binds the window with a custom frame of `mode` and gives it content.
  void bind(HWND window, int mode) {
    host_.set_chrome_mode(mode);
    ASSERT_TRUE(host_.attach(window, Theme::light(kDefaultAccent)));
    host_.set_content(std::make_unique<OverlayPanel>());
    UpdateWindow(window);
  }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  quorvel::test::FakeDwmAttributes dwm_;
  WindowHost host_{system_, dwm_};
};

TEST_F(WindowChromeTest, WithoutMaximiseBoxCloseIsAtTheRightAndMinimiseLeftOfIt) {
  HostTestWindow window(WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX);
  bind(window.hwnd(), 1);
  const WindowChrome& chrome = *host_.chrome();
  const std::vector<ChromeCaptionButton*> buttons = caption_buttons(chrome);

  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0]->action(), CaptionAction::minimize);
  EXPECT_EQ(buttons[1]->action(), CaptionAction::close);
  EXPECT_EQ(chrome.maximize_button(), nullptr);
  RECT client{};
  GetClientRect(window.hwnd(), &client);
  const layout::LayoutRect close = buttons[1]->bounds_in_root();
  const layout::LayoutRect minimize = buttons[0]->bounds_in_root();
  EXPECT_FLOAT_EQ(close.x + close.width, static_cast<float>(client.right));
  EXPECT_FLOAT_EQ(minimize.x + minimize.width, close.x);
  for (int x = 0; x < client.right; x += 5) {
    ASSERT_NE(hit_at_client(window.hwnd(), x, 20), HTMAXBUTTON) << "x " << x;
  }
  EXPECT_EQ(hit_at_client(window.hwnd(), client.right - 20, 20), HTCLIENT) << "close";
  EXPECT_EQ(hit_at_client(window.hwnd(), client.right - 70, 20), HTCLIENT) << "minimise";
  EXPECT_EQ(hit_at_client(window.hwnd(), client.right - 100, 20), HTCAPTION);
  EXPECT_EQ(hit_at_client(window.hwnd(), 20, 20), HTSYSMENU);
  EXPECT_EQ(hit_at_client(window.hwnd(), 200, 100), HTCLIENT);
}

TEST_F(WindowChromeTest, AnswersTheResizeBandsOfFourPixels) {
  HostTestWindow window;
  bind(window.hwnd(), 1);
  RECT client{};
  GetClientRect(window.hwnd(), &client);
  EXPECT_EQ(hit_at_client(window.hwnd(), 200, 0), HTTOP);
  EXPECT_EQ(hit_at_client(window.hwnd(), 200, 3), HTTOP);
  EXPECT_EQ(hit_at_client(window.hwnd(), 200, 4), HTCAPTION);
  EXPECT_EQ(hit_at_client(window.hwnd(), 0, 0), HTTOPLEFT);
  EXPECT_EQ(hit_at_client(window.hwnd(), client.right - 1, client.bottom - 1), HTBOTTOMRIGHT);
  EXPECT_EQ(hit_at_client(window.hwnd(), client.right - 70, 20), HTMAXBUTTON);
  EXPECT_EQ(hit_at_client(window.hwnd(), client.right - 100, 20), HTCLIENT) << "minimise";
}

TEST_F(WindowChromeTest, AMaximisedWindowHasNoBandsAndCoversTheWorkArea) {
  HostTestWindow window;
  bind(window.hwnd(), 1);
  ShowWindow(window.hwnd(), SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(window.hwnd()));

  EXPECT_EQ(hit_at_client(window.hwnd(), 200, 0), HTCAPTION) << "not HTTOP";

  MINMAXINFO info{};
  SendMessageW(window.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window.hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_EQ(info.ptMaxSize.x, monitor.rcWork.right - monitor.rcWork.left);
  EXPECT_EQ(info.ptMaxSize.y, monitor.rcWork.bottom - monitor.rcWork.top);
  EXPECT_EQ(info.ptMaxPosition.x, monitor.rcWork.left - monitor.rcMonitor.left);
  EXPECT_EQ(info.ptMaxPosition.y, monitor.rcWork.top - monitor.rcMonitor.top);
}

TEST_F(WindowChromeTest, ModeTwoKeepsBandsLeavesContentUnwrappedAndSwitchesTheBorderOff) {
  HostTestWindow window;
  host_.set_chrome_mode(2);
  ASSERT_TRUE(host_.attach(window.hwnd(), Theme::light(kDefaultAccent)));
  auto content = std::make_unique<OverlayPanel>();
  View* content_view = content.get();
  host_.set_content(std::move(content));

  EXPECT_EQ(host_.surface().root_view(), content_view);
  EXPECT_EQ(host_.chrome()->title_bar(), nullptr);
  EXPECT_EQ(hit_at_client(window.hwnd(), 200, 1), HTTOP);
  EXPECT_EQ(hit_at_client(window.hwnd(), 200, 10), HTCLIENT);
  EXPECT_EQ(hit_at_client(window.hwnd(), 20, 20), HTCLIENT) << "no icon area";
  EXPECT_EQ(dwm_.accepted_value(kDwmBorderColor), 0xFFFFFFFE);
  EXPECT_FALSE(host_.chrome()->has_title_row());

  host_.detach();

  EXPECT_EQ(dwm_.accepted_value(kDwmBorderColor), 0xFFFFFFFF)
      << "the border could not be read (as under Wine): the default comes back";
}

TEST_F(WindowChromeTest, DetachRestoresABorderColourThatWasRead) {
  HostTestWindow window;
  const COLORREF saved = 0x00123456;
  ASSERT_TRUE(SUCCEEDED(dwm_.set_window_attribute(window.hwnd(), kDwmBorderColor, &saved,
                                                  sizeof(saved))));
  WindowChrome chrome(dwm_);
  ASSERT_TRUE(chrome.install(window.hwnd(), 1.0f, 2, true));
  EXPECT_EQ(dwm_.accepted_value(kDwmBorderColor), 0x00123456) << "not yet refreshed";
  chrome.refresh();
  EXPECT_EQ(dwm_.accepted_value(kDwmBorderColor), 0xFFFFFFFE);
  EXPECT_FALSE(chrome.set_active(false)) << "mode 2 cannot be switched off";

  chrome.detach();

  EXPECT_EQ(dwm_.accepted_value(kDwmBorderColor), 0x00123456);
}

TEST_F(WindowChromeTest, InstallClearsTheCaptionAndDetachRestoresIt) {
  HostTestWindow window;
  WindowChrome chrome(dwm_);
  ASSERT_EQ(style_of(window.hwnd()) & WS_CAPTION, WS_CAPTION);

  ASSERT_TRUE(chrome.install(window.hwnd(), 1.0f, 1, true));
  EXPECT_EQ(style_of(window.hwnd()) & WS_CAPTION, 0);
  EXPECT_TRUE(chrome.is_active());
  RECT outer{};
  RECT client{};
  GetWindowRect(window.hwnd(), &outer);
  GetClientRect(window.hwnd(), &client);
  EXPECT_EQ(client.right, outer.right - outer.left) << "the whole window is client area";
  EXPECT_EQ(client.bottom, outer.bottom - outer.top);

  chrome.detach();
  EXPECT_EQ(style_of(window.hwnd()) & WS_CAPTION, WS_CAPTION);
  EXPECT_FALSE(chrome.is_active());
  EXPECT_EQ(chrome.mode(), 0);
}

TEST_F(WindowChromeTest, RefusesChildWindowsAndModeOneWithoutSystemMenu) {
  HostTestWindow parent;
  HostTestWindow child(WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 0, 0, 100, 100, 0,
                       parent.hwnd());
  HostTestWindow no_menu(WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME);
  WindowChrome chrome(dwm_);

  EXPECT_FALSE(chrome.install(child.hwnd(), 1.0f, 1, true));
  EXPECT_FALSE(chrome.install(child.hwnd(), 1.0f, 2, true));
  EXPECT_FALSE(chrome.install(no_menu.hwnd(), 1.0f, 1, true));
  EXPECT_EQ(style_of(no_menu.hwnd()) & WS_CAPTION, WS_CAPTION) << "left untouched";
  EXPECT_FALSE(chrome.install(parent.hwnd(), 1.0f, 0, true)) << "mode 0";
  EXPECT_TRUE(chrome.install(no_menu.hwnd(), 1.0f, 2, true)) << "mode 2 needs no caption";
}

TEST_F(WindowChromeTest, HighContrastBringsTheCaptionBackAndLightRemovesItAgain) {
  HostTestWindow window;
  bind(window.hwnd(), 1);
  View* bar = host_.chrome()->title_bar();
  ASSERT_NE(bar, nullptr);
  system_.high_contrast_on = true;

  host_.apply_theme(Theme::high_contrast(system_));

  EXPECT_EQ(style_of(window.hwnd()) & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(bar->layout_params().visibility, layout::kCollapsed);
  EXPECT_FALSE(host_.chrome()->has_title_row());
  EXPECT_EQ(hit_at_client(window.hwnd(), 20, 5), HTCLIENT) << "the system answers now";

  host_.apply_theme(Theme::light(kDefaultAccent));

  EXPECT_EQ(style_of(window.hwnd()) & WS_CAPTION, 0);
  EXPECT_EQ(bar->layout_params().visibility, layout::kVisible);
  EXPECT_TRUE(host_.chrome()->has_title_row());
}

TEST_F(WindowChromeTest, NonClientHoverLightsTheMaximiseButtonUntilTheMouseLeaves) {
  HostTestWindow window;
  bind(window.hwnd(), 1);
  ChromeCaptionButton* maximize = host_.chrome()->maximize_button();
  ASSERT_NE(maximize, nullptr);

  SendMessageW(window.hwnd(), WM_NCMOUSEMOVE, HTMAXBUTTON, 0);
  EXPECT_TRUE(maximize->non_client_hover());
  SendMessageW(window.hwnd(), WM_NCMOUSEMOVE, HTCAPTION, 0);
  EXPECT_FALSE(maximize->non_client_hover());
  SendMessageW(window.hwnd(), WM_NCMOUSEMOVE, HTMAXBUTTON, 0);
  SendMessageW(window.hwnd(), WM_NCMOUSELEAVE, 0, 0);
  EXPECT_FALSE(maximize->non_client_hover());
}

TEST_F(WindowChromeTest, PressingTheMaximiseAreaPostsMaximiseOrRestore) {
  HostTestWindow window;
  bind(window.hwnd(), 1);

  SendMessageW(window.hwnd(), WM_NCLBUTTONDOWN, HTMAXBUTTON, 0);
  testing::pump_pending();
  ASSERT_EQ(window.sys_commands().size(), 1u);
  EXPECT_EQ(window.sys_commands()[0], static_cast<WPARAM>(SC_MAXIMIZE));

  ShowWindow(window.hwnd(), SW_MAXIMIZE);
  SendMessageW(window.hwnd(), WM_NCLBUTTONDBLCLK, HTMAXBUTTON, 0);
  testing::pump_pending();
  ASSERT_EQ(window.sys_commands().size(), 2u);
  EXPECT_EQ(window.sys_commands()[1], static_cast<WPARAM>(SC_RESTORE));
}

TEST_F(WindowChromeTest, ClickingTheCloseButtonPostsClose) {
  HostTestWindow window;
  bind(window.hwnd(), 1);
  RECT client{};
  GetClientRect(window.hwnd(), &client);
  const LPARAM at = MAKELPARAM(client.right - 20, 20);

  PostMessageW(window.hwnd(), WM_MOUSEMOVE, 0, at);
  PostMessageW(window.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window.hwnd(), WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(testing::pump_until([&] { return !window.sys_commands().empty(); }));

  EXPECT_EQ(window.sys_commands()[0], static_cast<WPARAM>(SC_CLOSE));
}

TEST_F(WindowChromeTest, CaptionButtonsSpeakTheWindowsLanguage) {
  HostTestWindow window;
  bind(window.hwnd(), 1);
  host_.surface().set_resource_bundle(testing::chrome_text_bundle());
  const struct {
    const wchar_t* locale;
    std::vector<std::wstring> names;
  } cases[] = {
      {L"en-US", {L"Minimize", L"Maximize or restore", L"Close"}},
      {L"zh-CN", {L"\u6700\u5C0F\u5316", L"\u6700\u5927\u5316\u6216\u8FD8\u539F", L"\u5173\u95ED"}},
  };
  for (const auto& c : cases) {
    host_.surface().set_language(c.locale);
    UpdateWindow(window.hwnd());
    const std::vector<ChromeCaptionButton*> buttons = caption_buttons(*host_.chrome());
    ASSERT_EQ(buttons.size(), 3u);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      ElementInfo info;
      buttons[i]->describe_element(info);
      EXPECT_EQ(testing::utf8(std::wstring(buttons[i]->text())), testing::utf8(c.names[i]))
          << testing::utf8(c.locale) << " button " << i;
      EXPECT_EQ(testing::utf8(info.name), testing::utf8(c.names[i]))
          << testing::utf8(c.locale) << " accessible name " << i;
    }
  }
}

TEST_F(WindowChromeTest, PaintsTheTitleRowInTheThemeColours) {
  HostTestWindow window(WS_OVERLAPPEDWINDOW, 100, 80, 480, 200);
  SetWindowTextW(window.hwnd(), L"Quorvel chrome");
  const Theme theme = Theme::dark(kDefaultAccent);
  host_.set_chrome_mode(1);
  ASSERT_TRUE(host_.attach(window.hwnd(), theme));
  host_.set_content(std::make_unique<OverlayPanel>());
  host_.surface().set_resource_bundle(testing::chrome_text_bundle());
  SetForegroundWindow(window.hwnd());
  SendMessageW(window.hwnd(), WM_NCMOUSEMOVE, HTMAXBUTTON, 0);
  RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RECT client{};
  GetClientRect(window.hwnd(), &client);
  DibTarget pixels(client.right, client.bottom);
  HDC dc = GetDC(window.hwnd());
  BitBlt(pixels.dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  ReleaseDC(window.hwnd(), dc);
  pixels.save_png_if_asked("window_chrome");

  const Rgb background = rgb_of(theme.color(ThemeColor::window_background));
  EXPECT_EQ(pixels.pixel(200, 3), background) << "the bar";
  EXPECT_EQ(pixels.pixel(15, 15), rgb_of(theme.color(ThemeColor::accent))) << "icon square";
  EXPECT_EQ(pixels.pixel(client.right - 46 - 40, 3), rgb_of(theme.color(ThemeColor::control_hover)))
      << "the maximise button lit by non-client hover";
  EXPECT_TRUE(pixels.ink(background, {42, 0, 300, 44}).any) << "the title text";
  EXPECT_TRUE(pixels.ink(background, {client.right - 46, 0, client.right, 44}).any)
      << "the close glyph";
}

}  // namespace
}  // namespace win32_ui::modern
