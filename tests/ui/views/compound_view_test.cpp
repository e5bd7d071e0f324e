#include "ui/views/compound_view.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/test_views.h"
#include "ui/views/composite_view.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeViewHost;
using Request = FakeViewHost::Request;
using testing::make_sized;

TEST(CompoundViewTest, PassesMeasureAndArrangeThroughToItsContent) {
  CompoundView compound;
  EXPECT_EQ(compound.measure(layout::make_unbounded_size(100, 100), {}), (layout::Size{0, 0}));

  compound.set_content(make_sized(30, 20));
  layout::LayoutParams params = compound.layout_params();
  params.padding = {1, 2, 3, 4};
  compound.set_layout_params(params);
  const layout::Size desired = compound.measure(layout::make_unbounded_size(100, 100), {});
  compound.arrange({10, 10, 100, 100}, {});

  EXPECT_EQ(desired, (layout::Size{34, 26}));
  EXPECT_EQ(compound.content()->bounds(), (layout::LayoutRect{11, 12, 30, 20}));
}

TEST(CompoundViewTest, SetContentReplacesTheOnlyChildThroughTheHost) {
  FakeViewHost host;
  CompoundView compound;
  compound.attach_host(&host);
  compound.set_content(std::make_unique<View>());
  View* first = compound.content();
  host.clear_requests();

  auto next = std::make_unique<View>();
  View* second = next.get();
  compound.set_content(std::move(next));

  EXPECT_EQ(compound.child_count(), 1u);
  EXPECT_EQ(compound.content(), second);
  EXPECT_EQ(second->host(), &host);
  ASSERT_EQ(host.retired.size(), 1u);
  EXPECT_EQ(host.retired[0].get(), first);
  EXPECT_EQ(host.requests,
            (std::vector<Request>{Request::kRetireViews, Request::kRequestLayout,
                                  Request::kSemanticsChanged, Request::kRequestLayout,
                                  Request::kSemanticsChanged}));

  compound.set_content(nullptr);
  EXPECT_EQ(compound.content(), nullptr);
}

TEST(CompositeViewTest, AdoptsItsContent) {
  auto content = std::make_unique<View>();
  View* raw = content.get();
  CompositeView composite(std::move(content));
  EXPECT_EQ(composite.content(), raw);
  EXPECT_EQ(raw->parent(), &composite);
  CompositeView empty(nullptr);
  EXPECT_EQ(empty.child_count(), 0u);
}

TEST(OverlayPanelTest, GivesEveryChildTheWholeRectangle) {
  OverlayPanel overlay({2, 2, 2, 2});
  View* small = overlay.add_child(make_sized(10, 40));
  View* wide = overlay.add_child(std::make_unique<View>());
  wide->set_layout_params(testing::sized(50, 5));
  View* stretched = overlay.add_child(std::make_unique<View>());

  const layout::Size desired = overlay.measure(layout::make_unbounded_size(200, 200), {});
  overlay.arrange({0, 0, 100, 60}, {});

  EXPECT_EQ(desired, (layout::Size{54, 44}));
  EXPECT_EQ(small->bounds(), (layout::LayoutRect{2, 2, 10, 40}));
  EXPECT_EQ(stretched->bounds(), (layout::LayoutRect{2, 2, 96, 56}));
}

}  // namespace
}  // namespace win32_ui::modern
