// The preferences' snapshot and actions: theme modes with their stored
// values, language switches with what they refresh, the support page and
// the help message.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/common/hotkey_text.h"
#include "app/common/translate.h"
#include "tests/app/app_test_fixture.h"
#include "tests/app/held_hotkey.h"

namespace quorvel::windows {
namespace {

using quorvel::test::dword_bytes;
using quorvel::test::RawRegistryValue;
using quorvel::test::utf16_bytes;

class AppSettingsActionsTest : public AppTest {};

TEST_F(AppSettingsActionsTest, SnapshotReflectsTheAppAndTheStore) {
  key_.set_dword(L"ThemeMode", 2);
  key_.set_string(L"Language", L"zh-CN");
  App& app = start();
  account_->signed_in = true;

  const ModernSettingsState state = app.settings_state();

  EXPECT_EQ(state.theme_mode, win32_ui::kThemeModeDark);
  EXPECT_FALSE(state.start_with_windows);
  EXPECT_FALSE(state.watermark_enabled);
  EXPECT_EQ(state.language, L"zh-CN");
  EXPECT_TRUE(state.signed_in);
  ASSERT_EQ(state.hotkey_rows.size(), 11u);
  for (std::size_t i = 0; i < kHotkeyCount; ++i) {
    EXPECT_EQ(state.hotkey_rows[i].label,
              translate_for_locale(L"zh-CN", kDefaultHotkeyTable[i].name_key));
    EXPECT_EQ(state.hotkey_rows[i].key_text, hotkey_text(kDefaultHotkeyTable[i]));
  }
}

TEST_F(AppSettingsActionsTest, ThemeActionsStoreTheirModeAndRethemeTheWindows) {
  struct Case {
    ModernSettingsAction action;
    uint32_t stored;
  };
  const Case cases[] = {
      {ModernSettingsAction::kThemeDark, 2},
      {ModernSettingsAction::kThemeLight, 1},
      {ModernSettingsAction::kThemeSystem, 0},
  };
  App& app = start(SW_SHOWNORMAL);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const std::size_t themes_before = main_log_->themes.size();

    app.run_settings_action(c.action);

    EXPECT_EQ(key_.get(L"ThemeMode"), (RawRegistryValue{REG_DWORD, dword_bytes(c.stored)}));
    EXPECT_EQ(AppTestAccess::theme_registry(app).mode(), static_cast<win32_ui::ThemeMode>(c.stored));
    EXPECT_EQ(AppTestAccess::application(app).theme_mode(),
              static_cast<win32_ui::ThemeMode>(c.stored));
    ASSERT_GT(main_log_->themes.size(), themes_before);
    EXPECT_EQ(main_log_->themes.back(), AppTestAccess::theme_registry(app).theme());
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(AppSettingsActionsTest, UnstorableThemeIsReportedAndStaysInEffect) {
  AppPlatform platform = make_platform();
  platform.settings_key = key_.path() + L"\\" + std::wstring(300, L'k');
  app_ = std::make_unique<App>(GetModuleHandleW(nullptr), std::move(platform));
  app_->start_up(0);

  app_->run_settings_action(ModernSettingsAction::kThemeDark);

  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.theme_save_failed");
  EXPECT_EQ(messages_[0].flags, 48u);
  EXPECT_EQ(AppTestAccess::theme_registry(*app_).mode(), win32_ui::kThemeModeDark);
}

TEST_F(AppSettingsActionsTest, ChoosingTheActiveLanguageStoresItAndRefreshesNothing) {
  App& app = start(SW_SHOWNORMAL);
  const int refreshes = main_log_->refreshes;

  app.run_settings_action(ModernSettingsAction::kLanguageEnglish);

  EXPECT_EQ(key_.get(L"Language"), (RawRegistryValue{REG_SZ, utf16_bytes(L"en-US")}));
  EXPECT_EQ(main_log_->refreshes, refreshes);
  EXPECT_EQ(main_log_->secondary_window_closes, 0);
}

TEST_F(AppSettingsActionsTest, NewLanguageRefreshesTheWindowsAndReaddsAShownTrayIcon) {
  App& app = start(SW_SHOWNORMAL);
  const int refreshes = main_log_->refreshes;

  app.run_settings_action(ModernSettingsAction::kLanguageChinese);

  EXPECT_EQ(key_.get(L"Language"), (RawRegistryValue{REG_SZ, utf16_bytes(L"zh-CN")}));
  EXPECT_EQ(AppTestAccess::application(app).language(), L"zh-CN");
  EXPECT_EQ(main_log_->refreshes, refreshes + 1);
  EXPECT_EQ(main_log_->secondary_window_closes, 1);
  EXPECT_TRUE(AppTestAccess::tray(app).icon_shown());
  EXPECT_EQ(app.tray_menu_entries()[0].text, L"显示 Quorvel");
  EXPECT_EQ(app.settings_state().hotkey_rows[9].label,
            translate_for_locale(L"zh-CN", L"hotkey.screenshot"));
}

TEST_F(AppSettingsActionsTest, HiddenTrayIconStaysHiddenAcrossALanguageSwitch) {
  App& app = start();
  AppTestAccess::tray(app).clear_icon();

  app.set_language(L"zh-SG");

  EXPECT_EQ(AppTestAccess::application(app).language(), L"zh-CN");
  EXPECT_FALSE(AppTestAccess::tray(app).icon_shown());
}

TEST_F(AppSettingsActionsTest, SupportPageFailureIsReported) {
  App& app = start();
  account_->support_page_opens = true;
  app.run_settings_action(ModernSettingsAction::kSupportPage);
  EXPECT_TRUE(messages_.empty());

  account_->support_page_opens = false;
  app.run_settings_action(ModernSettingsAction::kSupportPage);

  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.support_page_failed");
  EXPECT_EQ(messages_[0].flags, 16u);
  EXPECT_EQ(account_->calls, (std::vector<std::string>{"support_page", "support_page"}));
}

TEST_F(AppSettingsActionsTest, HelpNamesTheScreenshotHotkeyToTheGivenOwner) {
  App& app = start(SW_SHOWNORMAL);

  app.run_settings_action(ModernSettingsAction::kHelp);

  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].caption, L"Quorvel Help");
  EXPECT_EQ(messages_[0].text,
            translate_for_locale(L"en-US", L"message.help", {L"Ctrl+Shift+A"}));
  EXPECT_EQ(messages_[0].flags, 64u);
  EXPECT_EQ(messages_[0].owner, main_log_->window);
}

TEST_F(AppSettingsActionsTest, UnknownActionDoesNothing) {
  App& app = start();
  app.run_settings_action(static_cast<ModernSettingsAction>(11));
  app.run_settings_action(static_cast<ModernSettingsAction>(-1));
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(key_.value_names().empty());
}

// A start the account service repeated on a thread of its own may have
// signed the user in: the App hears of it on the UI thread and has the help
// menu, whose account row depends on it, built afresh. A start that changed
// nothing leaves an open help menu alone.
struct BackgroundStartCase {
  const char* name;
  bool signed_in_after;
  bool changed;
  int expected_rebuilds;
  friend void PrintTo(const BackgroundStartCase& c, std::ostream* os) { *os << c.name; }
};

class AppBackgroundStartTest : public AppSettingsActionsTest,
                               public testing::WithParamInterface<BackgroundStartCase> {};

TEST_P(AppBackgroundStartTest, RebuildsTheHelpMenuOnlyWhenTheSignInChanged) {
  const BackgroundStartCase& c = GetParam();
  App& app = start(SW_SHOWNORMAL);
  ASSERT_TRUE(account_->start_ended) << "the App asks to hear of background starts";
  EXPECT_FALSE(app.settings_state().signed_in);
  const int closes = main_log_->help_menu_closes;

  account_->signed_in = c.signed_in_after;
  std::thread background(account_->start_ended, c.changed);
  background.join();
  EXPECT_EQ(main_log_->help_menu_closes, closes) << "nothing is touched off the UI thread";
  pump();

  EXPECT_EQ(main_log_->help_menu_closes, closes + c.expected_rebuilds);
  EXPECT_EQ(app.settings_state().signed_in, c.signed_in_after);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, AppBackgroundStartTest,
    testing::Values(BackgroundStartCase{"SignInRestored", true, true, 1},
                    BackgroundStartCase{"FailedAgain", false, false, 0}),
    [](const testing::TestParamInfo<BackgroundStartCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quorvel::windows

namespace quorvel::windows {
namespace {

class AppPreferencesHandlersTest : public AppTest {
 protected:
  MainWindowHandlers& handlers() { return main_log_->handlers; }
};

TEST_F(AppPreferencesHandlersTest, MainWindowCallbacksReachThePreferencesActions) {
  key_.set_dword(L"MainWindowCloseBehavior", 1);
  App& app = start(SW_SHOWNORMAL);
  pump();
  ASSERT_TRUE(handlers().close_request && handlers().settings_state &&
              handlers().settings_action && handlers().hotkey_capture &&
              handlers().hotkey_changed);

  EXPECT_TRUE(handlers().close_request());
  EXPECT_EQ(handlers().settings_state(), app.settings_state());
  handlers().settings_action(ModernSettingsAction::kThemeLight);
  EXPECT_EQ(AppTestAccess::theme_registry(app).mode(), win32_ui::kThemeModeLight);

  handlers().hotkey_capture(true);
  EXPECT_TRUE(quorvel::test::hotkey_is_free(MOD_CONTROL | MOD_SHIFT, 'A'));
  handlers().hotkey_capture(false);
  EXPECT_FALSE(quorvel::test::hotkey_is_free(MOD_CONTROL | MOD_SHIFT, 'A'));

  handlers().hotkey_changed(-1, 'Q', MOD_CONTROL | MOD_ALT);
  EXPECT_EQ(app.settings_state().hotkey_rows[9].key_text, L"Ctrl+Shift+A");
  handlers().hotkey_changed(9, 'Q', MOD_CONTROL | MOD_ALT);
  EXPECT_EQ(app.settings_state().hotkey_rows[9].key_text, L"Ctrl+Alt+Q");
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace quorvel::windows
