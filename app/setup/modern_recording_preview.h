// ModernRecordingPreview owns the recording setup windows (the main "new
// recording" window, its detail windows and its header's pop-up menus) and
// is their only door to the application: it keeps the last state the shell
// pushed, turns it into view trees, and reports every user action through
// the callbacks the shell installed. It never changes a setting itself.
//
// A changed state is applied by one deferred rebuild (message 0x8515 posted
// to the main window), a change of slider values alone in place. Callbacks
// may push a new state back synchronously from inside a view's handler; the
// tree is then replaced only when the posted message is handled.
//
// The shell keeps one for the life of its user interface; it must be
// destroyed before the Application it borrows. UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/modern_settings_state.h"
#include "app/common/recording_setup_state.h"
#include "app/setup/preview_callbacks.h"
#include "app/setup/preview_handlers.h"
#include "engine/recording_options.h"
#include "engine/stream_settings.h"
#include "ui/platform/hosting/view_popup.h"
#include "ui/platform/hosting/win32_edit.h"
#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/window.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/commands/command_table.h"
#include "ui/views/event.h"
#include "ui/views/key_event.h"
#include "ui/views/grid_panel.h"
#include "ui/views/menus/menu_item.h"
#include "ui/views/view.h"

namespace quorvel::windows {

// The main window's subclass id: the letters QVFR.
inline constexpr UINT_PTR kMainWindowSubclassId = 0x51564652;
// Posted to the main window: run the owed rebuild.
inline constexpr UINT kDeferredRebuildMessage = 0x8515;
// The preferences window's subclass id: the letters QVLG.
inline constexpr UINT_PTR kPreferencesSubclassId = 0x51564C47;
// Posted to the preferences window: commit the pending language choice.
inline constexpr UINT kApplyLanguageMessage = 0x8514;
// The watermark window's subclass id (QVWM) and its hint timer (QVWH).
inline constexpr UINT_PTR kWatermarkSubclassId = 0x5156574D;
inline constexpr UINT_PTR kWatermarkHintTimerId = 0x51565748;
inline constexpr UINT kWatermarkHintPeriodMs = 3500;

class ModernRecordingPreview;

// The main window's subclass: the deferred rebuild and the draggable header
// band. `reference` is the preview.
LRESULT CALLBACK main_window_subclass_proc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam, UINT_PTR id, DWORD_PTR reference);
// The preferences window's subclass: commits the language choice once the
// list has closed. `reference` is the preview.
LRESULT CALLBACK preferences_subclass_proc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam, UINT_PTR id, DWORD_PTR reference);
// The watermark window's subclass: alternates the picker's prompt on the
// hint timer. `reference` is the picker.
LRESULT CALLBACK watermark_subclass_proc(HWND window, UINT message, WPARAM wparam,
                                         LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

class ModernRecordingPreview {
 public:
  using PanelFactory = std::function<std::unique_ptr<win32_ui::modern::View>()>;

  // Creates no window. `message_window` is the window the main window is
  // centred on.
  ModernRecordingPreview(HINSTANCE instance, HWND message_window,
                         win32_ui::scaffold::Application& application);
  // Runs no application callback.
  ~ModernRecordingPreview();
  ModernRecordingPreview(const ModernRecordingPreview&) = delete;
  ModernRecordingPreview& operator=(const ModernRecordingPreview&) = delete;

  // ---- Callbacks: each call replaces what the previous one installed ----
  void set_camera_handlers(std::function<void(bool)> follow_mouse,
                           std::function<void(float)> follow_strength);
  void set_setup_handlers(std::function<void(SetupToggle, bool)> toggle,
                          std::function<void(SetupGain, float)> gain);
  void set_device_handlers(std::function<void(int)> microphone,
                           std::function<void()> device_refresh);
  void set_folder_handlers(std::function<void()> choose_folder,
                           std::function<void()> open_folder);
  void set_region_handlers(std::function<void()> change_screen,
                           std::function<void()> reselect_region);
  void set_start_handler(std::function<void()> start);
  void set_close_handler(std::function<bool()> close);
  void set_settings_handlers(std::function<ModernSettingsState()> settings_state,
                             std::function<void(ModernSettingsAction)> settings_action);
  void set_watermark_handlers(std::function<RecordingWatermark()> watermark,
                              std::function<bool(const RecordingWatermark&)> save_watermark,
                              std::function<std::wstring(HWND)> browse_image);
  void set_hotkey_handlers(std::function<void(bool)> capture_mode,
                           std::function<void(std::uint64_t, unsigned, unsigned)> binding);
  void set_quality_handlers(std::function<void(int)> size_preset,
                            std::function<void(unsigned)> frame_rate,
                            std::function<void(std::wstring, std::wstring)> custom_size);
  void set_recording_bitrate_handler(std::function<void(int, std::wstring)> quality);
  void set_stream_bitrate_handler(std::function<void(int, std::wstring)> quality);
  // Also reads the stream target once from a non-empty getter.
  void set_stream_handlers(std::function<void(OutputMode)> output_mode,
                           std::function<StreamSettings()> stream_settings,
                           std::function<bool(const StreamSettings&)> save_stream_settings);

  // ---- State ----
  void refresh(RecordingSetupState state, bool force);
  void set_audio_devices(const RecordingSetupState& state);
  void set_recording_enabled(bool enabled);
  const RecordingSetupState& state() const { return state_; }
  // What the user typed in a custom kbps edit and has not committed.
  std::optional<std::wstring> pending_recording_bitrate_text() const;
  std::optional<std::wstring> pending_stream_bitrate_text() const;
  void clear_pending_recording_bitrate_text();
  void clear_pending_stream_bitrate_text();
  // The cached stream target, when there is one.
  std::optional<StreamSettings> read_stream_fields() const;

  // ---- Windows ----
  // Opens the main window, or activates it when it is open. False when it
  // cannot be created.
  bool show();
  bool is_open() const;
  bool is_visible() const;
  void activate();
  HWND main_window() const;
  void apply_theme(const win32_ui::Theme& theme);
  void close_help_menu();
  // Closes the menus and the detail windows and rebuilds the main window.
  void close_secondary_windows();
  // Takes every setup window off the screen.
  void dismiss_popups();

  void show_detail_window(win32_ui::scaffold::Window& window, std::wstring_view title,
                          const PanelFactory& factory, float height);
  void open_recording_settings();
  // The preferences window: opened, or rebuilt and activated when open.
  void open_preferences();
  void show_preferences_window();
  void rebuild_preferences_view();
  // Rewrites the hotkey rows' key texts in place.
  void refresh_preferences();
  // A hotkey row was clicked: starts, moves or ends the capture.
  void toggle_hotkey_capture(std::uint64_t row);
  void end_hotkey_capture();
  bool is_capturing_hotkey() const { return capturing_hotkey_; }
  // Opens the watermark window over an open preferences window.
  void show_watermark_window();
  void rebuild_watermark_view();
  // The browse callback's choice, also kept as the edited image path; empty
  // when nothing was chosen.
  std::wstring browse_watermark_image();
  const RecordingWatermark& edited_watermark() const { return watermark_edit_; }
  // The live target window, owned by the main window and keeping it
  // disabled while open.
  void show_stream_window();
  void show_stream_help();
  void show_help_menu(win32_ui::modern::InputOrigin origin);
  void show_theme_menu(win32_ui::modern::InputOrigin origin);
  // Where a header pop-up opens: the control in screen pixels, narrowed to
  // the cursor's column when not `exact` and the cursor is over it.
  RECT popup_anchor(int control_id, bool exact) const;
  // Enables the sound window's controls from the microphone and system
  // audio switches and the output mode.
  void update_sound_controls();

  // The window's text, or the stored text when it has no window.
  static std::wstring read_edit_text(const win32_ui::modern::Win32Edit& edit);

  // The detail windows and the menus, for whoever drives them.
  win32_ui::scaffold::Window& picture_window() { return picture_window_; }
  win32_ui::scaffold::Window& sound_window() { return sound_window_; }
  win32_ui::scaffold::Window& recording_window() { return recording_window_; }
  win32_ui::scaffold::Window& preferences_window() { return preferences_window_; }
  win32_ui::scaffold::Window& watermark_window() { return watermark_window_; }
  win32_ui::scaffold::Window& stream_window() { return stream_window_; }
  win32_ui::modern::ViewPopup& help_menu() { return help_menu_; }
  win32_ui::modern::ViewPopup& theme_menu() { return theme_menu_; }

 private:
  // The items of the open menu, for focus moves by key.
  struct MenuRows {
    std::vector<win32_ui::modern::MenuItem*> items;
    int choice = 0;
  };

  friend LRESULT CALLBACK main_window_subclass_proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR,
                                                    DWORD_PTR);
  friend LRESULT CALLBACK preferences_subclass_proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR,
                                                    DWORD_PTR);

  void rebuild_view(bool force);
  void run_deferred_rebuild();
  LRESULT hit_test_header(HWND window, LPARAM lparam) const;
  void register_main_window_events();
  void register_record_command();
  PreviewHandlers make_handlers();
  void add_camera_handlers(PreviewHandlers& handlers);
  void add_sound_handlers(PreviewHandlers& handlers);
  void add_output_handlers(PreviewHandlers& handlers);
  void update_sliders_in_place();
  void set_detail_text(int control_id, const std::wstring& text);
  void set_detail_slider(int slider_id, int label_id, float value, const std::wstring& text);
  void report_recording_quality(int level, std::wstring text);
  void report_stream_quality(int level, std::wstring text);
  void show_quality_in_edit(HWND window, int edit_id, const QualitySetting& quality);
  void commit_custom_size(std::wstring width, std::wstring height);
  void switch_output(bool file_switch, bool on);
  void close_menus();
  void destroy_detail_windows();
  void show_menu(bool help, win32_ui::modern::InputOrigin origin);
  void add_help_menu_item(int command_id, std::wstring text, ModernSettingsAction action);
  void add_theme_menu_item(int index, int command_id, std::wstring text,
                           ModernSettingsAction action);
  void add_menu_keys(win32_ui::modern::View& content, win32_ui::modern::ViewPopup& popup,
                     MenuRows& rows);
  std::wstring text(std::wstring_view key, std::vector<std::wstring> args = {}) const;
  ModernSettingsState settings_snapshot() const;
  void register_preferences_events();
  void handle_capture_key(win32_ui::modern::KeyEvent& event);
  void cancel_hotkey_capture();
  void start_with_windows_changed();
  void choose_language(int index);
  void post_language_commit();
  void commit_language_choice(HWND window);
  void save_watermark();
  void save_stream_settings();
  PreviewHandlers make_stream_handlers();
  void reveal_stream_secrets(bool reveal);

  HINSTANCE instance_;
  HWND message_window_;
  win32_ui::Theme theme_;
  win32_ui::modern::ViewPopup theme_menu_;
  win32_ui::modern::ViewPopup help_menu_;
  win32_ui::scaffold::Application* application_;
  win32_ui::scaffold::Window main_window_;
  win32_ui::scaffold::Window preferences_window_;
  win32_ui::scaffold::Window watermark_window_;
  win32_ui::scaffold::Window picture_window_;
  win32_ui::scaffold::Window sound_window_;
  win32_ui::scaffold::Window recording_window_;
  win32_ui::scaffold::Window stream_window_;
  win32_ui::modern::WindowHost& main_host_;
  win32_ui::modern::CommandTable commands_;
  RecordingSetupState state_;
  std::optional<std::wstring> pending_recording_text_;
  std::optional<std::wstring> pending_stream_text_;
  std::optional<StreamSettings> stream_target_;
  bool skip_stream_read_ = false;
  bool rebuild_posted_ = false;
  bool rebuild_pending_ = false;
  PreviewCallbacks callbacks_;
  bool wide_ = false;
  bool tree_built_ = false;
  PanelFactory picture_panel_;
  PanelFactory sound_panel_;
  PanelFactory recording_panel_;
  // Rebuilt with each menu's content; the menus' trees own the items.
  win32_ui::modern::GridPanel* help_grid_ = nullptr;
  win32_ui::modern::GridPanel* theme_grid_ = nullptr;
  MenuRows help_rows_;
  MenuRows theme_rows_;
  // Hotkey capture of the preferences window.
  std::uint64_t hotkey_row_ = 0;
  bool capturing_hotkey_ = false;
  // The language chosen in the preferences list, committed once it closes.
  int pending_language_ = 0;
  bool language_pending_ = false;
  // The watermark being edited; reaches the application only on save.
  RecordingWatermark watermark_edit_;
};

}  // namespace quorvel::windows
