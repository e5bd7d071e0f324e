// The detail windows' contents: the recording size card, the audio panel's
// enabled flags over sources and output modes, the slider labels, the
// camera and output panels, the contents' heights, and trees built without
// any handler.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/common/translate.h"
#include "app/setup/detail_contents.h"
#include "app/setup/detail_panels.h"
#include "app/setup/preview_tree.h"
#include "app/setup/recording_size_card.h"
#include "tests/app/setup/recording_handlers.h"
#include "tests/app/setup/view_dump.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/platform/hosting/win32_edit.h"
#include "ui/views/grid_panel.h"
#include "ui/views/view_root.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/slider.h"
#include "ui/views/widgets/text.h"
#include "ui/views/widgets/toggle.h"

namespace quorvel::windows {
namespace {

using test::find_one;
using win32_ui::modern::CheckBox;
using win32_ui::modern::Slider;
using win32_ui::modern::Text;
using win32_ui::modern::Toggle;
using win32_ui::modern::View;
using win32_ui::modern::Win32ComboBox;
using win32_ui::modern::Win32Edit;

class DetailPanelsTest : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  std::wstring text(std::wstring_view key, std::vector<std::wstring> args = {}) const {
    return translate_for_locale(GetParam(), key, std::move(args));
  }
  PreviewHandlers handlers() { return recorder.make(GetParam()); }
  test::RecordingHandlers recorder;
};

TEST_P(DetailPanelsTest, SizeCardShowsSizeWritableOnlyForCustomSize) {
  for (const bool custom : {false, true}) {
    RecordingSetupState state;
    state.width = 1280;
    state.height = 720;
    state.custom_size = custom;
    state.presets = {{L"1280 \u00D7 720", 1280, 720}, {L"Custom", 0, 0}};
    state.preset_index = custom ? 1 : 0;
    auto card = build_specification_card(state, handlers());
    auto* width = find_one<Win32Edit>(*card, kWidthEditId);
    auto* height = find_one<Win32Edit>(*card, kHeightEditId);
    auto* presets = find_one<Win32ComboBox>(*card, kSizePresetComboId);
    ASSERT_NE(width, nullptr);
    ASSERT_NE(height, nullptr);
    ASSERT_NE(presets, nullptr);
    EXPECT_EQ(width->window_text(), L"1280");
    EXPECT_EQ(height->window_text(), L"720");
    EXPECT_EQ(width->max_length(), 5);
    EXPECT_EQ(height->max_length(), 5);
    EXPECT_EQ(width->is_read_only(), !custom);
    EXPECT_EQ(height->is_read_only(), !custom);
    EXPECT_EQ(presets->items(), (std::vector<std::wstring>{L"1280 \u00D7 720", L"Custom"}));
    EXPECT_EQ(presets->selected_index(), custom ? 1 : 0);
    const std::vector<std::wstring> texts = test::texts_of(*card);
    EXPECT_NE(std::find(texts.begin(), texts.end(), text(L"main.recording_specs")), texts.end());
  }
}

struct AudioCase {
  bool system;
  bool microphone;
  OutputMode mode;
};

TEST_P(DetailPanelsTest, AudioPanelEnablesByItsSourcesAndFileOutput) {
  for (const bool system : {false, true}) {
    for (const bool microphone : {false, true}) {
      for (const int mode : {0, 1, 2, 3}) {
        SCOPED_TRACE(std::to_string(system) + std::to_string(microphone) + std::to_string(mode));
        RecordingSetupState state;
        state.toggles = {false, system, microphone, true, true, true, true, true};
        state.output_mode = static_cast<OutputMode>(mode);
        state.microphones = {L"Default", L"USB mic"};
        state.microphone_index = 1;
        auto panel = build_audio_panel(state, handlers());
        const bool file = mode == 0 || mode == 2;
        struct Expect {
          int id;
          bool enabled;
        };
        const Expect expects[] = {{14, true},
                                  {15, true},
                                  {16, microphone},
                                  {17, microphone},
                                  {18, file && system},
                                  {19, file && system},
                                  {20, file && microphone},
                                  {21, file && microphone},
                                  {22, system},
                                  {23, microphone}};
        for (const Expect& e : expects) {
          const auto found = test::find_all(*panel, e.id);
          ASSERT_EQ(found.size(), 1u) << e.id;
          EXPECT_EQ(found[0]->is_enabled(), e.enabled) << e.id;
        }
        // Disabled controls keep showing their values.
        for (const int id : {16, 18, 19, 20, 21}) {
          auto* box = find_one<CheckBox>(*panel, id);
          ASSERT_NE(box, nullptr);
          EXPECT_TRUE(box->is_checked()) << id;
        }
        auto* devices = find_one<Win32ComboBox>(*panel, 17);
        ASSERT_NE(devices, nullptr);
        EXPECT_EQ(devices->selected_index(), 1);
      }
    }
  }
}

TEST_P(DetailPanelsTest, AudioPanelLabelsTheGainsInHalfSteps) {
  const std::pair<float, const wchar_t*> gains[] = {
      {0.5f, L"100"}, {1.0f, L"200"}, {0.0f, L"0"}, {0.3125f, L"63"}};
  for (const auto& [gain, shown] : gains) {
    RecordingSetupState state;
    state.system_gain = gain;
    state.microphone_gain = gain;
    auto panel = build_audio_panel(state, handlers());
    auto* system = find_one<Text>(*panel, 29);
    auto* microphone = find_one<Text>(*panel, 30);
    ASSERT_NE(system, nullptr);
    ASSERT_NE(microphone, nullptr);
    EXPECT_EQ(system->text(), text(L"main.system_gain", {shown}));
    EXPECT_EQ(microphone->text(), text(L"main.microphone_gain", {shown}));
    auto* slider = find_one<Slider>(*panel, 22);
    ASSERT_NE(slider, nullptr);
    EXPECT_FLOAT_EQ(slider->value(), gain);
  }
  if (std::wstring(GetParam()) == L"en-US") {
    EXPECT_EQ(text(L"main.system_gain", {L"100"}), L"System gain  100%");
  }
}

TEST_P(DetailPanelsTest, AudioPanelDeviceListSelectsOnlyAnExistingIndex) {
  struct DeviceCase {
    std::vector<std::wstring> names;
    int index;
    int selected;
  };
  const DeviceCase cases[] = {
      {{}, 0, -1}, {{L"A", L"B"}, -1, -1}, {{L"A", L"B"}, 2, -1}, {{L"A", L"B"}, 1, 1}};
  for (const DeviceCase& c : cases) {
    RecordingSetupState state;
    state.microphones = c.names;
    state.microphone_index = c.index;
    auto panel = build_audio_panel(state, handlers());
    auto* devices = find_one<Win32ComboBox>(*panel, 17);
    ASSERT_NE(devices, nullptr);
    EXPECT_EQ(devices->items(), c.names);
    EXPECT_EQ(devices->selected_index(), c.selected);
  }
}

TEST_P(DetailPanelsTest, CameraPanelLabelsStrengthAndKeepsItsSliderEnabled) {
  const std::pair<float, const wchar_t*> strengths[] = {
      {0.35f, L"35"}, {0.125f, L"13"}, {1.0f, L"100"}};
  for (const auto& [strength, shown] : strengths) {
    auto panel = build_camera_panel(strength, false, true, handlers());
    auto* label = find_one<Text>(*panel, 28);
    auto* slider = find_one<Slider>(*panel, 12);
    auto* follow = find_one<Toggle>(*panel, 11);
    auto* cursor = find_one<Toggle>(*panel, 13);
    ASSERT_NE(label, nullptr);
    ASSERT_NE(slider, nullptr);
    ASSERT_NE(follow, nullptr);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(label->text(), text(L"main.follow_strength", {shown}));
    EXPECT_TRUE(slider->is_enabled());
    EXPECT_FALSE(follow->is_checked());
    EXPECT_TRUE(cursor->is_checked());
    EXPECT_EQ(follow->text(), text(L"main.follow_mouse"));
  }
  if (std::wstring(GetParam()) == L"en-US") {
    EXPECT_EQ(text(L"main.follow_strength", {L"35"}), L"Follow strength  35%");
  }
}

TEST_P(DetailPanelsTest, OutputPanelTurnsOnlyTheRecordingToggleOff) {
  for (const int mode : {0, 1, 2, 3}) {
    RecordingSetupState state;
    state.output_mode = static_cast<OutputMode>(mode);
    state.output_folder = L"";
    auto panel = build_output_panel(state, handlers());
    auto* enable = find_one<Toggle>(*panel, 20784);
    auto* folder = find_one<Win32Edit>(*panel, 27);
    ASSERT_NE(enable, nullptr);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(enable->is_checked(), mode == 0 || mode == 2);
    EXPECT_TRUE(folder->is_read_only());
    EXPECT_EQ(folder->window_text(), L"");
    for (const int id : {20752, 20753, 24, 25, 27}) {
      const auto found = test::find_all(*panel, id);
      ASSERT_EQ(found.size(), 1u) << id;
      EXPECT_TRUE(found[0]->is_enabled()) << id;
    }
  }
}

TEST_P(DetailPanelsTest, DetailContentsAddUpToTheirWindowHeights) {
  RecordingSetupState state;
  using Maker = std::unique_ptr<View> (*)(const RecordingSetupState&, const PreviewHandlers&);
  const std::pair<Maker, float> contents[] = {{&make_picture_settings_content, 452.0f},
                                              {&make_sound_settings_content, 332.0f},
                                              {&make_recording_settings_content, 286.0f}};
  for (const auto& [make, height] : contents) {
    auto content = make(state, handlers());
    auto* grid = dynamic_cast<win32_ui::modern::GridPanel*>(content.get());
    ASSERT_NE(grid, nullptr);
    float sum = grid->layout_params().padding.vertical();
    for (const auto& row : grid->rows()) sum += row.value;
    EXPECT_EQ(sum, height);
    EXPECT_EQ(grid->layout_params().padding.horizontal(), 36.0f);
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, DetailPanelsTest, ::testing::Values(L"en-US", L"zh-CN"),
                         [](const auto& info) {
                           return std::wstring(info.param) == L"en-US" ? "English" : "Chinese";
                         });

}  // namespace
}  // namespace quorvel::windows
