#include "ui/views/view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/ui/views/fake_canvas.h"
#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/test_views.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using namespace std::chrono_literals;
using quorvel::test::FakeViewHost;
using Request = FakeViewHost::Request;
using testing::make_sized;
using testing::ProbeView;
using ui::graphics::DrawableState;
using ui::graphics::Point;
using ui::graphics::Transform;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// ---- Ids ----

TEST(ViewTest, IdsAreConsecutive) {
  View a;
  View b;
  ViewGroup c;
  EXPECT_EQ(b.id(), a.id() + 1);
  EXPECT_EQ(c.id(), b.id() + 1);
}

// ---- Setters ----

TEST(ViewTest, OpacityIsClampedAndNonFiniteBecomesOne) {
  struct Case {
    float given;
    float stored;
  };
  const Case cases[] = {{2.0f, 1.0f}, {-1.0f, 0.0f}, {kNaN, 1.0f}, {-kInf, 1.0f}, {0.25f, 0.25f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    View view;
    view.set_opacity(0.5f);
    EXPECT_EQ(view.set_opacity(c.given).opacity(), c.stored);
  }
}

TEST(ViewTest, NonFiniteTransformComponentGivesIdentityAndRepaintsOldAndNewBounds) {
  FakeViewHost host;
  View view;
  view.arrange({10, 10, 20, 20}, {});
  view.set_render_transform(1, 0, 0, 1, 100, 0);
  view.attach_host(&host);
  const layout::LayoutRect old_bounds = view.visual_bounds();

  for (int component = 0; component < 6; ++component) {
    SCOPED_TRACE(component);
    float m[6] = {2, 0, 0, 2, 5, 5};
    m[component] = kNaN;
    view.set_render_transform(1, 0, 0, 1, 100, 0);
    host.clear_requests();

    view.set_render_transform(m[0], m[1], m[2], m[3], m[4], m[5]);

    const Transform t = view.render_transform();
    EXPECT_EQ(t.m11, 1);
    EXPECT_EQ(t.m12, 0);
    EXPECT_EQ(t.m21, 0);
    EXPECT_EQ(t.m22, 1);
    EXPECT_EQ(t.dx, 0);
    EXPECT_EQ(t.dy, 0);
    ASSERT_EQ(host.invalidated.size(), 2u);
    EXPECT_EQ(host.invalidated[0], old_bounds);
    EXPECT_EQ(host.invalidated[1], (layout::LayoutRect{6, 6, 28, 28}));
  }
}

TEST(ViewTest, UnchangedValuesCauseNoHostTraffic) {
  FakeViewHost host;
  ProbeView view;
  view.attach_host(&host);
  const std::vector<std::function<void()>> setters = {
      [&] { view.set_enabled(true); },
      [&] { view.set_focusable(false); },
      [&] { view.set_pointer_input(false); },
      [&] { view.set_selected(false); },
      [&] { view.set_focused(false); },
      [&] { view.set_pressed(false); },
      [&] { view.set_checked_flag(false); },
      [&] { view.set_clips_children(false); },
      [&] { view.set_animates_state(false); },
      [&] { view.set_opacity(1.0f); },
      [&] { view.set_render_transform(Transform::identity()); },
      [&] { view.set_transform_origin(0.5f, 0.5f); },
      [&] { view.set_padding({}); },
      [&] { view.set_layout_params(layout::LayoutParams{}); },
      [&] { view.set_accessible_help(std::wstring()); },
      [&] { view.set_accessible_role(std::nullopt); },
      [&] { view.set_accessibility_exposed(std::nullopt); },
      [&] { view.set_tooltip(std::wstring()); },
      [&] { view.set_background(nullptr); },
  };
  for (const auto& set : setters) set();
  view.set_accessible_name(L"name");
  host.clear_requests();
  view.set_accessible_name(L"name");

  EXPECT_TRUE(host.requests.empty());
  EXPECT_TRUE(view.state_changes.empty());
}

TEST(ViewTest, DetachedViewStoresValuesWithoutHostTraffic) {
  FakeViewHost host;
  ProbeView view;
  view.attach_host(&host);
  view.attach_host(nullptr);
  host.clear_requests();

  view.set_enabled(false).set_focusable(true).set_opacity(0.5f).set_tooltip(L"tip");
  view.set_padding({1, 2, 3, 4}).set_accessible_name(L"name").set_selected(true);
  view.set_render_transform(2, 0, 0, 2, 0, 0);

  EXPECT_TRUE(host.requests.empty());
  EXPECT_FALSE(view.is_enabled());
  EXPECT_EQ(view.opacity(), 0.5f);
  EXPECT_EQ(view.tooltip(), L"tip");
  EXPECT_EQ(view.layout_params().padding, (layout::Thickness{1, 2, 3, 4}));
  EXPECT_TRUE(view.is_selected());
}

TEST(ViewTest, SettersReachTheHostAsListed) {
  struct Case {
    const char* name;
    std::function<void(ProbeView&)> set;
    std::vector<Request> expected;
  };
  const std::vector<Case> cases = {
      {"enabled", [](ProbeView& v) { v.set_enabled(false); },
       {Request::kInvalidateRect, Request::kSemanticsChanged}},
      {"focusable", [](ProbeView& v) { v.set_focusable(true); }, {Request::kSemanticsChanged}},
      {"pointer input", [](ProbeView& v) { v.set_pointer_input(true); },
       {Request::kSemanticsChanged}},
      {"selected", [](ProbeView& v) { v.set_selected(true); },
       {Request::kInvalidateRect, Request::kSemanticsChanged}},
      {"focused", [](ProbeView& v) { v.set_focused(true); },
       {Request::kInvalidateRect, Request::kSemanticsChanged}},
      {"pressed", [](ProbeView& v) { v.set_pressed(true); }, {Request::kInvalidateRect}},
      {"checked", [](ProbeView& v) { v.set_checked_flag(true); },
       {Request::kInvalidateRect, Request::kSemanticsChanged}},
      {"clips", [](ProbeView& v) { v.set_clips_children(true); },
       {Request::kInvalidateRect, Request::kInvalidateRect}},
      {"animates", [](ProbeView& v) { v.set_animates_state(true); }, {Request::kInvalidateRect}},
      {"opacity", [](ProbeView& v) { v.set_opacity(0.5f); }, {Request::kInvalidateRect}},
      {"padding", [](ProbeView& v) { v.set_padding({1, 1, 1, 1}); },
       {Request::kRequestLayout, Request::kSemanticsChanged}},
      {"layout params", [](ProbeView& v) { v.set_layout_params(testing::sized(5, 5)); },
       {Request::kRequestLayout, Request::kSemanticsChanged}},
      {"name", [](ProbeView& v) { v.set_accessible_name(L"n"); }, {Request::kSemanticsChanged}},
      {"help", [](ProbeView& v) { v.set_accessible_help(L"h"); }, {Request::kSemanticsChanged}},
      {"role", [](ProbeView& v) { v.set_accessible_role(ElementRole::kButton); },
       {Request::kSemanticsChanged}},
      {"exposed", [](ProbeView& v) { v.set_accessibility_exposed(false); },
       {Request::kSemanticsChanged}},
      {"tooltip", [](ProbeView& v) { v.set_tooltip(L"t"); }, {Request::kRequestLayout}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeViewHost host;
    ProbeView view;
    view.attach_host(&host);
    host.clear_requests();
    c.set(view);
    EXPECT_EQ(host.requests, c.expected);
  }
}

// ---- Interaction state ----

TEST(ViewTest, DisablingPressedViewClearsPressedInOneStepAndSnaps) {
  FakeViewHost host;
  ProbeView view;
  view.set_animates_state(true);
  view.attach_host(&host);
  view.set_pressed(true);
  ASSERT_TRUE(host.clock().is_running());
  host.advance(10ms);
  ASSERT_GT(view.interaction_progress(ui::graphics::kStatePressed), 0.0f);
  ASSERT_LT(view.interaction_progress(ui::graphics::kStatePressed), 1.0f);
  view.state_changes.clear();

  view.set_enabled(false);

  EXPECT_FALSE(view.is_pressed());
  ASSERT_EQ(view.state_changes.size(), 1u);
  EXPECT_EQ(view.state_changes[0].old_state,
            ui::graphics::kStateEnabled | ui::graphics::kStatePressed);
  EXPECT_EQ(view.state_changes[0].new_state, 0u);
  EXPECT_EQ(view.interaction_progress(ui::graphics::kStatePressed), 0.0f);
  EXPECT_FALSE(host.clock().is_running());
}

struct ProgressCase {
  const char* name;
  std::function<void(ProbeView&, bool)> set;
  DrawableState bit;
  std::uint64_t key;
  std::chrono::milliseconds duration;
};

void set_hovered(ProbeView& view, bool on) {
  PointerEvent event;
  event.action = on ? kPointerEnter : kPointerLeave;
  event.pointer_id = 7;
  view.dispatch_pointer(event);
}

const std::vector<ProgressCase>& progress_cases() {
  static const std::vector<ProgressCase> cases = {
      {"hovered", set_hovered, ui::graphics::kStateHovered, 0x494E5400, 100ms},
      {"pressed", [](ProbeView& v, bool on) { v.set_pressed(on); }, ui::graphics::kStatePressed,
       0x494E5401, 70ms},
      {"checked", [](ProbeView& v, bool on) { v.set_checked_flag(on); },
       ui::graphics::kStateChecked, 0x494E5402, 130ms},
      {"selected", [](ProbeView& v, bool on) { v.set_selected(on); },
       ui::graphics::kStateSelected, 0x494E5403, 130ms},
  };
  return cases;
}

TEST(ViewTest, StateProgressAnimatesWithItsDurationAndEasing) {
  for (const ProgressCase& c : progress_cases()) {
    SCOPED_TRACE(c.name);
    FakeViewHost host;
    ProbeView view;
    view.set_animates_state(true);
    view.attach_host(&host);

    c.set(view, true);
    EXPECT_EQ(view.interaction_progress(c.bit), 0.0f);
    host.advance(c.duration / 2);
    // Easing 2 at half time: 1 - (1 - 0.5)^2.
    EXPECT_FLOAT_EQ(view.interaction_progress(c.bit), 0.75f);
    host.advance(c.duration / 2);
    EXPECT_EQ(view.interaction_progress(c.bit), 1.0f);
    EXPECT_FALSE(host.clock().is_running());

    // Back to 0 from where it stands.
    c.set(view, false);
    host.advance(c.duration / 2);
    EXPECT_FLOAT_EQ(view.interaction_progress(c.bit), 0.25f);
  }
}

TEST(ViewTest, StateProgressRunsUnderItsOwnerAndKey) {
  for (const ProgressCase& c : progress_cases()) {
    SCOPED_TRACE(c.name);
    FakeViewHost host;
    ProbeView view;
    view.set_animates_state(true);
    view.attach_host(&host);
    c.set(view, true);
    host.advance(c.duration / 2);
    const float halfway = view.interaction_progress(c.bit);

    // Another animation under the same owner and key replaces the view's.
    ui::animation::AnimationSpec spec;
    spec.duration = 1'000'000'000;
    host.clock().start(&view, c.key, spec, [](float) {}, nullptr, host.now());
    host.advance(c.duration);

    EXPECT_EQ(view.interaction_progress(c.bit), halfway);
  }
}

TEST(ViewTest, DisabledClockOrNoAnimationSnapsProgress) {
  for (const bool clock_enabled : {false, true}) {
    SCOPED_TRACE(clock_enabled);
    FakeViewHost host;
    ProbeView view;
    view.set_animates_state(clock_enabled ? false : true);
    host.clock().set_enabled(clock_enabled);
    view.attach_host(&host);

    view.set_pressed(true);

    EXPECT_EQ(view.interaction_progress(ui::graphics::kStatePressed), 1.0f);
    EXPECT_FALSE(host.clock().is_running());
  }
}

TEST(ViewTest, NewHostCancelsOldHostsAnimations) {
  FakeViewHost old_host;
  FakeViewHost new_host;
  ProbeView view;
  view.set_animates_state(true);
  view.attach_host(&old_host);
  set_hovered(view, true);
  old_host.advance(50ms);
  ASSERT_TRUE(old_host.clock().is_running());

  view.attach_host(&new_host);

  EXPECT_FALSE(old_host.clock().is_running());
  EXPECT_EQ(view.interaction_progress(ui::graphics::kStateHovered), 1.0f);
  // The new host's clock animates from now on.
  view.set_pressed(true);
  EXPECT_TRUE(new_host.clock().is_running());
}

TEST(ViewTest, DestroyedViewLeavesNoAnimationBehind) {
  FakeViewHost host;
  {
    ProbeView view;
    view.set_animates_state(true);
    view.attach_host(&host);
    view.set_selected(true);
    ASSERT_TRUE(host.clock().is_running());
  }
  EXPECT_FALSE(host.clock().is_running());
  EXPECT_FALSE(host.advance(1s));
}

TEST(ViewTest, DrawableStateHasOneBitPerFlag) {
  ProbeView view;
  EXPECT_EQ(view.drawable_state(), ui::graphics::kStateEnabled);
  view.set_pressed(true);
  set_hovered(view, true);
  view.set_focused(true);
  view.set_checked_flag(true);
  view.set_selected(true);
  EXPECT_EQ(view.drawable_state(), 63u);
  EXPECT_EQ(view.interaction_progress(ui::graphics::kStateFocused), 0.0f);
}

// ---- Geometry ----

TEST(ViewTest, ScaleTwoAboutThePivotMapsBackWithToLocal) {
  View view;
  view.arrange({10, 20, 100, 50}, {});
  view.set_render_transform(2, 0, 0, 2, 0, 0);  // pivot (60, 45)

  const Transform t = view.accumulated_transform();
  const Point corner = t.map_point({10, 20});
  EXPECT_FLOAT_EQ(corner.x, -40.0f);
  EXPECT_FLOAT_EQ(corner.y, -5.0f);
  const Point local = view.to_local({20, 25});  // root (20, 25) = layout (40, 35)
  EXPECT_FLOAT_EQ(local.x, 30.0f);
  EXPECT_FLOAT_EQ(local.y, 15.0f);
  const layout::LayoutRect box = view.bounds_in_root();
  EXPECT_EQ(box, (layout::LayoutRect{-40, -5, 200, 100}));
}

TEST(ViewTest, ParentTransformMovesTheSubtree) {
  OverlayPanel root;
  View* child = root.add_child(make_sized(10, 10));
  testing::lay_out(root, 0, 0, 100, 100);
  root.set_render_transform(1, 0, 0, 1, 30, 40);

  const Point local = child->to_local({35, 45});
  EXPECT_FLOAT_EQ(local.x, 5.0f);
  EXPECT_FLOAT_EQ(local.y, 5.0f);
}

TEST(ViewTest, SingularTransformMapsToInfinityAndHitsNothing) {
  View view;
  view.set_pointer_input(true);
  view.arrange({0, 0, 50, 50}, {});
  view.set_render_transform(0, 0, 0, 0, 0, 0);

  const Point local = view.to_local({25, 25});
  EXPECT_EQ(local.x, kInf);
  EXPECT_EQ(local.y, kInf);
  HitTestResult result;
  EXPECT_FALSE(view.hit_test({25, 25}, result));
}

TEST(ViewTest, VisualBoundsGrowByFourAndTakeInVisibleChildrenUnlessClipping) {
  OverlayPanel root;
  View* inside = root.add_child(make_sized(10, 10));
  View* outside = root.add_child(make_sized(10, 10));
  View* hidden = root.add_child(make_sized(10, 10));
  testing::lay_out(root, 10, 10, 20, 20);
  outside->set_render_transform(1, 0, 0, 1, 50, 0);
  hidden->set_render_transform(1, 0, 0, 1, 0, 100);
  layout::LayoutParams params = hidden->layout_params();
  params.visibility = layout::kHidden;
  hidden->set_layout_params(params);

  EXPECT_EQ(inside->visual_bounds(), (layout::LayoutRect{6, 6, 18, 18}));
  EXPECT_EQ(root.visual_bounds(), (layout::LayoutRect{6, 6, 68, 28}));
  root.set_clips_children(true);
  EXPECT_EQ(root.visual_bounds(), (layout::LayoutRect{6, 6, 28, 28}));
}

TEST(ViewTest, HitShapeIsAskedOutsideTheRectangle) {
  struct RightHalo : HitShape {
    bool contains(Point local, layout::Size size) const override {
      return local.x >= size.width && local.x < size.width + 10;
    }
  };
  View view;
  view.set_pointer_input(true);
  view.arrange({0, 0, 20, 20}, {});
  view.set_hit_shape(std::make_unique<RightHalo>());

  HitTestResult result;
  EXPECT_TRUE(view.hit_test({25, 5}, result));
  EXPECT_FALSE(view.hit_test({35, 5}, result));
}

// ---- Pointer delivery to one view ----

// Logs its name and answers as told.
class NamedHandler : public PointerHandler {
 public:
  NamedHandler(std::vector<std::string>& log, std::string name, bool result, bool mark = false)
      : log_(log), name_(std::move(name)), result_(result), mark_(mark) {}
  bool on_pointer(View&, PointerEvent& event) override {
    log_.push_back(name_);
    if (mark_) event.handled = true;
    return result_;
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
  bool result_;
  bool mark_;
};

TEST(ViewPointerTest, HandlersThenFunctionThenOwnHandlingDecide) {
  struct Case {
    const char* name;
    bool first_handles;
    bool first_marks;
    bool function_handles;
    bool pointer_input;
    std::vector<std::string> expected_log;
    bool handled;
  };
  const Case cases[] = {
      {"first handler takes it", true, false, false, false, {"h1"}, true},
      {"handler marks handled", false, true, false, false, {"h1"}, true},
      {"function takes it", false, false, true, false, {"h1", "h2", "fn"}, true},
      {"pointer input takes it", false, false, false, true, {"h1", "h2", "fn"}, true},
      {"nobody takes it", false, false, false, false, {"h1", "h2", "fn"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> log;
    View view;
    view.arrange({10, 20, 30, 30}, {});
    view.set_pointer_input(c.pointer_input);
    view.add_pointer_handler(std::make_shared<NamedHandler>(log, "h1", c.first_handles, c.first_marks));
    view.add_pointer_handler(std::make_shared<NamedHandler>(log, "h2", false));
    Point seen_local{-1, -1};
    view.set_pointer_function([&](PointerEvent& event) {
      log.push_back("fn");
      seen_local = event.local_position;
      return c.function_handles;
    });
    View outer;
    PointerEvent event;
    event.position = {15, 25};
    event.current = &outer;
    event.local_position = {1, 2};

    EXPECT_EQ(view.dispatch_pointer(event), c.handled);

    EXPECT_EQ(log, c.expected_log);
    EXPECT_EQ(event.handled, c.handled);
    EXPECT_EQ(event.handler, c.handled ? &view : nullptr);
    EXPECT_EQ(event.current, &outer);
    EXPECT_EQ(event.local_position.x, 1.0f);
    if (log.size() == 3) {
      EXPECT_EQ(seen_local.x, 5.0f);
    }
  }
}

TEST(ViewPointerTest, EnterAndLeaveTrackHoveringPointers) {
  ProbeView view;
  view.set_pointer_input(true);
  PointerEvent enter;
  enter.action = kPointerEnter;
  enter.pointer_id = 3;
  PointerEvent second = enter;
  second.pointer_id = 4;

  EXPECT_FALSE(view.dispatch_pointer(enter));  // enter and leave are not handled
  view.dispatch_pointer(second);
  EXPECT_TRUE(view.is_hovered());
  EXPECT_EQ(view.state_changes.size(), 1u);
  PointerEvent leave = enter;
  leave.action = kPointerLeave;
  view.dispatch_pointer(leave);
  EXPECT_TRUE(view.is_hovered());
  leave.pointer_id = 4;
  view.dispatch_pointer(leave);
  EXPECT_FALSE(view.is_hovered());
  EXPECT_EQ(view.state_changes.size(), 2u);
}

// ---- Slot defaults ----

TEST(ViewTest, FocusAndCursorFollowFlags) {
  View view;
  EXPECT_FALSE(view.can_focus());
  EXPECT_EQ(view.cursor_kind(), kCursorNone);
  view.set_focusable(true).set_pointer_input(true);
  EXPECT_TRUE(view.can_focus());
  EXPECT_EQ(view.cursor_kind(), kCursorHand);
  layout::LayoutParams params;
  params.visibility = layout::kHidden;
  view.set_layout_params(params);
  EXPECT_FALSE(view.can_focus());
  view.set_enabled(false);
  EXPECT_EQ(view.cursor_kind(), kCursorNone);
}

TEST(ViewTest, PlainViewMeasuresToItsExplicitSizeWithinLimits) {
  View view;
  EXPECT_EQ(view.measure(layout::make_unbounded_size(100, 100), {}), (layout::Size{0, 0}));
  layout::LayoutParams params = testing::sized(40, 500);
  params.max_height = 60;
  params.padding = {5, 5, 5, 5};
  view.set_layout_params(params);
  EXPECT_EQ(view.measure(layout::make_unbounded_size(100, 100), {}), (layout::Size{40, 60}));
}

TEST(ViewTest, FocusActionAsksHostWithProgrammaticOrigin) {
  FakeViewHost host;
  View view;
  view.set_focusable(true);
  view.attach_host(&host);
  host.focus_result = false;

  ElementAction action;
  action.kind = ElementAction::kFocus;
  EXPECT_FALSE(view.perform_element_action(action));
  host.focus_result = true;
  EXPECT_TRUE(view.perform_element_action(action));
  ASSERT_EQ(host.focus_requests.size(), 2u);
  EXPECT_EQ(host.focus_requests[1].view, &view);
  EXPECT_EQ(host.focus_requests[1].origin, kFocusProgrammatic);
}

TEST(ViewTest, ContextMenuFocusesAndMarksHandled) {
  FakeViewHost host;
  View view;
  view.arrange({10, 10, 20, 20}, {});
  view.set_focusable(true);
  view.attach_host(&host);
  PointerEvent seen;
  view.set_context_menu_function([&](PointerEvent& event) {
    seen = event;
    return true;
  });

  PointerEvent event;
  event.action = kPointerContextMenu;
  event.device = kDeviceKeyboard;
  event.position = {15, 15};
  ASSERT_TRUE(view.dispatch_context_menu(event));

  EXPECT_EQ(seen.current, &view);
  EXPECT_EQ(seen.local_position.x, 5.0f);
  EXPECT_TRUE(event.handled);
  EXPECT_EQ(event.handler, &view);
  ASSERT_EQ(host.focus_requests.size(), 1u);
  EXPECT_EQ(host.focus_requests[0].origin, kFocusKeyboard);

  view.set_enabled(false);
  PointerEvent refused;
  EXPECT_FALSE(view.dispatch_context_menu(refused));
}

TEST(ViewTest, TokenOverridesAreFoundUpTheAncestors) {
  auto base = std::make_shared<TokenDictionary>();
  base->set_color(1, {1, 2, 3}).set_metric(2, 8.0f);
  auto chained = std::make_shared<TokenDictionary>(base);
  chained->set_color(3, {9, 9, 9});
  OverlayPanel root;
  root.set_token_overrides(chained);
  auto* middle = static_cast<ViewGroup*>(root.add_child(std::make_unique<OverlayPanel>()));
  View* leaf = middle->add_child(std::make_unique<View>());
  auto own = std::make_shared<TokenDictionary>();
  own->set_color(1, {7, 7, 7});
  middle->set_token_overrides(own);

  EXPECT_EQ(leaf->find_color_override(1), (ui::graphics::Color{7, 7, 7}));
  EXPECT_EQ(leaf->find_color_override(3), (ui::graphics::Color{9, 9, 9}));
  EXPECT_EQ(root.find_color_override(1), (ui::graphics::Color{1, 2, 3}));
  EXPECT_EQ(leaf->find_metric_override(2), 8.0f);
  EXPECT_FALSE(leaf->find_color_override(4).has_value());
  EXPECT_FALSE(leaf->find_metric_override(1).has_value());
}

// ---- Accessibility ----

TEST(ViewTest, DescribeStartsFromTheFlagsAndAddsFocusAction) {
  ProbeView view;
  view.set_selected(true);
  ElementInfo info;
  info.name = L"stale";
  view.describe_element(info);
  EXPECT_TRUE(info.name.empty());
  EXPECT_TRUE(info.enabled);
  EXPECT_TRUE(info.selected);
  EXPECT_FALSE(info.focusable);
  EXPECT_FALSE(info.has_flag(ElementAction::kFocus));

  view.set_focusable(true);
  view.describe_element(info);
  EXPECT_TRUE(info.focusable);
  EXPECT_TRUE(info.has_flag(ElementAction::kFocus));
}

TEST(ViewTest, OverridesReplaceTheDescribedFields) {
  ProbeView view;
  view.described.role = ElementRole::kButton;
  view.described.name = L"Described";
  view.described.help_text = L"Described help";
  view.described.exposed = true;

  ElementInfo info;
  view.set_accessible_help(std::wstring());
  view.describe_element(info);
  EXPECT_EQ(info.name, L"Described");
  EXPECT_EQ(info.help_text, L"Described help");

  view.set_accessible_name(std::wstring());
  view.set_accessible_help(L"Help");
  view.set_accessible_role(ElementRole::kSwitch);
  view.set_accessibility_exposed(false);
  view.describe_element(info);
  EXPECT_EQ(info.name, L"");
  EXPECT_EQ(info.help_text, L"Help");
  EXPECT_EQ(info.role, ElementRole::kSwitch);
  EXPECT_FALSE(info.exposed);

  view.set_accessible_role(std::nullopt);
  view.set_accessibility_exposed(std::nullopt);
  view.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kButton);
  EXPECT_TRUE(info.exposed);
}

TEST(ViewTest, ActionNotInTheFlagsIsRefused) {
  ProbeView view;
  view.described.add_flags(ElementAction::kInvoke | ElementAction::kExpand);
  struct Case {
    std::int32_t kind;
    bool accepted;
  };
  const Case cases[] = {{ElementAction::kInvoke, true},  {ElementAction::kExpand, true},
                        {ElementAction::kToggle, false}, {ElementAction::kCollapse, false},
                        {ElementAction::kInvoke | ElementAction::kToggle, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    view.performed.clear();
    ElementAction action;
    action.kind = c.kind;
    EXPECT_EQ(view.perform_element_action(action), c.accepted);
    EXPECT_EQ(view.performed.size(), c.accepted ? 1u : 0u);
  }
}

TEST(ElementInfoTest, FlagsAddAndTest) {
  ElementInfo info;
  EXPECT_FALSE(info.has_flag(0));
  info.add_flags(ElementAction::kToggle);
  info.add_flags(ElementAction::kCollapse);
  EXPECT_EQ(info.action_flags, 130);
  EXPECT_TRUE(info.has_flag(ElementAction::kCollapse));
  EXPECT_FALSE(info.has_flag(ElementAction::kExpand));
  EXPECT_FALSE(info.has_flag(0));
}


// ---- Rendering ----

// The canvas log with each draw_text reduced to its label.
std::vector<std::string> summary(const quorvel::test::FakeCanvas& canvas) {
  std::vector<std::string> result;
  for (const std::string& line : canvas.calls) {
    if (line.rfind("draw_text \"", 0) == 0) {
      const std::size_t end = line.find('"', 11);
      result.push_back(line.substr(11, end - 11));
    } else {
      result.push_back(line.substr(0, line.find(' ')));
    }
  }
  return result;
}

template <typename T>
T* decorate(T* view, const std::wstring& label) {
  view->set_background(std::make_shared<testing::LabelDrawable>(L"bg:" + label));
  view->set_foreground(std::make_shared<testing::LabelDrawable>(L"fg:" + label));
  return view;
}

DrawContext::Setup setup_for(quorvel::test::FakeCanvas& canvas,
                             const ui::graphics::RenderPalette& palette) {
  DrawContext::Setup setup;
  setup.canvas = &canvas;
  setup.palette = &palette;
  return setup;
}

TEST(ViewRenderTest, DrawsInOrderInsideSavedState) {
  quorvel::test::FakeCanvas canvas;
  const ui::graphics::RenderPalette palette{};
  testing::ProbeGroup group(L"G");
  decorate(&group, L"G");
  View* child = group.add_child(make_sized(10, 10, L"C"));
  decorate(child, L"C");
  testing::lay_out(group, 0, 0, 100, 100);
  group.set_opacity(0.5f);
  group.set_render_transform(1, 0, 0, 1, 10, 0);
  child->set_opacity(0.5f);
  DrawContext::Setup setup = setup_for(canvas, palette);
  setup.scale = 2.0f;
  DrawContext context(setup);

  group.render(context);

  EXPECT_EQ(summary(canvas),
            (std::vector<std::string>{"save", "set_transform", "set_opacity", "bg:G", "draw:G",
                                      "save", "set_transform", "set_opacity", "bg:C", "draw:C",
                                      "fg:C", "restore", "fg:G", "restore"}));
  EXPECT_EQ(canvas.calls[6], "set_transform 1 0 0 1 20 0");
  EXPECT_EQ(canvas.calls[7], "set_opacity 0.25");
  // The drawables get the view's pixel rectangle and its state.
  EXPECT_EQ(canvas.calls[8],
            "draw_text \"bg:C\" 0 0 20 20 font 1 #000000 align 0 0 multi dir 0");
  EXPECT_EQ(canvas.save_depth(), 0);
  EXPECT_EQ(context.current_view(), nullptr);
  EXPECT_EQ(context.opacity(), 1.0f);
}

TEST(ViewRenderTest, HiddenOrTransparentSubtreesDrawNothing) {
  struct Case {
    const char* name;
    std::function<void(View&)> change;
  };
  const Case cases[] = {
      {"hidden", [](View& v) {
         layout::LayoutParams params = v.layout_params();
         params.visibility = layout::kHidden;
         v.set_layout_params(params);
       }},
      {"collapsed", [](View& v) {
         layout::LayoutParams params = v.layout_params();
         params.visibility = layout::kCollapsed;
         v.set_layout_params(params);
       }},
      {"opacity 0", [](View& v) { v.set_opacity(0.0f); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    quorvel::test::FakeCanvas canvas;
    const ui::graphics::RenderPalette palette{};
    testing::ProbeGroup root(L"R");
    auto* group = root.add_child(std::make_unique<testing::ProbeGroup>(L"G"));
    static_cast<ViewGroup*>(group)->add_child(make_sized(10, 10, L"C"));
    testing::lay_out(root, 0, 0, 100, 100);
    c.change(*group);
    DrawContext context(setup_for(canvas, palette));

    root.render(context);

    EXPECT_EQ(summary(canvas), (std::vector<std::string>{"save", "set_transform", "set_opacity",
                                                         "draw:R", "restore"}));
  }
}

TEST(ViewRenderTest, ClippingGroupOutsideTheClipIsSkippedNonClippingIsEntered) {
  for (const bool clips : {false, true}) {
    SCOPED_TRACE(clips);
    quorvel::test::FakeCanvas canvas;
    const ui::graphics::RenderPalette palette{};
    testing::ProbeGroup group(L"G");
    View* child = group.add_child(make_sized(20, 20, L"C"));
    testing::lay_out(group, 200, 200, 20, 20);
    // The child is drawn back inside the painted area.
    child->set_render_transform(1, 0, 0, 1, -200, -200);
    group.set_clips_children(clips);
    DrawContext::Setup setup = setup_for(canvas, palette);
    setup.dirty_rect = layout::LayoutRect{0, 0, 50, 50};
    DrawContext context(setup);

    group.render(context);

    if (clips) {
      EXPECT_TRUE(canvas.calls.empty());
    } else {
      const std::vector<std::string> log = summary(canvas);
      EXPECT_EQ(std::count(log.begin(), log.end(), "draw:C"), 1);
      EXPECT_EQ(std::count(log.begin(), log.end(), "draw:G"), 1);
    }
  }
}

TEST(ViewRenderTest, LeafOutsideTheClipIsSkipped) {
  quorvel::test::FakeCanvas canvas;
  const ui::graphics::RenderPalette palette{};
  ProbeView view(L"V");
  view.arrange({60, 0, 10, 10}, {});
  DrawContext::Setup setup = setup_for(canvas, palette);
  setup.dirty_rect = layout::LayoutRect{0, 0, 50, 50};
  DrawContext context(setup);

  view.render(context);
  EXPECT_TRUE(canvas.calls.empty());

  // Within the 4-DIP margin it is drawn.
  view.arrange({53, 0, 10, 10}, {});
  view.render(context);
  EXPECT_EQ(canvas.count("draw_text"), 1u);
}

TEST(ViewRenderTest, ClippingViewClipsTheCanvasToItsPixels) {
  quorvel::test::FakeCanvas canvas;
  const ui::graphics::RenderPalette palette{};
  ViewGroup group;
  group.arrange({5, 10, 20, 30}, {});
  group.set_clips_children(true);
  DrawContext::Setup setup = setup_for(canvas, palette);
  setup.scale = 2.0f;
  setup.scroll_offset = 4.0f;
  DrawContext context(setup);

  group.render(context);

  EXPECT_EQ(canvas.calls, (std::vector<std::string>{"save", "set_transform 1 0 0 1 0 0",
                                                    "set_opacity 1", "clip_rect 10 12 50 72",
                                                    "restore"}));
}

}  // namespace
}  // namespace win32_ui::modern
