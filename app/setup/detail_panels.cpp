#include "app/setup/detail_panels.h"

#include <string>
#include <utility>

#include "app/setup/quality_row.h"
#include "app/setup/setup_texts.h"
#include "app/setup/setup_tile.h"
#include "app/setup/view_factories.h"
#include "ui/platform/hosting/win32_edit.h"
#include "ui/views/widgets/slider.h"
#include "ui/views/widgets/toggle.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;

constexpr int kHeadingStyle = 1;
constexpr int kLabelStyle = 2;
constexpr win32_ui::layout::Thickness kPanelPadding{18.0f, 14.0f, 18.0f, 14.0f};

const std::function<void(bool)>& toggle_handler(const PreviewHandlers& handlers,
                                                SetupToggle toggle) {
  return handlers.toggles[static_cast<std::size_t>(toggle)];
}

GridTracks star_columns(int count) { return GridTracks(count, GridLength::star(1.0f)); }

struct LabelledBox {
  int id;
  SetupToggle toggle;
  const wchar_t* label_key;
  const wchar_t* tip_key;
};

std::unique_ptr<win32_ui::modern::View> sources_row(const RecordingSetupState& state,
                                                    const PreviewHandlers& handlers) {
  const bool microphone = state.toggle(SetupToggle::kMicrophone);
  auto row = make_grid_panel(star_columns(3), {GridLength::star(1.0f)}, 8.0f);
  const LabelledBox boxes[] = {
      {14, SetupToggle::kSystemAudio, L"main.record_system_audio",
       L"main.tip_record_system_audio"},
      {15, SetupToggle::kMicrophone, L"main.record_microphone", L"main.tip_record_microphone"},
      {16, SetupToggle::kMuteMicrophone, L"main.mute_microphone", L"main.tip_mute_microphone"},
  };
  for (int column = 0; column < 3; ++column) {
    const LabelledBox& box = boxes[column];
    add_labelled_check_box(*row, column, box.id, box.label_key, box.tip_key,
                           state.toggle(box.toggle), column < 2 || microphone,
                           toggle_handler(handlers, box.toggle), handlers);
  }
  return row;
}

// Extra tracks and files exist only when a file is recorded. A group's own
// enabled flag does not stop its children's input, so every box carries the
// file condition itself.
std::unique_ptr<win32_ui::modern::View> storage_row(const RecordingSetupState& state,
                                                    const PreviewHandlers& handlers) {
  const bool file_output = state.output_mode == OutputMode::kFileOnly ||
                           state.output_mode == OutputMode::kFileAndLive;
  auto row = make_grid_panel(star_columns(4), {GridLength::star(1.0f)}, 8.0f);
  const LabelledBox boxes[] = {
      {18, SetupToggle::kSeparateSystemTrack, L"main.separate_system",
       L"main.tip_separate_system"},
      {19, SetupToggle::kSystemAudioFile, L"main.system_m4a", L"main.tip_system_m4a"},
      {20, SetupToggle::kSeparateMicrophoneTrack, L"main.separate_microphone",
       L"main.tip_separate_microphone"},
      {21, SetupToggle::kMicrophoneAudioFile, L"main.microphone_m4a",
       L"main.tip_microphone_m4a"},
  };
  for (int column = 0; column < 4; ++column) {
    const LabelledBox& box = boxes[column];
    const SetupToggle source = column < 2 ? SetupToggle::kSystemAudio : SetupToggle::kMicrophone;
    add_labelled_check_box(*row, column, box.id, box.label_key, box.tip_key,
                           state.toggle(box.toggle), file_output && state.toggle(source),
                           toggle_handler(handlers, box.toggle), handlers);
  }
  return row;
}

std::unique_ptr<win32_ui::modern::View> gain_row(const RecordingSetupState& state,
                                                 const PreviewHandlers& handlers) {
  auto row = make_grid_panel_named(star_columns(2), {GridLength::star(1.0f)}, 28.0f, 0.0f);
  row->add_child(
      make_labelled_slider(29,
                           setup_text(handlers, L"main.system_gain",
                                      {scaled_percent_text(state.system_gain, 200)}),
                           22, state.system_gain, state.toggle(SetupToggle::kSystemAudio),
                           handlers.system_gain),
      {0, 0, 1, 1});
  row->add_child(
      make_labelled_slider(30,
                           setup_text(handlers, L"main.microphone_gain",
                                      {scaled_percent_text(state.microphone_gain, 200)}),
                           23, state.microphone_gain, state.toggle(SetupToggle::kMicrophone),
                           handlers.microphone_gain),
      {1, 0, 1, 1});
  return row;
}

std::unique_ptr<win32_ui::modern::View> folder_row(const RecordingSetupState& state,
                                                   const PreviewHandlers& handlers) {
  auto row = make_grid_panel(
      {GridLength::star(1.0f), GridLength::fixed(112.0f), GridLength::fixed(112.0f)},
      {GridLength::star(1.0f)}, 10.0f);
  row->add_child(std::make_unique<win32_ui::modern::Win32Edit>(27, state.output_folder, true),
                 {0, 0, 1, 1});
  auto choose = make_button(24, setup_text(handlers, L"main.choose_directory"), 0, false, true);
  choose->set_text_style(kLabelStyle);
  choose->on_invoked(handlers.choose_folder);
  row->add_child(std::move(choose), {1, 0, 1, 1});
  auto open = make_button(25, setup_text(handlers, L"main.open_directory"), 0, false, true);
  open->set_text_style(kLabelStyle);
  open->on_invoked(handlers.open_folder);
  row->add_child(std::move(open), {2, 0, 1, 1});
  return row;
}

}  // namespace

std::unique_ptr<win32_ui::modern::View> build_audio_panel(const RecordingSetupState& state,
                                                          const PreviewHandlers& handlers) {
  auto grid = make_grid_panel(star_columns(1), fixed_tracks({30, 8, 40, 12, 40, 12, 40, 12, 66}),
                              0.0f, 0.0f, kPanelPadding);
  grid->add_child(make_text(setup_text(handlers, L"main.audio_cursor"), kHeadingStyle, 0, true),
                  {0, 0, 1, 1});
  grid->add_child(sources_row(state, handlers), {0, 2, 1, 1});

  auto devices = make_combo_box(17);
  devices->set_items(state.microphones);
  devices->set_selected_index(state.microphone_index);
  devices->set_enabled(state.toggle(SetupToggle::kMicrophone));
  devices->on_selection_changed(handlers.microphone_choice);
  devices->on_dropdown_opened(handlers.device_refresh);
  grid->add_child(std::move(devices), {0, 4, 1, 1});

  grid->add_child(storage_row(state, handlers), {0, 6, 1, 1});
  grid->add_child(gain_row(state, handlers), {0, 8, 1, 1});
  return make_card_container(std::move(grid), 0);
}

std::unique_ptr<win32_ui::modern::View> build_camera_panel(float follow_strength,
                                                           bool follow_mouse,
                                                           bool record_cursor,
                                                           const PreviewHandlers& handlers) {
  auto grid = make_grid_panel(star_columns(1), fixed_tracks({30, 8, 40, 8, 42}), 0.0f, 0.0f,
                              kPanelPadding);
  grid->add_child(make_text(setup_text(handlers, L"main.camera"), kHeadingStyle, 0, true),
                  {0, 0, 1, 1});

  auto switches = make_grid_panel(star_columns(2), {GridLength::star(1.0f)}, 10.0f);
  auto follow = std::make_unique<win32_ui::modern::Toggle>(
      11, setup_text(handlers, L"main.follow_mouse"), follow_mouse);
  follow->on_checked_changed(handlers.follow_flag);
  switches->add_child(std::move(follow), {0, 0, 1, 1});
  auto cursor = std::make_unique<win32_ui::modern::Toggle>(
      13, setup_text(handlers, L"main.record_cursor"), record_cursor);
  cursor->on_checked_changed(toggle_handler(handlers, SetupToggle::kRecordCursor));
  switches->add_child(std::move(cursor), {1, 0, 1, 1});
  grid->add_child(std::move(switches), {0, 2, 1, 1});

  auto strength = make_grid_panel({GridLength::fixed(150.0f), GridLength::star(1.0f)},
                                  {GridLength::star(1.0f)}, 12.0f);
  strength->add_child(
      make_text(setup_text(handlers, L"main.follow_strength",
                           {scaled_percent_text(follow_strength, 100)}),
                kLabelStyle, 28, true),
      {0, 0, 1, 1});
  // The strength can be set ahead of turning following on.
  auto slider = std::make_unique<win32_ui::modern::Slider>(12, follow_strength);
  slider->on_value_changed(handlers.follow_strength);
  strength->add_child(std::move(slider), {1, 0, 1, 1});
  grid->add_child(std::move(strength), {0, 4, 1, 1});
  return make_card_container(std::move(grid), 0);
}

std::unique_ptr<win32_ui::modern::View> build_output_panel(const RecordingSetupState& state,
                                                           const PreviewHandlers& handlers) {
  auto grid = make_grid_panel(star_columns(1), fixed_tracks({30, 8, 40, 10, 40, 10, 26, 40}),
                              0.0f, 0.0f, kPanelPadding);
  grid->add_child(make_text(setup_text(handlers, L"main.record_output"), kHeadingStyle, 0, true),
                  {0, 0, 1, 1});
  const bool file_output = state.output_mode == OutputMode::kFileOnly ||
                           state.output_mode == OutputMode::kFileAndLive;
  auto enable = std::make_unique<win32_ui::modern::Toggle>(
      20784, setup_text(handlers, L"main.enable_recording"), file_output);
  enable->on_checked_changed(handlers.record_to_file_switch);
  grid->add_child(std::move(enable), {0, 2, 1, 1});
  grid->add_child(build_quality_row(state, handlers, false), {0, 4, 1, 1});
  grid->add_child(make_text(setup_text(handlers, L"main.save_directory"), kLabelStyle, 0, true),
                  {0, 6, 1, 1});
  grid->add_child(folder_row(state, handlers), {0, 7, 1, 1});
  return make_card_container(std::move(grid), 0);
}

}  // namespace quorvel::windows
