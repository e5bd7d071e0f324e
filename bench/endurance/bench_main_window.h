// The product's main window as Quorvel makes it (the setup windows'
// manager behind the App's MainWindowPort), with the manager itself in
// reach so that the endurance cycles can open the settings, stream-target
// and watermark windows as their buttons would. The same forwards as the
// program's own port; UI thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "app/main_window_port.h"
#include "app/setup/modern_recording_preview.h"

namespace quorvel::bench {

class BenchMainWindow final : public windows::MainWindowPort {
 public:
  BenchMainWindow(HINSTANCE instance, HWND owner, win32_ui::scaffold::Application& application);

  windows::ModernRecordingPreview& preview() { return *preview_; }

  bool show() override { return preview_->show(); }
  bool is_open() const override { return preview_->is_open(); }
  bool is_visible() const override { return preview_->is_visible(); }
  void activate() override { preview_->activate(); }
  void set_handlers(windows::MainWindowHandlers handlers) override;
  void refresh(windows::RecordingSetupState state, bool force) override {
    preview_->refresh(std::move(state), force);
  }
  void set_audio_devices(const windows::RecordingSetupState& state) override {
    preview_->set_audio_devices(state);
  }
  void set_recording_enabled(bool enabled) override { preview_->set_recording_enabled(enabled); }
  void apply_theme(const win32_ui::Theme& theme) override { preview_->apply_theme(theme); }
  void open_preferences() override { preview_->open_preferences(); }
  void close_help_menu() override { preview_->close_help_menu(); }
  void close_secondary_windows() override { preview_->close_secondary_windows(); }
  void dismiss_popups() override { preview_->dismiss_popups(); }
  std::optional<windows::StreamSettings> read_stream_fields() override {
    return preview_->read_stream_fields();
  }
  std::optional<std::wstring> pending_recording_bitrate_text() const override {
    return preview_->pending_recording_bitrate_text();
  }
  std::optional<std::wstring> pending_stream_bitrate_text() const override {
    return preview_->pending_stream_bitrate_text();
  }
  void clear_pending_bitrate_texts() override {
    preview_->clear_pending_recording_bitrate_text();
    preview_->clear_pending_stream_bitrate_text();
  }
  HWND stream_window() const override;
  HWND preferences_window() const override;
  HWND window() const override { return preview_->main_window(); }

 private:
  std::unique_ptr<windows::ModernRecordingPreview> preview_;
};

}  // namespace quorvel::bench
