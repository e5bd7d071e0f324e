// NativeThemeRegistry keeps the application's classic (native-control)
// windows in the current Theme and turns the system's theme notifications
// into re-theming.
//
// It owns the ThemeState (requested mode, accent, resolved Theme) and one
// RegisteredWindow per registered top-level window, each reached through
// the window's "WIHS" subclass. A watched window (the shell's hidden message
// host) only listens: its system colour, setting and theme notifications
// refresh the registry. A themed window also has its background painted,
// its children's colour messages answered, its buttons, menu items and the
// band under its menu bar painted, push buttons rounded, new children themed as they appear, and
// everything re-themed when the system theme, the requested mode or its DPI
// changes. A change of the resolved Theme is reported to one callback; an
// exception from it is caught and reported, never allowed to end the
// process or to leave a window procedure.
//
// One per application, made at start-up and destroyed at exit; destroying
// it removes every subclass it installed. UI thread only; it is reached from
// the application's code and from its windows' procedures.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "ui/platform/theme/registered_window.h"
#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/theme_system.h"

namespace win32_ui {

class ThemedMenuBar;

class NativeThemeRegistry {
 public:
  using ThemeChangedCallback = void (*)(void* user_data, const Theme* theme);
  // Receives one line per failure the registry survives.
  using ErrorReporter = std::function<void(std::wstring_view line)>;

  static std::unique_ptr<NativeThemeRegistry> create(ThemeMode mode, COLORREF accent);
  // `system` must outlive the registry.
  static std::unique_ptr<NativeThemeRegistry> create(ThemeMode mode, COLORREF accent,
                                                     ThemeSystem& system);
  ~NativeThemeRegistry();
  NativeThemeRegistry(const NativeThemeRegistry&) = delete;
  NativeThemeRegistry& operator=(const NativeThemeRegistry&) = delete;

  const Theme& theme() const { return state_.theme(); }
  ThemeMode mode() const { return state_.mode(); }
  COLORREF accent_color() const { return state_.accent(); }

  void set_theme_changed_callback(ThemeChangedCallback callback, void* user_data);
  void set_error_reporter(ErrorReporter reporter);

  // Watches a window; false for a null or dead window or when it cannot be
  // subclassed. A window already registered stays as it is.
  bool register_window(HWND window);
  // Themes a window (upgrading a watched one in place); `menu_painter` may
  // be null and must outlive the registration.
  bool register_themed_window(HWND window, ThemedMenuBar* menu_painter);
  // No-op for a window that is not registered.
  void unregister_window(HWND window);
  // False when the window is not registered, only watched or dead.
  bool retheme_window(HWND window);
  // Marks (or unmarks, theming it again) a child of a themed window as
  // painted by its owner; false for a null child or one outside every
  // themed window.
  bool set_owner_drawn(HWND child, bool owner_drawn);
  // Both re-theme every themed window, changed or not, and return whether
  // the resolved Theme changed (the callback then ran).
  bool set_mode(ThemeMode mode);
  bool refresh();

  // The mark the registry holds for `child` (kChildMarkNone without one).
  ChildMark child_mark(HWND child) const;

  // The "WIHS" subclass procedure, for finding the subclass with
  // GetWindowSubclass.
  static LRESULT CALLBACK subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

 private:
  NativeThemeRegistry(ThemeMode mode, COLORREF accent, ThemeSystem& system);

  RegisteredWindow* find_entry(HWND window) const;
  // Appends and subclasses a new entry; null (nothing kept) on failure.
  RegisteredWindow* add_entry(HWND window, bool watch_only);
  void remove_entry(RegisteredWindow* entry);

  void retheme_entry(RegisteredWindow& entry);
  void retheme_all();
  void theme_child(RegisteredWindow& entry, HWND child);
  void sync_menu(RegisteredWindow& entry);
  void on_system_notification();
  void notify_theme_changed();
  void report(std::wstring_view line);

  LRESULT handle_watched(RegisteredWindow& entry, HWND window, UINT message, WPARAM wparam,
                         LPARAM lparam);
  LRESULT handle_themed(RegisteredWindow& entry, HWND window, UINT message, WPARAM wparam,
                        LPARAM lparam);
  // What a themed window answers before default processing; false leaves
  // the message to default processing.
  bool answer_themed(RegisteredWindow& entry, HWND window, UINT message, WPARAM wparam,
                     LPARAM lparam, LRESULT& result);
  void after_themed_default(RegisteredWindow& entry, HWND window, UINT message, WPARAM wparam,
                            LPARAM lparam);

  ThemeState state_;
  std::vector<std::unique_ptr<RegisteredWindow>> entries_;
  ThemeChangedCallback on_theme_changed_ = nullptr;
  void* callback_user_data_ = nullptr;
  ErrorReporter reporter_;
};

}  // namespace win32_ui
