// Every choice the preferences make is stored and comes back in the next
// App on the same settings key.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/app.h"
#include "tests/account/ui/dialog_watcher.h"
#include "tests/app/app_test_fixture.h"
#include "tests/app/held_hotkey.h"

namespace quorvel::windows {
namespace {

using halvarin::sdk::ui::test::DialogWatcher;
using halvarin::sdk::ui::test::press_key;
using quorvel::test::hotkey_is_free;

class AppRestartTest : public AppTest {};

TEST_F(AppRestartTest, NextStartComesBackWithEveryChoice) {
  {
    App& app = start(SW_SHOWNORMAL);
    pump();
    app.run_settings_action(ModernSettingsAction::kThemeDark);
    app.run_settings_action(ModernSettingsAction::kLanguageChinese);
    app.edit_hotkey(9, 'Q', MOD_CONTROL | MOD_ALT);
    DialogWatcher watcher;
    watcher.then(L"关闭 Quorvel", [](HWND dialog) {
      for (int i = 0; i < 3; ++i) press_key(dialog, VK_TAB);
      press_key(dialog, VK_SPACE);
      press_key(dialog, VK_RETURN);
    });
    EXPECT_TRUE(app.handle_main_window_close());
    EXPECT_EQ(watcher.pending_steps(), 0u);
    app_.reset();
  }
  ASSERT_TRUE(messages_.empty());

  App& app = start();
  pump();
  DialogWatcher watcher;

  const ModernSettingsState state = app.settings_state();
  EXPECT_EQ(state.theme_mode, win32_ui::kThemeModeDark);
  EXPECT_EQ(state.language, L"zh-CN");
  EXPECT_EQ(state.hotkey_rows[9].key_text, L"Ctrl+Alt+Q");
  EXPECT_FALSE(hotkey_is_free(MOD_CONTROL | MOD_ALT, 'Q'));
  EXPECT_TRUE(hotkey_is_free(MOD_CONTROL | MOD_SHIFT, 'A'));
  EXPECT_TRUE(app.handle_main_window_close());
  EXPECT_TRUE(watcher.titles().empty());
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace quorvel::windows
