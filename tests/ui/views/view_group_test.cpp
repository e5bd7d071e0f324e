#include "ui/views/view_group.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/test_views.h"
#include "ui/views/compound_view.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeViewHost;
using Request = FakeViewHost::Request;
using testing::make_sized;
using testing::ProbeGroup;
using testing::ProbeView;

// Runs `action`, expecting std::invalid_argument with exactly `text`.
template <typename Action>
void expect_invalid_argument(Action action, const std::string& text) {
  try {
    action();
    FAIL() << "no exception; expected: " << text;
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(error.what(), text);
  }
}

TEST(ViewGroupTest, RefusesNullChildAndLeavesTreeUnchanged) {
  ViewGroup group;
  group.add_child(std::make_unique<View>());
  expect_invalid_argument([&] { group.add_child(nullptr); },
                          "modern View child must not be null");
  EXPECT_EQ(group.child_count(), 1u);
}

TEST(ViewGroupTest, RefusesChildThatBelongsToAnotherParent) {
  FakeViewHost host;
  ViewGroup first;
  ViewGroup second;
  second.attach_host(&host);
  View* child = first.add_child(std::make_unique<View>());
  host.clear_requests();

  // A unique pointer to a view that already has a parent can only come from
  // misuse; the refused view must stay alive and with its parent.
  expect_invalid_argument(
      [&] { second.add_child(std::unique_ptr<View>(child)); },
      "modern View already belongs to a parent");

  EXPECT_EQ(second.child_count(), 0u);
  EXPECT_EQ(first.child_count(), 1u);
  EXPECT_EQ(child->parent(), &first);
  EXPECT_EQ(child->host(), nullptr);
  EXPECT_TRUE(host.requests.empty());
}

TEST(ViewGroupTest, AddingToAttachedGroupAttachesSubtreeAndAsksForLayoutAndSemantics) {
  FakeViewHost host;
  ViewGroup root;
  root.attach_host(&host);
  auto branch = std::make_unique<ViewGroup>();
  View* leaf = branch->add_child(std::make_unique<View>());
  EXPECT_EQ(leaf->host(), nullptr);

  ViewGroup* added = static_cast<ViewGroup*>(root.add_child(std::move(branch)));

  EXPECT_EQ(added->parent(), &root);
  EXPECT_EQ(added->LayoutNode::parent(), &root);
  EXPECT_EQ(added->host(), &host);
  EXPECT_EQ(leaf->host(), &host);
  EXPECT_EQ(host.requests,
            (std::vector<Request>{Request::kRequestLayout, Request::kSemanticsChanged}));
}

TEST(ViewGroupTest, AddingInvalidatesMeasuredLayoutUpward) {
  ViewGroup root;
  ViewGroup* inner = static_cast<ViewGroup*>(root.add_child(std::make_unique<ViewGroup>()));
  testing::lay_out(root, 0, 0, 100, 100);
  ASSERT_TRUE(root.is_measured());

  inner->add_child(std::make_unique<View>());

  EXPECT_FALSE(inner->is_measured());
  EXPECT_FALSE(root.is_measured());
}

TEST(ViewGroupTest, ClearChildrenHandsDetachedChildrenToHost) {
  FakeViewHost host;
  ViewGroup root;
  root.attach_host(&host);
  View* a = root.add_child(std::make_unique<View>());
  auto inner = std::make_unique<ViewGroup>();
  View* grandchild = inner->add_child(std::make_unique<View>());
  View* b = root.add_child(std::move(inner));
  host.clear_requests();

  root.clear_children();

  EXPECT_EQ(root.child_count(), 0u);
  ASSERT_EQ(host.retired.size(), 2u);
  EXPECT_EQ(host.retired_batches, std::vector<std::size_t>{2});
  EXPECT_EQ(host.retired[0].get(), a);
  EXPECT_EQ(host.retired[1].get(), b);
  for (View* view : {a, b, grandchild}) EXPECT_EQ(view->host(), nullptr);
  EXPECT_EQ(a->parent(), nullptr);
  EXPECT_EQ(a->LayoutNode::parent(), nullptr);
  EXPECT_EQ(grandchild->parent(), b);
  EXPECT_EQ(host.requests, (std::vector<Request>{Request::kRetireViews, Request::kRequestLayout,
                                                 Request::kSemanticsChanged}));
}

// Writes to a shared log when destroyed.
class LoggingView : public View {
 public:
  LoggingView(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
  ~LoggingView() override { log_.push_back(name_); }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

TEST(ViewGroupTest, ClearChildrenWithoutHostDestroysAtOnce) {
  std::vector<std::string> destroyed;
  ViewGroup root;
  root.add_child(std::make_unique<LoggingView>(destroyed, "a"));
  root.add_child(std::make_unique<LoggingView>(destroyed, "b"));

  root.clear_children();

  EXPECT_EQ(destroyed, (std::vector<std::string>{"a", "b"}));
}

TEST(ViewGroupTest, RetiredViewsLiveUntilTheHostLetsThemGo) {
  std::vector<std::string> destroyed;
  FakeViewHost host;
  CompoundView root;
  root.attach_host(&host);
  root.set_content(std::make_unique<LoggingView>(destroyed, "old"));

  root.set_content(std::make_unique<LoggingView>(destroyed, "new"));

  EXPECT_TRUE(destroyed.empty());
  ASSERT_EQ(host.retired.size(), 1u);
  EXPECT_EQ(root.child_count(), 1u);
  host.retired.clear();
  EXPECT_EQ(destroyed, std::vector<std::string>{"old"});
}

TEST(ViewGroupTest, HitOnNonTargetParentReportsTargetChildWithChain) {
  auto root = std::make_unique<OverlayPanel>();
  auto* middle = static_cast<ViewGroup*>(root->add_child(std::make_unique<OverlayPanel>()));
  View* child = middle->add_child(make_sized(20, 20));
  child->set_pointer_input(true);
  testing::lay_out(*root, 0, 0, 100, 100);

  HitTestResult result;
  ASSERT_TRUE(root->hit_test({5, 5}, result));

  EXPECT_EQ(result.view, child);
  EXPECT_EQ(result.chain, (std::vector<View*>{root.get(), middle, child}));
  HitTestResult miss;
  EXPECT_FALSE(root->hit_test({50, 50}, miss));
  EXPECT_EQ(miss.view, nullptr);
}

TEST(ViewGroupTest, LastChildWinsAnOverlap) {
  OverlayPanel root;
  View* first = root.add_child(make_sized(20, 20));
  View* last = root.add_child(make_sized(20, 20));
  first->set_pointer_input(true);
  last->set_pointer_input(true);
  testing::lay_out(root, 0, 0, 100, 100);

  HitTestResult result;
  ASSERT_TRUE(root.hit_test({5, 5}, result));
  EXPECT_EQ(result.view, last);

  last->set_enabled(false);
  ASSERT_TRUE(root.hit_test({5, 5}, result));
  EXPECT_EQ(result.view, first);
}

TEST(ViewGroupTest, ClippingGroupMissesOutsideItsBounds) {
  OverlayPanel root;
  auto* group = static_cast<ViewGroup*>(root.add_child(make_sized<OverlayPanel>(20, 20)));
  View* child = group->add_child(make_sized(20, 20));
  child->set_pointer_input(true);
  testing::lay_out(root, 0, 0, 100, 100);
  // The child sticks out of its group by a render transform.
  child->set_render_transform(1, 0, 0, 1, 30, 0);

  HitTestResult result;
  ASSERT_TRUE(root.hit_test({35, 5}, result));
  EXPECT_EQ(result.view, child);

  group->set_clips_children(true);
  EXPECT_FALSE(root.hit_test({35, 5}, result));
}

TEST(ViewGroupTest, HiddenViewsAreNeverHit) {
  const layout::Visibility kinds[] = {layout::kHidden, layout::kCollapsed};
  for (const layout::Visibility visibility : kinds) {
    SCOPED_TRACE(visibility);
    OverlayPanel root;
    auto* group = static_cast<ViewGroup*>(root.add_child(std::make_unique<OverlayPanel>()));
    View* child = group->add_child(make_sized(20, 20));
    child->set_pointer_input(true);
    group->set_pointer_input(true);
    testing::lay_out(root, 0, 0, 100, 100);

    layout::LayoutParams params = child->layout_params();
    params.visibility = visibility;
    child->set_layout_params(params);
    HitTestResult result;
    ASSERT_TRUE(root.hit_test({5, 5}, result));
    EXPECT_EQ(result.view, group);

    params = group->layout_params();
    params.visibility = visibility;
    group->set_layout_params(params);
    EXPECT_FALSE(root.hit_test({5, 5}, result));
  }
}

TEST(ViewGroupTest, DisallowInterceptIsStoredInEveryAncestorGroup) {
  ViewGroup root;
  auto* middle = static_cast<ViewGroup*>(root.add_child(std::make_unique<ViewGroup>()));
  View* child = middle->add_child(std::make_unique<View>());

  child->request_disallow_intercept(true);
  EXPECT_TRUE(middle->disallows_intercept());
  EXPECT_TRUE(root.disallows_intercept());

  child->request_disallow_intercept(false);
  EXPECT_FALSE(root.disallows_intercept());
}

}  // namespace
}  // namespace win32_ui::modern
