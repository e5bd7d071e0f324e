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
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_platform.h"
#include "app/common/hotkey_binding.h"
#include "app/common/modern_settings_state.h"
#include "app/common/recording_setup_state.h"
#include "app/common/size_preset_list.h"
#include "app/control/recording_control_texts.h"
#include "app/control/recording_control_view.h"
#include "app/display_density.h"
#include "app/main_window_handlers.h"
#include "app/overlay/selection_mode.h"
#include "app/settings_store.h"
#include "engine/audio_capture_source.h"
#include "engine/audio_device_enumerator.h"
#include "engine/capture_camera.h"
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
  // The main window's close, settings and hotkey callbacks (12, 13, 14, 18
  // and 19).
  void add_preferences_handlers(MainWindowHandlers& handlers);

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
  // Who is signed in may have changed: the help menu, whose account row
  // depends on it, is built afresh when next opened.
  void account_changed();

  bool busy() const { return starting_ || recording_ || stopping_; }

  // Recording setup: the one authoritative copy of the next recording's
  // settings, the lists the main window offers and the capture area.
  // Each setter commits a changed copy and tells whether anything changed.
  bool commit_setup_state(RecordingSetupState candidate);
  uint64_t setup_revision() const { return setup_revision_; }
  const RecordingSetupState& setup_state() const { return setup_; }
  bool set_monitor_info(std::wstring monitor_name, int32_t width, int32_t height);
  bool set_microphone_list(std::vector<std::wstring> entries, int32_t index);
  bool set_size_presets(std::vector<SizePresetEntry> entries, int32_t index);
  bool set_size_values(int32_t width, int32_t height, bool select_custom);
  void set_output_folder(const std::wstring& folder);
  bool apply_recording_quality(QualitySetting quality);
  bool apply_stream_quality(QualitySetting quality);
  void size_preset_entries(uint32_t monitor_width, uint32_t monitor_height, int32_t current_width,
                           int32_t current_height, bool current_maximum, bool custom);
  void audio_device_entries(bool keep_selection);
  std::wstring selected_microphone_id() const;
  void select_size_preset(int index);
  void set_custom_size(const std::wstring& width_text, const std::wstring& height_text);
  bool set_recording_quality(int level, const std::wstring& kbps_text);
  bool set_stream_quality(int level, const std::wstring& kbps_text);
  // The callbacks the main window gets on every show.
  MainWindowHandlers main_window_handlers();
  // Target monitor and capture area.
  bool fits_capture_area(uint32_t width, uint32_t height) const;
  bool set_capture_area(double centre_x, double centre_y, uint32_t width, uint32_t height,
                        bool custom_size, bool report, HWND owner);
  void position_overlay(const CaptureBounds& area);
  void publish_viewport(const CaptureViewport& viewport);
  void update_record_availability();
  void open_output_folder();
  // Live target and watermark: stored only when valid; the App's copy
  // changes only after the store took it.
  bool save_stream_settings(const StreamSettings& settings);
  bool save_watermark(const RecordingWatermark& watermark);
  // The chosen folder or image file; empty when cancelled or failed.
  std::wstring choose_output_folder(HWND owner);
  std::wstring choose_watermark_image(HWND owner);

  // Recording session: start, the engine's callbacks, the tick, stop and
  // results. Owner windows default to the message host.
  bool validate_recording_settings(HWND owner = nullptr);
  RecordingOptions recording_options();
  RecordingOptions live_recording_options();
  void start_recording(HWND owner = nullptr);
  bool start_audio(int64_t start_time);
  // Capture thread: a new desktop texture, or no new one in time.
  [[nodiscard]] HRESULT deliver_captured_frame(ID3D11Device* device, ID3D11DeviceContext* context,
                                               ID3D11Texture2D* texture,
                                               const CapturedFrameInfo& info);
  [[nodiscard]] HRESULT repeat_captured_frame();
  void pause_recording();
  void resume_recording();
  void tick();
  void request_stop(bool open_result);
  void stop_recording(bool open_result);
  bool finish_recording(bool commit);
  std::wstring show_session_result();
  std::wstring live_error_text();
  void write_session_log(HRESULT file_result, bool file_ok, bool timeline_ok);
  bool create_control();
  void update_viewport();

  // Floating control bar: its texts, the commands of its buttons, its
  // placement on the target monitor, its DPI and its status line.
  RecordingControlTexts control_view_texts();
  void run_control_command(int command);
  void update_control_status(bool paused);
  void move_control_to_corner(int corner);
  void dock_control(uint8_t mode);
  void check_control_dpi(bool force);
  void apply_control_dpi(int dpi, const RECT* suggested);
  std::wstring dual_status_text(const std::wstring& elapsed);

  // Region selection, capture frame, snapshots and screenshots.
  LRESULT handle_overlay_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Freezes the target monitor under the overlay and lets the user pick the
  // capture region; a quick record posts the start message once confirmed.
  void begin_region_selection(bool record_afterwards);
  void end_region_selection();
  void confirm_region_selection();
  // Puts the target monitor under the mouse and restarts capture there.
  void place_overlay();
  // After the screenshot editor: the frame back when a region is ready, and
  // the main window reactivated when it was in front before.
  void show_overlay();
  void restore_main_window();
  void begin_screenshot();
  [[nodiscard]] HRESULT capture_region_snapshot();
  RECT fit_region(RECT region) const;
  bool window_at_point(POINT client_point, RECT& result) const;
  bool start_desktop_capture();
  void restart_desktop_capture();

 private:
  // The recording and the stream quality are checked, stored and shown alike;
  // only what they apply and where they are written differ.
  using QualityApply = bool (App::*)(QualitySetting);
  using QualityWrite = bool (SettingsStore::*)(QualitySetting) const;
  bool set_quality(int level, const std::wstring& kbps_text, QualityApply apply,
                   QualityWrite write);
  friend struct AppTestAccess;

  // Start-up steps.
  void apply_stored_language();
  void apply_stored_theme();
  void register_window_classes();
  void unregister_window_classes();
  void create_host_window();
  void watch_system_theme();
  void create_overlay_window();
  void apply_default_output_folder();

  // The Escape rule of the loop; true when the message was consumed.
  bool handle_escape(const MSG& message);
  bool targets_main_window(HWND target) const;
  bool targets_overlay(HWND target) const;
  void apply_overlay_style(bool interactive);
  BOOL exclude_from_capture(HWND window, DWORD affinity) const;
  void destroy_engine_objects();

  // Recording session helpers.
  int64_t performance_now() const;
  int64_t performance_frequency() const;
  int64_t session_now() const;
  bool session_running() const;
  [[nodiscard]] bool timeline_frame_step(uint64_t submitted_before, uint64_t submitted_after,
                                         int64_t session_time, const RECT& rect,
                                         bool new_rect);
  void abandon_start(bool finish_sessions);
  void remove_empty_session_folder();
  int show_session_message(HWND owner, std::wstring_view key, std::vector<std::wstring> arguments,
                           unsigned flags);
  void run_status_checks();
  std::vector<std::wstring> session_result_parts();
  void set_control_title(const std::wstring& title);
  void dock_control_top();
  // Makes the bar's view in the control window; false leaves no view.
  bool build_control_view();
  std::wstring control_clock_text();
  std::wstring live_details_text(const LiveStreamStatus& live);

  // Hotkeys, dialogs and messages of the preferences area.
  std::vector<std::size_t> register_recording_hotkeys();
  std::wstring hotkey_conflict_line(const HotkeyBinding& row);
  // Shows a text already composed, with its caption; returns the command id.
  int show_text_message(HWND owner, const std::wstring& text, const std::wstring& caption,
                        unsigned flags);
  // The close prompt's answer and its "Don't ask again" tick.
  win32_ui::scaffold::DialogResult ask_close_behavior(bool& dont_ask_again);
  // Region selection, capture frame, snapshots and screenshots.
  // The target monitor as the screenshot flow saved it; a null monitor
  // means nothing to restore.
  struct RestoreTarget {
    HMONITOR monitor = nullptr;
    CaptureBounds rect;
    DisplayDensity density;
  };
  LRESULT handle_selection_input(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT on_overlay_mouse_move(LPARAM lparam);
  LRESULT on_overlay_button_down(LPARAM lparam);
  LRESULT on_overlay_button_up(LPARAM lparam);
  LRESULT on_overlay_exit_size_move();
  void enter_selection();
  void refuse_selection(HRESULT result);
  // A catalogue message over `owner`, as show_message does over the usual
  // dialog owner.
  int show_message_to(HWND owner, std::wstring_view key, std::vector<std::wstring> arguments,
                      unsigned flags);
  void set_selection(RECT selection, SelectionMode mode);
  void invalidate_loupe(POINT pointer);
  void clear_selection_state();
  RECT hint_rect() const;
  RECT loupe_rect(POINT pointer) const;
  SIZE loupe_cell() const;
  SIZE monitor_size() const;
  UINT overlay_dpi() const;
  void paint_overlay();
  void paint_overlay_content(HDC dc, int width, int height, UINT dpi);
  void paint_loupe(HDC dc, UINT dpi);
  bool ensure_back_buffer(HDC paint_dc, int width, int height);
  void release_back_buffer();
  void release_region_snapshot();
  void activate_main_window_if_open();
  DesktopCaptureSeams capture_seams() const { return platform_.capture; }

  HINSTANCE instance_;
  AppPlatform platform_;

  // Recording setup.
  uint64_t setup_revision_ = 0;
  std::vector<SizePresetEntry> size_presets_;
  std::vector<AudioDeviceInfo> audio_devices_;
  // The target monitor: the one being selected on or recorded.
  HMONITOR target_monitor_ = nullptr;
  CaptureBounds monitor_rect_;
  DisplayDensity display_density_;
  CaptureBounds capture_area_;
  bool overlay_positioning_ = false;
  std::mutex viewport_mutex_;
  CaptureViewport viewport_;
  bool viewport_published_ = false;

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
  std::unique_ptr<RecordingControlView> control_view_;
  // The title last given to the control window.
  std::wstring control_title_;
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
  // Recording session state; the atomics are read by the engine threads.
  bool live_only_ = false;
  bool live_requested_ = false;
  bool independent_live_encoder_ = false;
  bool live_stop_issued_ = false;
  bool file_committed_ = false;
  bool live_succeeded_ = false;
  std::atomic<bool> capture_running_{false};
  std::atomic<bool> microphone_muted_{false};
  std::atomic<int64_t> paused_total_{0};
  int64_t pause_started_at_ = 0;
  int64_t start_time_ = 0;
  int64_t counter_frequency_ = 0;
  // The session time of the first frame the sessions took: their media
  // time 0. kNoMediaOrigin until then. Set under session_mutex_, read by
  // the streamer's media clock on the UI thread.
  static constexpr int64_t kNoMediaOrigin = INT64_MIN;
  std::atomic<int64_t> media_origin_{kNoMediaOrigin};
  // Held by the capture callbacks and the finish for their whole work on
  // the sessions; always taken before the viewport mutex.
  std::mutex session_mutex_;
  std::wstring output_folder_;
  std::wstring output_path_;
  std::wstring log_path_;
  std::wstring session_folder_;
  std::wstring microphone_device_id_;
  uint32_t output_width_ = 0;
  uint32_t output_height_ = 0;
  uint32_t frame_rate_ = 0;
  uint32_t video_bitrate_bps_ = 0;
  uint32_t stream_bitrate_bps_ = 0;
  bool follow_active_ = false;
  bool include_cursor_ = true;
  bool audio_system_requested_ = false;
  bool audio_microphone_requested_ = false;
  bool audio_system_mp4_track_ = false;
  bool audio_microphone_mp4_track_ = false;
  bool audio_system_file_ = false;
  bool audio_microphone_file_ = false;
  bool main_window_was_visible_ = false;
  // Frame-timeline bookkeeping, under session_mutex_.
  int64_t last_timeline_time_ = 0;
  RECT last_frame_rect_{};
  bool has_last_frame_rect_ = false;
  std::unique_ptr<CaptureCamera> session_camera_;

  // Region selection, capture frame, snapshots and screenshots.
  RestoreTarget restore_target_;
  struct BackBuffer {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    int width = 0;
    int height = 0;
  } back_buffer_;
  struct RegionSnapshot {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
  } region_snapshot_;
  bool button_down_ = false;
  bool drag_started_ = false;
  bool pointer_known_ = false;
  bool selection_present_ = false;
  POINT anchor_{};
  POINT pointer_{};
  RECT selection_{};
  SelectionMode selection_mode_ = SelectionMode::current_size;
  std::wstring overlay_message_;
  bool reactivate_main_window_ = false;
  bool record_afterwards_ = false;
  bool reactivate_after_screenshot_ = false;

  // Which of the three window classes this App registered.
  std::array<bool, 3> class_registered_{};
};

}  // namespace quorvel::windows
