// A main window for App tests: a real, plain top-level window made by show,
// and a log of every call the App makes, shared with the test (the App owns
// the fake itself). UI thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_port.h"

namespace quorvel::test {

struct FakeMainWindowLog {
  int constructed = 0;
  int shows = 0;
  int activations = 0;
  int refreshes = 0;
  bool last_refresh_forced = false;
  // Every refresh in order: the state given and its force flag.
  std::vector<std::pair<quorvel::windows::RecordingSetupState, bool>> refresh_log;
  // The callbacks last installed and how often they were installed.
  quorvel::windows::MainWindowHandlers handlers;
  int handler_installs = 0;
  int audio_device_updates = 0;
  int pending_text_clears = 0;
  bool recording_enabled = false;
  std::optional<quorvel::windows::StreamSettings> stream_fields;
  std::vector<win32_ui::Theme> themes;
  // Escape key-downs the window received.
  int escape_keys = 0;
  int popups_dismissed = 0;
  // What the next show answers.
  bool show_succeeds = true;
  int preferences_opened = 0;
  int help_menu_closes = 0;
  int secondary_window_closes = 0;
  HWND window = nullptr;
  HWND stream_window = nullptr;
  HWND preferences_window = nullptr;
};

class FakeMainWindow final : public quorvel::windows::MainWindowPort {
 public:
  explicit FakeMainWindow(std::shared_ptr<FakeMainWindowLog> log);
  ~FakeMainWindow() override;

  bool show() override;
  bool is_open() const override { return window_ != nullptr; }
  bool is_visible() const override { return window_ != nullptr && IsWindowVisible(window_); }
  void activate() override { ++log_->activations; }
  void refresh(quorvel::windows::RecordingSetupState state, bool force) override;
  void set_handlers(quorvel::windows::MainWindowHandlers handlers) override {
    log_->handlers = std::move(handlers);
    ++log_->handler_installs;
  }
  void set_audio_devices(const quorvel::windows::RecordingSetupState&) override {
    ++log_->audio_device_updates;
  }
  void set_recording_enabled(bool enabled) override { log_->recording_enabled = enabled; }
  void apply_theme(const win32_ui::Theme& theme) override { log_->themes.push_back(theme); }
  void open_preferences() override { ++log_->preferences_opened; }
  void close_help_menu() override { ++log_->help_menu_closes; }
  void close_secondary_windows() override { ++log_->secondary_window_closes; }
  void dismiss_popups() override { ++log_->popups_dismissed; }
  std::optional<quorvel::windows::StreamSettings> read_stream_fields() override {
    return log_->stream_fields;
  }
  std::optional<std::wstring> pending_recording_bitrate_text() const override { return {}; }
  std::optional<std::wstring> pending_stream_bitrate_text() const override { return {}; }
  void clear_pending_bitrate_texts() override { ++log_->pending_text_clears; }
  HWND stream_window() const override { return log_->stream_window; }
  HWND preferences_window() const override { return log_->preferences_window; }
  HWND window() const override { return window_; }

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  std::shared_ptr<FakeMainWindowLog> log_;
  HWND window_ = nullptr;
};

}  // namespace quorvel::test
