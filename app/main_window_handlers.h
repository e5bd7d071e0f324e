// The callbacks the application gives its main window: every change the
// user makes there goes through one of them, and the window never edits the
// setup state itself. Numbered in the order the App installs them; an empty
// member means the window's control does nothing. Plain value; UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/common/modern_settings_state.h"
#include "app/common/recording_setup_state.h"
#include "engine/stream_settings.h"
#include "engine/recording_options.h"

namespace quorvel::windows {

struct MainWindowHandlers {
  // Camera: 1 follow mouse, 2 follow strength.
  std::function<void(bool)> follow_mouse;
  std::function<void(float)> follow_strength;
  // Setup: 3 on/off options, 4 gain sliders.
  std::function<void(SetupToggle, bool)> toggle;
  std::function<void(SetupGain, float)> gain;
  // Devices: 5 microphone choice, 6 re-read the devices.
  std::function<void(int)> microphone;
  std::function<void()> refresh_devices;
  // Folder: 7 choose, 8 open.
  std::function<void()> choose_folder;
  std::function<void()> open_folder;
  // Region: 9 overlay to the current monitor, 10 select a region.
  std::function<void()> place_overlay;
  std::function<void()> select_region;
  // 11 start a recording.
  std::function<void()> start;
  // 12 the user closes the main window; true lets it close.
  std::function<bool()> close_request;
  // Settings: 13 snapshot, 14 action.
  std::function<ModernSettingsState()> settings_state;
  std::function<void(ModernSettingsAction)> settings_action;
  // Watermark: 15 read, 16 save, 17 choose an image for an owner window.
  std::function<RecordingWatermark()> watermark;
  std::function<bool(const RecordingWatermark&)> save_watermark;
  std::function<std::wstring(HWND)> choose_watermark_image;
  // Hotkeys: 18 capture on or off, 19 a new key for a row.
  std::function<void(bool)> hotkey_capture;
  std::function<void(int, UINT, UINT)> hotkey_changed;
  // Quality: 20 size preset, 21 frame rate, 22 custom size texts.
  std::function<void(int)> size_preset;
  std::function<void(int)> frame_rate;
  std::function<void(std::wstring, std::wstring)> custom_size;
  // 23 recording and 24 stream quality with the custom kbps text.
  std::function<void(int, std::wstring)> recording_quality;
  std::function<void(int, std::wstring)> stream_quality;
  // Stream: 25 output mode, 26 read the target, 27 save it.
  std::function<void(OutputMode)> output_mode;
  std::function<StreamSettings()> stream_target;
  std::function<bool(const StreamSettings&)> save_stream_target;
};

}  // namespace quorvel::windows
