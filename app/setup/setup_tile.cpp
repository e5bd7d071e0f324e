#include "app/setup/setup_tile.h"

#include <cstdint>
#include <utility>

#include "app/common/translate.h"
#include "app/setup/setup_texts.h"
#include "app/setup/view_factories.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;

constexpr int kSubtitleStyle = 3;

}  // namespace

std::unique_ptr<win32_ui::modern::View> make_setup_tile(
    int check_box_id, int link_id, bool checked, std::wstring title, std::wstring subtitle,
    std::function<void(bool)> on_switch, std::function<void()> on_configure,
    std::wstring_view locale) {
  auto grid = make_grid_panel({GridLength::star(1.0f), GridLength::fixed(92.0f)},
                              {GridLength::fixed(35.0f), GridLength::fixed(26.0f)}, 8.0f, 0.0f,
                              {14.0f, 4.0f, 14.0f, 4.0f});
  grid->add_child(make_check_box(check_box_id, std::move(title), checked, true,
                                 std::move(on_switch)),
                  {0, 0, 1, 1});
  grid->add_child(make_caption(std::move(subtitle), kSubtitleStyle), {0, 1, 1, 1});
  auto link = make_link_button(link_id, translate_for_locale(locale, L"main.configure"));
  win32_ui::layout::LayoutParams params;
  params.height = 32.0f;
  params.has_height = true;
  params.vertical_alignment = win32_ui::layout::kAlignCenter;
  link->set_layout_params(params);
  link->on_invoked(std::move(on_configure));
  grid->add_child(std::move(link), {1, 0, 1, 2});
  return make_card_container(std::move(grid), 0);
}

void add_labelled_check_box(win32_ui::modern::GridPanel& grid, int column, int control_id,
                            std::wstring_view label_key, std::wstring_view help_key,
                            bool checked, bool enabled, std::function<void(bool)> on_change,
                            const PreviewHandlers& handlers) {
  auto box = make_check_box(control_id, setup_text(handlers, label_key), checked, enabled,
                            std::move(on_change));
  std::wstring help = setup_text(handlers, help_key);
  box->set_tooltip(help);
  box->set_accessible_help(std::move(help));
  grid.add_child(std::move(box), {static_cast<std::uint64_t>(column), 0, 1, 1});
}

}  // namespace quorvel::windows
