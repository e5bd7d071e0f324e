// The preferences window on a real window of the test display: hotkey
// capture by real key messages, the start-with-Windows switch, the language
// list's deferred commit and the layout of the hotkey rows.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/setup/hotkey_capture_keys.h"
#include "app/setup/preferences_tree.h"
#include "app/setup/view_lookup.h"
#include "tests/app/setup/preview_test_fixture.h"
#include "tests/app/setup/view_dump.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/views/key_event.h"

namespace quorvel::windows {
namespace {

using test::Calls;
using test::pump;
using win32_ui::modern::KeyEvent;
using win32_ui::modern::Win32ComboBox;

constexpr int kSettingsButtonId = 3;

ModernSettingsState hotkey_snapshot(std::size_t rows) {
  ModernSettingsState state;
  for (std::size_t n = 0; n < rows; ++n) {
    state.hotkey_rows.push_back(
        {L"Action " + std::to_wstring(n), L"Ctrl + Shift + " + std::to_wstring(n)});
  }
  state.hotkey_rows.resize(rows);
  if (rows > 3) state.hotkey_rows[3].key_text = L"Ctrl + Shift + S";
  return state;
}

class PreferencesWindowTest : public test::PreviewFixture {
 protected:
  void open_preferences() {
    shell.settings = hotkey_snapshot(11);
    open();
    click_main(kSettingsButtonId);
    pump();
    ASSERT_TRUE(preview->preferences_window().is_open());
    shell.take();
  }
  win32_ui::modern::WindowHost& prefs() { return preview->preferences_window().host(); }
  HWND prefs_window() { return preview->preferences_window().hwnd(); }
  std::wstring key_text(int row) {
    auto* button = prefs().surface().find_widget(kHotkeyButtonBaseId + row);
    return button ? std::wstring(button->text()) : std::wstring(L"<none>");
  }
  void click_row(int row) { click(prefs(), kHotkeyButtonBaseId + row); }
  // Holds `held` down for one key press sent to the preferences window.
  void press(std::vector<BYTE> held, WPARAM key) {
    BYTE keys[256] = {};
    for (BYTE vk : held) keys[vk] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(prefs_window(), WM_KEYDOWN, key, 1);
    SendMessageW(prefs_window(), WM_KEYUP, key, 1 | (LPARAM{3} << 30));
    BYTE none[256] = {};
    SetKeyboardState(none);
  }
  HWND language_list() { return GetDlgItem(prefs_window(), kLanguageComboId); }
};

// ---- Key rules ----

TEST(HotkeyCaptureKeysTest, OnlyShiftCtrlAltAndWindowsKeysAreModifiers) {
  for (std::uint32_t vk : {16u, 17u, 18u, 91u, 92u, 160u, 161u, 162u, 163u, 164u, 165u}) {
    EXPECT_TRUE(is_modifier_key(vk)) << vk;
  }
  for (std::uint32_t vk : {15u, 19u, 27u, 90u, 93u, 159u, 166u, 0x74u, 0x4Bu}) {
    EXPECT_FALSE(is_modifier_key(vk)) << vk;
  }
}

TEST(HotkeyCaptureKeysTest, ToolkitModifiersBecomeHotkeyModifiers) {
  const struct {
    int toolkit;
    unsigned hotkey;
  } cases[] = {{0, 0},
               {KeyEvent::kShift, 4},
               {KeyEvent::kCtrl, 2},
               {KeyEvent::kAlt, 1},
               {KeyEvent::kWindows, 8},
               {KeyEvent::kCtrl | KeyEvent::kShift, 6},
               {KeyEvent::kCtrl | KeyEvent::kAlt, 3},
               {15, 15}};
  for (const auto& c : cases) EXPECT_EQ(hotkey_modifiers(c.toolkit), c.hotkey) << c.toolkit;
}

// ---- Hotkey capture ----

TEST_F(PreferencesWindowTest, ACombinationBindsTheCapturedRowAndShowsTheRereadText) {
  open_preferences();
  const struct {
    std::vector<BYTE> held;
    WPARAM key;
    std::string binding;
  } cases[] = {{{VK_SHIFT, VK_LSHIFT}, VK_F5, "binding(3,116,4)"},
               {{VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU}, 'K', "binding(3,75,3)"},
               {{VK_LWIN}, 'X', "binding(3,88,8)"},
               {{VK_CONTROL, VK_LCONTROL, VK_SHIFT, VK_LSHIFT}, 'S', "binding(3,83,6)"}};
  int round = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.binding);
    click_row(3);
    EXPECT_EQ(shell.take(), Calls{"capture_mode(true)"});
    EXPECT_EQ(key_text(3), L"Press a new shortcut\u2026");
    for (WPARAM alone : {WPARAM{VK_SHIFT}, WPARAM{160}, WPARAM{VK_CONTROL}, WPARAM{VK_LWIN}}) {
      press({}, alone);
    }
    EXPECT_TRUE(shell.take().empty());
    EXPECT_TRUE(preview->is_capturing_hotkey());
    // The application stores the binding; the row then shows its answer.
    shell.settings.hotkey_rows[3].key_text = L"Bound " + std::to_wstring(++round);
    press(c.held, c.key);
    EXPECT_EQ(shell.take(), (Calls{"capture_mode(false)", c.binding}));
    EXPECT_EQ(key_text(3), L"Bound " + std::to_wstring(round));
    EXPECT_FALSE(preview->is_capturing_hotkey());
  }
}

TEST_F(PreferencesWindowTest, EscapeOrASecondClickEndsTheCaptureAndRestoresTheText) {
  open_preferences();
  click_row(3);
  press({}, VK_ESCAPE);
  EXPECT_EQ(shell.take(), (Calls{"capture_mode(true)", "capture_mode(false)"}));
  EXPECT_EQ(key_text(3), L"Ctrl + Shift + S");
  press({}, 'A');
  EXPECT_TRUE(shell.take().empty()) << "no capture, no binding";

  click_row(3);
  click_row(3);
  EXPECT_EQ(shell.take(), (Calls{"capture_mode(true)", "capture_mode(false)"}));
  EXPECT_EQ(key_text(3), L"Ctrl + Shift + S");
}

TEST_F(PreferencesWindowTest, ClickingAnotherRowMovesTheCaptureWithoutACallback) {
  open_preferences();
  click_row(3);
  shell.take();
  click_row(5);
  EXPECT_TRUE(shell.take().empty());
  EXPECT_EQ(key_text(3), L"Ctrl + Shift + S");
  EXPECT_EQ(key_text(5), L"Press a new shortcut\u2026");
  press({VK_CONTROL, VK_LCONTROL}, 'Q');
  EXPECT_EQ(shell.take(), (Calls{"capture_mode(false)", "binding(5,81,2)"}));
}

TEST_F(PreferencesWindowTest, TheCapturePromptIsInTheCurrentLanguage) {
  application.set_language(L"zh-CN");
  open_preferences();
  click_row(3);
  EXPECT_EQ(key_text(3), L"\u8BF7\u6309\u4E0B\u65B0\u7684\u5FEB\u6377\u952E\u2026");
}

TEST_F(PreferencesWindowTest, WithoutASettingsStateCallbackARowClickDoesNothing) {
  open_preferences();
  preview->set_settings_handlers(nullptr, [this](ModernSettingsAction action) {
    shell.calls.push_back("action(" + std::to_string(static_cast<int>(action)) + ")");
  });
  click_row(3);
  EXPECT_TRUE(shell.take().empty());
  EXPECT_FALSE(preview->is_capturing_hotkey());
  EXPECT_EQ(key_text(3), L"Ctrl + Shift + S");
}

TEST_F(PreferencesWindowTest, TheStartupSwitchEndsTheCaptureAndShowsTheApplicationsAnswer) {
  open_preferences();
  auto* toggle = prefs().surface().find_widget(kStartWithWindowsToggleId);
  ASSERT_NE(toggle, nullptr);
  EXPECT_FALSE(toggle->is_checked());
  click_row(3);
  shell.take();
  // The application could not register the start-up entry: still off.
  click(prefs(), kStartWithWindowsToggleId);
  pump();
  EXPECT_EQ(shell.take(), (Calls{"capture_mode(false)", "settings_action(4)"}));
  EXPECT_FALSE(toggle->is_checked());
  EXPECT_EQ(key_text(3), L"Ctrl + Shift + S");

  shell.settings.start_with_windows = true;
  click(prefs(), kStartWithWindowsToggleId);
  pump();
  EXPECT_EQ(shell.take(), Calls{"settings_action(4)"});
  EXPECT_TRUE(toggle->is_checked());
}

TEST_F(PreferencesWindowTest, TheWatermarkButtonEndsTheCaptureAndOpensTheWatermarkWindow) {
  open_preferences();
  click_row(3);
  shell.take();
  click(prefs(), kWatermarkConfigureButtonId);
  pump();
  EXPECT_EQ(shell.take(), (Calls{"capture_mode(false)", "watermark()"}));
  ASSERT_TRUE(preview->watermark_window().is_open());
  EXPECT_EQ(GetWindow(preview->watermark_window().hwnd(), GW_OWNER), prefs_window());
}

TEST_F(PreferencesWindowTest, ReopeningOrDismissingEndsTheCaptureOnce) {
  open_preferences();
  click_row(3);
  shell.take();
  shell.settings.watermark_enabled = true;
  preview->open_preferences();
  pump();
  EXPECT_EQ(shell.take(), Calls{"capture_mode(false)"});
  EXPECT_EQ(key_text(3), L"Ctrl + Shift + S");
  EXPECT_EQ(GetForegroundWindow(), prefs_window());
  EXPECT_NE(std::find(test::texts_of(*prefs().surface().root_view()).begin(),
                      test::texts_of(*prefs().surface().root_view()).end(),
                      L"On for new recordings"),
            test::texts_of(*prefs().surface().root_view()).end())
      << "rebuilt from the new snapshot";

  click_row(3);
  shell.take();
  preview->dismiss_popups();
  preview->dismiss_popups();
  EXPECT_EQ(shell.take(), Calls{"capture_mode(false)"});
  EXPECT_FALSE(IsWindowVisible(prefs_window()));
}

TEST_F(PreferencesWindowTest, ClosingThePreferencesWindowEndsTheCaptureAndClosesTheWatermarkWindow) {
  open_preferences();
  click(prefs(), kWatermarkConfigureButtonId);
  pump();
  ASSERT_TRUE(preview->watermark_window().is_open());
  click_row(3);
  shell.take();
  DestroyWindow(prefs_window());
  pump();
  EXPECT_EQ(shell.take(), Calls{"capture_mode(false)"});
  EXPECT_FALSE(preview->watermark_window().is_open());
  EXPECT_FALSE(preview->preferences_window().is_open());
}

TEST_F(PreferencesWindowTest, ClosingSecondaryWindowsKeepsAndRebuildsPreferencesAndWatermark) {
  open_preferences();
  click(prefs(), kWatermarkConfigureButtonId);
  pump();
  ASSERT_TRUE(preview->watermark_window().is_open());
  shell.settings.hotkey_rows[0].key_text = L"Alt + F1";
  preview->close_secondary_windows();
  pump();
  EXPECT_TRUE(preview->preferences_window().is_open());
  EXPECT_TRUE(preview->watermark_window().is_open());
  EXPECT_EQ(key_text(0), L"Alt + F1");
}

TEST_F(PreferencesWindowTest, DestroyingThePreviewDuringACaptureTellsTheShellNothing) {
  open_preferences();
  click(prefs(), kWatermarkConfigureButtonId);
  pump();
  click_row(3);
  shell.take();
  preview.reset();
  pump();
  EXPECT_TRUE(shell.take().empty());
}

// ---- Tree ----

TEST_F(PreferencesWindowTest, ElevenRowsFillSixGridRowsOnTheLeftAndFiveOnTheRight) {
  open_preferences();
  const auto bounds = [this](int row) {
    return prefs().surface().find_widget(kHotkeyButtonBaseId + row)->bounds_in_root();
  };
  EXPECT_EQ(bounds(5).x, bounds(0).x);
  EXPECT_GT(bounds(5).y, bounds(4).y);
  EXPECT_GT(bounds(6).x, bounds(5).x);
  EXPECT_EQ(bounds(6).y, bounds(0).y);
  EXPECT_EQ(bounds(10).y, bounds(4).y);
  EXPECT_EQ(bounds(10).x, bounds(6).x);
  EXPECT_EQ(prefs().surface().find_widget(kHotkeyButtonBaseId + 11), nullptr);
}

TEST(PreferencesTreeTest, HotkeyRowsSplitIntoTwoColumns) {
  EXPECT_EQ(hotkey_rows_per_column(11), 6u);
  EXPECT_EQ(hotkey_rows_per_column(3), 2u);
  EXPECT_EQ(hotkey_rows_per_column(1), 1u);
  EXPECT_EQ(hotkey_rows_per_column(0), 0u);
  auto none = build_preferences_tree(hotkey_snapshot(0), {}, {}, {}, {}, {});
  EXPECT_TRUE(test::find_all(*none, kHotkeyButtonBaseId).empty());
  auto three = build_preferences_tree(hotkey_snapshot(3), {}, {}, {}, {}, {});
  EXPECT_EQ(test::find_all(*three, kHotkeyButtonBaseId + 2).size(), 1u);
}

TEST(PreferencesTreeTest, TheLanguageListSelectsChineseOnlyForZhCn) {
  const struct {
    const wchar_t* language;
    int index;
  } cases[] = {{L"zh-CN", 1}, {L"en-US", 0}, {L"zh-cn", 0}, {L"fr", 0}};
  for (const auto& c : cases) {
    ModernSettingsState state = hotkey_snapshot(0);
    state.language = c.language;
    auto root = build_preferences_tree(state, {}, {}, {}, {}, {});
    auto* combo = test::find_one<Win32ComboBox>(*root, kLanguageComboId);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->selected_index(), c.index);
  }
}

TEST(PreferencesTreeTest, TheWatermarkLineFollowsTheSnapshot) {
  for (bool enabled : {true, false}) {
    ModernSettingsState state = hotkey_snapshot(0);
    state.watermark_enabled = enabled;
    auto root = build_preferences_tree(state, {}, {}, {}, {}, {});
    const auto texts = test::texts_of(*root);
    const std::wstring expected = enabled ? L"On for new recordings" : L"Off for new recordings";
    EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << enabled;
  }
}

TEST_F(PreferencesWindowTest, TheWindowShowsTheApplicationsLanguageNotTheSnapshots) {
  application.set_language(L"zh-CN");
  open_preferences();
  auto* combo = find_combo_box(preview->preferences_window(), kLanguageComboId);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->selected_index(), 1);
  EXPECT_EQ(static_cast<int>(SendMessageW(language_list(), CB_GETCURSEL, 0, 0)), 1);
}

// ---- Language ----

TEST_F(PreferencesWindowTest, ALanguageIsCommittedOnlyOnceTheListHasClosed) {
  open_preferences();
  HWND list = language_list();
  ASSERT_NE(list, nullptr);
  const auto choose = [list](int index) {
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(kLanguageComboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  };
  choose(1);
  EXPECT_TRUE(shell.take().empty()) << "posted, not sent";
  pump();
  EXPECT_EQ(shell.take(), Calls{"settings_action(6)"});
  choose(0);
  pump();
  EXPECT_EQ(shell.take(), Calls{"settings_action(5)"});
  choose(0);
  pump();
  EXPECT_EQ(shell.take(), Calls{"settings_action(5)"}) << "the same language again still sends";

  // Chosen while the list is open: held until it closes.
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
  pump();
  EXPECT_TRUE(shell.take().empty());
  SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
  pump();
  EXPECT_EQ(shell.take(), Calls{"settings_action(6)"});
  pump();
  EXPECT_TRUE(shell.take().empty()) << "once";
}

TEST_F(PreferencesWindowTest, OnlyTheTwoLanguagesCountAndAThrowingCallbackIsSwallowed) {
  open_preferences();
  HWND list = language_list();
  ASSERT_NE(list, nullptr);
  SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Third"));
  for (int index : {2, -1}) {
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(prefs_window(), WM_COMMAND, MAKEWPARAM(kLanguageComboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    pump();
  }
  EXPECT_TRUE(shell.take().empty());

  int thrown = 0;
  preview->set_settings_handlers([this] { return shell.settings; },
                                 [&thrown](ModernSettingsAction) {
                                   ++thrown;
                                   throw std::runtime_error("language refused");
                                 });
  SendMessageW(list, CB_SETCURSEL, 1, 0);
  SendMessageW(prefs_window(), WM_COMMAND, MAKEWPARAM(kLanguageComboId, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  pump();
  EXPECT_EQ(thrown, 1);
  EXPECT_TRUE(preview->preferences_window().is_open());
  click_row(3);
  EXPECT_EQ(shell.take(), Calls{"capture_mode(true)"}) << "the window keeps working";
}

TEST_F(PreferencesWindowTest, ADestroyedWindowDropsAPendingLanguage) {
  open_preferences();
  HWND list = language_list();
  SendMessageW(list, CB_SETCURSEL, 1, 0);
  SendMessageW(prefs_window(), WM_COMMAND, MAKEWPARAM(kLanguageComboId, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  DestroyWindow(prefs_window());
  pump();
  EXPECT_TRUE(shell.take().empty());
}

TEST_F(PreferencesWindowTest, ThePreferencesWindowLooksRight) {
  open_preferences();
  RECT client{};
  GetClientRect(prefs_window(), &client);
  EXPECT_EQ(client.right, 702);
  // The custom frame's title bar lies inside the client area.
  EXPECT_GE(client.bottom, 650);
  save_png(prefs_window(), "preferences_window");
}

}  // namespace
}  // namespace quorvel::windows
