// The tray menu on real windows of the test display: a hidden top-level
// owner offers every message to the menu first, as the program's message
// host does; the shell's callback messages are made by hand and the popup
// is found among the thread's windows and driven with posted keys. Covers
// the posted menu request, placement, refusals, choosing, the
// application's language, catalogue and theme passes, and destruction.
#include "ui/platform/scaffold/tray_menu.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/support/test_support.h"
#include "tests/ui/platform/hosting/host_test_window.h"
#include "tests/ui/platform/scaffold/tray_test_support.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/localized_text.h"
#include "ui/platform/resource_bundle.h"
#include "ui/platform/scaffold/application.h"

namespace win32_ui::scaffold {
namespace {

using modern::MenuEntry;
using modern::testing::pump_pending;
using modern::testing::pump_until;
using testing::kTrayCallback;
using testing::kTrayMenuMessage;
using testing::open_popups;
using testing::queued;
using testing::RecordingShell;
using testing::TrayOwnerWindow;
using testing::v4_event;
using testing::v4_point;

constexpr std::uint32_t kId = 1;
constexpr unsigned kScreenshot = 601;
constexpr unsigned kStartWithWindows = 602;
constexpr unsigned kExit = 603;

std::vector<MenuEntry> tray_entries() {
  MenuEntry screenshot;
  screenshot.command_id = kScreenshot;
  screenshot.text = L"Take screenshot";
  MenuEntry autostart;
  autostart.command_id = kStartWithWindows;
  autostart.text = L"Start with Windows";
  autostart.mark = MenuEntry::kMarkCheck;
  autostart.checked = true;
  MenuEntry gap;
  gap.separator = true;
  MenuEntry exit;
  exit.command_id = kExit;
  exit.text = L"Exit";
  return {screenshot, autostart, gap, exit};
}

RECT window_rect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

class TrayMenuTest : public ::testing::Test {
 protected:
  TrayMenuTest() {
    owner_.route_to(&menu());
    menu().set_entries_provider([this] {
      ++entries_asked_;
      return tray_entries();
    });
  }

  ~TrayMenuTest() override {
    owner_.route_to(nullptr);
    menu_.reset();
    pump_pending();
  }

  TrayMenu& menu() { return *menu_; }

  TrayIconOptions options() const {
    TrayIconOptions options;
    options.owner = owner_.hwnd();
    options.id = kId;
    options.callback_message = kTrayCallback;
    options.menu_message = kTrayMenuMessage;
    options.icon = LoadIconW(nullptr, IDI_APPLICATION);
    options.tooltip = L"Quorvel";
    return options;
  }

  void right_click(int x, int y) {
    SendMessageW(owner_.hwnd(), kTrayCallback, v4_point(x, y), v4_event(WM_CONTEXTMENU, kId));
  }

  // Right-clicks and dispatches the posted menu request.
  HWND open_at(int x, int y) {
    right_click(x, y);
    pump_pending();
    return menu().menu_window();
  }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  Application app_{kThemeModeLight, kDefaultAccent, system_};
  TrayOwnerWindow owner_;
  RecordingShell shell_;
  std::unique_ptr<TrayMenu> menu_ = std::make_unique<TrayMenu>(app_, shell_.notify());
  int entries_asked_ = 0;
};

TEST_F(TrayMenuTest, SetIconShowsTheIconInTheNotificationArea) {
  EXPECT_FALSE(menu().icon_shown());

  ASSERT_TRUE(menu().set_icon(options()));

  EXPECT_TRUE(menu().icon_shown());
  EXPECT_EQ(shell_.count(NIM_ADD), 1);
  EXPECT_EQ(shell_.count(NIM_SETVERSION), 1);
  menu().hide_icon();
  EXPECT_FALSE(menu().icon_shown());
  EXPECT_TRUE(menu().show_icon());
  EXPECT_TRUE(menu().icon_shown());
  menu().clear_icon();
  EXPECT_FALSE(menu().icon_shown());
  EXPECT_FALSE(menu().show_icon()) << "the settings were forgotten";
}

TEST_F(TrayMenuTest, RightClickOpensATopmostToolPopupBelowThePointOnceTheRequestArrives) {
  ASSERT_TRUE(menu().set_icon(options()));

  right_click(300, 200);

  EXPECT_EQ(queued(owner_.hwnd(), kTrayMenuMessage), 1);
  EXPECT_TRUE(open_popups().empty()) << "never opened inside the shell's callback";
  pump_pending();
  const std::vector<HWND> popups = open_popups();
  ASSERT_EQ(popups.size(), 1u);
  HWND popup = popups[0];
  EXPECT_EQ(popup, menu().menu_window());
  const LONG_PTR ex_style = GetWindowLongPtrW(popup, GWL_EXSTYLE);
  EXPECT_TRUE(ex_style & WS_EX_TOPMOST);
  EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
  const RECT rect = window_rect(popup);
  EXPECT_EQ(rect.left, 300);
  EXPECT_EQ(rect.top, 205) << "anchor bottom 201 plus the 4-pixel gap";
  EXPECT_EQ(rect.right - rect.left, 248) << "the tray menu's own width";
  EXPECT_EQ(GetWindow(popup, GW_OWNER), owner_.hwnd());
}

TEST_F(TrayMenuTest, PointMinusOneOpensTheMenuAtTheCursor) {
  ASSERT_TRUE(menu().set_icon(options()));
  ASSERT_TRUE(SetCursorPos(500, 400));
  POINT cursor{};
  GetCursorPos(&cursor);

  HWND popup = open_at(-1, -1);

  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(window_rect(popup).left, cursor.x);
  EXPECT_EQ(window_rect(popup).top, cursor.y + 5);
}

TEST_F(TrayMenuTest, TwoRightClicksBeforeTheQueueIsPumpedOpenOneMenu) {
  ASSERT_TRUE(menu().set_icon(options()));

  right_click(300, 200);
  right_click(320, 220);

  EXPECT_EQ(queued(owner_.hwnd(), kTrayMenuMessage), 1);
  pump_pending();
  EXPECT_EQ(open_popups().size(), 1u);
  EXPECT_EQ(entries_asked_, 1);
  EXPECT_EQ(window_rect(menu().menu_window()).left, 300);
}

TEST_F(TrayMenuTest, HandlesOtherIconsQuietlyAndLeavesOtherMessagesAlone) {
  ASSERT_TRUE(menu().set_icon(options()));
  int activations = 0;
  menu().on_activate([&] { ++activations; });

  EXPECT_TRUE(menu().handle_message(kTrayCallback, v4_point(300, 200),
                                    v4_event(WM_CONTEXTMENU, kId + 1)));
  EXPECT_TRUE(menu().handle_message(kTrayCallback, 0, v4_event(NIN_SELECT, kId + 1)));
  EXPECT_FALSE(menu().handle_message(WM_APP + 0x70, 0, 0));
  EXPECT_FALSE(menu().handle_message(WM_TIMER, 0, 0));

  EXPECT_EQ(queued(owner_.hwnd(), kTrayMenuMessage), 0);
  EXPECT_EQ(activations, 0);
  pump_pending();
  EXPECT_TRUE(open_popups().empty());
}

TEST_F(TrayMenuTest, ClicksAndKeyboardSelectActivateWhileOtherEventsDoNothing) {
  ASSERT_TRUE(menu().set_icon(options()));
  int activations = 0;
  menu().on_activate([&] { ++activations; });
  struct Case {
    const char* name;
    UINT event;
    int expected_activations;
  };
  const Case cases[] = {{"NIN_SELECT", NIN_SELECT, 1},
                        {"NIN_KEYSELECT", NIN_KEYSELECT, 1},
                        {"WM_LBUTTONDBLCLK", WM_LBUTTONDBLCLK, 1},
                        {"WM_LBUTTONUP", WM_LBUTTONUP, 0},
                        {"WM_MOUSEMOVE", WM_MOUSEMOVE, 0}};
  for (const Case& c : cases) {
    activations = 0;
    SendMessageW(owner_.hwnd(), kTrayCallback, 0, v4_event(c.event, kId));
    EXPECT_EQ(activations, c.expected_activations) << c.name;
  }
  pump_pending();
  EXPECT_TRUE(open_popups().empty());
}

TEST_F(TrayMenuTest, AMenuRequestArrivingAfterHideOpensNothing) {
  ASSERT_TRUE(menu().set_icon(options()));
  right_click(300, 200);

  menu().hide_icon();
  pump_pending();

  EXPECT_TRUE(open_popups().empty());
  EXPECT_EQ(entries_asked_, 0);
}

TEST_F(TrayMenuTest, ShowMenuRefusesWithoutProviderOrOwnerAndWhileOpen) {
  const POINT point{300, 200};
  // No owner: the icon was never set.
  EXPECT_FALSE(menu().show_menu(point));
  EXPECT_EQ(entries_asked_, 0);

  ASSERT_TRUE(menu().set_icon(options()));
  ASSERT_TRUE(menu().show_menu(point));
  EXPECT_EQ(entries_asked_, 1);
  HWND first = menu().menu_window();
  EXPECT_FALSE(menu().show_menu(POINT{400, 300})) << "a menu is already open";
  EXPECT_EQ(entries_asked_, 1);
  EXPECT_EQ(menu().menu_window(), first);

  menu().close_menu();
  menu().set_entries_provider(nullptr);
  EXPECT_FALSE(menu().show_menu(point));
  EXPECT_TRUE(open_popups().empty());
}

TEST_F(TrayMenuTest, EnterChoosesTheFirstItemAfterTheCloseIsPosted) {
  ASSERT_TRUE(menu().set_icon(options()));
  std::vector<unsigned> chosen;
  bool close_was_posted = false;
  menu().on_command([&](unsigned id) {
    chosen.push_back(id);
    MSG close{};
    close_was_posted = menu().menu_window() != nullptr &&
                       PeekMessageW(&close, menu().menu_window(), WM_CLOSE, WM_CLOSE, PM_NOREMOVE);
  });
  HWND popup = open_at(300, 200);
  ASSERT_NE(popup, nullptr);

  PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(popup, WM_KEYUP, VK_RETURN, 0xC0000000);
  ASSERT_TRUE(pump_until([&] { return !chosen.empty() && menu().menu_window() == nullptr; }));

  EXPECT_EQ(chosen, std::vector<unsigned>{kScreenshot});
  EXPECT_TRUE(close_was_posted);
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_EQ(GetForegroundWindow(), owner_.hwnd());
}

TEST_F(TrayMenuTest, ANewLanguageClosesTheOpenMenuAndTheSameOneDoesNot) {
  ASSERT_TRUE(menu().set_icon(options()));
  app_.set_language(L"en-US");
  ASSERT_NE(open_at(300, 200), nullptr);

  app_.set_language(L"en-US");
  EXPECT_NE(menu().menu_window(), nullptr) << "an equal tag changes nothing";

  app_.set_language(L"zh-CN");
  EXPECT_EQ(menu().menu_window(), nullptr);
  EXPECT_TRUE(open_popups().empty());
}

TEST_F(TrayMenuTest, ANewCatalogueClosesTheOpenMenu) {
  ASSERT_TRUE(menu().set_icon(options()));
  ASSERT_NE(open_at(300, 200), nullptr);

  app_.set_resource_bundle(std::make_shared<const modern::ResourceBundle>(
      std::vector<modern::ResourceEntry>{{L"en-US", L"tray.exit", L"Exit"}}, L"en-US", nullptr));

  EXPECT_EQ(menu().menu_window(), nullptr);
}

TEST_F(TrayMenuTest, AThemeChangeReachesTheOpenMenuOnly) {
  ASSERT_TRUE(menu().set_icon(options()));
  ASSERT_NE(open_at(300, 200), nullptr);
  ASSERT_FALSE(menu().popup().host().surface().theme().is_dark);

  app_.set_theme_mode(kThemeModeDark);

  EXPECT_TRUE(menu().popup().host().surface().theme().is_dark);
  menu().close_menu();
  app_.set_theme_mode(kThemeModeLight);
  EXPECT_EQ(menu().menu_window(), nullptr) << "a closed menu is not opened by a theme change";
  EXPECT_TRUE(open_popups().empty());
  // The next menu opens in the theme of the moment.
  ASSERT_NE(open_at(300, 200), nullptr);
  EXPECT_FALSE(menu().popup().host().surface().theme().is_dark);
}

TEST_F(TrayMenuTest, TheOpenMenuSpeaksTheApplicationsLanguageWithItsCatalogue) {
  auto bundle = std::make_shared<const modern::ResourceBundle>(
      std::vector<modern::ResourceEntry>{{L"en-US", L"tray.exit", L"Exit now"},
                                         {L"zh-CN", L"tray.exit", L"\u9000\u51FA"}},
      L"zh-CN", nullptr);
  app_.set_language(L"en-US");
  app_.set_resource_bundle(bundle);
  ASSERT_TRUE(menu().set_icon(options()));

  ASSERT_NE(open_at(300, 200), nullptr);

  modern::LocalizationContext& context = menu().popup().host().surface().localization();
  EXPECT_EQ(quorvel::test::utf8(context.locale()), "en-US");
  EXPECT_EQ(context.bundle(), bundle);
  EXPECT_EQ(context.resolve(modern::LocalizedText::from_key(L"tray.exit", {})), L"Exit now");
  EXPECT_EQ(context.resolve(modern::LocalizedText::from_key(L"scaffold.dialog.ok", {})), L"OK")
      << "the toolkit's own texts back the catalogue";
}

TEST_F(TrayMenuTest, DestructionClosesTheMenuDeletesTheIconAndUnregisters) {
  ASSERT_TRUE(menu().set_icon(options()));
  HWND popup = open_at(300, 200);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(app_.tray_menus().size(), 1u);

  owner_.route_to(nullptr);
  menu_.reset();

  EXPECT_FALSE(IsWindow(popup));
  ASSERT_FALSE(shell_.sent.empty());
  EXPECT_EQ(shell_.sent.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_TRUE(shell_.sent.back().result);
  EXPECT_TRUE(app_.tray_menus().empty());
  app_.set_theme_mode(kThemeModeDark);  // reaches no deleted menu
  app_.set_language(L"fr-FR");
}

TEST_F(TrayMenuTest, LooksLikeAThemedMenu) {
  ASSERT_TRUE(menu().set_icon(options()));
  app_.set_theme_mode(kThemeModeDark);
  HWND popup = open_at(300, 200);
  ASSERT_NE(popup, nullptr);
  UpdateWindow(popup);
  const RECT rect = window_rect(popup);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  ui::graphics::test::DibTarget pixels(width, height);
  HDC dc = GetDC(popup);
  BitBlt(pixels.dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
  ReleaseDC(popup, dc);
  pixels.save_png_if_asked("tray_menu.png");

  // The menu's card is filled in the dark theme's control background.
  const COLORREF card = app_.theme().color(ThemeColor::control_background);
  const ui::graphics::test::Rgb expected{GetRValue(card), GetGValue(card), GetBValue(card)};
  EXPECT_EQ(pixels.pixel(width / 2, height - 3), expected);
  EXPECT_TRUE(pixels.ink(expected).any) << "the items drew";
}

}  // namespace
}  // namespace win32_ui::scaffold
