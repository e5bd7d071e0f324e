// The settings of the next recording as the application holds them and the
// main window shows them. The application keeps the one authoritative copy;
// windows get copies and report changes back. Plain value; UI thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/common/quality_setting.h"
#include "app/common/size_preset.h"

namespace quorvel::windows {

// Which on/off option of the main window changed; indexes
// RecordingSetupState::toggles.
enum class SetupToggle : int32_t {
  kRecordCursor = 0,
  kSystemAudio = 1,
  kMicrophone = 2,
  kMuteMicrophone = 3,
  kSeparateSystemTrack = 4,
  kSystemAudioFile = 5,
  kSeparateMicrophoneTrack = 6,
  kMicrophoneAudioFile = 7,
};

inline constexpr std::size_t kSetupToggleCount = 8;

// Which gain slider changed: 0 system audio, any other value the microphone.
enum class SetupGain : int32_t {
  kSystem = 0,
  kMicrophone = 1,
};

// Which outputs a recording uses.
enum class OutputMode : int32_t {
  kFileOnly = 0,
  kLiveOnly = 1,
  kFileAndLive = 2,
  kNone = 3,
};

struct RecordingSetupState {
  std::wstring monitor_name;  // device name of the target monitor
  std::wstring preset_label;
  std::vector<SizePresetEntry> presets;  // the last entry is the custom one
  int32_t preset_index = -1;             // -1: none
  bool custom_size = true;               // the custom (last) entry is selected
  std::wstring microphone_label;
  std::vector<std::wstring> microphones;
  int32_t microphone_index = 0;  // 0: the system default
  std::wstring output_folder;
  int32_t monitor_width = 0;
  int32_t monitor_height = 0;
  int32_t width = 1920;
  int32_t height = 1080;
  int32_t frame_rate = 60;  // 30 or 60
  QualitySetting recording_quality;
  QualitySetting stream_quality;
  OutputMode output_mode = OutputMode::kFileOnly;
  float follow_strength = 0.55f;  // 0 to 1 in steps of 0.01
  float system_gain = 0.5f;       // 0 to 1 in steps of 1/200
  float microphone_gain = 0.5f;
  bool follow_mouse = true;
  std::array<bool, kSetupToggleCount> toggles = {true, true, false, false,
                                                 false, false, false, false};
  bool record_enabled = false;  // a recording can start now

  bool toggle(SetupToggle which) const { return toggles[static_cast<std::size_t>(which)]; }

  // Every field by value: strings by content, lists element by element,
  // floats as floats (so a NaN never compares equal).
  friend bool operator==(const RecordingSetupState&, const RecordingSetupState&) = default;
};

}  // namespace quorvel::windows
