// The element list of a real Surface window: one record per widget in tree
// order, actionable ones in the focus order, and find_element answering
// with the widget as it is now.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "tests/ui/views/input_harness.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/glyph.h"
#include "ui/views/widgets/icon.h"
#include "ui/views/widgets/slider.h"
#include "ui/views/widgets/text.h"
#include "ui/views/widgets/toggle.h"

namespace win32_ui::modern {
namespace {

using testing::placed;
using testing::InputHarness;

template <typename T, typename... Args>
T* add_at(ViewGroup& parent, float x, float y, float width, float height, Args&&... args) {
  auto view = std::make_unique<T>(std::forward<Args>(args)...);
  view->set_layout_params(placed(x, y, width, height));
  return static_cast<T*>(parent.add_child(std::move(view)));
}

class SurfaceElementsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(harness.attach()); }
  Surface::Impl& impl() const { return *harness.impl(); }

  InputHarness harness{300, 300};
};

TEST_F(SurfaceElementsTest, WidgetsWithoutIdOrDisabledAreListedButNotInTheFocusOrder) {
  auto root = std::make_unique<OverlayPanel>();
  add_at<Toggle>(*root, 0, 0, 100, 30, 0, L"A", false);
  add_at<Toggle>(*root, 0, 40, 100, 30, 0, L"B", true);
  Button* disabled = add_at<Button>(*root, 0, 80, 100, 44, 7, L"Off", 0);
  disabled->set_enabled(false);
  add_at<Button>(*root, 0, 130, 100, 44, 8, L"On", 0);
  add_at<Text>(*root, 0, 180, 100, 20, std::wstring(L"Label"), 2, layout::Size{});
  harness.set_content(std::move(root));

  ASSERT_EQ(impl().elements.size(), 5u);
  EXPECT_EQ(impl().element_views.size(), 5u);
  EXPECT_EQ(impl().elements[0].type, kWidgetToggle);
  EXPECT_EQ(impl().elements[1].text, L"B");
  EXPECT_TRUE(impl().elements[1].checked);
  EXPECT_FALSE(impl().elements[2].enabled);
  EXPECT_EQ(impl().elements[4].type, kWidgetText);
  ASSERT_EQ(impl().focus_order.size(), 1u);
  EXPECT_EQ(impl().focus_order[0].first, 3);
  EXPECT_EQ(impl().focus_order[0].second, nullptr);
}

TEST_F(SurfaceElementsTest, FindElementGivesTheFirstMatchInTreeOrderAsItIsNow) {
  auto root = std::make_unique<OverlayPanel>();
  auto inner = std::make_unique<OverlayPanel>();
  inner->set_layout_params(placed(0, 0, 200, 100));
  Toggle* first = add_at<Toggle>(*inner, 10, 10, 150, 30, 4, L"First", false);
  root->add_child(std::move(inner));
  add_at<Toggle>(*root, 10, 150, 150, 30, 4, L"Second", true);
  harness.set_content(std::move(root));

  first->set_text(L"Renamed");
  first->set_checked(true);
  const Element* found = harness.surface.find_element(4);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->text, L"Renamed");
  EXPECT_TRUE(found->checked);
  EXPECT_EQ(found->bounds, (layout::LayoutRect{10, 10, 150, 30}));
  EXPECT_EQ(harness.surface.find_element(5), nullptr);
}

TEST_F(SurfaceElementsTest, RecordsCarryTheirKindsOwnFields) {
  auto root = std::make_unique<OverlayPanel>();
  Button* button = add_at<Button>(*root, 0, 0, 220, 44, 1, L"Record", kGlyphMonitor);
  button->set_primary(true);
  button->set_shortcut_text(L"Ctrl+R");
  add_at<Slider>(*root, 0, 60, 200, 30, 2, 0.25f);
  Icon* icon = add_at<Icon>(*root, 0, 100, 24, 24, kGlyphSun);
  icon->set_control_id(3);
  harness.set_content(std::move(root));

  const Element* record = harness.surface.find_element(1);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->type, kWidgetButton);
  EXPECT_EQ(record->variant, kGlyphMonitor);
  EXPECT_TRUE(record->primary);
  EXPECT_EQ(record->shortcut_text, L"Ctrl+R");
  EXPECT_EQ(record->text_style, 4);
  EXPECT_TRUE(record->enabled);
  const Element* slider = harness.surface.find_element(2);
  ASSERT_NE(slider, nullptr);
  EXPECT_FLOAT_EQ(slider->value, 0.25f);
  const Element* glyph = harness.surface.find_element(3);
  ASSERT_NE(glyph, nullptr);
  EXPECT_EQ(glyph->type, kWidgetIcon);
  EXPECT_EQ(glyph->variant, kGlyphSun);
  EXPECT_FALSE(glyph->primary);
}

TEST_F(SurfaceElementsTest, AWidgetAHandlerRemovedIsNotFound) {
  auto root = std::make_unique<OverlayPanel>();
  auto box = std::make_unique<OverlayPanel>();
  box->set_layout_params(placed(0, 0, 300, 100));
  Button* gone = add_at<Button>(*box, 0, 0, 120, 44, 9, L"Gone", 0);
  OverlayPanel* holder = static_cast<OverlayPanel*>(root->add_child(std::move(box)));
  harness.set_content(std::move(root));
  ASSERT_NE(harness.surface.find_element(9), nullptr);

  const Element* during = reinterpret_cast<const Element*>(1);
  gone->on_invoked([&] {
    holder->clear_children();
    during = harness.surface.find_element(9);
  });
  harness.send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  harness.send(WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(during, nullptr);
  EXPECT_EQ(harness.surface.find_element(9), nullptr);
}

TEST_F(SurfaceElementsTest, ClearingTheContentEmptiesTheLists) {
  auto root = std::make_unique<OverlayPanel>();
  add_at<Button>(*root, 0, 0, 120, 44, 9, L"One", 0);
  harness.set_content(std::move(root));
  ASSERT_EQ(impl().elements.size(), 1u);
  harness.surface.set_content(nullptr);
  EXPECT_TRUE(impl().elements.empty());
  EXPECT_TRUE(impl().focus_order.empty());
  EXPECT_EQ(harness.surface.find_element(9), nullptr);
}

}  // namespace
}  // namespace win32_ui::modern
