#include "app/common/recording_setup_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace quorvel::windows {
namespace {

TEST(RecordingSetupState, StartsWithTheDefaults) {
  const RecordingSetupState state;
  EXPECT_TRUE(state.monitor_name.empty());
  EXPECT_TRUE(state.preset_label.empty());
  EXPECT_TRUE(state.presets.empty());
  EXPECT_EQ(state.preset_index, -1);
  EXPECT_TRUE(state.custom_size);
  EXPECT_TRUE(state.microphone_label.empty());
  EXPECT_TRUE(state.microphones.empty());
  EXPECT_EQ(state.microphone_index, 0);
  EXPECT_TRUE(state.output_folder.empty());
  EXPECT_EQ(state.monitor_width, 0);
  EXPECT_EQ(state.monitor_height, 0);
  EXPECT_EQ(state.width, 1920);
  EXPECT_EQ(state.height, 1080);
  EXPECT_EQ(state.frame_rate, 60);
  EXPECT_EQ(state.recording_quality.level, 1u);
  EXPECT_EQ(state.recording_quality.kbps, 12000u);
  EXPECT_EQ(state.stream_quality.level, 1u);
  EXPECT_EQ(state.stream_quality.kbps, 12000u);
  EXPECT_EQ(state.output_mode, OutputMode::kFileOnly);
  EXPECT_FLOAT_EQ(state.follow_strength, 0.55f);
  EXPECT_FLOAT_EQ(state.system_gain, 0.5f);
  EXPECT_FLOAT_EQ(state.microphone_gain, 0.5f);
  EXPECT_TRUE(state.follow_mouse);
  const bool expected_toggles[kSetupToggleCount] = {true, true, false, false,
                                                    false, false, false, false};
  for (std::size_t i = 0; i < kSetupToggleCount; ++i) {
    EXPECT_EQ(state.toggles[i], expected_toggles[i]) << "toggle " << i;
  }
  EXPECT_TRUE(state.toggle(SetupToggle::kRecordCursor));
  EXPECT_TRUE(state.toggle(SetupToggle::kSystemAudio));
  EXPECT_FALSE(state.toggle(SetupToggle::kMicrophone));
  EXPECT_FALSE(state.record_enabled);
}

TEST(RecordingSetupState, EnumerationsKeepTheirNumbers) {
  EXPECT_EQ(static_cast<int32_t>(SetupToggle::kRecordCursor), 0);
  EXPECT_EQ(static_cast<int32_t>(SetupToggle::kMuteMicrophone), 3);
  EXPECT_EQ(static_cast<int32_t>(SetupToggle::kMicrophoneAudioFile), 7);
  EXPECT_EQ(static_cast<int32_t>(SetupGain::kSystem), 0);
  EXPECT_EQ(static_cast<int32_t>(SetupGain::kMicrophone), 1);
  EXPECT_EQ(static_cast<int32_t>(OutputMode::kFileOnly), 0);
  EXPECT_EQ(static_cast<int32_t>(OutputMode::kLiveOnly), 1);
  EXPECT_EQ(static_cast<int32_t>(OutputMode::kFileAndLive), 2);
  EXPECT_EQ(static_cast<int32_t>(OutputMode::kNone), 3);
}

struct FieldChange {
  const char* field;
  std::function<void(RecordingSetupState&)> change;
};

// One change per field, each to a value the default does not hold.
std::vector<FieldChange> field_changes() {
  std::vector<FieldChange> changes = {
      {"monitor name", [](auto& s) { s.monitor_name = L"\\\\.\\DISPLAY1"; }},
      {"preset label", [](auto& s) { s.preset_label = L"1080p"; }},
      {"presets", [](auto& s) { s.presets.push_back({L"custom", 0, 0}); }},
      {"preset index", [](auto& s) { s.preset_index = 0; }},
      {"custom size", [](auto& s) { s.custom_size = false; }},
      {"microphone label", [](auto& s) { s.microphone_label = L"Default"; }},
      {"microphones", [](auto& s) { s.microphones.push_back(L"Default"); }},
      {"microphone index", [](auto& s) { s.microphone_index = 1; }},
      {"output folder", [](auto& s) { s.output_folder = L"C:\\Videos"; }},
      {"monitor width", [](auto& s) { s.monitor_width = 1920; }},
      {"monitor height", [](auto& s) { s.monitor_height = 1080; }},
      {"width", [](auto& s) { s.width = 1280; }},
      {"height", [](auto& s) { s.height = 720; }},
      {"frame rate", [](auto& s) { s.frame_rate = 30; }},
      {"recording level", [](auto& s) { s.recording_quality.level = 3; }},
      {"recording kbps", [](auto& s) { s.recording_quality.kbps = 8000; }},
      {"stream level", [](auto& s) { s.stream_quality.level = 0; }},
      {"stream kbps", [](auto& s) { s.stream_quality.kbps = 6000; }},
      {"output mode", [](auto& s) { s.output_mode = OutputMode::kFileAndLive; }},
      {"follow strength", [](auto& s) { s.follow_strength = 0.56f; }},
      {"system gain", [](auto& s) { s.system_gain = 0.505f; }},
      {"microphone gain", [](auto& s) { s.microphone_gain = 0.495f; }},
      {"follow mouse", [](auto& s) { s.follow_mouse = false; }},
      {"record enabled", [](auto& s) { s.record_enabled = true; }},
  };
  for (std::size_t i = 0; i < kSetupToggleCount; ++i) {
    changes.push_back({"a toggle", [i](auto& s) { s.toggles[i] = !s.toggles[i]; }});
  }
  return changes;
}

TEST(RecordingSetupState, EveryFieldTakesPartInEquality) {
  const RecordingSetupState reference;
  EXPECT_TRUE(reference == RecordingSetupState{});
  for (const FieldChange& change : field_changes()) {
    SCOPED_TRACE(change.field);
    RecordingSetupState changed = reference;
    change.change(changed);
    EXPECT_FALSE(changed == reference);
    EXPECT_FALSE(reference == changed);
    const RecordingSetupState copy = changed;
    EXPECT_TRUE(copy == changed);
  }
}

TEST(RecordingSetupState, ComparesPresetEntriesByLabelAndSize) {
  RecordingSetupState a;
  a.presets = {{L"1080p", 1920, 1080}, {L"custom", 0, 0}};
  RecordingSetupState b = a;
  EXPECT_TRUE(a == b);
  b.presets[0].text = L"1080P";
  EXPECT_FALSE(a == b);
  b = a;
  b.presets[0].height = 1081;
  EXPECT_FALSE(a == b);
}

TEST(RecordingSetupState, NeverEqualWithANotANumberGain) {
  RecordingSetupState a;
  a.system_gain = std::numeric_limits<float>::quiet_NaN();
  const RecordingSetupState b = a;
  EXPECT_FALSE(a == b);
  EXPECT_FALSE(a == a);
}

TEST(RecordingSetupState, MovesItsContent) {
  RecordingSetupState source;
  source.microphones = {L"Default", L"Headset"};
  source.output_folder = L"C:\\Videos";
  const RecordingSetupState expected = source;
  const RecordingSetupState moved = std::move(source);
  EXPECT_TRUE(moved == expected);
}

}  // namespace
}  // namespace quorvel::windows
