// App is the program's one application object: it owns the settings, the
// account service, the theme registry and the toolkit application, the tray
// menu, the main window, the editor and the engine objects, the hidden
// message-host window and the region overlay, and it runs the UI thread's
// message loop.
//
// One App lives on the stack of the entry for the whole run. Everything in
// it runs on the one UI thread that constructed it; engine threads reach it
// only through the callbacks the recording code installs. Its methods are
// spread over several files by area (start-up and loop, host window, tray,
// theme, front and exit, overlay).
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_platform.h"
#include "app/common/hotkey_binding.h"
#include "app/common/modern_settings_state.h"
#include "app/common/recording_setup_state.h"
#include "app/settings_store.h"
#include "engine/audio_capture_source.h"
#include "engine/audio_mixer.h"
#include "engine/desktop_capture.h"
#include "engine/recording_options.h"
#include "engine/recording_session.h"
#include "engine/recording_timeline.h"
#include "engine/stream_settings.h"
#include "streaming/rtmp_streamer.h"
#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/dialog_actions.h"
#include "ui/platform/scaffold/tray_menu.h"
#include "ui/platform/theme/native_theme_registry.h"
#include "ui/views/menus/menu_entry.h"

namespace quorvel::windows {

class App {
 public:
  // Makes every member in declaration order; shows nothing.
  App(HINSTANCE instance, AppPlatform platform = {});
  // Closes the menu and the main window, drops the hotkeys and the icon,
  // then the remaining members in reverse order, and unregisters the
  // window classes so another App may start in this process.
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Starts up, runs the loop and returns the quit code. Throws
  // std::runtime_error with a fixed text when start-up fails.
  int run(int show_command);
  // The start-up alone (run's steps before the loop).
  void start_up(int show_command);
  // The loop alone: until the quit message; returns its wParam.
  int run_message_loop();
  // One turn of the loop for a message already taken from the queue.
  void process_message(const MSG& message);

  static LRESULT CALLBACK host_window_proc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam);
  LRESULT handle_host_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK control_window_proc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam);
  static LRESULT CALLBACK overlay_window_proc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam);

  void bring_to_front();
  // Finishes the program: closes the menu and destroys the host window,
  // whose destruction posts the quit message.
  void exit_application();

  void apply_theme(const win32_ui::Theme& theme);
  static void on_system_theme_changed(void* app, const win32_ui::Theme* theme);

  // A catalogue text in the current UI language with "{n}" replaced.
  std::wstring localized_text(std::wstring_view key, std::vector<std::wstring> arguments = {});
  // The owner for a message box: the live-stream window, the visible
  // preferences window, the visible main window, else the host window.
  HWND dialog_owner() const;
  // Shows a catalogue message with the caption "Quorvel"; returns the
  // chosen command id.
  int show_message(std::wstring_view key, std::vector<std::wstring> arguments, unsigned flags);
  void refresh_main_window(bool force);
  // Creates (when needed) and shows the main window; reports a failure.
  void show_recording_window();

  void set_overlay_interactive(bool interactive);
  void hide_overlay();

  void initialize_tray_menu();
  std::vector<win32_ui::modern::MenuEntry> tray_menu_entries();
  void toggle_start_with_windows();

  void unregister_recording_hotkeys();
  void unregister_idle_hotkeys();

  // Global hotkeys: the live table, its registration under fixed ids, the
  // conflict checks that tell the user once per run, edits from the
  // preferences and the dispatch of a pressed hotkey.
  void load_hotkeys();
  bool register_idle_hotkeys();
  bool check_recording_hotkeys(HWND owner);
  std::vector<std::size_t> probe_hotkeys(const HotkeyTable& table);
  void check_startup_hotkey_conflicts();
  bool apply_hotkeys();
  std::wstring hotkey_conflict_text(const std::vector<std::size_t>& failed_rows);
  void run_hotkey_action(std::size_t row);
  void toggle_control_bar();
  // The preferences window starts (true) or ends (false) capturing a key
  // combination: the idle hotkeys step aside meanwhile.
  void set_hotkey_capturing(bool capturing);
  // The preferences window bound row `row` to a new combination.
  void edit_hotkey(std::size_t row, uint32_t key, uint32_t modifiers);

  // Preferences, theme, language and close behaviour.
  ModernSettingsState settings_state();
  void run_settings_action(ModernSettingsAction action);
  void set_theme_mode(win32_ui::ThemeMode mode);
  void set_language(std::wstring_view tag);
  // True lets the main window close (the program stays in the tray); false
  // keeps it open or the program is exiting.
  bool handle_main_window_close();

  // About, help and account.
  void show_about_dialog();
  void show_help_dialog(HWND owner);
  void show_platform_account();

  bool busy() const { return starting_ || recording_ || stopping_; }

 private:
  friend struct AppTestAccess;

  // Start-up steps.
  void apply_stored_language();
  void apply_stored_theme();
  void register_window_classes();
  void unregister_window_classes();
  void create_host_window();
  void watch_system_theme();
  void create_overlay_window();

  // The Escape rule of the loop; true when the message was consumed.
  bool handle_escape(const MSG& message);
  bool targets_main_window(HWND target) const;
  bool targets_overlay(HWND target) const;
  void apply_overlay_style(bool interactive);
  BOOL exclude_from_capture(HWND window, DWORD affinity) const;
  void destroy_engine_objects();

  // Hotkeys, dialogs and messages of the preferences area.
  std::vector<std::size_t> register_recording_hotkeys();
  std::wstring hotkey_conflict_line(const HotkeyBinding& row);
  // Shows a text already composed, with its caption; returns the command id.
  int show_text_message(HWND owner, const std::wstring& text, const std::wstring& caption,
                        unsigned flags);
  // The close prompt's answer and its "Don't ask again" tick.
  win32_ui::scaffold::DialogResult ask_close_behavior(bool& dont_ask_again);

  HINSTANCE instance_;
  AppPlatform platform_;

  HWND host_window_ = nullptr;
  HWND control_window_ = nullptr;
  HWND overlay_window_ = nullptr;
  HWND about_window_ = nullptr;
  int control_dpi_ = 96;
  uint8_t dock_mode_ = 0;
  uint64_t next_dpi_check_ = 0;
  SettingsStore settings_;
  std::unique_ptr<AccountPort> account_;
  std::unique_ptr<win32_ui::NativeThemeRegistry> theme_registry_;
  win32_ui::scaffold::Application application_;
  win32_ui::scaffold::TrayMenu tray_;
  std::unique_ptr<EditorPort> editor_;
  std::unique_ptr<MainWindowPort> main_window_;
  RecordingSetupState setup_;
  HotkeyTable hotkeys_ = kDefaultHotkeyTable;
  // The working copy of an edit being applied.
  HotkeyTable edit_hotkeys_ = kDefaultHotkeyTable;
  std::array<bool, 9> recording_hotkey_registered_{};
  std::array<bool, 2> idle_hotkey_registered_{};
  bool control_excluded_from_capture_ = false;
  bool control_hidden_ = false;
  bool conflict_reported_ = false;
  bool stop_requested_ = false;
  bool exiting_ = false;
  std::unique_ptr<RtmpStreamer> streamer_;
  std::unique_ptr<DesktopCapture> capture_;
  std::unique_ptr<RecordingSession> file_session_;
  std::unique_ptr<RecordingSession> live_session_;
  std::unique_ptr<RecordingTimeline> timeline_;
  std::unique_ptr<AudioMixer> mixer_;
  std::unique_ptr<AudioCaptureSource> system_source_;
  std::unique_ptr<AudioCaptureSource> microphone_source_;
  StreamSettings stream_target_;
  std::chrono::steady_clock::time_point last_tick_{};
  std::chrono::steady_clock::time_point last_status_check_{};
  double aspect_ratio_ = 16.0 / 9.0;
  double zoom_factor_ = 1.35;
  double follow_strength_ = 0.55;
  bool overlay_interactive_ = false;
  bool selecting_ = false;
  bool region_ready_ = false;
  bool starting_ = false;
  bool recording_ = false;
  bool stopping_ = false;
  bool follow_mouse_ = false;
  RecordingWatermark watermark_;
  std::atomic<bool> paused_{false};
  // Which of the three window classes this App registered.
  std::array<bool, 3> class_registered_{};
};

}  // namespace quorvel::windows
