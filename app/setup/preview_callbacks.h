// The application's callbacks the setup windows report through: one member
// per action, empty until the shell installs it. An empty member makes the
// action a no-op. Held by the setup window manager; UI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "app/common/modern_settings_state.h"
#include "app/common/recording_setup_state.h"
#include "engine/recording_options.h"
#include "engine/stream_settings.h"

namespace quorvel::windows {

struct PreviewCallbacks {
  std::function<void(bool)> follow_mouse;
  std::function<void(float)> follow_strength;
  std::function<void(SetupToggle, bool)> toggle;
  std::function<void(SetupGain, float)> gain;
  std::function<void(int)> microphone;
  std::function<void()> device_refresh;
  std::function<void()> choose_folder;
  std::function<void()> open_folder;
  std::function<void()> change_screen;
  std::function<void()> reselect_region;
  std::function<void()> start;
  std::function<void(int, std::wstring)> recording_quality;
  std::function<void(int, std::wstring)> stream_quality;
  std::function<void(OutputMode)> output_mode;
  std::function<StreamSettings()> stream_settings;
  std::function<bool(const StreamSettings&)> save_stream_settings;
  std::function<ModernSettingsState()> settings_state;
  std::function<void(ModernSettingsAction)> settings_action;
  std::function<RecordingWatermark()> watermark;
  std::function<bool(const RecordingWatermark&)> save_watermark;
  std::function<std::wstring(HWND owner)> browse_image;
  std::function<void(bool)> capture_mode;
  std::function<void(std::uint64_t row, unsigned key, unsigned modifiers)> binding;
  std::function<bool()> close;
  std::function<void(int)> size_preset;
  std::function<void(unsigned)> frame_rate;
  std::function<void(std::wstring, std::wstring)> custom_size;
};

}  // namespace quorvel::windows
