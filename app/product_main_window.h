// The product's main window behind the App's MainWindowPort: the recording
// setup windows of ModernRecordingPreview, handed the App's callbacks. Made
// by the program's platform record; owned by the App; UI thread only. The
// class is public so that a tool driving the program (the endurance
// benchmark) can reach the setup windows' manager as their buttons do.
#pragma once

#include <windows.h>

#include <memory>

#include "app/main_window_port.h"

namespace win32_ui::scaffold {
class Application;
}

namespace quorvel::windows {

class ModernRecordingPreview;

class ProductMainWindow final : public MainWindowPort {
 public:
  ProductMainWindow(HINSTANCE instance, HWND owner, win32_ui::scaffold::Application& application);
  ~ProductMainWindow() override;

  ModernRecordingPreview& preview() { return *preview_; }

  bool show() override;
  bool is_open() const override;
  bool is_visible() const override;
  void activate() override;
  void set_handlers(MainWindowHandlers handlers) override;
  void refresh(RecordingSetupState state, bool force) override;
  void set_audio_devices(const RecordingSetupState& state) override;
  void set_recording_enabled(bool enabled) override;
  void apply_theme(const win32_ui::Theme& theme) override;
  void open_preferences() override;
  void close_help_menu() override;
  void close_secondary_windows() override;
  void dismiss_popups() override;
  std::optional<StreamSettings> read_stream_fields() override;
  std::optional<std::wstring> pending_recording_bitrate_text() const override;
  std::optional<std::wstring> pending_stream_bitrate_text() const override;
  void clear_pending_bitrate_texts() override;
  HWND stream_window() const override;
  HWND preferences_window() const override;
  HWND window() const override;

 private:
  // Held by pointer: the window accessors of the setup windows are not
  // const, and the port's handle queries are.
  std::unique_ptr<ModernRecordingPreview> preview_;
};

// Makes the setup windows' object; no window exists until the first show.
std::unique_ptr<MainWindowPort> make_product_main_window(
    HINSTANCE instance, HWND owner, win32_ui::scaffold::Application& application);

}  // namespace quorvel::windows
