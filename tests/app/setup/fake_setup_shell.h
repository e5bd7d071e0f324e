// A stand-in for the application shell around the setup window manager: it
// installs all 27 callbacks in the shell's order, logs every call
// ("output_mode(2)", "settings_action(8)"), keeps the authoritative setup
// state and, like the shell, pushes each accepted change straight back with
// refresh().
#pragma once

#include <string>
#include <vector>

#include "app/common/modern_settings_state.h"
#include "app/common/recording_setup_state.h"
#include "app/setup/modern_recording_preview.h"
#include "engine/recording_options.h"
#include "engine/stream_settings.h"

namespace quorvel::windows::test {

class FakeSetupShell {
 public:
  // Installs the callbacks; with `with_close` false no close callback.
  void install(ModernRecordingPreview& preview, bool with_close = true,
               bool with_settings_action = true);
  // Pushes `state` as the shell does before showing.
  void push(ModernRecordingPreview& preview) { preview.refresh(state, false); }
  std::vector<std::string> take();

  RecordingSetupState state;
  ModernSettingsState settings;
  StreamSettings stream;
  bool close_answer = true;
  // What the watermark getter returns, what save last received and answers,
  // and what browsing for an image returns.
  RecordingWatermark watermark;
  RecordingWatermark saved_watermark;
  bool save_watermark_answer = true;
  std::wstring browse_path;
  // What the stream save last received and answers.
  StreamSettings saved_stream;
  bool save_stream_answer = true;
  std::vector<std::string> calls;

 private:
  ModernRecordingPreview* preview_ = nullptr;
};

}  // namespace quorvel::windows::test
