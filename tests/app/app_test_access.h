// Reaches into an App for its tests: the windows, flags and members that
// the App's behaviour turns on, without making them part of its interface.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "app/app.h"

namespace quorvel::windows {

struct AppTestAccess {
  static HWND host_window(const App& app) { return app.host_window_; }
  static HWND overlay_window(const App& app) { return app.overlay_window_; }
  static HWND& control_window(App& app) { return app.control_window_; }
  static HWND& about_window(App& app) { return app.about_window_; }
  static bool& selecting(App& app) { return app.selecting_; }
  static bool& region_ready(App& app) { return app.region_ready_; }
  static bool& recording(App& app) { return app.recording_; }
  static bool& stop_requested(App& app) { return app.stop_requested_; }
  static bool exiting(const App& app) { return app.exiting_; }
  static bool overlay_interactive(const App& app) { return app.overlay_interactive_; }
  static win32_ui::scaffold::TrayMenu& tray(App& app) { return app.tray_; }
  static win32_ui::scaffold::Application& application(App& app) { return app.application_; }
  static win32_ui::NativeThemeRegistry& theme_registry(App& app) { return *app.theme_registry_; }
  static void set_editor(App& app, std::unique_ptr<EditorPort> editor) {
    app.editor_ = std::move(editor);
  }
  static bool has_main_window(const App& app) { return app.main_window_ != nullptr; }
  // Recording setup.
  static bool& starting(App& app) { return app.starting_; }
  static bool& stopping(App& app) { return app.stopping_; }
  static CaptureBounds& monitor_rect(App& app) { return app.monitor_rect_; }
  static CaptureBounds& capture_area(App& app) { return app.capture_area_; }
  static double follow_strength(const App& app) { return app.follow_strength_; }
  static StreamSettings stream_target(const App& app) { return app.stream_target_; }
  static RecordingWatermark watermark(const App& app) { return app.watermark_; }
  static void set_watermark(App& app, RecordingWatermark watermark) {
    app.watermark_ = std::move(watermark);
  }
  static const std::vector<SizePresetEntry>& size_presets(const App& app) {
    return app.size_presets_;
  }
  // Recording session.
  static void run_status_checks(App& app) { app.run_status_checks(); }
  // The tick runs the status checks once this lies 250 ms behind.
  static std::chrono::steady_clock::time_point& last_status_check(App& app) {
    return app.last_status_check_;
  }
  static bool paused(const App& app) { return app.paused_; }
  static int64_t paused_total(const App& app) { return app.paused_total_; }
  static bool independent_live_encoder(const App& app) { return app.independent_live_encoder_; }
  static const std::wstring& output_path(const App& app) { return app.output_path_; }
  static const std::wstring& log_path(const App& app) { return app.log_path_; }
  static RecordingSession& file_session(App& app) { return *app.file_session_; }
  static RecordingSession& live_session(App& app) { return *app.live_session_; }
  static uint64_t streamer_queue_peak(App& app) {
    return app.streamer_->status().peak_queued_bytes;
  }
  static std::string streamer_state(App& app) {
    const LiveStreamStatus status = app.streamer_->status();
    return std::to_string(status.state) + "/" + std::to_string(status.error);
  }
  static std::pair<CaptureViewport, bool> viewport(App& app) {
    std::lock_guard lock(app.viewport_mutex_);
    return {app.viewport_, app.viewport_published_};
  }
  // As before the first viewport of a session was published.
  static void withdraw_viewport(App& app) {
    std::lock_guard lock(app.viewport_mutex_);
    app.viewport_published_ = false;
  }

  // Hotkeys, preferences and close behaviour.
  static bool& follow_mouse(App& app) { return app.follow_mouse_; }
  static double& zoom_factor(App& app) { return app.zoom_factor_; }
  static bool control_hidden(const App& app) { return app.control_hidden_; }
  // Floating control bar.
  static RecordingControlView* control_view(App& app) { return app.control_view_.get(); }
  static uint8_t dock_mode(const App& app) { return app.dock_mode_; }
  static int control_dpi(const App& app) { return app.control_dpi_; }
  static LiveStreamStatus streamer_status(App& app) { return app.streamer_->status(); }
  static RtmpStreamer& streamer(App& app) { return *app.streamer_; }
  static AudioMixerStats mixer_stats(const App& app) { return app.mixer_->stats(); }
  static bool conflict_reported(const App& app) { return app.conflict_reported_; }
  // Region selection, capture frame and screenshots.
  static RecordingSetupState& setup(App& app) { return app.setup_; }
  static DesktopCapture& capture(App& app) { return *app.capture_; }
  static bool has_editor(const App& app) { return app.editor_ != nullptr; }
  static HMONITOR target_monitor(const App& app) { return app.target_monitor_; }
  static const CaptureBounds& target_rect(const App& app) { return app.monitor_rect_; }
  static bool selection_present(const App& app) { return app.selection_present_; }
  static RECT selection(const App& app) { return app.selection_; }
  static SelectionMode selection_mode(const App& app) { return app.selection_mode_; }
  static const std::wstring& overlay_message(const App& app) { return app.overlay_message_; }
  static bool record_afterwards(const App& app) { return app.record_afterwards_; }
  static bool has_region_snapshot(const App& app) { return app.region_snapshot_.dc != nullptr; }
  static POINT pointer(const App& app) { return app.pointer_; }
  static RECT loupe_rect(const App& app, POINT pointer) { return app.loupe_rect(pointer); }
  static SIZE loupe_cell(const App& app) { return app.loupe_cell(); }
  static void paint_overlay_content(App& app, HDC dc, int width, int height) {
    app.paint_overlay_content(dc, width, height, 96);
  }
};

}  // namespace quorvel::windows
