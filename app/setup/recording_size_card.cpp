#include "app/setup/recording_size_card.h"

#include <string>
#include <utility>
#include <vector>

#include "app/setup/event_adapters.h"
#include "app/setup/setup_texts.h"
#include "app/setup/view_factories.h"
#include "ui/platform/hosting/win32_edit.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;
using win32_ui::modern::Win32Edit;

constexpr int kSizeMaxLength = 5;
constexpr int kLabelStyle = 2;

std::unique_ptr<win32_ui::modern::View> size_line(const RecordingSetupState& state,
                                                  const PreviewHandlers& handlers) {
  auto line = make_grid_panel({GridLength::fixed(54.0f), GridLength::fixed(94.0f),
                               GridLength::fixed(26.0f), GridLength::fixed(94.0f),
                               GridLength::star(1.0f)},
                              {GridLength::star(1.0f)}, 8.0f);
  line->add_child(make_text(setup_text(handlers, L"main.size"), kLabelStyle, 0, true),
                  {0, 0, 1, 1});
  auto width = std::make_unique<Win32Edit>(kWidthEditId, decimal_text(state.width),
                                           !state.custom_size);
  auto height = std::make_unique<Win32Edit>(kHeightEditId, decimal_text(state.height),
                                            !state.custom_size);
  width->set_max_length(kSizeMaxLength);
  height->set_max_length(kSizeMaxLength);
  width->add_key_handler(
      size_enter_adapter(handlers.custom_size, width.get(), height.get(), state.custom_size));
  height->add_key_handler(
      size_enter_adapter(handlers.custom_size, width.get(), height.get(), state.custom_size));
  line->add_child(std::move(width), {1, 0, 1, 1});
  line->add_child(make_text(L"\u00D7", kLabelStyle, 0, true), {2, 0, 1, 1});
  line->add_child(std::move(height), {3, 0, 1, 1});
  return line;
}

std::unique_ptr<win32_ui::modern::View> frame_rate_line(const RecordingSetupState& state,
                                                        const PreviewHandlers& handlers) {
  auto line = make_grid_panel(
      {GridLength::fixed(54.0f), GridLength::fixed(150.0f), GridLength::star(1.0f)},
      {GridLength::star(1.0f)}, 8.0f);
  auto label = make_text(setup_text(handlers, L"main.frame_rate"), kLabelStyle, 0, true);
  std::wstring tip = setup_text(handlers, L"main.tip_frame_rate");
  label->set_tooltip(tip);
  label->set_accessible_help(std::move(tip));
  line->add_child(std::move(label), {0, 0, 1, 1});
  auto combo = make_combo_box(kFrameRateComboId);
  combo->set_items({L"30 FPS", L"60 FPS"});
  combo->set_selected_index(state.frame_rate == 30 ? 0 : 1);
  combo->on_selection_changed(frame_rate_choice_adapter(handlers.frame_rate));
  line->add_child(std::move(combo), {1, 0, 1, 1});
  return line;
}

}  // namespace

std::unique_ptr<win32_ui::modern::View> build_specification_card(
    const RecordingSetupState& state, const PreviewHandlers& handlers) {
  auto grid = make_grid_panel(
      {GridLength::star(1.0f)},
      {GridLength::fixed(30.0f), GridLength::fixed(8.0f), GridLength::fixed(40.0f),
       GridLength::fixed(12.0f), GridLength::fixed(40.0f), GridLength::fixed(12.0f),
       GridLength::fixed(40.0f)},
      0.0f, 0.0f, {18.0f, 14.0f, 18.0f, 14.0f});
  grid->add_child(make_text(setup_text(handlers, L"main.recording_specs"), 1, 0, true),
                  {0, 0, 1, 1});
  auto presets = make_combo_box(kSizePresetComboId);
  std::vector<std::wstring> items;
  for (const SizePresetEntry& entry : state.presets) items.push_back(entry.text);
  presets->set_items(std::move(items));
  presets->set_selected_index(state.preset_index);
  presets->on_selection_changed(handlers.size_preset);
  grid->add_child(std::move(presets), {0, 2, 1, 1});
  grid->add_child(size_line(state, handlers), {0, 4, 1, 1});
  grid->add_child(frame_rate_line(state, handlers), {0, 6, 1, 1});
  return make_card_container(std::move(grid), 0);
}

}  // namespace quorvel::windows
