#include "app/setup/view_factories.h"

#include <utility>

#include "app/setup/body_surface.h"
#include "app/setup/chrome_surface.h"
#include "ui/views/widgets/card.h"
#include "ui/views/widgets/slider.h"

namespace quorvel::windows {

namespace {

using win32_ui::layout::GridLength;
using win32_ui::modern::ElementRole;
using win32_ui::modern::GridPanel;

constexpr float kTextHeight = 32.0f;
constexpr float kSliderLabelRow = 26.0f;
constexpr float kSliderGapRow = 8.0f;
constexpr float kSliderRow = 32.0f;
constexpr int kSliderLabelStyle = 2;
constexpr int kEmphasisedCaptionStyle = 3;

}  // namespace

std::unique_ptr<win32_ui::modern::View> make_body_surface() {
  auto view = std::make_unique<BodySurface>();
  view->set_accessible_role(ElementRole::kView);
  return view;
}

std::unique_ptr<win32_ui::modern::View> make_chrome_surface() {
  auto view = std::make_unique<ChromeSurface>();
  view->set_accessible_role(ElementRole::kView);
  return view;
}

std::unique_ptr<Separator> make_separator(bool subtle_in_dark) {
  return std::make_unique<Separator>(subtle_in_dark);
}

std::unique_ptr<GridPanel> make_grid_panel(GridTracks&& columns, GridTracks&& rows) {
  return make_grid_panel(std::move(columns), std::move(rows), 0.0f, 0.0f, {});
}

std::unique_ptr<GridPanel> make_grid_panel(GridTracks&& columns, GridTracks&& rows,
                                           float column_spacing) {
  return make_grid_panel(std::move(columns), std::move(rows), column_spacing, 0.0f, {});
}

std::unique_ptr<GridPanel> make_grid_panel_named(GridTracks&& columns, GridTracks&& rows,
                                                 float column_spacing, float row_spacing) {
  return make_grid_panel(std::move(columns), std::move(rows), column_spacing, row_spacing, {});
}

std::unique_ptr<GridPanel> make_grid_panel(GridTracks&& columns, GridTracks&& rows,
                                           float column_spacing, float row_spacing,
                                           win32_ui::layout::Thickness padding) {
  GridTracks taken_columns = std::move(columns);
  GridTracks taken_rows = std::move(rows);
  columns.clear();
  rows.clear();
  return std::make_unique<GridPanel>(std::move(taken_columns), std::move(taken_rows),
                                     column_spacing, row_spacing, padding);
}

std::unique_ptr<win32_ui::modern::OverlayPanel> make_overlay_panel() {
  return std::make_unique<win32_ui::modern::OverlayPanel>(win32_ui::layout::Thickness{});
}

std::unique_ptr<win32_ui::modern::Icon> make_icon(int icon_id) {
  return std::make_unique<win32_ui::modern::Icon>(icon_id);
}

std::unique_ptr<LinkButton> make_link_button(int control_id, std::wstring text) {
  return std::make_unique<LinkButton>(control_id, std::move(text));
}

std::unique_ptr<win32_ui::modern::Win32ComboBox> make_combo_box(int control_id) {
  return std::make_unique<win32_ui::modern::Win32ComboBox>(control_id);
}

std::unique_ptr<StreamSecretEdit> make_stream_secret_edit(int control_id,
                                                          std::wstring initial_text) {
  return std::make_unique<StreamSecretEdit>(control_id, std::move(initial_text));
}

std::unique_ptr<win32_ui::modern::Text> make_text(std::wstring text, int text_style,
                                                  int control_id, bool enabled) {
  auto view = std::make_unique<win32_ui::modern::Text>(std::move(text), text_style,
                                                       win32_ui::layout::Size{0.0f, kTextHeight});
  view->set_control_id(control_id);
  view->set_enabled(enabled);
  return view;
}

std::unique_ptr<win32_ui::modern::Text> make_caption(std::wstring text, int text_style) {
  auto view = make_text(std::move(text), text_style, 0, true);
  view->set_opacity(text_style == kEmphasisedCaptionStyle ? 0.9f : 0.68f);
  return view;
}

std::unique_ptr<win32_ui::modern::Button> make_button(int control_id, std::wstring text,
                                                      int variant, bool primary, bool enabled) {
  auto view = std::make_unique<win32_ui::modern::Button>(control_id, std::move(text), variant);
  view->set_primary(primary);
  view->set_enabled(enabled);
  return view;
}

std::unique_ptr<win32_ui::modern::CheckBox> make_check_box(int control_id, std::wstring text,
                                                           bool checked, bool enabled,
                                                           std::function<void(bool)> on_change) {
  auto view = std::make_unique<win32_ui::modern::CheckBox>(control_id, std::move(text), checked);
  view->set_enabled(enabled);
  view->on_checked_changed(std::move(on_change));
  return view;
}

std::unique_ptr<GridPanel> make_labelled_slider(int label_id, std::wstring label, int slider_id,
                                                float value, bool enabled,
                                                std::function<void(float)> on_change) {
  GridTracks columns{GridLength::star(1.0f)};
  GridTracks rows{GridLength::fixed(kSliderLabelRow), GridLength::fixed(kSliderGapRow),
                  GridLength::fixed(kSliderRow)};
  auto grid = make_grid_panel(std::move(columns), std::move(rows));
  grid->add_child(make_text(std::move(label), kSliderLabelStyle, label_id, enabled),
                  {0, 0, 1, 1});
  auto slider = std::make_unique<win32_ui::modern::Slider>(slider_id, value);
  slider->set_enabled(enabled);
  slider->on_value_changed(std::move(on_change));
  grid->add_child(std::move(slider), {0, 2, 1, 1});
  return grid;
}

std::unique_ptr<win32_ui::modern::CompositeView> make_card_container(
    std::unique_ptr<win32_ui::modern::View> content, int control_id) {
  auto overlay = make_overlay_panel();
  auto card = std::make_unique<win32_ui::modern::Card>();
  card->set_selected(false);
  card->set_control_id(control_id);
  overlay->add_child(std::move(card));
  overlay->add_child(std::move(content));
  return std::make_unique<win32_ui::modern::CompositeView>(std::move(overlay));
}

GridTracks fixed_tracks(std::initializer_list<float> sizes) {
  GridTracks tracks;
  for (float size : sizes) tracks.push_back(win32_ui::layout::GridLength::fixed(size));
  return tracks;
}

}  // namespace quorvel::windows
