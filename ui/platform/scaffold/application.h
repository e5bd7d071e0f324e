// The toolkit's application object: the one owner of the requested theme,
// the UI language and the shared text catalogue, and the registry of every
// open top-level Window and tray menu. Changes made here reach every
// registered window and tray menu (windows first), so the program never walks
// them itself. It also carries the toolkit's
// built-in English and Simplified Chinese texts (dialog buttons and headings,
// caption buttons), used when the catalogue has none.
//
// The program owns exactly one for the life of its user interface; every
// Window is constructed with it and must not outlive it. Neither copied nor
// moved (windows hold its address). UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/platform/localization_context.h"
#include "ui/platform/localized_text.h"
#include "ui/platform/resource_bundle.h"
#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/theme_system.h"

namespace win32_ui::scaffold {

class TrayMenu;
class Window;

// Writes the user's locale name into `buffer` (capacity in UTF-16 units) and
// answers the count written with its NUL, or 0 on failure, as
// GetUserDefaultLocaleName does.
using LocaleNameReader = std::function<int(wchar_t* buffer, int capacity)>;

// The user's default locale name, or "zh-CN" when it cannot be read.
std::wstring detect_ui_language();
std::wstring detect_ui_language(const LocaleNameReader& read_locale_name);

class Application {
 public:
  using ThemeChanged = std::function<void(const Theme&)>;

  // `system` is read to resolve the theme and is handed to every window's
  // host; it must outlive the application.
  Application(ThemeMode mode, COLORREF accent, ThemeSystem& system = windows_theme_system());
  // Destroys every window still open, last registered first.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  ThemeMode theme_mode() const { return theme_state_.mode(); }
  COLORREF accent_color() const { return theme_state_.accent(); }
  const Theme& theme() const { return theme_state_.theme(); }
  ThemeSystem& theme_system() const { return *system_; }

  // Both re-apply the theme to every window, changed or not, and never run
  // the theme-changed callback: that one answers system changes only.
  void set_theme_mode(ThemeMode mode);
  void set_accent_color(COLORREF accent);
  // Resolves the theme again; on a change re-applies it and runs the
  // callback with the new theme.
  void refresh_system_theme();
  void on_theme_changed(ThemeChanged callback);
  void apply_theme_to_all();

  const std::wstring& language() const { return language_; }
  // An equal tag (exact comparison) changes nothing.
  void set_language(std::wstring language);
  const std::shared_ptr<const modern::ResourceBundle>& resource_bundle() const { return bundle_; }
  // The same pointer again changes nothing.
  void set_resource_bundle(std::shared_ptr<const modern::ResourceBundle> bundle);

  // A context in the current language with the shared bundle and the
  // built-in texts as fallback (read in the language of each lookup), no
  // formatter.
  modern::LocalizationContext make_localization() const;
  std::wstring localize(const modern::LocalizedText& text) const;
  // The built-in text of `key` in the current language, or the key itself.
  std::wstring builtin_text(std::wstring_view key) const;

  // Kept by Window itself: each at most once, in registration order.
  void register_window(Window* window);
  void unregister_window(Window* window);
  const std::vector<Window*>& windows() const { return windows_; }
  // Kept by TrayMenu itself, likewise. Tray menus are never destroyed by
  // the application: each leaves the list when it is deleted.
  void register_tray_menu(TrayMenu* menu);
  void unregister_tray_menu(TrayMenu* menu);
  const std::vector<TrayMenu*>& tray_menus() const { return tray_menus_; }

 private:
  template <typename Action>
  void for_each_live_window(Action action);
  template <typename Action>
  void for_each_live_tray_menu(Action action);

  ThemeSystem* system_;
  ThemeState theme_state_;
  std::wstring language_;
  std::shared_ptr<const modern::ResourceBundle> bundle_;
  std::vector<Window*> windows_;
  std::vector<TrayMenu*> tray_menus_;
  ThemeChanged theme_changed_;
};

}  // namespace win32_ui::scaffold
