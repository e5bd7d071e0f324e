// View popups on real windows of the test display: the window's class,
// styles and rounded region, the gap and corners at two scales, closing by
// deactivation, Escape, close() and a DPI change with the foreground rules,
// failures that still consume the content, replacing an open popup, keyed
// text in the owner's language, and a look at the painted popup.
#include "ui/platform/hosting/view_popup.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_dwm_attributes.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/ui/platform/hosting/host_test_window.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/widgets/text.h"

namespace win32_ui::modern {
namespace {

using testing::HostTestWindow;
using ui::graphics::test::DibTarget;
using ui::graphics::test::Rgb;

constexpr RECT kAnchor{300, 200, 420, 230};

// Says when it is destroyed.
class WatchedView final : public OverlayPanel {
 public:
  explicit WatchedView(bool& destroyed) : destroyed_(destroyed) {}
  ~WatchedView() override { destroyed_ = true; }

 private:
  bool& destroyed_;
};

RECT window_rect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

std::wstring class_of(HWND window) {
  std::array<wchar_t, 64> name{};
  const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
  return std::wstring(name.data(), static_cast<std::size_t>(std::max(length, 0)));
}

// Whether the window's region holds the point (window coordinates).
bool region_holds(HWND window, int x, int y) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetWindowRgn(window, region);
  const bool inside = kind != ERROR && PtInRegion(region, x, y) != FALSE;
  DeleteObject(region);
  return inside;
}

class ViewPopupTest : public ::testing::Test {
 protected:
  bool show(ViewPopup& popup, std::unique_ptr<View> content, float zoom = 1.0f, int kind = 0,
            bool align_right = false) {
    return popup.show(owner_.hwnd(), kAnchor, std::move(content), 200.0f, 120.0f, theme_, zoom,
                      align_right, kind);
  }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  quorvel::test::FakeDwmAttributes dwm_;
  Theme theme_ = Theme::light(kDefaultAccent);
  HostTestWindow owner_;
};

TEST_F(ViewPopupTest, ATopmostPopupIsARoundedToolWindowOfItsOwnClass) {
  ViewPopup popup(system_, dwm_);
  ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>(), 1.0f, kPopupTopmost));
  HWND window = popup.hwnd();

  EXPECT_EQ(testing::utf8(class_of(window)), "Win32UiViewPopup");
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  const LONG_PTR ex_style = GetWindowLongPtrW(window, GWL_EXSTYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CLIPCHILDREN), WS_POPUP | WS_CLIPCHILDREN);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_EQ(ex_style & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST), WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(window, GW_OWNER), owner_.hwnd());
  EXPECT_EQ(reinterpret_cast<ViewPopup*>(GetWindowLongPtrW(window, GWLP_USERDATA)), &popup);
  EXPECT_FALSE(region_holds(window, 0, 0)) << "the corner pixel is cut off";
  EXPECT_TRUE(region_holds(window, 100, 60));
  EXPECT_TRUE(popup.is_visible());
  EXPECT_EQ(GetForegroundWindow(), window);
}

TEST_F(ViewPopupTest, AnOrdinaryPopupIsNotTopmost) {
  ViewPopup popup(system_, dwm_);
  ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>()));
  EXPECT_EQ(GetWindowLongPtrW(popup.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(ViewPopupTest, GapAndCornersFollowTheZoom) {
  const struct {
    float zoom;
    int gap;
    int width;
    // A point 3 pixels into the corner: outside a 30-pixel ellipse,
    // inside a 10-pixel one.
    bool corner_point_inside;
  } cases[] = {{1.5f, 6, 300, false}, {0.5f, 2, 100, true}};
  for (const auto& c : cases) {
    ViewPopup popup(system_, dwm_);
    ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>(), c.zoom)) << c.zoom;
    const RECT placed = window_rect(popup.hwnd());
    EXPECT_EQ(placed.top, kAnchor.bottom + c.gap) << c.zoom;
    EXPECT_EQ(placed.right - placed.left, c.width) << c.zoom;
    EXPECT_EQ(region_holds(popup.hwnd(), 3, 3), c.corner_point_inside) << c.zoom;
    popup.close();
  }
}

TEST_F(ViewPopupTest, Dpi144GapIsSixAndTheCornerEllipseThirty) {
  QUORVEL_REQUIRE_DPI(144);
  ViewPopup popup(system_, dwm_);
  ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>()));
  const RECT placed = window_rect(popup.hwnd());
  EXPECT_EQ(placed.top, kAnchor.bottom + 6);
  EXPECT_EQ(placed.right - placed.left, 300);
  EXPECT_EQ(placed.bottom - placed.top, 180);
  EXPECT_FALSE(region_holds(popup.hwnd(), 3, 3));
  EXPECT_TRUE(region_holds(popup.hwnd(), 15, 15));
}

TEST_F(ViewPopupTest, ClosesWhenAnotherWindowTakesTheForegroundAndLeavesItThere) {
  HostTestWindow other(WS_OVERLAPPEDWINDOW, 900, 500, 300, 200);
  ViewPopup popup(system_, dwm_);
  ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>()));
  ASSERT_EQ(GetForegroundWindow(), popup.hwnd());

  SetForegroundWindow(other.hwnd());
  ASSERT_TRUE(testing::pump_until([&] { return popup.hwnd() == nullptr; }));

  EXPECT_FALSE(popup.is_visible());
  EXPECT_EQ(popup.owner(), nullptr);
  EXPECT_EQ(GetForegroundWindow(), other.hwnd()) << "the owner was not brought forward";
}

TEST_F(ViewPopupTest, EscapeGivesTheForegroundBackToTheOwner) {
  ViewPopup popup(system_, dwm_);
  ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>()));
  ASSERT_EQ(GetForegroundWindow(), popup.hwnd());

  PostMessageW(popup.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(testing::pump_until([&] { return popup.hwnd() == nullptr; }));

  EXPECT_EQ(GetForegroundWindow(), owner_.hwnd());
  EXPECT_EQ(GetFocus(), owner_.hwnd());
}

TEST_F(ViewPopupTest, CloseReturnsTheForegroundOnlyWhenThePopupHadIt) {
  HostTestWindow other(WS_OVERLAPPEDWINDOW, 900, 500, 300, 200);
  ViewPopup popup(system_, dwm_);
  ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>()));
  // Not foreground, yet still open: deactivation posted its close, which
  // has not run.
  SetForegroundWindow(other.hwnd());
  ASSERT_NE(popup.hwnd(), nullptr);

  popup.close();

  EXPECT_EQ(popup.hwnd(), nullptr);
  EXPECT_EQ(GetForegroundWindow(), other.hwnd());
  testing::pump_pending();
}

TEST_F(ViewPopupTest, ADpiChangeClosesThePopup) {
  ViewPopup popup(system_, dwm_);
  ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>()));
  RECT suggested{0, 0, 300, 200};

  SendMessageW(popup.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  ASSERT_TRUE(testing::pump_until([&] { return popup.hwnd() == nullptr; }));

  EXPECT_EQ(GetForegroundWindow(), owner_.hwnd());
}

TEST_F(ViewPopupTest, FailsForADeadOwnerOrNoContentAndStillConsumesTheContent) {
  ViewPopup popup(system_, dwm_);
  bool destroyed = false;
  HostTestWindow dead;
  HWND dead_owner = dead.hwnd();
  dead.destroy();

  EXPECT_FALSE(popup.show(dead_owner, kAnchor, std::make_unique<WatchedView>(destroyed), 100.0f,
                          100.0f, theme_, 1.0f, false, 0));
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(show(popup, nullptr));
  EXPECT_EQ(popup.hwnd(), nullptr);
  EXPECT_FALSE(popup.is_visible());
}

TEST_F(ViewPopupTest, ShowingWhileOpenReplacesThePopup) {
  ViewPopup popup(system_, dwm_);
  bool first_destroyed = false;
  ASSERT_TRUE(show(popup, std::make_unique<WatchedView>(first_destroyed)));
  HWND first = popup.hwnd();

  ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>()));

  EXPECT_FALSE(IsWindow(first));
  EXPECT_TRUE(first_destroyed);
  EXPECT_NE(popup.hwnd(), nullptr);
  EXPECT_TRUE(popup.is_visible());
}

TEST_F(ViewPopupTest, KeyedTextShowsInTheGivenLanguage) {
  ViewPopup popup(system_, dwm_);
  LocalizationContext context(L"zh-CN", nullptr);
  context.set_bundle(testing::chrome_text_bundle());
  popup.set_localization(context);
  auto text = std::make_unique<Text>(LocalizedText::from_key(L"scaffold.chrome.close", {}), 2,
                                     layout::Size{100.0f, 30.0f});
  Text* shown = text.get();

  ASSERT_TRUE(show(popup, std::move(text)));

  EXPECT_EQ(testing::utf8(std::wstring(shown->text())), testing::utf8(L"\u5173\u95ED"));
  EXPECT_EQ(testing::utf8(popup.host().surface().localization().locale()), "zh-CN");
}

TEST_F(ViewPopupTest, DestroyingTheOwnerClosesThePopup) {
  ViewPopup popup(system_, dwm_);
  ASSERT_TRUE(show(popup, std::make_unique<OverlayPanel>()));
  HWND window = popup.hwnd();

  owner_.destroy();

  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(popup.hwnd(), nullptr);
  EXPECT_FALSE(popup.host().is_attached());
}

TEST_F(ViewPopupTest, PaintsItsContentInTheTheme) {
  ViewPopup popup(system_, dwm_);
  const Theme dark = Theme::dark(kDefaultAccent);
  auto content = std::make_unique<Text>(std::wstring(L"Popup content"), 2,
                                        layout::Size{200.0f, 120.0f});
  ASSERT_TRUE(popup.show(owner_.hwnd(), kAnchor, std::move(content), 200.0f, 120.0f, dark, 1.0f,
                         false, 0));
  UpdateWindow(popup.hwnd());
  DibTarget pixels(200, 120);
  HDC dc = GetDC(popup.hwnd());
  BitBlt(pixels.dc(), 0, 0, 200, 120, dc, 0, 0, SRCCOPY);
  ReleaseDC(popup.hwnd(), dc);
  pixels.save_png_if_asked("view_popup");

  const COLORREF background = dark.color(ThemeColor::window_background);
  const Rgb expected{GetRValue(background), GetGValue(background), GetBValue(background)};
  EXPECT_EQ(pixels.pixel(100, 110), expected);
  EXPECT_TRUE(pixels.ink(expected).any) << "the text drew";
}

}  // namespace
}  // namespace win32_ui::modern
