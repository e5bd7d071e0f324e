// What the view factories build: types, ids, sizes, states and the order of
// children the setup window builders rely on.
#include "app/setup/view_factories.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/app/setup/view_painter.h"
#include "ui/views/widgets/card.h"
#include "ui/views/widgets/slider.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;
using win32_ui::modern::View;

TEST(ViewFactories, CaptionIsAMutedEnabledTextWithoutId) {
  for (int style = 0; style <= 5; ++style) {
    SCOPED_TRACE(style);
    auto caption = make_caption(L"Frame rate", style);
    EXPECT_FLOAT_EQ(caption->opacity(), style == 3 ? 0.9f : 0.68f);
    EXPECT_EQ(caption->control_id(), 0);
    EXPECT_TRUE(caption->is_enabled());
    EXPECT_EQ(caption->text_style(), style);
    EXPECT_EQ(caption->text(), L"Frame rate");
  }
}

TEST(ViewFactories, TextHasItsIdStateAndDefaultHeight) {
  auto text = make_text(L"Quality", 2, 44, false);
  EXPECT_EQ(text->default_size().width, 0.0f);
  EXPECT_EQ(text->default_size().height, 32.0f);
  EXPECT_EQ(text->control_id(), 44);
  EXPECT_FALSE(text->is_enabled());
  EXPECT_EQ(text->text_style(), 2);
}

TEST(ViewFactories, LabelledSliderPutsTheLabelAboveTheSlider) {
  float changed = -1.0f;
  auto grid = make_labelled_slider(70, L"Microphone", 71, 0.25f, false,
                                   [&](float value) { changed = value; });
  ASSERT_EQ(grid->rows().size(), 3u);
  EXPECT_EQ(grid->rows()[0], GridLength::fixed(26.0f));
  EXPECT_EQ(grid->rows()[1], GridLength::fixed(8.0f));
  EXPECT_EQ(grid->rows()[2], GridLength::fixed(32.0f));
  ASSERT_EQ(grid->child_count(), 2u);
  auto* label = dynamic_cast<win32_ui::modern::Text*>(grid->child_at(0));
  auto* slider = dynamic_cast<win32_ui::modern::Slider*>(grid->child_at(1));
  ASSERT_NE(label, nullptr);
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(grid->cells()[0].row, 0u);
  EXPECT_EQ(grid->cells()[1].row, 2u);
  EXPECT_EQ(label->control_id(), 70);
  EXPECT_EQ(label->text(), L"Microphone");
  EXPECT_FALSE(label->is_enabled());
  EXPECT_EQ(slider->control_id(), 71);
  EXPECT_FLOAT_EQ(slider->value(), 0.25f);
  EXPECT_FALSE(slider->is_enabled());
  slider->set_enabled(true);
  test::RootedView rooted(std::move(grid));
  slider->apply_value(0.75f, win32_ui::modern::kInputPointer, true);
  EXPECT_FLOAT_EQ(changed, 0.75f);
}

TEST(ViewFactories, GridFactoriesTakeTheTrackLists) {
  std::vector<GridLength> columns{GridLength::star(1.0f), GridLength::fixed(120.0f)};
  std::vector<GridLength> rows{GridLength::fixed(40.0f)};
  auto plain = make_grid_panel(std::move(columns), std::move(rows));
  EXPECT_TRUE(columns.empty());
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(plain->columns().size(), 2u);

  columns = {GridLength::star(1.0f)};
  rows = {GridLength::star(1.0f), GridLength::star(1.0f)};
  auto spaced = make_grid_panel(std::move(columns), std::move(rows), 12.0f);
  EXPECT_TRUE(columns.empty());
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(spaced->column_spacing(), 12.0f);
  EXPECT_EQ(spaced->row_spacing(), 0.0f);

  columns = {GridLength::star(1.0f)};
  rows = {GridLength::star(1.0f)};
  auto named = make_grid_panel_named(std::move(columns), std::move(rows), 6.0f, 10.0f);
  EXPECT_TRUE(columns.empty());
  EXPECT_EQ(named->column_spacing(), 6.0f);
  EXPECT_EQ(named->row_spacing(), 10.0f);

  columns = {GridLength::star(1.0f)};
  rows = {GridLength::star(1.0f)};
  auto padded = make_grid_panel(std::move(columns), std::move(rows), 1.0f, 2.0f, {3, 4, 5, 6});
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(padded->layout_params().padding.left, 3.0f);
  EXPECT_EQ(padded->layout_params().padding.bottom, 6.0f);
}

TEST(ViewFactories, CardContainerLaysTheContentOverAnUnselectedCard) {
  auto content = make_text(L"Audio", 2, 0, true);
  View* const content_view = content.get();
  auto container = make_card_container(std::move(content), 17);
  auto* overlay = dynamic_cast<win32_ui::modern::OverlayPanel*>(container->content());
  ASSERT_NE(overlay, nullptr);
  ASSERT_EQ(overlay->child_count(), 2u);
  auto* card = dynamic_cast<win32_ui::modern::Card*>(overlay->child_at(0));
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(card->control_id(), 17);
  EXPECT_FALSE(card->is_selected());
  EXPECT_EQ(overlay->child_at(1), content_view);
}

TEST(ViewFactories, ButtonAndCheckBoxCarryTheirStates) {
  auto button = make_button(12, L"Start", 3, true, false);
  EXPECT_EQ(button->control_id(), 12);
  EXPECT_EQ(button->text(), L"Start");
  EXPECT_EQ(button->glyph(), 3);
  EXPECT_TRUE(button->is_primary());
  EXPECT_FALSE(button->is_enabled());

  bool seen = false;
  auto check = make_check_box(13, L"Cursor", false, true, [&](bool on) { seen = on; });
  EXPECT_EQ(check->control_id(), 13);
  EXPECT_FALSE(check->is_checked());
  auto* check_view = check.get();
  test::RootedView rooted(std::move(check));
  check_view->activate(win32_ui::modern::kInputPointer);
  EXPECT_TRUE(check_view->is_checked());
  EXPECT_TRUE(seen);
}

TEST(ViewFactories, CheckBoxWithoutCallbackStillToggles) {
  auto check = make_check_box(13, L"Cursor", true, true, nullptr);
  auto* check_view = check.get();
  test::RootedView rooted(std::move(check));
  check_view->activate(win32_ui::modern::kInputPointer);
  EXPECT_FALSE(check_view->is_checked());
  check_view->activate(win32_ui::modern::kInputKeyboard);
  EXPECT_TRUE(check_view->is_checked());
}

TEST(ViewFactories, SmallFactoriesMakeTheirTypes) {
  EXPECT_EQ(make_icon(5)->icon(), 5);
  auto combo = make_combo_box(23);
  EXPECT_EQ(combo->control_id(), 23);
  EXPECT_EQ(combo->window(), nullptr);
  auto overlay = make_overlay_panel();
  EXPECT_EQ(overlay->layout_params().padding.left, 0.0f);
  EXPECT_TRUE(overlay->child_count() == 0);
  EXPECT_TRUE(make_separator(true)->subtle_in_dark());
  EXPECT_FALSE(make_separator(false)->subtle_in_dark());
}

}  // namespace
}  // namespace quorvel::windows
