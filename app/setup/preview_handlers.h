// The handlers every main-window and detail-panel builder receives: one
// callback per user action, the pending custom bit-rate texts, the cached
// stream target and the UI language the texts are looked up in. The window
// manager assembles one per rebuild; builders copy the members they need
// into their controls, and an empty member makes its control do nothing.
// Plain value (copyable and movable); UI thread.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/common/recording_setup_state.h"
#include "engine/stream_settings.h"
#include "ui/views/event.h"

namespace quorvel::windows {

struct PreviewHandlers {
  std::function<void()> screenshot;
  std::function<void(win32_ui::modern::InputOrigin)> open_theme_menu;
  std::function<void()> open_preferences;
  std::function<void(win32_ui::modern::InputOrigin)> open_help_menu;
  std::function<void()> close;
  std::function<void()> change_screen;
  std::function<void()> reselect_region;
  std::function<void(bool)> follow_flag;
  std::function<void(float)> follow_strength;
  // Indexed by SetupToggle.
  std::array<std::function<void(bool)>, kSetupToggleCount> toggles;
  std::function<void(float)> system_gain;
  std::function<void(float)> microphone_gain;
  std::function<void(int)> microphone_choice;
  std::function<void()> device_refresh;
  std::function<void()> choose_folder;
  std::function<void()> open_folder;
  std::function<void(bool)> record_to_file_switch;
  std::function<void(bool)> stream_live_switch;
  std::function<void()> open_stream_window;
  std::function<void()> open_picture_settings;
  std::function<void()> open_sound_settings;
  std::function<void()> open_recording_settings;
  std::function<void(int)> size_preset;
  std::function<void(unsigned)> frame_rate;
  std::function<void(int, std::wstring)> recording_quality;
  std::function<void(std::wstring_view)> recording_text_edited;
  std::optional<std::wstring> pending_recording_text;
  std::function<void(int, std::wstring)> stream_quality;
  std::function<void(std::wstring_view)> stream_text_edited;
  std::optional<std::wstring> pending_stream_text;
  // Empty when no target is cached.
  StreamSettings stream_target;
  std::function<void(std::wstring, std::wstring)> custom_size;
  // "en-US" or "zh-CN"; every builder looks its texts up in it.
  std::wstring locale;
};

}  // namespace quorvel::windows
