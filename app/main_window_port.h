// What the application asks of its main window: the recording setup window
// with its secondary windows. The product's window and the tests' fake both
// implement it; the App owns one while the main window object exists and
// reaches it only on the UI thread.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/common/recording_setup_state.h"
#include "app/main_window_handlers.h"
#include "engine/stream_settings.h"
#include "ui/platform/theme/theme.h"

namespace quorvel::windows {

class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;

  // Creates (when needed) and shows the main window; false when it could not
  // be created.
  virtual bool show() = 0;
  // The main window exists.
  virtual bool is_open() const = 0;
  // The main window is shown.
  virtual bool is_visible() const = 0;
  // Restores the main window and brings it to the foreground.
  virtual void activate() = 0;
  // Takes the application's callbacks, replacing any given before; called
  // on every show, so a window must take them again and again.
  virtual void set_handlers(MainWindowHandlers handlers) = 0;
  // Takes a new setup state; `force` rebuilds even an unchanged view.
  virtual void refresh(RecordingSetupState state, bool force) = 0;
  virtual void set_audio_devices(const RecordingSetupState& state) = 0;
  virtual void set_recording_enabled(bool enabled) = 0;
  virtual void apply_theme(const win32_ui::Theme& theme) = 0;
  virtual void open_preferences() = 0;
  virtual void close_help_menu() = 0;
  virtual void close_secondary_windows() = 0;
  // Closes the pop-ups and hides every setup window, the main one last.
  virtual void dismiss_popups() = 0;
  // The stream target as last read from the live-stream window.
  virtual std::optional<StreamSettings> read_stream_fields() = 0;
  // Custom bit-rate texts typed but not yet committed.
  virtual std::optional<std::wstring> pending_recording_bitrate_text() const = 0;
  virtual std::optional<std::wstring> pending_stream_bitrate_text() const = 0;
  virtual void clear_pending_bitrate_texts() = 0;
  // The live-stream settings window when it exists, else null.
  virtual HWND stream_window() const = 0;
  // The preferences window when it exists, else null.
  virtual HWND preferences_window() const = 0;
  // The main window when it exists, else null.
  virtual HWND window() const = 0;
};

}  // namespace quorvel::windows
