#include "app/setup/header_bar.h"

#include <cstdint>
#include <utility>

#include "app/setup/app_logo.h"
#include "app/setup/event_adapters.h"
#include "app/setup/resource_image.h"
#include "app/setup/setup_texts.h"
#include "app/setup/view_factories.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;
using win32_ui::modern::Button;
using ImagePair = std::pair<win32_ui::ui::graphics::Image, win32_ui::ui::graphics::Image>;

constexpr int kScreenshotId = 1;
constexpr int kThemeId = 2;
constexpr int kSettingsId = 3;
constexpr int kHelpId = 4;
constexpr int kCloseId = 20832;
constexpr int kProductNameId = 20822;
constexpr int kProductNameStyle = 5;
constexpr float kIconSize = 28.0f;

// The close button's pictures, decoded once and shared by every header.
const ImagePair& close_images() {
  static const ImagePair images{load_resource_image(8111), load_resource_image(8112)};
  return images;
}

std::unique_ptr<Button> icon_button(int control_id, int icon_index, const ImagePair& images,
                                    std::wstring text) {
  auto button = make_button(control_id, L"", icon_index, false, true);
  button->set_flat(true);
  button->set_tall(Button::kLayoutTile);
  button->set_tooltip(text);
  button->set_accessible_name(std::move(text));
  button->set_icon_images(images.first, images.second);
  button->set_icon_size(kIconSize);
  return button;
}

}  // namespace

void add_header_icon_button(win32_ui::modern::GridPanel& grid, int control_id, int icon_index,
                            std::wstring text, std::function<void()> callback, int column) {
  auto button =
      icon_button(control_id, icon_index, product_icon_images(icon_index), std::move(text));
  button->on_invoked(std::move(callback));
  grid.add_child(std::move(button), {static_cast<std::uint64_t>(column), 0, 1, 1});
}

std::unique_ptr<win32_ui::modern::View> build_header(const PreviewHandlers& handlers) {
  GridTracks columns{GridLength::fixed(40.0f), GridLength::star(1.0f)};
  for (int i = 0; i < 5; ++i) columns.push_back(GridLength::fixed(42.0f));
  auto grid = make_grid_panel_named(std::move(columns), {GridLength::fixed(42.0f)}, 8.0f, 0.0f);

  auto logo = std::make_unique<AppLogo>();
  logo->set_accessible_role(win32_ui::modern::ElementRole::kView);
  grid->add_child(std::move(logo), {0, 0, 1, 1});
  grid->add_child(make_text(L"Quorvel", kProductNameStyle, kProductNameId, true), {1, 0, 1, 1});

  add_header_icon_button(*grid, kScreenshotId, 6, setup_text(handlers, L"main.screenshot"),
                         handlers.screenshot, 2);
  add_header_icon_button(*grid, kSettingsId, 3, setup_text(handlers, L"main.settings"),
                         handlers.open_preferences, 3);

  // The menus open at an anchor that depends on how they were asked for,
  // so these two report the invoking event's origin.
  auto theme = icon_button(kThemeId, 7, product_icon_images(7), setup_text(handlers, L"main.theme"));
  theme->add_event_handler(win32_ui::modern::Event::kInvoked,
                           origin_adapter(handlers.open_theme_menu));
  grid->add_child(std::move(theme), {4, 0, 1, 1});
  auto help = icon_button(kHelpId, 4, product_icon_images(4), setup_text(handlers, L"menu.help"));
  help->add_event_handler(win32_ui::modern::Event::kInvoked,
                          origin_adapter(handlers.open_help_menu));
  grid->add_child(std::move(help), {5, 0, 1, 1});

  auto close = icon_button(kCloseId, 0, close_images(), setup_text(handlers, L"main.close"));
  close->on_invoked(handlers.close);
  grid->add_child(std::move(close), {6, 0, 1, 1});
  return grid;
}

}  // namespace quorvel::windows
