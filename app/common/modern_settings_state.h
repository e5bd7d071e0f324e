// What the preferences window shows and what it asks the application to do.
// The application builds a fresh snapshot on every request. Plain values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/platform/theme/theme.h"

namespace quorvel::windows {

// One hotkey row of the preferences: the action's name in the current
// language and the text of its key combination.
struct ModernHotkeyRow {
  std::wstring label;
  std::wstring key_text;

  friend bool operator==(const ModernHotkeyRow&, const ModernHotkeyRow&) = default;
};

struct ModernSettingsState {
  win32_ui::ThemeMode theme_mode = win32_ui::kThemeModeSystem;
  bool start_with_windows = false;
  bool watermark_enabled = false;
  std::vector<ModernHotkeyRow> hotkey_rows;  // eleven, in hotkey action order
  std::wstring language = L"en-US";
  bool signed_in = false;  // the account client has a signed-in identity

  friend bool operator==(const ModernSettingsState&, const ModernSettingsState&) = default;
};

// The actions the preferences, theme and help menus report. Note the theme
// order (system, dark, light) differs from ThemeMode's (system, light, dark).
enum class ModernSettingsAction : int32_t {
  kScreenshot = 0,
  kThemeSystem = 1,
  kThemeDark = 2,
  kThemeLight = 3,
  kToggleStartWithWindows = 4,
  kLanguageEnglish = 5,
  kLanguageChinese = 6,
  kAccount = 7,
  kHelp = 8,
  kSupportPage = 9,
  kAbout = 10,
};

}  // namespace quorvel::windows
