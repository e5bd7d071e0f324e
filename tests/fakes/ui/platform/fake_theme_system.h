// A ThemeSystem for tests: presents a chosen high-contrast answer and chosen
// system colours, and reads the registry through the real RegGetValueW under
// a private test key that stands in for HKEY_CURRENT_USER, so each shape of
// the "AppsUseLightTheme" value can be written there. Records what the
// code under test asked for.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "ui/platform/theme/theme_system.h"

namespace quorvel::test {

class FakeThemeSystem final : public win32_ui::ThemeSystem {
 public:
  FakeThemeSystem();
  ~FakeThemeSystem() override;
  FakeThemeSystem(const FakeThemeSystem&) = delete;
  FakeThemeSystem& operator=(const FakeThemeSystem&) = delete;

  // What get_high_contrast answers.
  bool high_contrast_call_succeeds = true;
  bool high_contrast_on = false;
  // System colours by index; unset indices answer 0x00808080.
  std::map<int, COLORREF> sys_colors;

  // Registry shapes of "AppsUseLightTheme" under the Personalize key.
  void set_apps_use_light_theme_dword(DWORD value);
  void set_apps_use_light_theme_qword(ULONGLONG value);
  void set_apps_use_light_theme_string(const std::wstring& value);
  void remove_apps_use_light_theme();
  void remove_personalize_key();

  // Counters and the arguments of the last calls.
  int high_contrast_calls = 0;
  UINT last_high_contrast_size = 0;
  int registry_calls = 0;
  HKEY last_registry_root = nullptr;
  std::wstring last_registry_subkey;
  std::wstring last_registry_value;
  DWORD last_registry_flags = 0;
  DWORD last_registry_buffer_size = 0;

  BOOL get_high_contrast(HIGHCONTRASTW* info) override;
  COLORREF get_sys_color(int index) override;
  LSTATUS get_registry_value(HKEY key, const wchar_t* subkey, const wchar_t* value, DWORD flags,
                             DWORD* type, void* data, DWORD* size) override;

 private:
  HKEY personalize_key();

  std::wstring root_path_;
  HKEY root_ = nullptr;
};

}  // namespace quorvel::test
