#include "app/common/modern_settings_state.h"

#include <gtest/gtest.h>

namespace quorvel::windows {
namespace {

TEST(ModernSettingsState, StartsEnglishWithTheSystemThemeAndNoRows) {
  const ModernSettingsState state;
  EXPECT_EQ(state.theme_mode, win32_ui::kThemeModeSystem);
  EXPECT_FALSE(state.start_with_windows);
  EXPECT_FALSE(state.watermark_enabled);
  EXPECT_TRUE(state.hotkey_rows.empty());
  EXPECT_EQ(state.language, L"en-US");
  EXPECT_FALSE(state.signed_in);
}

TEST(ModernSettingsState, ComparesHotkeyRowsByLabelAndKeyText) {
  ModernSettingsState a;
  a.hotkey_rows = {{L"Screenshot", L"Ctrl+Shift+A"}};
  ModernSettingsState b = a;
  EXPECT_TRUE(a == b);
  b.hotkey_rows[0].key_text = L"Ctrl+Shift+B";
  EXPECT_FALSE(a == b);
}

TEST(ModernSettingsAction, KeepsTheNumbersTheMenusReport) {
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kScreenshot), 0);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kThemeSystem), 1);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kThemeDark), 2);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kThemeLight), 3);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kToggleStartWithWindows), 4);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kLanguageEnglish), 5);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kLanguageChinese), 6);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kAccount), 7);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kHelp), 8);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kSupportPage), 9);
  EXPECT_EQ(static_cast<int32_t>(ModernSettingsAction::kAbout), 10);
}

}  // namespace
}  // namespace quorvel::windows
