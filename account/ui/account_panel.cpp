#include "account/ui/account_panel.h"

#include <string>
#include <utility>

#include "account/ui/lenient_utf8.h"
#include "ui/views/composite_view.h"
#include "ui/views/grid_panel.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/widgets/card.h"
#include "ui/views/widgets/icon.h"
#include "ui/views/widgets/text.h"

namespace halvarin::sdk::ui {
namespace {

namespace layout = win32_ui::layout;
namespace modern = win32_ui::modern;

constexpr int kAccountIcon = 9;
constexpr int kTitleStyle = 1;
constexpr int kLineStyle = 3;

std::unique_ptr<modern::View> panel_text(std::wstring text, int style) {
  return std::make_unique<modern::Text>(std::move(text), style, layout::Size{0.0f, 32.0f});
}

std::unique_ptr<modern::View> account_icon() {
  auto icon = std::make_unique<modern::Icon>(kAccountIcon);
  layout::LayoutParams params = icon->layout_params();
  params.width = 32.0f;
  params.has_width = true;
  params.height = 32.0f;
  params.has_height = true;
  params.vertical_alignment = layout::kAlignCenter;
  icon->set_layout_params(params);
  return icon;
}

}  // namespace

std::unique_ptr<modern::View> build_account_panel(Language language,
                                                  const std::optional<AccountIdentity>& identity) {
  const AccountTexts& texts = account_texts(language);
  auto grid = std::make_unique<modern::GridPanel>(
      std::vector<layout::GridLength>{layout::GridLength::fixed(42.0f),
                                      layout::GridLength::star(1.0f)},
      std::vector<layout::GridLength>{layout::GridLength::automatic(),
                                      layout::GridLength::automatic()},
      12.0f, 2.0f, layout::Thickness{18.0f, 18.0f, 18.0f, 18.0f});
  grid->add_child(account_icon(), layout::GridCell{0, 0, 1, 2});
  if (identity.has_value()) {
    std::wstring title = utf8_to_wide(identity->name);
    if (title.empty()) title = texts.unnamed_account_title;
    grid->add_child(panel_text(std::move(title), kTitleStyle), layout::GridCell{1, 0, 1, 1});
    grid->add_child(panel_text(utf8_to_wide(identity->email), kLineStyle),
                    layout::GridCell{1, 1, 1, 1});
  } else {
    grid->add_child(panel_text(std::wstring(texts.no_account_title), kTitleStyle),
                    layout::GridCell{1, 0, 1, 1});
    grid->add_child(panel_text(std::wstring(texts.no_account_line), kLineStyle),
                    layout::GridCell{1, 1, 1, 1});
  }
  auto overlay = std::make_unique<modern::OverlayPanel>(layout::Thickness{});
  overlay->add_child(std::make_unique<modern::Card>());
  overlay->add_child(std::move(grid));
  return std::make_unique<modern::CompositeView>(std::move(overlay));
}

}  // namespace halvarin::sdk::ui
