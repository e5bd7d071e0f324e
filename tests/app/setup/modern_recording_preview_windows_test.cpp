// The setup window manager's detail windows, pop-up menus and header band
// on real windows of the test display, driven by real messages.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/setup/modern_recording_preview.h"
#include "app/setup/quality_row.h"
#include "app/setup/setup_texts.h"
#include "tests/app/setup/preview_test_fixture.h"
#include "ui/views/menus/menu_item.h"
#include "ui/views/widgets/widget.h"

namespace quorvel::windows {
namespace {

using test::Calls;
using test::kTitleTextId;
using test::pump;
using win32_ui::modern::MenuItem;
using win32_ui::modern::Widget;
using win32_ui::scaffold::Window;

class PreviewWindowsTest : public test::PreviewFixture {
 protected:
  MenuItem* menu_item(win32_ui::modern::ViewPopup& menu, int id) {
    return dynamic_cast<MenuItem*>(menu.host().surface().find_widget(id));
  }
  // The index among `ids` of the focused menu item, -1 for none.
  int focused_row(win32_ui::modern::ViewPopup& menu, const std::vector<int>& ids) {
    for (std::size_t row = 0; row < ids.size(); ++row) {
      MenuItem* item = menu_item(menu, ids[row]);
      if (item && item->is_focused()) return static_cast<int>(row);
    }
    return -1;
  }
  POINT screen_point(int x, int y) {
    POINT point{x, y};
    ClientToScreen(main(), &point);
    return point;
  }
  LRESULT hit_test(int client_x, int client_y) {
    const POINT at = screen_point(client_x, client_y);
    return SendMessageW(main(), WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
  }
  // A widget's rectangle in client pixels at zoom 0.9 and 96 DPI.
  RECT client_rect_of(int id) {
    Widget* widget = main_surface().find_widget(id);
    EXPECT_NE(widget, nullptr) << id;
    if (!widget) return {};
    const auto bounds = widget->bounds_in_root();
    return RECT{static_cast<LONG>(std::lround(bounds.x * 0.9f)),
                static_cast<LONG>(std::lround(bounds.y * 0.9f)),
                static_cast<LONG>(std::lround((bounds.x + bounds.width) * 0.9f)),
                static_cast<LONG>(std::lround((bounds.y + bounds.height) * 0.9f))};
  }
};

// ---- Detail windows ----

TEST_F(PreviewWindowsTest, DetailWindowsAreOwnedAndKeepTheMainWindowDisabled) {
  open();
  const struct {
    int link;
    Window& (ModernRecordingPreview::*window)();
    float height;
  } cases[] = {{20800, &ModernRecordingPreview::picture_window, 452.0f},
               {20801, &ModernRecordingPreview::sound_window, 332.0f},
               {20802, &ModernRecordingPreview::recording_window, 286.0f}};
  for (const auto& c : cases) {
    click_main(c.link);
    pump();
    Window& detail = ((*preview).*c.window)();
    ASSERT_TRUE(detail.is_open()) << c.link;
    HWND first = detail.hwnd();
    EXPECT_EQ(GetWindow(first, GW_OWNER), main()) << c.link;
    EXPECT_FALSE(IsWindowEnabled(main())) << c.link;
    EXPECT_EQ(detail.host().preferred_size(),
              (win32_ui::modern::ClientSize{740.0f, c.height}))
        << c.link;
    EXPECT_FLOAT_EQ(detail.host().zoom(), 0.9f);
    click_main(c.link);
    pump();
    EXPECT_EQ(detail.hwnd(), first) << "reopening only activates";
    SendMessageW(first, WM_CLOSE, 0, 0);
    pump();
    EXPECT_FALSE(IsWindow(first)) << c.link;
    EXPECT_TRUE(IsWindowEnabled(main())) << c.link;
    EXPECT_EQ(GetForegroundWindow(), main()) << c.link;
  }
  EXPECT_TRUE(shell.take().empty());
}

TEST_F(PreviewWindowsTest, SoundSwitchesSetTheSoundWindowControlsBeforeTheRebuild) {
  const struct {
    OutputMode mode;
    int box;
    bool on;
    std::vector<int> switched;
    bool storage_follows;
  } cases[] = {{OutputMode::kFileOnly, 14, false, {18, 19, 22, 29}, true},
               {OutputMode::kFileOnly, 15, false, {16, 20, 21, 23, 30}, true},
               {OutputMode::kLiveOnly, 14, true, {18, 19, 22, 29}, false},
               {OutputMode::kNone, 15, true, {16, 20, 21, 23, 30}, false}};
  for (const auto& c : cases) {
    preview = std::make_unique<ModernRecordingPreview>(GetModuleHandleW(nullptr),
                                                       message_window, application);
    shell.state = test::sample_state();
    shell.state.output_mode = c.mode;
    shell.state.toggles[c.box == 14 ? 1 : 2] = !c.on;
    open();
    open_sound_window();
    Widget* tree = title_text();
    click(preview->sound_window().host(), c.box);
    const std::string toggle = c.box == 14 ? "1" : "2";
    EXPECT_EQ(shell.take(), Calls{"toggle(" + toggle + "," + (c.on ? "true" : "false") + ")"});
    EXPECT_NE(title_text(), tree) << "a forced rebuild";
    auto& sound = preview->sound_window().host().surface();
    for (int id : c.switched) {
      const bool storage = id >= 18 && id <= 21;
      const bool expected = c.on && (!storage || c.storage_follows);
      ASSERT_NE(sound.find_widget(id), nullptr) << id;
      EXPECT_EQ(sound.find_widget(id)->is_enabled(), expected)
          << "box " << c.box << " control " << id << " mode " << static_cast<int>(c.mode);
    }
    if (c.box == 15) {
      EXPECT_EQ(IsWindowEnabled(child(preview->sound_window(), 17)) != FALSE, c.on);
    }
    pump();
  }
}

TEST_F(PreviewWindowsTest, AForcedRebuildFromTheMainWindowsOwnCheckBoxCompletes) {
  open();
  Widget* tree = title_text();
  click_main(14);
  EXPECT_EQ(shell.take(), Calls{"toggle(1,false)"});
  EXPECT_NE(title_text(), tree);
  pump();
  click_main(14);
  EXPECT_EQ(shell.take(), Calls{"toggle(1,true)"});
  EXPECT_FALSE(preview->state().toggles[1] == false);
}

TEST_F(PreviewWindowsTest, ChoosingAQualityShowsItsRateInTheOpenRecordingWindow) {
  shell.state.recording_quality = {3, 8000};
  open();
  open_recording_window();
  HWND edit = child(preview->recording_window(), kRecordingKbpsEditId);
  HWND combo = child(preview->recording_window(), kRecordingQualityComboId);
  ASSERT_NE(edit, nullptr);
  ASSERT_NE(combo, nullptr);
  SetWindowTextW(edit, L"9100");
  ASSERT_TRUE(preview->pending_recording_bitrate_text().has_value());

  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  SetFocus(combo);
  SendMessageW(combo, WM_KEYDOWN, VK_UP, 1);
  EXPECT_EQ(shell.take(), Calls{"recording_quality(0,8000)"});
  EXPECT_NE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY, 0);
  EXPECT_EQ(test::window_text(edit), quality_kbps_text({0, 8000}, shell.state));
  EXPECT_FALSE(test::window_text(edit).empty());
  EXPECT_FALSE(preview->pending_recording_bitrate_text().has_value());

  SendMessageW(combo, CB_SETCURSEL, 2, 0);
  SendMessageW(combo, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(shell.take(), Calls{"recording_quality(3,8000)"});
  EXPECT_EQ(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY, 0);
  EXPECT_EQ(test::window_text(edit), L"8000");
  EXPECT_FALSE(preview->pending_recording_bitrate_text().has_value());
}

// ---- Menus ----

TEST_F(PreviewWindowsTest, TheHelpMenuHasAnAccountRowOnlyWhenSignedIn) {
  const struct {
    bool signed_in;
    std::vector<int> items;
    std::vector<std::string> actions;
    float height;
  } cases[] = {{false, {1004, 1005, 1006}, {"8", "9", "10"}, 132.0f},
               {true, {1004, 1005, 1006, 1007}, {"8", "9", "10", "7"}, 172.0f}};
  for (const auto& c : cases) {
    preview = std::make_unique<ModernRecordingPreview>(GetModuleHandleW(nullptr),
                                                       message_window, application);
    shell.settings.signed_in = c.signed_in;
    open();
    for (std::size_t row = 0; row < c.items.size(); ++row) {
      click_main(4);
      pump();
      auto& menu = preview->help_menu();
      ASSERT_TRUE(menu.is_visible());
      const auto size = menu.host().client_size();
      EXPECT_NEAR(size.width, 218.0f, 1.0f);
      EXPECT_NEAR(size.height, c.height, 1.0f);
      EXPECT_EQ(menu_item(menu, 1007) != nullptr, c.signed_in);
      MenuItem* item = menu_item(menu, c.items[row]);
      ASSERT_NE(item, nullptr) << c.items[row];
      EXPECT_EQ(item->mark(), win32_ui::modern::MenuEntry::kMarkNone);
      EXPECT_FALSE(item->is_checked());
      click(menu.host(), c.items[row]);
      EXPECT_EQ(shell.take(), Calls{"settings_action(" + c.actions[row] + ")"});
      pump();
      EXPECT_FALSE(menu.is_visible()) << c.items[row];
    }
  }
}

TEST_F(PreviewWindowsTest, TheHelpButtonTogglesItsMenuAndTheThemeMenuReplacesIt) {
  open();
  click_main(4);
  pump();
  EXPECT_TRUE(preview->help_menu().is_visible());
  click_main(4);
  pump();
  EXPECT_FALSE(preview->help_menu().is_visible());
  click_main(4);
  pump();
  click_main(2);
  pump();
  EXPECT_FALSE(preview->help_menu().is_visible());
  EXPECT_TRUE(preview->theme_menu().is_visible());
  EXPECT_TRUE(shell.take().empty());
}

TEST_F(PreviewWindowsTest, TheThemeMenuMarksTheThemeInForce) {
  const struct {
    win32_ui::ThemeMode mode;
    int checked_row;
  } cases[] = {{2, 1}, {1, 2}, {0, 0}, {5, 0}};
  open();
  const std::vector<int> ids = {1001, 1002, 1003};
  for (const auto& c : cases) {
    shell.settings.theme_mode = c.mode;
    click_main(2);
    pump();
    auto& menu = preview->theme_menu();
    ASSERT_TRUE(menu.is_visible());
    for (int row = 0; row < 3; ++row) {
      MenuItem* item = menu_item(menu, ids[static_cast<std::size_t>(row)]);
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(item->is_checked(), row == c.checked_row) << "mode " << c.mode << " row " << row;
      EXPECT_EQ(item->mark(), win32_ui::modern::MenuEntry::kMarkRadio);
    }
    EXPECT_EQ(focused_row(menu, ids), c.checked_row) << "mode " << c.mode;
    menu.close();
  }
  shell.settings.theme_mode = 0;
  click_main(2);
  pump();
  click(preview->theme_menu().host(), 1002);
  EXPECT_EQ(shell.take(), Calls{"settings_action(2)"});
  pump();
  EXPECT_FALSE(preview->theme_menu().is_visible());
}

TEST_F(PreviewWindowsTest, ArrowKeysWrapAroundTheMenuAndEscapeClosesIt) {
  open();
  click_main(4);
  pump();
  auto& menu = preview->help_menu();
  ASSERT_TRUE(menu.is_visible());
  const std::vector<int> ids = {1004, 1005, 1006};
  EXPECT_EQ(focused_row(menu, ids), 0);
  const struct {
    WPARAM key;
    int row;
  } steps[] = {{VK_UP, 2}, {VK_DOWN, 0}, {VK_DOWN, 1}, {VK_DOWN, 2}, {VK_DOWN, 0}, {'A', 0}};
  for (const auto& step : steps) {
    key_to(menu.hwnd(), step.key);
    EXPECT_EQ(focused_row(menu, ids), step.row) << "key " << step.key;
  }
  EXPECT_TRUE(menu.is_visible());
  key_to(menu.hwnd(), VK_ESCAPE);
  pump();
  EXPECT_FALSE(menu.is_visible());
  EXPECT_TRUE(shell.take().empty());
}

TEST_F(PreviewWindowsTest, NoMenuOpensWithoutASettingsActionCallback) {
  open(true, false);
  click_main(4);
  click_main(2);
  pump();
  EXPECT_FALSE(preview->help_menu().is_visible());
  EXPECT_FALSE(preview->theme_menu().is_visible());
}

TEST_F(PreviewWindowsTest, PopupAnchorsCoverTheButtonOrTheCursorColumn) {
  open();
  const RECT button = client_rect_of(4);
  const POINT top_left = screen_point(button.left, button.top);
  const POINT bottom_right = screen_point(button.right, button.bottom);
  const RECT whole{top_left.x, top_left.y, bottom_right.x, bottom_right.y};
  SetCursorPos(whole.left + 5, whole.top + 3);
  const RECT exact = preview->popup_anchor(4, true);
  EXPECT_TRUE(EqualRect(&whole, &exact));
  const RECT column = preview->popup_anchor(4, false);
  EXPECT_EQ(column.left, whole.left + 5);
  EXPECT_EQ(column.right, whole.left + 6);
  EXPECT_EQ(column.top, whole.top);
  EXPECT_EQ(column.bottom, whole.bottom);
  SetCursorPos(whole.right + 30, whole.bottom + 30);
  const RECT away = preview->popup_anchor(4, false);
  EXPECT_TRUE(EqualRect(&whole, &away)) << "a cursor off the button keeps the whole button";
  const RECT unknown = preview->popup_anchor(999, true);
  EXPECT_EQ(unknown.left, whole.right + 30);
  EXPECT_EQ(unknown.top, whole.bottom + 30);
  EXPECT_EQ(unknown.right - unknown.left, 1);
  EXPECT_EQ(unknown.bottom - unknown.top, 1);
}

// ---- Header band ----

TEST_F(PreviewWindowsTest, TheHeaderBandDragsTheWindowExceptOverItsButtons) {
  open();
  const int title_x = 160;
  EXPECT_EQ(hit_test(title_x, 7), HTCLIENT);
  EXPECT_EQ(hit_test(title_x, 8), HTCAPTION);
  EXPECT_EQ(hit_test(title_x, 55), HTCAPTION);
  EXPECT_EQ(hit_test(title_x, 56), HTCLIENT);
  std::vector<RECT> buttons;
  for (int id : {1, 3, 2, 4, 20832}) {
    const RECT button = client_rect_of(id);
    buttons.push_back(button);
    EXPECT_EQ(hit_test((button.left + button.right) / 2, (button.top + button.bottom) / 2),
              HTCLIENT)
        << id;
  }
  std::sort(buttons.begin(), buttons.end(),
            [](const RECT& a, const RECT& b) { return a.left < b.left; });
  bool found_gap = false;
  for (std::size_t i = 0; i + 1 < buttons.size(); ++i) {
    if (buttons[i + 1].left - buttons[i].right < 2) continue;
    found_gap = true;
    EXPECT_EQ(hit_test((buttons[i].right + buttons[i + 1].left) / 2,
                       (buttons[i].top + buttons[i].bottom) / 2),
              HTCAPTION);
  }
  EXPECT_TRUE(found_gap) << "the icon buttons stand apart";
}

// ---- Theme and teardown ----

TEST_F(PreviewWindowsTest, ADarkThemeRepaintsAnOpenDetailWindowsBody) {
  open();
  open_picture_window();
  HWND detail = preview->picture_window().hwnd();
  preview->apply_theme(win32_ui::Theme::dark(win32_ui::kDefaultAccent));
  RECT client{};
  GetClientRect(detail, &client);
  RedrawWindow(detail, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN |
                                             RDW_UPDATENOW);
  HDC dc = GetDC(detail);
  const COLORREF corner = GetPixel(dc, 3, client.bottom - 3);
  ReleaseDC(detail, dc);
  EXPECT_EQ(corner, RGB(0x1F, 0x22, 0x27));
  save_png(detail, "preview_picture_window_dark.png");
}

TEST_F(PreviewWindowsTest, DestroyingThePreviewWithEverythingOpenRunsNoCallback) {
  open();
  open_picture_window();
  click_main(20801);
  click_main(20802);
  pump();
  HWND sound = preview->sound_window().hwnd();
  HWND window = main();
  EXPECT_TRUE(IsWindow(sound));
  preview.reset();
  pump();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(sound));
  EXPECT_TRUE(shell.take().empty());
}

}  // namespace
}  // namespace quorvel::windows
