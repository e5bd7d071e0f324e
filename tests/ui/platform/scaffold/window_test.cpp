// Top-level toolkit windows on the test display: creation defaults and
// placement, re-creation, the close answers, the destroyed callback, a
// failure at the theme step, callbacks during creation and a throwing
// callback inside the window procedure.
#include "ui/platform/scaffold/window.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/support/test_support.h"
#include "tests/ui/platform/scaffold/scaffold_test_support.h"
#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/native_window.h"

namespace win32_ui::scaffold {
namespace {

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

bool registered(const Application& app, const Window& window) {
  for (const Window* entry : app.windows()) {
    if (entry == &window) return true;
  }
  return false;
}

class WindowTest : public ::testing::Test {
 protected:
  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  Application app_{kThemeModeSystem, kDefaultAccent, system_};
};

TEST_F(WindowTest, DefaultOptionsGiveAHiddenCentredWindowOf640By400) {
  Window window(app_);
  ASSERT_TRUE(window.create({}));

  EXPECT_EQ(testing::window_text(window.hwnd()), L"");
  EXPECT_FALSE(IsWindowVisible(window.hwnd()));
  EXPECT_FALSE(window.is_visible());
  EXPECT_TRUE(window.is_open());
  // The system adds WS_CLIPSIBLINGS to every overlapped window.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(window.hwnd(), GWL_STYLE)) & ~WS_CLIPSIBLINGS,
            0x02CF0000u);
  const RECT client = client_rect(window.hwnd());
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 400);
  const RECT outer = window_rect(window.hwnd());
  EXPECT_EQ(outer.left, (1920 - (outer.right - outer.left)) / 2);
  EXPECT_EQ(outer.top, (1080 - (outer.bottom - outer.top)) / 2);
  EXPECT_TRUE(registered(app_, window));
  wchar_t class_name[64]{};
  GetClassNameW(window.hwnd(), class_name, 64);
  EXPECT_STREQ(class_name, kScaffoldWindowClass);
}

TEST_F(WindowTest, WithoutCentringKeepsTheFirstSizeAtTheDefaultPosition) {
  Window window(app_);
  WindowOptions options;
  options.center = false;
  ASSERT_TRUE(window.create(options));

  const RECT outer = window_rect(window.hwnd());
  EXPECT_EQ(outer.right - outer.left, 640);
  EXPECT_EQ(outer.bottom - outer.top, 480);
  if (quorvel::test::running_under_wine()) {
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
  }
}

TEST_F(WindowTest, CreateFailsOnAnOpenWindowAndSucceedsAgainAfterDestructionKeepingCallbacks) {
  Window window(app_);
  int destroyed = 0;
  window.on_destroyed([&] { ++destroyed; });
  WindowOptions options;
  options.text = L"First";
  ASSERT_TRUE(window.create(options));
  const HWND first = window.hwnd();
  const RECT before = window_rect(first);

  WindowOptions again;
  again.text = L"Second";
  again.center = false;
  EXPECT_FALSE(window.create(again));
  EXPECT_EQ(window.hwnd(), first);
  EXPECT_EQ(testing::window_text(first), L"First");
  const RECT after = window_rect(first);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right, before.right);

  window.destroy();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(window.hwnd(), nullptr);
  EXPECT_FALSE(registered(app_, window));

  ASSERT_TRUE(window.create(again));
  EXPECT_EQ(testing::window_text(window.hwnd()), L"Second");
  EXPECT_TRUE(registered(app_, window));
  window.destroy();
  EXPECT_EQ(destroyed, 2) << "the callback survived the re-creation";
}

TEST_F(WindowTest, CloseAnswersDestroyHideOrKeepTheWindow) {
  struct Case {
    const char* name;
    bool has_callback;
    CloseAction answer;
    bool open;
    bool visible;
    bool still_registered;
  };
  const Case cases[] = {
      {"no callback", false, CloseAction::close, false, false, false},
      {"close", true, CloseAction::close, false, false, false},
      {"hide", true, CloseAction::hide, true, false, true},
      {"keep", true, CloseAction::keep, true, true, true},
  };
  for (const Case& c : cases) {
    Window window(app_);
    int asked = 0;
    if (c.has_callback) {
      window.on_close_requested([&] {
        ++asked;
        return c.answer;
      });
    }
    ASSERT_TRUE(window.create({}));
    window.show(SW_SHOWNOACTIVATE);

    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);

    EXPECT_EQ(asked, c.has_callback ? 1 : 0) << c.name;
    EXPECT_EQ(window.is_open(), c.open) << c.name;
    EXPECT_EQ(window.is_visible(), c.visible) << c.name;
    EXPECT_EQ(registered(app_, window), c.still_registered) << c.name;
  }
}

TEST_F(WindowTest, DestructionOfTheObjectRunsTheDestroyedCallbackOnce) {
  int destroyed = 0;
  HWND hwnd = nullptr;
  {
    Window window(app_);
    window.on_destroyed([&] { ++destroyed; });
    ASSERT_TRUE(window.create({}));
    hwnd = window.hwnd();
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(app_.windows().empty());
}

TEST_F(WindowTest, AFailureAtTheThemeStepRunsNoCallbackAndRegistersNothing) {
  Window parent(app_);
  ASSERT_TRUE(parent.create({}));
  Window child(app_);
  int destroyed = 0;
  child.on_destroyed([&] { ++destroyed; });
  WindowOptions options;
  options.owner = parent.hwnd();
  options.style = WS_CHILD | WS_CAPTION | WS_SYSMENU;
  options.chrome_mode = 2;

  EXPECT_FALSE(child.create(options));

  EXPECT_EQ(destroyed, 0);
  EXPECT_FALSE(child.is_open());
  EXPECT_FALSE(registered(app_, child));
  EXPECT_TRUE(parent.is_open());
}

TEST_F(WindowTest, ResizedAndMovedCallbacksStartAfterCreateReturns) {
  Window window(app_);
  int resized = 0;
  int moved = 0;
  window.on_resized([&](bool) { ++resized; }).on_moved([&] { ++moved; });

  ASSERT_TRUE(window.create({}));
  EXPECT_EQ(resized, 0);
  EXPECT_EQ(moved, 0);

  SetWindowPos(window.hwnd(), nullptr, 10, 20, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(resized, 1);
}

TEST_F(WindowTest, AThrowingCloseCallbackFallsToTheDefaultProcessing) {
  Window window(app_);
  window.on_close_requested([]() -> CloseAction { throw std::runtime_error("close failed"); });
  ASSERT_TRUE(window.create({}));
  const HWND hwnd = window.hwnd();

  EXPECT_EQ(SendMessageW(hwnd, WM_CLOSE, 0, 0), 0);

  EXPECT_FALSE(IsWindow(hwnd)) << "DefWindowProcW destroyed the window";
  EXPECT_FALSE(window.is_open());
  EXPECT_TRUE(app_.windows().empty());
}

TEST_F(WindowTest, SetsTheIconAsBothBigAndSmall) {
  Window window(app_);
  WindowOptions options;
  options.icon = LoadIconW(nullptr, IDI_WARNING);
  ASSERT_TRUE(window.create(options));
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(window.hwnd(), WM_GETICON, ICON_BIG, 0)),
            options.icon);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(window.hwnd(), WM_GETICON, ICON_SMALL, 0)),
            options.icon);
}

}  // namespace
}  // namespace win32_ui::scaffold
