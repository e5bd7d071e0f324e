#include "app/setup/detail_contents.h"

#include <initializer_list>
#include <utility>

#include "app/setup/detail_panels.h"
#include "app/setup/recording_size_card.h"
#include "app/setup/view_factories.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;

std::unique_ptr<win32_ui::modern::GridPanel> content_grid(std::initializer_list<float> rows) {
  GridTracks tracks;
  for (float height : rows) tracks.push_back(GridLength::fixed(height));
  return make_grid_panel({GridLength::star(1.0f)}, std::move(tracks), 0.0f, 0.0f,
                         {18.0f, 18.0f, 18.0f, 18.0f});
}

}  // namespace

std::unique_ptr<win32_ui::modern::View> make_picture_settings_content(
    const RecordingSetupState& state, const PreviewHandlers& handlers) {
  auto grid = content_grid({240.0f, 12.0f, 164.0f});
  grid->add_child(build_specification_card(state, handlers), {0, 0, 1, 1});
  grid->add_child(build_camera_panel(state.follow_strength, state.follow_mouse,
                                     state.toggle(SetupToggle::kRecordCursor), handlers),
                  {0, 2, 1, 1});
  return grid;
}

std::unique_ptr<win32_ui::modern::View> make_sound_settings_content(
    const RecordingSetupState& state, const PreviewHandlers& handlers) {
  auto grid = content_grid({296.0f});
  grid->add_child(build_audio_panel(state, handlers), {0, 0, 1, 1});
  return grid;
}

std::unique_ptr<win32_ui::modern::View> make_recording_settings_content(
    const RecordingSetupState& state, const PreviewHandlers& handlers) {
  auto grid = content_grid({250.0f});
  grid->add_child(build_output_panel(state, handlers), {0, 0, 1, 1});
  return grid;
}

}  // namespace quorvel::windows
