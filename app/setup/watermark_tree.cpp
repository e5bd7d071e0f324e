#include "app/setup/watermark_tree.h"

#include <utility>

#include "app/common/translate.h"
#include "app/setup/view_factories.h"
#include "ui/platform/hosting/win32_edit.h"
#include "ui/views/widgets/radio_button.h"
#include "ui/views/widgets/toggle.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;
using win32_ui::modern::RadioButton;
using win32_ui::modern::View;
using win32_ui::modern::Win32Edit;

constexpr int kTitleStyle = 0;
constexpr int kLabelStyle = 2;
constexpr int kHintStyle = 3;

// The views the mode radios switch between; all owned by the tree, which
// outlives every handler that reaches them.
struct ModeViews {
  RadioButton* text_radio = nullptr;
  RadioButton* image_radio = nullptr;
  Win32Edit* edit = nullptr;
  WatermarkImagePicker* picker = nullptr;

  void show_mode(int mode) const {
    const bool text_mode = mode == RecordingWatermark::kModeText;
    text_radio->set_checked(text_mode);
    image_radio->set_checked(!text_mode);
    edit->set_enabled(text_mode);
    if (HWND window = edit->hwnd()) EnableWindow(window, text_mode ? TRUE : FALSE);
    picker->set_enabled(!text_mode);
  }
};

std::unique_ptr<View> enable_card(const RecordingWatermark& watermark,
                                  const std::wstring& language,
                                  std::function<void(bool)> changed) {
  auto grid = make_grid_panel({GridLength::star(1.0f)}, fixed_tracks({38.0f, 20.0f}), 0.0f, 0.0f,
                              {16.0f, 8.0f, 16.0f, 8.0f});
  auto toggle = std::make_unique<win32_ui::modern::Toggle>(
      kWatermarkEnableToggleId, translate_for_locale(language, L"watermark.enable"),
      watermark.enabled);
  if (changed) toggle->on_checked_changed(std::move(changed));
  grid->add_child(std::move(toggle), {0, 0, 1, 1});
  grid->add_child(
      make_text(translate_for_locale(language, L"watermark.enable_hint"), kHintStyle, 0, true),
      {0, 1, 1, 1});
  return make_card_container(std::move(grid), 0);
}

std::unique_ptr<View> mode_card(const std::wstring& language,
                                const ModeViews& views, std::unique_ptr<RadioButton> text_radio,
                                std::unique_ptr<RadioButton> image_radio,
                                std::function<void(int)> chosen) {
  const auto choose = [views, chosen](int mode) {
    return [views, chosen, mode] {
      if (chosen) chosen(mode);
      views.show_mode(mode);
    };
  };
  text_radio->on_selected(choose(RecordingWatermark::kModeText));
  image_radio->on_selected(choose(RecordingWatermark::kModeImage));
  auto radios = make_grid_panel({GridLength::star(1.0f), GridLength::star(1.0f)},
                                {GridLength::star(1.0f)}, 12.0f);
  radios->add_child(std::move(text_radio), {0, 0, 1, 1});
  radios->add_child(std::move(image_radio), {1, 0, 1, 1});
  auto grid = make_grid_panel({GridLength::fixed(168.0f), GridLength::star(1.0f)},
                              {GridLength::star(1.0f)}, 12.0f, 0.0f, {16.0f, 8.0f, 16.0f, 8.0f});
  grid->add_child(make_text(translate_for_locale(language, L"watermark.mode"), kLabelStyle, 0,
                            true),
                  {0, 0, 1, 1});
  grid->add_child(std::move(radios), {1, 0, 1, 1});
  return make_card_container(std::move(grid), 0);
}

}  // namespace

std::unique_ptr<View> build_watermark_tree(const RecordingWatermark& watermark,
                                           std::wstring_view language_view,
                                           std::function<void(bool)> enabled_changed,
                                           std::function<void(int)> mode_chosen,
                                           std::function<void(std::wstring_view)> text_changed,
                                           std::function<std::wstring()> browse,
                                           std::function<void()> save,
                                           WatermarkImagePicker** picker_out) {
  const std::wstring language(language_view);
  const auto text = [&language](std::wstring_view key) {
    return translate_for_locale(language, key);
  };
  const bool text_mode = watermark.mode != RecordingWatermark::kModeImage;

  auto edit = std::make_unique<Win32Edit>(kWatermarkTextEditId, watermark.text, false);
  edit->set_multiline(true);
  edit->set_max_length(kWatermarkTextMaxLength);
  edit->set_enabled(text_mode);
  if (text_changed) edit->on_text_changed(std::move(text_changed));

  auto picker = std::make_unique<WatermarkImagePicker>(
      watermark.image_path, text(L"watermark.image_pick_prompt"),
      text(L"watermark.image_pick_alternate"), text(L"watermark.image_pick_hint"));
  picker->set_enabled(!text_mode);
  WatermarkImagePicker* shown_picker = picker.get();
  picker->on_invoked([shown_picker, browse = std::move(browse)] {
    if (!browse) return;
    std::wstring path = browse();
    if (!path.empty()) shown_picker->set_path(std::move(path));
  });

  auto text_radio = std::make_unique<RadioButton>(kWatermarkTextRadioId,
                                                  text(L"watermark.text_mode"), text_mode);
  auto image_radio = std::make_unique<RadioButton>(kWatermarkImageRadioId,
                                                   text(L"watermark.image_mode"), !text_mode);
  const ModeViews views{text_radio.get(), image_radio.get(), edit.get(), shown_picker};

  auto root = make_grid_panel({GridLength::star(1.0f)},
                              fixed_tracks({46.0f, 30.0f, 12.0f, 76.0f, 12.0f, 76.0f, 14.0f, 30.0f,
                                            115.0f, 14.0f, 30.0f, 140.0f, 20.0f, 48.0f}),
                              0.0f, 0.0f, {24.0f, 18.0f, 24.0f, 18.0f});
  root->add_child(make_text(text(L"settings.watermark"), kTitleStyle, 0, true), {0, 0, 1, 1});
  root->add_child(make_text(text(L"watermark.subtitle"), kLabelStyle, 0, true), {0, 1, 1, 1});
  root->add_child(enable_card(watermark, language, std::move(enabled_changed)), {0, 3, 1, 1});
  root->add_child(mode_card(language, views, std::move(text_radio),
                            std::move(image_radio), std::move(mode_chosen)),
                  {0, 5, 1, 1});
  root->add_child(make_text(text(L"watermark.text_label"), kLabelStyle, 0, true), {0, 7, 1, 1});
  root->add_child(std::move(edit), {0, 8, 1, 1});
  root->add_child(make_text(text(L"watermark.image_label"), kLabelStyle, 0, true), {0, 10, 1, 1});
  root->add_child(std::move(picker), {0, 11, 1, 1});
  auto save_button = make_button(kWatermarkSaveButtonId, text(L"watermark.save"), 0, false, true);
  if (save) save_button->on_invoked(std::move(save));
  root->add_child(std::move(save_button), {0, 13, 1, 1});
  if (picker_out) *picker_out = shown_picker;
  return root;
}

}  // namespace quorvel::windows
