#include "ui/platform/theme/native_theme_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/themed_edit_control.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

using quorvel::test::FakeThemeSystem;
using test::DibTarget;
using test::rgb;
using C = ThemeColor;

bool has_registry_subclass(HWND window, DWORD_PTR* reference = nullptr) {
  return find_window_subclass(window, &NativeThemeRegistry::subclass_procedure,
                              kThemeRegistrySubclass, reference);
}

bool has_edit_theme(HWND edit) {
  return find_window_subclass(edit, &edit_frame_subclass_procedure, kEditThemeSubclass, nullptr);
}

// Counts the theme-changed callbacks and keeps the last theme; throws the
// chosen kind of exception when asked.
struct CallbackLog {
  enum class Throw { kNothing, kRuntimeError, kBadAlloc, kInt };

  int calls = 0;
  Theme last;
  Throw throws = Throw::kNothing;

  static void record(void* user_data, const Theme* theme) {
    auto* log = static_cast<CallbackLog*>(user_data);
    ++log->calls;
    log->last = *theme;
    switch (log->throws) {
      case Throw::kRuntimeError:
        throw std::runtime_error("shell re-theming failed");
      case Throw::kBadAlloc:
        throw std::bad_alloc();
      case Throw::kInt:
        throw 42;
      case Throw::kNothing:
        break;
    }
  }
};

std::string utf8(std::wstring_view text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

class NativeThemeRegistryTest : public testing::Test {
 protected:
  NativeThemeRegistryTest()
      : registry_(NativeThemeRegistry::create(kThemeModeSystem, kDefaultAccent, system_)) {
    registry_->set_theme_changed_callback(&CallbackLog::record, &log_);
    registry_->set_error_reporter([this](std::wstring_view line) { reports_.emplace_back(line); });
  }

  // The system switches apps between light and dark.
  void system_goes_dark() { system_.set_apps_use_light_theme_dword(0); }
  void system_goes_light() { system_.set_apps_use_light_theme_dword(1); }

  // A window's answer to a colour message from `child`, read from a memory DC.
  struct Answer {
    LRESULT brush = 0;
    COLORREF text = 0;
    COLORREF background = 0;
    COLORREF brush_color = 0;
    int background_mode = 0;
  };
  static Answer ask_colour(HWND window, UINT message, HWND child) {
    DibTarget target(4, 4);
    Answer answer;
    answer.brush = SendMessageW(window, message, reinterpret_cast<WPARAM>(target.dc()),
                                reinterpret_cast<LPARAM>(child));
    answer.text = GetTextColor(target.dc());
    answer.background = GetBkColor(target.dc());
    answer.brush_color = GetDCBrushColor(target.dc());
    answer.background_mode = GetBkMode(target.dc());
    return answer;
  }
  static LRESULT dc_brush() { return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH)); }

  // The window background a static paints itself with.
  static test::Rgb static_background(HWND label) {
    DibTarget target(20, 10);
    SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.dc()), PRF_CLIENT);
    return target.pixel(1, 1);
  }

  FakeThemeSystem system_;
  CallbackLog log_;
  std::vector<std::wstring> reports_;
  std::unique_ptr<NativeThemeRegistry> registry_;
};

TEST_F(NativeThemeRegistryTest, StartsFromTheRequestAndTheSystem) {
  EXPECT_EQ(registry_->mode(), kThemeModeSystem);
  EXPECT_EQ(registry_->accent_color(), kDefaultAccent);
  EXPECT_EQ(registry_->theme(), Theme::light(kDefaultAccent));

  system_goes_dark();
  const auto dark = NativeThemeRegistry::create(kThemeModeSystem, kDefaultAccent, system_);
  EXPECT_EQ(dark->theme(), Theme::dark(kDefaultAccent));
}

TEST_F(NativeThemeRegistryTest, RegisteringTheSameWindowTwiceAsWatchedKeepsOneEntry) {
  test::ControlTestWindow window;
  EXPECT_TRUE(registry_->register_window(window.hwnd()));
  EXPECT_TRUE(registry_->register_window(window.hwnd()));
  EXPECT_TRUE(has_registry_subclass(window.hwnd()));

  registry_->unregister_window(window.hwnd());
  EXPECT_FALSE(has_registry_subclass(window.hwnd()));
  // Nothing of it is left to hear the system.
  system_goes_dark();
  SendMessageW(window.hwnd(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(log_.calls, 0);
  registry_->unregister_window(window.hwnd());
}

TEST_F(NativeThemeRegistryTest, RefusesNullAndDeadWindowsAndKeepsItsList) {
  test::ControlTestWindow kept;
  ASSERT_TRUE(registry_->register_themed_window(kept.hwnd(), nullptr));
  HWND dead = nullptr;
  {
    test::ControlTestWindow gone;
    dead = gone.hwnd();
  }
  ASSERT_FALSE(IsWindow(dead));

  for (HWND window : {HWND{nullptr}, dead}) {
    EXPECT_FALSE(registry_->register_window(window));
    EXPECT_FALSE(registry_->register_themed_window(window, nullptr));
    EXPECT_FALSE(registry_->retheme_window(window));
  }
  EXPECT_TRUE(registry_->retheme_window(kept.hwnd()));
  EXPECT_TRUE(has_registry_subclass(kept.hwnd()));
}

TEST_F(NativeThemeRegistryTest, WatchedWindowIsUpgradedInPlaceAndItsChildrenThemed) {
  test::ControlTestWindow window;
  HWND edit = window.add_child(L"EDIT", L"text", WS_BORDER, {10, 10, 150, 40});
  ASSERT_TRUE(registry_->register_window(window.hwnd()));
  DWORD_PTR watched_entry = 0;
  ASSERT_TRUE(has_registry_subclass(window.hwnd(), &watched_entry));
  EXPECT_FALSE(has_edit_theme(edit));
  // A watched window is only a listener.
  EXPECT_FALSE(registry_->retheme_window(window.hwnd()));
  EXPECT_NE(ask_colour(window.hwnd(), WM_CTLCOLOREDIT, edit).brush, dc_brush());

  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  DWORD_PTR themed_entry = 0;
  ASSERT_TRUE(has_registry_subclass(window.hwnd(), &themed_entry));
  EXPECT_EQ(themed_entry, watched_entry);
  EXPECT_TRUE(has_edit_theme(edit));
  EXPECT_TRUE(registry_->retheme_window(window.hwnd()));
  EXPECT_EQ(ask_colour(window.hwnd(), WM_CTLCOLOREDIT, edit).brush, dc_brush());
}

TEST_F(NativeThemeRegistryTest, WatchedWindowTurnsSystemNotificationsIntoARefresh) {
  test::ControlTestWindow window;
  ASSERT_TRUE(registry_->register_window(window.hwnd()));
  for (const UINT message : {UINT{WM_SETTINGCHANGE}, UINT{WM_SYSCOLORCHANGE}, UINT{WM_THEMECHANGED}}) {
    SCOPED_TRACE(testing::Message() << "message " << message);
    const int before = log_.calls;
    if (registry_->theme().is_dark) {
      system_goes_light();
    } else {
      system_goes_dark();
    }
    SendMessageW(window.hwnd(), message, 0, 0);
    EXPECT_EQ(log_.calls, before + 1);
    EXPECT_EQ(log_.last, registry_->theme());
  }
}

// How a child that missed its WM_PARENTNOTIFY gets themed.
struct Retheme {
  const char* name;
  bool (*run)(NativeThemeRegistry& registry);
};
const Retheme kRethemes[] = {
    {"refresh", [](NativeThemeRegistry& registry) { return registry.refresh(); }},
    {"set_mode", [](NativeThemeRegistry& registry) { return registry.set_mode(registry.mode()); }},
};

TEST_F(NativeThemeRegistryTest, NotificationWithoutChangeRethemesNothingButRefreshDoes) {
  for (const Retheme& retheme : kRethemes) {
    SCOPED_TRACE(retheme.name);
    test::ControlTestWindow window;
    ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
    HWND edit = window.add_child(L"EDIT", L"", 0, {10, 10, 150, 40}, 100, WS_EX_NOPARENTNOTIFY);
    EXPECT_FALSE(has_edit_theme(edit));

    SendMessageW(window.hwnd(), WM_SETTINGCHANGE, 0, 0);
    EXPECT_FALSE(has_edit_theme(edit));
    EXPECT_EQ(log_.calls, 0);

    EXPECT_FALSE(retheme.run(*registry_));
    EXPECT_TRUE(has_edit_theme(edit));
    EXPECT_EQ(log_.calls, 0);
  }
}

TEST_F(NativeThemeRegistryTest, NotificationWithAChangeRethemesEveryThemedWindowAndCallsBackOnce) {
  test::ControlTestWindow first;
  test::ControlTestWindow second;
  HWND first_label = first.add_child(L"STATIC", L"", SS_LEFT, {10, 10, 110, 30});
  HWND second_label = second.add_child(L"STATIC", L"", SS_LEFT, {10, 10, 110, 30});
  ASSERT_TRUE(registry_->register_themed_window(first.hwnd(), nullptr));
  ASSERT_TRUE(registry_->register_themed_window(second.hwnd(), nullptr));
  const Theme light = Theme::light(kDefaultAccent);
  const Theme dark = Theme::dark(kDefaultAccent);
  EXPECT_EQ(static_background(first_label), rgb(light.color(C::window_background)));

  system_goes_dark();
  // The system tells every top-level window; only the first notices a change.
  SendMessageW(second.hwnd(), WM_SETTINGCHANGE, 0, 0);
  SendMessageW(first.hwnd(), WM_SETTINGCHANGE, 0, 0);

  EXPECT_EQ(log_.calls, 1);
  EXPECT_EQ(log_.last, dark);
  EXPECT_EQ(registry_->theme(), dark);
  EXPECT_EQ(static_background(first_label), rgb(dark.color(C::window_background)));
  EXPECT_EQ(static_background(second_label), rgb(dark.color(C::window_background)));
}

TEST_F(NativeThemeRegistryTest, SetModeReportsAndAppliesAChange) {
  test::ControlTestWindow window;
  HWND label = window.add_child(L"STATIC", L"", SS_LEFT, {10, 10, 110, 30});
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));

  EXPECT_TRUE(registry_->set_mode(kThemeModeDark));
  EXPECT_EQ(registry_->mode(), kThemeModeDark);
  EXPECT_EQ(log_.calls, 1);
  EXPECT_EQ(static_background(label), rgb(Theme::dark(kDefaultAccent).color(C::window_background)));
  EXPECT_FALSE(registry_->set_mode(kThemeModeDark));
  EXPECT_EQ(log_.calls, 1);
}

TEST_F(NativeThemeRegistryTest, ThrowingCallbackIsReportedAndCalledAgainOnTheNextChange) {
  const struct {
    CallbackLog::Throw kind;
    const char* text;
  } cases[] = {
      {CallbackLog::Throw::kRuntimeError, "shell re-theming failed"},
      {CallbackLog::Throw::kBadAlloc, "bad_alloc"},
      {CallbackLog::Throw::kInt, "unknown exception"},
  };
  test::ControlTestWindow window;
  HWND label = window.add_child(L"STATIC", L"", SS_LEFT, {10, 10, 110, 30});
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  log_.throws = CallbackLog::Throw::kNothing;

  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    reports_.clear();
    log_.throws = c.kind;
    const int before = log_.calls;
    const bool going_dark = !registry_->theme().is_dark;
    if (going_dark) {
      system_goes_dark();
    } else {
      system_goes_light();
    }
    EXPECT_TRUE(registry_->refresh());
    EXPECT_EQ(log_.calls, before + 1);
    ASSERT_EQ(reports_.size(), 1u);
    const std::string line = utf8(reports_[0]);
    EXPECT_NE(line.find("theme-changed callback"), std::string::npos) << line;
    EXPECT_NE(line.find(c.text), std::string::npos) << line;
    // The windows were re-themed before the callback.
    const Theme expected = going_dark ? Theme::dark(kDefaultAccent) : Theme::light(kDefaultAccent);
    EXPECT_EQ(static_background(label), rgb(expected.color(C::window_background)));
  }

  // Through a window procedure too: nothing leaves it.
  reports_.clear();
  log_.throws = CallbackLog::Throw::kRuntimeError;
  const int before = log_.calls;
  if (registry_->theme().is_dark) {
    system_goes_light();
  } else {
    system_goes_dark();
  }
  SendMessageW(window.hwnd(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(log_.calls, before + 1);
  EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(NativeThemeRegistryTest, ChildCreatedAfterRegistrationIsThemedOnParentNotify) {
  test::ControlTestWindow window;
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  HWND edit = window.add_child(L"EDIT", L"later", 0, {10, 10, 150, 40});
  EXPECT_TRUE(has_edit_theme(edit));
  HWND button = window.add_child(L"BUTTON", L"later", BS_PUSHBUTTON, {10, 50, 110, 80});
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(button, region), ERROR);
  DeleteObject(region);
}

TEST_F(NativeThemeRegistryTest, OwnerDrawnChildIsLeftToItsOwner) {
  test::ControlTestWindow window;
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  HWND edit = window.add_child(L"EDIT", L"", 0, {10, 10, 150, 40}, 100, WS_EX_NOPARENTNOTIFY);

  ASSERT_TRUE(registry_->set_owner_drawn(edit, true));
  EXPECT_EQ(registry_->child_mark(edit).kind, ChildMark::kChildMarkOwnerDrawn);
  EXPECT_TRUE(registry_->retheme_window(window.hwnd()));
  EXPECT_FALSE(has_edit_theme(edit));
  const Answer unanswered = ask_colour(window.hwnd(), WM_CTLCOLOREDIT, edit);
  EXPECT_NE(unanswered.brush, dc_brush());
  EXPECT_NE(unanswered.text, registry_->theme().color(C::text));

  ASSERT_TRUE(registry_->set_owner_drawn(edit, false));
  EXPECT_EQ(registry_->child_mark(edit).kind, ChildMark::kChildMarkNone);
  EXPECT_TRUE(has_edit_theme(edit));
  EXPECT_EQ(ask_colour(window.hwnd(), WM_CTLCOLOREDIT, edit).brush, dc_brush());
}

TEST_F(NativeThemeRegistryTest, MarkOfADestroyedChildIsDroppedAtTheNextRetheme) {
  test::ControlTestWindow window;
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  HWND edit = window.add_child(L"EDIT", L"", 0, {10, 10, 150, 40});
  ASSERT_TRUE(registry_->set_owner_drawn(edit, true));
  DestroyWindow(edit);
  EXPECT_EQ(registry_->child_mark(edit).kind, ChildMark::kChildMarkOwnerDrawn);
  EXPECT_TRUE(registry_->retheme_window(window.hwnd()));
  EXPECT_EQ(registry_->child_mark(edit).kind, ChildMark::kChildMarkNone);
}

TEST_F(NativeThemeRegistryTest, DestroyedWindowTakesItsEntryAndMarksAlong) {
  auto window = std::make_unique<test::ControlTestWindow>();
  HWND edit = window->add_child(L"EDIT", L"", 0, {10, 10, 150, 40});
  ASSERT_TRUE(registry_->register_themed_window(window->hwnd(), nullptr));
  ASSERT_TRUE(registry_->set_owner_drawn(edit, true));
  window.reset();
  EXPECT_EQ(registry_->child_mark(edit).kind, ChildMark::kChildMarkNone);
  // A change after it went reaches only the callback.
  system_goes_dark();
  EXPECT_TRUE(registry_->refresh());
  EXPECT_EQ(log_.calls, 1);
}

TEST_F(NativeThemeRegistryTest, MarkingNeedsAChildOfAThemedWindow) {
  test::ControlTestWindow themed;
  test::ControlTestWindow watched;
  test::ControlTestWindow unregistered;
  ASSERT_TRUE(registry_->register_themed_window(themed.hwnd(), nullptr));
  ASSERT_TRUE(registry_->register_window(watched.hwnd()));
  HWND watched_child = watched.add_child(L"EDIT", L"", 0, {10, 10, 50, 30});
  HWND stranger = unregistered.add_child(L"EDIT", L"", 0, {10, 10, 50, 30});

  EXPECT_FALSE(registry_->set_owner_drawn(nullptr, true));
  EXPECT_FALSE(registry_->set_owner_drawn(watched_child, true));
  EXPECT_FALSE(registry_->set_owner_drawn(stranger, true));
  EXPECT_EQ(registry_->child_mark(stranger).kind, ChildMark::kChildMarkNone);
}

TEST_F(NativeThemeRegistryTest, AnswersColourMessagesFromTheTheme) {
  test::ControlTestWindow window;
  HWND edit = window.add_child(L"EDIT", L"", 0, {10, 10, 150, 40}, 100);
  HWND disabled_edit = window.add_child(L"EDIT", L"", 0, {10, 50, 150, 80}, 101);
  HWND disabled_label = window.add_child(L"STATIC", L"x", SS_LEFT, {10, 90, 150, 110}, 102);
  HWND list = window.add_child(L"LISTBOX", L"", 0, {160, 10, 260, 80}, 103);
  HWND button = window.add_child(L"BUTTON", L"b", BS_AUTOCHECKBOX, {160, 90, 260, 110}, 104);
  EnableWindow(disabled_edit, FALSE);
  EnableWindow(disabled_label, FALSE);
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  const Theme& theme = registry_->theme();

  const struct {
    const char* name;
    UINT message;
    HWND child;
    ThemeColor text;
    ThemeColor background;
  } cases[] = {
      {"enabled edit", WM_CTLCOLOREDIT, edit, C::text, C::control_background},
      {"disabled edit", WM_CTLCOLORSTATIC, disabled_edit, C::text_disabled, C::control_pressed},
      {"disabled static", WM_CTLCOLORSTATIC, disabled_label, C::text_disabled,
       C::window_background},
      {"list box", WM_CTLCOLORLISTBOX, list, C::text, C::control_background},
      {"check box", WM_CTLCOLORBTN, button, C::text, C::window_background},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Answer answer = ask_colour(window.hwnd(), c.message, c.child);
    EXPECT_EQ(answer.brush, dc_brush());
    EXPECT_EQ(answer.text, theme.color(c.text));
    EXPECT_EQ(answer.background, theme.color(c.background));
    EXPECT_EQ(answer.brush_color, theme.color(c.background));
    EXPECT_EQ(answer.background_mode, TRANSPARENT);
  }
}

TEST_F(NativeThemeRegistryTest, PaintsTheWindowBackground) {
  test::ControlTestWindow window(80, 60);
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  DibTarget target(80, 60);
  SetDCBrushColor(target.dc(), RGB(1, 2, 3));
  EXPECT_EQ(SendMessageW(window.hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(target.dc()), 0), 1);
  EXPECT_EQ(target.pixel(0, 0), rgb(registry_->theme().color(C::window_background)));
  EXPECT_EQ(target.pixel(79, 59), rgb(registry_->theme().color(C::window_background)));
  EXPECT_EQ(GetDCBrushColor(target.dc()), RGB(1, 2, 3));
}

// The window's region covers exactly the pixels of the expected round
// rectangle. Compared pixel by pixel: Wine's EqualRgn compares band lists,
// and a window region comes back with its bands merged.
bool has_round_region(HWND window, int width, int height, int ellipse) {
  HRGN actual = CreateRectRgn(0, 0, 0, 0);
  HRGN expected = CreateRoundRectRgn(0, 0, width + 1, height + 1, ellipse, ellipse);
  bool equal = GetWindowRgn(window, actual) != ERROR;
  for (int y = -1; equal && y <= height + 1; ++y) {
    for (int x = -1; equal && x <= width + 1; ++x) {
      equal = (PtInRegion(actual, x, y) != FALSE) == (PtInRegion(expected, x, y) != FALSE);
    }
  }
  DeleteObject(actual);
  DeleteObject(expected);
  return equal;
}

void expect_push_buttons_rounded(NativeThemeRegistry& registry, int ellipse) {
  test::ControlTestWindow window(400, 300);
  HWND push = window.add_child(L"BUTTON", L"Push", BS_PUSHBUTTON, {10, 10, 110, 40}, 100);
  HWND default_push =
      window.add_child(L"BUTTON", L"Default", BS_DEFPUSHBUTTON, {10, 50, 110, 80}, 101);
  HWND owner_draw = window.add_child(L"BUTTON", L"", BS_OWNERDRAW, {10, 90, 110, 120}, 102);
  HWND check = window.add_child(L"BUTTON", L"Check", BS_AUTOCHECKBOX, {10, 130, 110, 160}, 103);
  ASSERT_TRUE(registry.register_themed_window(window.hwnd(), nullptr));

  for (HWND button : {push, default_push, owner_draw}) {
    RECT client{};
    GetClientRect(button, &client);
    EXPECT_TRUE(has_round_region(button, client.right, client.bottom, ellipse));
  }
  HRGN none = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(check, none), ERROR);
  DeleteObject(none);

  // A bigger button keeps its old region until the window is sized.
  SetWindowPos(push, nullptr, 0, 0, 160, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(push, &client);
  EXPECT_FALSE(has_round_region(push, client.right, client.bottom, ellipse));
  SetWindowPos(window.hwnd(), nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(has_round_region(push, client.right, client.bottom, ellipse));
}

TEST_F(NativeThemeRegistryTest, PushButtonCornersAre12PixelsAt96Dpi) {
  QUORVEL_REQUIRE_DPI(96);
  expect_push_buttons_rounded(*registry_, 12);
}

TEST_F(NativeThemeRegistryTest, Dpi144PushButtonCornersAre18Pixels) {
  QUORVEL_REQUIRE_DPI(144);
  expect_push_buttons_rounded(*registry_, 18);
}

TEST_F(NativeThemeRegistryTest, OwnerDrawnPushButtonKeepsItsShapeWhenTheWindowIsSized) {
  test::ControlTestWindow window(400, 300);
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  HWND push = window.add_child(L"BUTTON", L"Mine", BS_PUSHBUTTON, {10, 10, 110, 40}, 100,
                               WS_EX_NOPARENTNOTIFY);
  ASSERT_TRUE(registry_->set_owner_drawn(push, true));
  SetWindowPos(window.hwnd(), nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(push, region), ERROR);
  DeleteObject(region);
}

TEST_F(NativeThemeRegistryTest, CustomDrawsPushButtonsAndCheckBoxesButNotRadioButtons) {
  test::ControlTestWindow window(400, 300);
  HWND push = window.add_child(L"BUTTON", L"Push", BS_PUSHBUTTON, {10, 10, 110, 40}, 100);
  HWND check = window.add_child(L"BUTTON", L"Check", BS_AUTOCHECKBOX, {10, 50, 110, 80}, 101);
  HWND radio = window.add_child(L"BUTTON", L"Radio", BS_AUTORADIOBUTTON, {10, 90, 110, 120}, 102);
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));

  const struct {
    HWND button;
    LRESULT result;
  } cases[] = {{push, CDRF_SKIPDEFAULT}, {check, CDRF_SKIPDEFAULT}, {radio, 0}};
  for (const auto& c : cases) {
    window.custom_draw_sources.clear();
    DibTarget target(100, 30);
    NMCUSTOMDRAW draw{};
    draw.hdr = {c.button, static_cast<UINT_PTR>(GetDlgCtrlID(c.button)),
                static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.dwDrawStage = CDDS_PREPAINT;
    draw.hdc = target.dc();
    draw.rc = {0, 0, 100, 30};
    EXPECT_EQ(SendMessageW(window.hwnd(), WM_NOTIFY, draw.hdr.idFrom,
                           reinterpret_cast<LPARAM>(&draw)),
              c.result);
    // Only the radio button's notification reaches the window's own
    // procedure (default processing).
    EXPECT_EQ(window.custom_draw_sources.size(), c.button == radio ? 1u : 0u);
  }
}

TEST_F(NativeThemeRegistryTest, ButtonsPaintingThemselvesAskForCustomDrawThatTheRegistryAnswers) {
  test::ControlTestWindow window(400, 300);
  HWND push = window.add_child(L"BUTTON", L"Push", BS_PUSHBUTTON, {10, 10, 110, 40}, 100);
  HWND check = window.add_child(L"BUTTON", L"Check", BS_AUTOCHECKBOX, {10, 50, 110, 80}, 101);
  HWND radio = window.add_child(L"BUTTON", L"Radio", BS_AUTORADIOBUTTON, {10, 90, 110, 120}, 102);
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  test::pump_messages();
  window.custom_draw_sources.clear();

  for (HWND button : {push, check, radio}) {
    InvalidateRect(button, nullptr, TRUE);
    UpdateWindow(button);
  }
  const auto reached = [&](HWND button) {
    return std::count(window.custom_draw_sources.begin(), window.custom_draw_sources.end(),
                      button);
  };
  EXPECT_GT(reached(radio), 0);
  EXPECT_EQ(reached(push), 0);
  EXPECT_EQ(reached(check), 0);
}

TEST_F(NativeThemeRegistryTest, OwnerDrawButtonsArePaintedInTheTheme) {
  test::ControlTestWindow window(400, 300);
  HWND plain = window.add_child(L"BUTTON", L"", BS_OWNERDRAW, {10, 10, 110, 40}, 100);
  HWND marked = window.add_child(L"BUTTON", L"", BS_OWNERDRAW, {10, 50, 110, 80}, 101);
  // Dark: no button colour is the white of an untouched target.
  registry_->set_mode(kThemeModeDark);
  ASSERT_TRUE(registry_->register_themed_window(window.hwnd(), nullptr));
  ASSERT_TRUE(registry_->set_owner_drawn(marked, true));

  const struct {
    HWND button;
    LRESULT result;
  } cases[] = {{plain, TRUE}, {marked, FALSE}};
  for (const auto& c : cases) {
    DibTarget target(100, 30);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = static_cast<UINT>(GetDlgCtrlID(c.button));
    draw.itemAction = ODA_DRAWENTIRE;
    draw.hwndItem = c.button;
    draw.hDC = target.dc();
    draw.rcItem = {0, 0, 100, 30};
    EXPECT_EQ(SendMessageW(window.hwnd(), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw)),
              c.result);
    const ControlColors colors = Theme::control_colors(registry_->theme(), kControlToneStandard,
                                                       kVisualStateNormal, false);
    EXPECT_EQ(target.pixel(50, 15) == rgb(colors.fill), c.result == TRUE);
  }
}

TEST_F(NativeThemeRegistryTest, DestroyingTheRegistryRemovesItsSubclasses) {
  test::ControlTestWindow watched;
  test::ControlTestWindow themed;
  ASSERT_TRUE(registry_->register_window(watched.hwnd()));
  ASSERT_TRUE(registry_->register_themed_window(themed.hwnd(), nullptr));
  registry_.reset();
  EXPECT_FALSE(has_registry_subclass(watched.hwnd()));
  EXPECT_FALSE(has_registry_subclass(themed.hwnd()));
}

}  // namespace
}  // namespace win32_ui
