#include "app/setup/preferences_tree.h"

#include <string>
#include <utility>

#include "app/common/translate.h"
#include "app/setup/view_factories.h"
#include "ui/views/widgets/toggle.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;
using win32_ui::modern::View;

constexpr int kTitleStyle = 0;
constexpr int kSectionStyle = 1;
constexpr int kLabelStyle = 2;
constexpr int kHintStyle = 3;

class PreferencesTexts {
 public:
  explicit PreferencesTexts(std::wstring locale) : locale_(std::move(locale)) {}
  std::wstring operator()(std::wstring_view key) const {
    return translate_for_locale(locale_, key);
  }

 private:
  std::wstring locale_;
};

std::unique_ptr<View> language_card(const ModernSettingsState& state, const PreferencesTexts& text,
                                    std::function<void(int)> selected,
                                    std::function<void()> closed) {
  auto grid = make_grid_panel({GridLength::fixed(168.0f), GridLength::star(1.0f)},
                              {GridLength::star(1.0f)}, 12.0f, 0.0f, {16.0f, 8.0f, 16.0f, 8.0f});
  grid->add_child(make_text(text(L"settings.language"), kLabelStyle, 0, true), {0, 0, 1, 1});
  auto combo = make_combo_box(kLanguageComboId);
  combo->set_items({text(L"settings.language_english"), text(L"settings.language_chinese")});
  combo->set_selected_index(state.language == L"zh-CN" ? 1 : 0);
  win32_ui::layout::LayoutParams params;
  params.height = 40.0f;
  params.has_height = true;
  params.vertical_alignment = win32_ui::layout::kAlignCenter;
  combo->set_layout_params(params);
  if (selected) combo->on_selection_changed(std::move(selected));
  if (closed) combo->on_dropdown_closed(std::move(closed));
  grid->add_child(std::move(combo), {1, 0, 1, 1});
  return make_card_container(std::move(grid), 0);
}

std::unique_ptr<View> startup_card(const ModernSettingsState& state, const PreferencesTexts& text,
                                   std::function<void()> changed) {
  auto grid = make_grid_panel({GridLength::star(1.0f)}, fixed_tracks({38.0f, 20.0f}), 0.0f, 0.0f,
                              {16.0f, 4.0f, 16.0f, 4.0f});
  auto toggle = std::make_unique<win32_ui::modern::Toggle>(
      kStartWithWindowsToggleId, text(L"settings.startup"), state.start_with_windows);
  // The application decides the flag; the window re-reads it afterwards.
  toggle->on_checked_changed([changed = std::move(changed)](bool) {
    if (changed) changed();
  });
  grid->add_child(std::move(toggle), {0, 0, 1, 1});
  grid->add_child(make_text(text(L"settings.startup_hint"), kHintStyle, 0, true), {0, 1, 1, 1});
  return make_card_container(std::move(grid), 0);
}

std::unique_ptr<View> watermark_card(const ModernSettingsState& state,
                                     const PreferencesTexts& text,
                                     std::function<void()> configure) {
  auto grid = make_grid_panel({GridLength::star(1.0f), GridLength::fixed(156.0f)},
                              fixed_tracks({30.0f, 20.0f}), 12.0f, 0.0f,
                              {16.0f, 8.0f, 16.0f, 8.0f});
  grid->add_child(make_text(text(L"settings.watermark"), kLabelStyle, 0, true), {0, 0, 1, 1});
  grid->add_child(make_text(text(state.watermark_enabled ? L"settings.watermark_on"
                                                         : L"settings.watermark_off"),
                            kHintStyle, 0, true),
                  {0, 1, 1, 1});
  auto button =
      make_button(kWatermarkConfigureButtonId, text(L"settings.watermark_configure"), 0, false,
                  true);
  if (configure) button->on_invoked(std::move(configure));
  grid->add_child(std::move(button), {1, 0, 1, 2});
  return make_card_container(std::move(grid), 0);
}

std::unique_ptr<View> hotkey_row(const ModernHotkeyRow& row, std::size_t index,
                                 const std::function<void(std::size_t)>& clicked) {
  auto grid = make_grid_panel({GridLength::fixed(174.0f), GridLength::star(1.0f)},
                              fixed_tracks({38.0f}), 6.0f, 0.0f, {});
  grid->add_child(make_text(row.label, kLabelStyle, 0, true), {0, 0, 1, 1});
  auto button = make_button(kHotkeyButtonBaseId + static_cast<int>(index), row.key_text, 0, false,
                            true);
  button->set_text_style(kLabelStyle);
  if (clicked) button->on_invoked([clicked, index] { clicked(index); });
  grid->add_child(std::move(button), {1, 0, 1, 1});
  return grid;
}

std::unique_ptr<View> hotkey_card(const ModernSettingsState& state,
                                  const std::function<void(std::size_t)>& clicked) {
  const std::size_t count = state.hotkey_rows.size();
  const std::size_t per_column = hotkey_rows_per_column(count);
  GridTracks rows;
  for (std::size_t i = 0; i < per_column; ++i) rows.push_back(GridLength::fixed(40.0f));
  auto grid = make_grid_panel({GridLength::star(1.0f), GridLength::star(1.0f)}, std::move(rows),
                              12.0f, 4.0f, {14.0f, 12.0f, 14.0f, 12.0f});
  for (std::size_t n = 0; n < count; ++n) {
    grid->add_child(hotkey_row(state.hotkey_rows[n], n, clicked),
                    {n / per_column, n % per_column, 1, 1});
  }
  return make_card_container(std::move(grid), 0);
}

}  // namespace

std::size_t hotkey_rows_per_column(std::size_t row_count) { return (row_count + 1) / 2; }

std::unique_ptr<View> build_preferences_tree(const ModernSettingsState& state,
                                             std::function<void(std::size_t)> row_clicked,
                                             std::function<void()> start_with_windows_changed,
                                             std::function<void()> configure_watermark,
                                             std::function<void(int)> language_selected,
                                             std::function<void()> language_list_closed) {
  const PreferencesTexts text(state.language);
  auto root = make_grid_panel(
      {GridLength::star(1.0f)},
      fixed_tracks({38.0f, 28.0f, 12.0f, 70.0f, 12.0f, 70.0f, 12.0f, 70.0f, 16.0f, 30.0f, 24.0f,
                    8.0f, 296.0f}),
      0.0f, 0.0f, {24.0f, 18.0f, 24.0f, 18.0f});
  root->add_child(make_text(text(L"main.settings"), kTitleStyle, 0, true), {0, 0, 1, 1});
  root->add_child(make_text(text(L"settings.subtitle"), kLabelStyle, 0, true), {0, 1, 1, 1});
  root->add_child(language_card(state, text, std::move(language_selected),
                                std::move(language_list_closed)),
                  {0, 3, 1, 1});
  root->add_child(startup_card(state, text, std::move(start_with_windows_changed)),
                  {0, 5, 1, 1});
  root->add_child(watermark_card(state, text, std::move(configure_watermark)), {0, 7, 1, 1});
  root->add_child(make_text(text(L"settings.hotkeys"), kSectionStyle, 0, true), {0, 9, 1, 1});
  root->add_child(make_text(text(L"settings.hotkeys_hint"), kHintStyle, 0, true), {0, 10, 1, 1});
  root->add_child(hotkey_card(state, row_clicked), {0, 12, 1, 1});
  return root;
}

}  // namespace quorvel::windows
