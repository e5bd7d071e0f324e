// Every choice the preferences and the setup windows make is stored and
// comes back in the next App on the same settings key.
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

class AppRestartTest : public AppTest {
 protected:
  MainWindowHandlers& handlers() { return main_log_->handlers; }
};

TEST_F(AppRestartTest, NextStartComesBackWithEveryChoice) {
  const StreamSettings target{false, L"rtmp://live.example.test/app", L"secret-key"};
  RecordingWatermark watermark;
  watermark.enabled = true;
  watermark.text = L"Mine";
  {
    start(SW_SHOWNORMAL);
    pump();
    handlers().settings_action(ModernSettingsAction::kThemeDark);
    handlers().settings_action(ModernSettingsAction::kLanguageChinese);
    handlers().hotkey_changed(9, 'Q', MOD_CONTROL | MOD_ALT);
    handlers().recording_quality(3, L"20000");
    handlers().stream_quality(3, L"6000");
    ASSERT_TRUE(handlers().save_stream_target(target));
    ASSERT_TRUE(handlers().save_watermark(watermark));
    DialogWatcher watcher;
    watcher.then(L"关闭 Quorvel", [](HWND dialog) {
      for (int i = 0; i < 3; ++i) press_key(dialog, VK_TAB);
      press_key(dialog, VK_SPACE);
      press_key(dialog, VK_RETURN);
    });
    EXPECT_TRUE(handlers().close_request());
    EXPECT_EQ(watcher.pending_steps(), 0u);
    app_.reset();
  }
  ASSERT_TRUE(messages_.empty());

  App& app = start(SW_SHOWNORMAL);
  pump();
  DialogWatcher watcher;

  const ModernSettingsState state = handlers().settings_state();
  EXPECT_EQ(state.theme_mode, win32_ui::kThemeModeDark);
  EXPECT_EQ(state.language, L"zh-CN");
  EXPECT_EQ(state.hotkey_rows[9].key_text, L"Ctrl+Alt+Q");
  EXPECT_TRUE(state.watermark_enabled);
  EXPECT_FALSE(hotkey_is_free(MOD_CONTROL | MOD_ALT, 'Q'));
  EXPECT_TRUE(hotkey_is_free(MOD_CONTROL | MOD_SHIFT, 'A'));
  EXPECT_EQ(app.setup_state().recording_quality, (QualitySetting{3, 20000}));
  EXPECT_EQ(app.setup_state().stream_quality, (QualitySetting{3, 6000}));
  const StreamSettings stored_target = AppTestAccess::stream_target(app);
  EXPECT_EQ(stored_target.server_url, target.server_url);
  EXPECT_EQ(stored_target.stream_key, target.stream_key);
  EXPECT_EQ(AppTestAccess::watermark(app).text, L"Mine");
  EXPECT_TRUE(AppTestAccess::watermark(app).enabled);
  EXPECT_TRUE(handlers().close_request());
  EXPECT_TRUE(watcher.titles().empty());
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace quorvel::windows
