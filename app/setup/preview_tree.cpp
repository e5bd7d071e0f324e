#include "app/setup/preview_tree.h"

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "app/setup/event_adapters.h"
#include "app/setup/header_bar.h"
#include "app/setup/monitor_display_name.h"
#include "app/setup/setup_texts.h"
#include "app/setup/setup_tile.h"
#include "app/setup/view_factories.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;
using win32_ui::modern::View;

constexpr int kHeadingStyle = 5;
constexpr int kCaptionStyle = 2;
constexpr const wchar_t* kDot = L" \u00B7 ";
constexpr const wchar_t* kTimes = L" \u00D7 ";

bool file_output(OutputMode mode) {
  return mode == OutputMode::kFileOnly || mode == OutputMode::kFileAndLive;
}
bool live_output(OutputMode mode) {
  return mode == OutputMode::kLiveOnly || mode == OutputMode::kFileAndLive;
}

win32_ui::layout::LayoutParams centred_height(float height) {
  win32_ui::layout::LayoutParams params;
  params.height = height;
  params.has_height = true;
  params.vertical_alignment = win32_ui::layout::kAlignCenter;
  return params;
}

std::unique_ptr<View> card_heading(const PreviewHandlers& handlers, std::wstring_view key,
                                   int text_id, int link_id, std::function<void()> on_link) {
  auto heading = make_grid_panel({GridLength::star(1.0f), GridLength::fixed(116.0f)},
                                 {GridLength::star(1.0f)});
  heading->add_child(make_text(setup_text(handlers, key), kHeadingStyle, text_id, true),
                     {0, 0, 1, 1});
  auto link = make_link_button(link_id, setup_text(handlers, L"main.configure"));
  link->on_invoked(std::move(on_link));
  heading->add_child(std::move(link), {1, 0, 1, 1});
  return heading;
}

std::unique_ptr<win32_ui::modern::GridPanel> card_grid(GridTracks rows) {
  return make_grid_panel({GridLength::star(1.0f)}, std::move(rows), 0.0f, 0.0f,
                         {18.0f, 14.0f, 18.0f, 14.0f});
}

std::unique_ptr<View> source_line(const RecordingSetupState& state,
                                  const PreviewHandlers& handlers, int monitor_count) {
  const bool several = monitor_count > 1;
  GridTracks columns{GridLength::fixed(40.0f), GridLength::star(1.0f)};
  if (several) columns.push_back(GridLength::fixed(108.0f));
  auto line = make_grid_panel(std::move(columns), fixed_tracks({24, 24}), 8.0f, 2.0f, {});
  line->set_layout_params(centred_height(50.0f));

  auto icon = make_icon(1);
  win32_ui::layout::LayoutParams icon_params = centred_height(30.0f);
  icon_params.width = 30.0f;
  icon_params.has_width = true;
  icon_params.horizontal_alignment = win32_ui::layout::kAlignCenter;
  icon->set_layout_params(icon_params);
  line->add_child(std::move(icon), {0, 0, 1, 2});

  line->add_child(make_text(monitor_display_name(state.monitor_name, handlers.locale) + kDot +
                                decimal_text(state.monitor_width) + kTimes +
                                decimal_text(state.monitor_height),
                            kHeadingStyle, 20820, true),
                  {1, 0, 1, 1});
  line->add_child(make_caption(setup_text(handlers, L"main.selected_region") + L" " +
                                   decimal_text(state.width) + kTimes +
                                   decimal_text(state.height),
                               kCaptionStyle),
                  {1, 1, 1, 1});
  if (several) {
    auto change = make_link_button(5, setup_text(handlers, L"main.change_screen"));
    change->set_layout_params(centred_height(32.0f));
    change->on_invoked(handlers.change_screen);
    line->add_child(std::move(change), {2, 0, 1, 2});
  }
  return line;
}

std::unique_ptr<View> size_and_rate_line(const RecordingSetupState& state,
                                         const PreviewHandlers& handlers) {
  auto line = make_grid_panel(
      {GridLength::star(1.0f), GridLength::fixed(124.0f), GridLength::fixed(154.0f)},
      fixed_tracks({28, 42}), 12.0f);
  line->add_child(make_caption(setup_text(handlers, L"main.recording_specs"), kCaptionStyle),
                  {0, 0, 1, 1});
  line->add_child(make_caption(setup_text(handlers, L"main.frame_rate"), kCaptionStyle),
                  {1, 0, 1, 1});
  line->add_child(make_caption(setup_text(handlers, L"main.lens"), kCaptionStyle), {2, 0, 1, 1});

  auto presets = make_combo_box(7);
  std::vector<std::wstring> items;
  for (const SizePresetEntry& entry : state.presets) items.push_back(entry.text);
  presets->set_items(std::move(items));
  presets->set_selected_index(state.preset_index);
  presets->on_selection_changed(handlers.size_preset);
  line->add_child(std::move(presets), {0, 1, 1, 1});

  auto rate = make_combo_box(10);
  rate->set_items({L"30 FPS", L"60 FPS"});
  rate->set_selected_index(state.frame_rate == 30 ? 0 : 1);
  rate->on_selection_changed(frame_rate_choice_adapter(handlers.frame_rate));
  line->add_child(std::move(rate), {1, 1, 1, 1});

  auto lens = make_combo_box(20803);
  lens->set_items({setup_text(handlers, L"main.fixed_picture"),
                   setup_text(handlers, L"main.follow_picture")});
  lens->set_selected_index(state.follow_mouse ? 1 : 0);
  lens->on_selection_changed(two_way_choice_adapter(handlers.follow_flag));
  line->add_child(std::move(lens), {2, 1, 1, 1});
  return line;
}

std::unique_ptr<View> picture_card(const RecordingSetupState& state,
                                   const PreviewHandlers& handlers, int monitor_count) {
  auto grid = card_grid(fixed_tracks({28, 76, 8, 1, 12, 74}));
  grid->add_child(card_heading(handlers, L"main.picture", 20817, 20800,
                               handlers.open_picture_settings),
                  {0, 0, 1, 1});
  grid->add_child(source_line(state, handlers, monitor_count), {0, 1, 1, 1});
  grid->add_child(make_card_container(make_grid_panel({GridLength::star(1.0f)},
                                                      {GridLength::star(1.0f)}),
                                      0),
                  {0, 3, 1, 1});
  grid->add_child(size_and_rate_line(state, handlers), {0, 5, 1, 1});
  return make_card_container(std::move(grid), 0);
}

std::unique_ptr<View> sound_card(const RecordingSetupState& state,
                                 const PreviewHandlers& handlers) {
  auto grid = card_grid(fixed_tracks({26, 42}));
  grid->add_child(card_heading(handlers, L"main.sound_cursor", 20818, 20801,
                               handlers.open_sound_settings),
                  {0, 0, 1, 1});
  auto boxes = make_grid_panel(GridTracks(3, GridLength::star(1.0f)), {GridLength::star(1.0f)},
                               8.0f);
  struct Box {
    int id;
    const wchar_t* key;
    SetupToggle toggle;
  };
  const Box list[] = {{14, L"main.system_audio_short", SetupToggle::kSystemAudio},
                      {15, L"main.microphone_short", SetupToggle::kMicrophone},
                      {13, L"main.cursor_short", SetupToggle::kRecordCursor}};
  for (std::uint64_t column = 0; column < 3; ++column) {
    const Box& box = list[column];
    boxes->add_child(make_check_box(box.id, setup_text(handlers, box.key),
                                    state.toggle(box.toggle), true,
                                    handlers.toggles[static_cast<std::size_t>(box.toggle)]),
                     {column, 0, 1, 1});
  }
  grid->add_child(std::move(boxes), {0, 1, 1, 1});
  return make_card_container(std::move(grid), 0);
}

std::wstring save_video_subtitle(const RecordingSetupState& state,
                                 const PreviewHandlers& handlers) {
  static constexpr const wchar_t* kQualityKeys[] = {L"main.quality_compact",
                                                    L"main.quality_balanced",
                                                    L"main.quality_high", L"main.quality_custom"};
  const QualitySetting& quality = state.recording_quality;
  std::wstring name = quality.level < 4 ? setup_text(handlers, kQualityKeys[quality.level])
                                        : std::wstring{};
  std::optional<uint32_t> rate;
  if (state.width >= 0 && state.height >= 0 && state.frame_rate >= 0) {
    rate = bitrate_for_quality(quality, static_cast<uint32_t>(state.width),
                               static_cast<uint32_t>(state.height),
                               static_cast<uint32_t>(state.frame_rate));
  }
  const std::wstring megabits = rate ? decimal_text(*rate / 1'000'000u) : L"\u2014";
  const std::wstring folder = state.output_folder.empty()
                                  ? setup_text(handlers, L"main.video_folder")
                                  : folder_leaf(state.output_folder);
  return name + kDot + megabits + L" Mbps" + kDot + folder;
}

std::wstring live_subtitle(const RecordingSetupState& state, const PreviewHandlers& handlers) {
  std::wstring text;
  if (!live_output(state.output_mode)) text = setup_text(handlers, L"main.off_prefix");
  return text + setup_text(handlers, handlers.stream_target.server_url.empty()
                                         ? L"main.stream_unset"
                                         : L"main.stream_ready");
}

std::unique_ptr<View> output_card(const RecordingSetupState& state,
                                  const PreviewHandlers& handlers) {
  auto grid = card_grid(fixed_tracks({26, 10, 68, 10, 68}));
  grid->add_child(make_text(setup_text(handlers, L"main.output"), kHeadingStyle, 20819, true),
                  {0, 0, 1, 1});
  grid->add_child(make_setup_tile(20784, 20802, file_output(state.output_mode),
                                  setup_text(handlers, L"main.save_video"),
                                  save_video_subtitle(state, handlers),
                                  handlers.record_to_file_switch,
                                  handlers.open_recording_settings, handlers.locale),
                  {0, 2, 1, 1});
  grid->add_child(make_setup_tile(20785, 20769, live_output(state.output_mode),
                                  setup_text(handlers, L"main.live_stream"),
                                  live_subtitle(state, handlers), handlers.stream_live_switch,
                                  handlers.open_stream_window, handlers.locale),
                  {0, 4, 1, 1});
  return make_card_container(std::move(grid), 20821);
}

std::unique_ptr<View> title_block(const PreviewHandlers& handlers) {
  auto grid = make_grid_panel({GridLength::star(1.0f)}, fixed_tracks({30, 28}));
  grid->add_child(make_text(setup_text(handlers, L"main.new_recording"), 1, 20816, true),
                  {0, 0, 1, 1});
  grid->add_child(make_caption(setup_text(handlers, L"main.subtitle_compact"), kCaptionStyle),
                  {0, 1, 1, 1});
  return grid;
}

std::unique_ptr<View> header_band(bool wide, const PreviewHandlers& handlers) {
  auto band = make_overlay_panel();
  band->add_child(make_chrome_surface());
  const float side = wide ? 8.0f : 6.0f;
  auto grid = make_grid_panel({GridLength::star(1.0f)}, {GridLength::star(1.0f)}, 0.0f, 0.0f,
                              {side, 10.0f, side, 10.0f});
  grid->add_child(build_header(handlers), {0, 0, 1, 1});
  band->add_child(std::move(grid));
  return band;
}

std::unique_ptr<View> body(bool wide, const RecordingSetupState& state,
                           const PreviewHandlers& handlers, int monitor_count) {
  auto area = make_overlay_panel();
  area->add_child(make_body_surface());
  const float side = wide ? 28.0f : 18.0f;
  auto content = make_grid_panel({GridLength::star(1.0f)},
                                 fixed_tracks({28, 58, 12, 228, 12, 96, 12, 210, 36}), 0.0f, 0.0f,
                                 {side, 0.0f, side, 0.0f});
  content->add_child(title_block(handlers), {0, 1, 1, 1});
  content->add_child(picture_card(state, handlers, monitor_count), {0, 3, 1, 1});
  content->add_child(sound_card(state, handlers), {0, 5, 1, 1});
  content->add_child(output_card(state, handlers), {0, 7, 1, 1});
  area->add_child(std::move(content));
  return area;
}

std::wstring_view record_button_key(OutputMode mode) {
  if (mode == OutputMode::kFileOnly) return L"main.start_recording";
  if (mode == OutputMode::kFileAndLive) return L"stream.start_both";
  return L"stream.start";
}

std::unique_ptr<View> footer(bool wide, const RecordingSetupState& state,
                             const PreviewHandlers& handlers) {
  auto band = make_overlay_panel();
  band->add_child(make_chrome_surface());
  const float side = wide ? 28.0f : 18.0f;
  auto grid = make_grid_panel(
      {GridLength::star(1.0f), GridLength::fixed(150.0f), GridLength::fixed(174.0f)},
      {GridLength::star(1.0f)}, 12.0f, 0.0f, {side, 10.0f, side, 10.0f});
  grid->add_child(make_caption(setup_text(handlers, L"main.selected_region") + kDot +
                                   decimal_text(state.width) + kTimes +
                                   decimal_text(state.height) + kDot +
                                   decimal_text(state.frame_rate) + L" FPS",
                               kCaptionStyle),
                  {0, 0, 1, 1});
  auto reselect = make_button(6, setup_text(handlers, L"main.reselect_region"), 0, false, true);
  reselect->on_invoked(handlers.reselect_region);
  grid->add_child(std::move(reselect), {1, 0, 1, 1});

  // An invoked button runs only a command it was given; the main window's
  // command table routes this one to the start callback.
  auto record = make_button(kRecordButtonId,
                            setup_text(handlers, record_button_key(state.output_mode)), 26, true,
                            state.record_enabled && state.output_mode != OutputMode::kNone);
  record->set_shortcut_text(L"Ctrl + R");
  record->set_command(kRecordCommandId);
  grid->add_child(std::move(record), {2, 0, 1, 1});
  band->add_child(std::move(grid));
  return band;
}

}  // namespace

std::unique_ptr<View> build_preview_tree(bool wide, const RecordingSetupState& state,
                                         const PreviewHandlers& handlers) {
  return build_preview_tree(wide, state, handlers, GetSystemMetrics(SM_CMONITORS));
}

std::unique_ptr<View> build_preview_tree(bool wide, const RecordingSetupState& state,
                                         const PreviewHandlers& handlers, int monitor_count) {
  auto root = make_grid_panel({GridLength::star(1.0f)}, fixed_tracks({62, 1, 692, 1, 70}));
  root->add_child(header_band(wide, handlers), {0, 0, 1, 1});
  root->add_child(make_separator(true), {0, 1, 1, 1});
  root->add_child(body(wide, state, handlers, monitor_count), {0, 2, 1, 1});
  root->add_child(make_separator(false), {0, 3, 1, 1});
  root->add_child(footer(wide, state, handlers), {0, 4, 1, 1});
  return root;
}

}  // namespace quorvel::windows
