// Widgets on a real Surface window: their texts follow the surface's
// language at each relayout, find_widget walks the tree in pre-order, and a
// button reached through the surface's view root reports clicks and keys.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/views/surface_harness.h"
#include "ui/platform/resource_bundle.h"
#include "ui/views/key_codes.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/surface.h"
#include "ui/views/surface_impl.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/text.h"

namespace win32_ui::modern {
namespace {

using testing::placed;
using testing::SurfaceHarness;

std::shared_ptr<const ResourceBundle> title_bundle() {
  return std::make_shared<const ResourceBundle>(
      std::vector<ResourceEntry>{{L"en-US", L"main.title", L"New recording"},
                                 {L"zh-CN", L"main.title", L"\u65B0\u5F55\u5236"}},
      L"en-US", nullptr);
}

// Counts its measure passes.
class CountingText : public Text {
 public:
  using Text::Text;
  int measures = 0;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override {
    ++measures;
    return Text::measure_override(content, context);
  }
};

template <typename T, typename... Args>
T* add_at(OverlayPanel& panel, float x, float y, float width, float height, Args&&... args) {
  auto view = std::make_unique<T>(std::forward<Args>(args)...);
  view->set_layout_params(placed(x, y, width, height));
  return static_cast<T*>(panel.add_child(std::move(view)));
}

TEST(SurfaceWidgetTextTest, AKeyTextResolvesAtTheFirstRelayoutAndFollowsTheLanguage) {
  SurfaceHarness harness(200, 100);
  auto root = std::make_unique<OverlayPanel>();
  CountingText* title = add_at<CountingText>(*root, 0, 0, 150, 30,
                                             LocalizedText::from_key(L"main.title", {}), 2,
                                             layout::Size{});
  harness.surface.set_content(std::move(root));
  harness.surface.set_language(L"en-US");
  harness.surface.set_resource_bundle(title_bundle());
  EXPECT_EQ(title->text(), L"") << "resolved before any relayout";

  ASSERT_TRUE(harness.attach());
  EXPECT_EQ(title->text(), L"New recording");

  const std::size_t relayouts = harness.log->count("update_scale");
  harness.surface.set_language(L"zh-CN");
  EXPECT_EQ(title->text(), L"\u65B0\u5F55\u5236");
  EXPECT_EQ(harness.log->count("update_scale"), relayouts + 1) << "one relayout";
}

TEST(SurfaceWidgetTextTest, ARelayoutWithoutChangeNeitherCopiesNorMeasuresTheText) {
  SurfaceHarness harness(200, 100);
  auto root = std::make_unique<OverlayPanel>();
  CountingText* title = add_at<CountingText>(*root, 0, 0, 150, 30,
                                             LocalizedText::from_key(L"main.title", {}), 2,
                                             layout::Size{});
  harness.surface.set_content(std::move(root));
  harness.surface.set_language(L"en-US");
  harness.surface.set_resource_bundle(title_bundle());
  ASSERT_TRUE(harness.attach());
  const int measures = title->measures;
  const wchar_t* const shown = title->text().data();

  harness.surface.refresh();
  harness.surface.refresh();
  EXPECT_EQ(title->measures, measures);
  EXPECT_EQ(title->text().data(), shown);
}

TEST(SurfaceFindWidgetTest, ReturnsTheFirstMatchInPreOrder) {
  SurfaceHarness harness(200, 100);
  auto root = std::make_unique<OverlayPanel>();
  auto nested = std::make_unique<OverlayPanel>();
  Button* inner = add_at<Button>(*nested, 0, 0, 80, 40, 3, L"Inner", 0);
  root->add_child(std::move(nested));
  Text* later = add_at<Text>(*root, 0, 50, 80, 20, std::wstring(L"Later"), 2, layout::Size{});
  later->set_control_id(3);
  Button* other = add_at<Button>(*root, 100, 0, 80, 40, 4, L"Other", 0);
  harness.surface.set_content(std::move(root));

  EXPECT_EQ(harness.surface.find_widget(3), inner);
  EXPECT_EQ(harness.surface.find_widget(4), other);
  EXPECT_EQ(harness.surface.find_widget(99), nullptr);
  EXPECT_EQ(harness.surface.find_widget(0), nullptr) << "panels are not widgets";

  Surface empty;
  EXPECT_EQ(empty.find_widget(3), nullptr);
}

TEST(SurfaceButtonTest, AClickAndThenSpaceEachInvokeOnce) {
  SurfaceHarness harness(200, 100);
  auto root = std::make_unique<OverlayPanel>();
  Button* button = add_at<Button>(*root, 10, 10, 100, 40, 8, L"Record", 0);
  int invoked = 0;
  button->on_invoked([&invoked] { ++invoked; });
  harness.surface.set_content(std::move(root));
  ASSERT_TRUE(harness.attach());
  ViewRoot& view_root = harness.impl()->view_root;

  for (const PointerAction action : {kPointerDown, kPointerUp}) {
    PointerEvent event;
    event.action = action;
    event.position = {30, 25};
    view_root.dispatch_pointer(event);
  }
  EXPECT_EQ(invoked, 1);
  ASSERT_EQ(view_root.focus_manager().focused_view(), button);
  EXPECT_EQ(harness.log->count("raise_invoked"), 1u) << "the automation host hears it too";

  KeyEvent space;
  space.key = kKeySpace;
  space.target = view_root.focus_manager().focused_view();
  EXPECT_TRUE(view_root.dispatch_key(space));
  EXPECT_EQ(invoked, 2);

  KeyEvent ctrl_space = space;
  ctrl_space.handled = false;
  ctrl_space.modifiers = KeyEvent::kCtrl;
  view_root.dispatch_key(ctrl_space);
  EXPECT_EQ(invoked, 2);
}

}  // namespace
}  // namespace win32_ui::modern
