// The account panel's arrangement and texts for each language and account.
#include "account/ui/account_panel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "ui/views/composite_view.h"
#include "ui/views/grid_panel.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/widgets/card.h"
#include "ui/views/widgets/icon.h"
#include "ui/views/widgets/text.h"

namespace halvarin::sdk::ui {
namespace {

namespace modern = win32_ui::modern;
namespace layout = win32_ui::layout;

struct PanelParts {
  modern::GridPanel* grid = nullptr;
  modern::Icon* icon = nullptr;
  modern::Text* title = nullptr;
  modern::Text* line = nullptr;
};

PanelParts parts_of(modern::View& panel) {
  PanelParts parts;
  auto* composite = dynamic_cast<modern::CompositeView*>(&panel);
  if (composite == nullptr) return parts;
  auto* overlay = dynamic_cast<modern::OverlayPanel*>(composite->content());
  if (overlay == nullptr || overlay->child_count() != 2) return parts;
  if (dynamic_cast<modern::Card*>(overlay->child_at(0)) == nullptr) return parts;
  parts.grid = dynamic_cast<modern::GridPanel*>(overlay->child_at(1));
  if (parts.grid == nullptr || parts.grid->child_count() != 3) return parts;
  parts.icon = dynamic_cast<modern::Icon*>(parts.grid->child_at(0));
  parts.title = dynamic_cast<modern::Text*>(parts.grid->child_at(1));
  parts.line = dynamic_cast<modern::Text*>(parts.grid->child_at(2));
  return parts;
}

AccountIdentity identity_named(std::string name, std::string email) {
  AccountIdentity identity;
  identity.name = std::move(name);
  identity.email = std::move(email);
  return identity;
}

TEST(AccountPanelTest, TextsForEachLanguageAndAccount) {
  struct Case {
    int language;
    std::optional<AccountIdentity> identity;
    std::wstring title;
    std::wstring line;
  };
  const Case cases[] = {
      {1, std::nullopt, L"未连接账户", L"需要时可登录账户，将此应用连接到 Halvarin。"},
      {0, std::nullopt, L"No account connected",
       L"Sign in when you want to connect this app to a Halvarin account."},
      {2, std::nullopt, L"No account connected",
       L"Sign in when you want to connect this app to a Halvarin account."},
      {7, std::nullopt, L"No account connected",
       L"Sign in when you want to connect this app to a Halvarin account."},
      {0, identity_named("Ada Lovelace", "ada@example.com"), L"Ada Lovelace", L"ada@example.com"},
      {1, identity_named("李雷", "li@example.com"), L"李雷", L"li@example.com"},
      {0, identity_named("", "ada@example.com"), L"Halvarin account", L"ada@example.com"},
      {1, identity_named("", "ada@example.com"), L"Halvarin 账户", L"ada@example.com"},
      {2, identity_named("", ""), L"Halvarin account", L""},
      // Invalid bytes in a shown name become U+FFFD instead of hiding it.
      {0, identity_named("Ada\xff", "a@b"), L"Ada\xFFFD", L"a@b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(quorvel::test::utf8(c.title));
    const auto panel = build_account_panel(static_cast<Language>(c.language), c.identity);
    const PanelParts parts = parts_of(*panel);
    ASSERT_NE(parts.icon, nullptr);
    ASSERT_NE(parts.title, nullptr);
    ASSERT_NE(parts.line, nullptr);
    EXPECT_EQ(parts.title->text(), c.title);
    EXPECT_EQ(parts.title->text_style(), 1);
    EXPECT_EQ(parts.line->text(), c.line);
    EXPECT_EQ(parts.line->text_style(), 3);
  }
}

TEST(AccountPanelTest, IconBesideTwoRowsOnACard) {
  const auto panel = build_account_panel(Language::english, identity_named("Ada", "a@b"));
  const PanelParts parts = parts_of(*panel);
  ASSERT_NE(parts.grid, nullptr);
  ASSERT_NE(parts.icon, nullptr);

  EXPECT_EQ(parts.grid->columns(),
            (std::vector<layout::GridLength>{layout::GridLength::fixed(42.0f),
                                             layout::GridLength::star(1.0f)}));
  EXPECT_EQ(parts.grid->rows(), (std::vector<layout::GridLength>{layout::GridLength::automatic(),
                                                                 layout::GridLength::automatic()}));
  EXPECT_EQ(parts.grid->column_spacing(), 12.0f);
  EXPECT_EQ(parts.grid->row_spacing(), 2.0f);
  EXPECT_EQ(parts.grid->cells(),
            (std::vector<layout::GridCell>{{0, 0, 1, 2}, {1, 0, 1, 1}, {1, 1, 1, 1}}));
  const layout::LayoutParams& icon = parts.icon->layout_params();
  EXPECT_TRUE(icon.has_width && icon.has_height);
  EXPECT_EQ(icon.width, 32.0f);
  EXPECT_EQ(icon.height, 32.0f);
  EXPECT_EQ(icon.vertical_alignment, layout::kAlignCenter);
}

}  // namespace
}  // namespace halvarin::sdk::ui
