// The view root's tree, listeners, repaint and layout requests, passes,
// statistics and semantic snapshot.
#include "ui/views/view_root.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/ui/views/fake_canvas.h"
#include "tests/fakes/ui/views/fake_frame_scheduler.h"
#include "tests/fakes/ui/views/fake_input_adapter.h"
#include "tests/ui/views/logging_views.h"
#include "tests/ui/views/test_views.h"
#include "ui/views/draw_context.h"

namespace win32_ui::modern {
namespace {

using namespace std::chrono_literals;
using quorvel::test::FakeCanvas;
using quorvel::test::FakeFrameScheduler;
using quorvel::test::FakeInputAdapter;
using testing::add_placed;
using testing::Log;
using testing::LogGroup;
using testing::LogView;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct RootFixture {
  Log log;
  FakeFrameScheduler scheduler;
  FakeInputAdapter adapter;
  ViewRoot root;
  std::vector<View*> root_changes;
  std::vector<int> invalidations;
  std::vector<std::uint64_t> revisions;

  RootFixture() {
    root.set_frame_scheduler(&scheduler);
    root.set_input_adapter(&adapter);
    root.set_root_changed_listener([this](View* view) { root_changes.push_back(view); });
    root.set_invalidation_listener([this](int kind) { invalidations.push_back(kind); });
    root.set_semantics_listener([this](std::uint64_t r) { revisions.push_back(r); });
  }
  void settle() {
    root.mark_painted(root.paint_generation());
    scheduler.frames.clear();
    invalidations.clear();
  }
};

TEST(ViewRootTest, StartsEmptyNeedingLayoutPaintAndSemantics) {
  ViewRoot root;
  EXPECT_EQ(root.root_view(), nullptr);
  EXPECT_TRUE(root.needs_layout());
  EXPECT_TRUE(root.needs_paint());
  EXPECT_TRUE(root.semantics_stale());
  EXPECT_EQ(root.semantics_revision(), 1u);
  EXPECT_EQ(root.dispatch_depth(), 0);
  EXPECT_EQ(root.animation_clock(), root.animation_clock());
  EXPECT_NE(root.animation_clock(), nullptr);
}

TEST(ViewRootTest, SetRootOutsideDispatchInstallsAtOnce) {
  RootFixture f;
  auto first = std::make_unique<LogGroup>(f.log, "first");
  LogGroup* first_raw = first.get();
  f.root.set_root(std::move(first));
  f.settle();
  EXPECT_EQ(f.root.root_view(), first_raw);
  EXPECT_EQ(first_raw->host(), &f.root);
  EXPECT_EQ(f.root.focus_manager().scope(), first_raw);

  f.root.set_root(std::make_unique<LogGroup>(f.log, "second"));

  EXPECT_EQ(f.log.lines, std::vector<std::string>{"free first"});
  ASSERT_EQ(f.root_changes.size(), 2u);
  EXPECT_EQ(f.root_changes[1], f.root.root_view());
  EXPECT_TRUE(f.root.needs_layout());
  EXPECT_EQ(f.scheduler.frames, std::vector<int>{1});
  EXPECT_EQ(f.invalidations, std::vector<int>{1});
}

TEST(ViewRootTest, SetRootFromAHandlerWaitsForTheDispatchToReturn) {
  RootFixture f;
  auto old_tree = std::make_unique<LogGroup>(f.log, "old");
  LogView* button = add_placed<LogView>(*old_tree, 0, 0, 10, 10, f.log, "button");
  f.root.set_root(std::move(old_tree));
  f.root_changes.clear();

  View* replacement = nullptr;
  button->add_event_handler(Event::kInvoked, [&](Event&) {
    auto view = std::make_unique<LogGroup>(f.log, "new");
    replacement = view.get();
    f.root.set_root(std::move(view));
    f.log.add("set_root returned");
    EXPECT_EQ(f.root.parked_view(), replacement);
    EXPECT_EQ(replacement->host(), &f.root);  // attached at once
  });
  button->add_event_handler_in_phase(Event::kInvoked, Event::kPhaseBubble,
                                     [&](Event&) { f.log.add("bubble"); });
  static_cast<LogGroup*>(f.root.root_view())->add_event_handler_in_phase(Event::kInvoked, Event::kPhaseBubble,
                                                 [&](Event&) { f.log.add("root bubble"); });
  f.root.set_event_observer([&](const Event&) {
    f.log.add("observer");
    EXPECT_TRUE(f.root_changes.empty());
  });

  Event event;
  button->post_event(event);

  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"set_root returned", "root bubble", "observer",
                                                   "free old", "free button"}));
  EXPECT_EQ(f.root.root_view(), replacement);
  EXPECT_EQ(f.root.parked_view(), nullptr);
  EXPECT_EQ(f.root_changes, std::vector<View*>{replacement});
}

TEST(ViewRootTest, SecondParkedViewFreesTheFirst) {
  RootFixture f;
  f.root.set_root(std::make_unique<LogGroup>(f.log, "old"));
  f.root_changes.clear();
  View* second = nullptr;
  f.root.set_event_listener([&](Event&) {
    f.root.set_root(std::make_unique<LogGroup>(f.log, "parked1"));
    EXPECT_TRUE(f.log.lines.empty());
    auto view = std::make_unique<LogGroup>(f.log, "parked2");
    second = view.get();
    f.root.set_root(std::move(view));
    EXPECT_EQ(f.log.lines, std::vector<std::string>{"free parked1"});
  });

  Event event;
  f.root.dispatch_event(event);

  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"free parked1", "free old"}));
  EXPECT_EQ(f.root.root_view(), second);
  EXPECT_EQ(f.root_changes, std::vector<View*>{second});
}

TEST(ViewRootTest, InstallReleasesPointerStateAndDropsFocus) {
  RootFixture f;
  auto tree = std::make_unique<LogGroup>(f.log, "old");
  LogView* button = add_placed<LogView>(*tree, 0, 0, 50, 50, f.log, "button");
  button->set_pointer_input(true);
  button->set_focusable(true);
  f.root.set_root(std::move(tree));
  f.root.layout(100, 100, {});
  std::vector<View*> focus_changes;
  f.root.focus_manager().set_callback(
      [&](View*, View* now, FocusOrigin origin) {
        focus_changes.push_back(now);
        EXPECT_EQ(origin, kFocusProgrammatic);
      });
  ASSERT_TRUE(f.root.request_focus(button, kFocusProgrammatic));
  PointerEvent down;
  down.position = {10, 10};
  f.root.dispatch_pointer(down);
  ASSERT_EQ(f.root.captured_view(1), button);

  f.root.set_root(std::make_unique<LogGroup>(f.log, "new"));

  EXPECT_EQ(f.root.captured_view(1), nullptr);
  EXPECT_EQ(f.root.hovered_view(1), nullptr);
  EXPECT_EQ(f.root.focus_manager().focused_view(), nullptr);
  EXPECT_EQ(f.adapter.calls, (std::vector<std::string>{"capture 1", "release 1"}));
  EXPECT_EQ(focus_changes, (std::vector<View*>{button, nullptr}));
}

TEST(ViewRootTest, RepaintRequestsJoinTheDirtyRegionAndTellTheScheduler) {
  struct Case {
    const char* name;
    layout::LayoutRect area;
    bool dirty;
    bool all;
  };
  const Case cases[] = {
      {"plain", {10, 20, 30, 40}, true, false},
      {"NaN width", {10, 20, kNaN, 40}, true, true},
      {"infinite x", {kInf, 20, 30, 40}, true, true},
      {"zero width", {10, 20, 0, 40}, false, false},
      {"negative height", {10, 20, 30, -1}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RootFixture f;
    f.settle();
    const std::uint64_t generation = f.root.paint_generation();

    f.root.invalidate_rect(c.area);

    EXPECT_EQ(f.root.needs_paint(), c.dirty);
    EXPECT_EQ(f.root.dirty_region().is_all(), c.all);
    EXPECT_EQ(f.root.paint_generation(), generation + (c.dirty ? 1 : 0));
    EXPECT_EQ(f.scheduler.frames, c.dirty ? std::vector<int>{0} : std::vector<int>{});
    EXPECT_EQ(f.invalidations, c.dirty ? std::vector<int>{0} : std::vector<int>{});
    if (c.dirty && !c.all) {
      ASSERT_TRUE(f.root.dirty_region().bounds().has_value());
      EXPECT_EQ(f.root.dirty_region().bounds()->width, 30.0f);
    }
  }
}

TEST(ViewRootTest, LayoutRequestDirtiesEverythingAndAsksForALayoutFrame) {
  RootFixture f;
  f.root.layout(100, 100, {});
  f.settle();
  EXPECT_FALSE(f.root.needs_layout());

  f.root.request_layout();

  EXPECT_TRUE(f.root.needs_layout());
  EXPECT_TRUE(f.root.needs_paint());
  EXPECT_TRUE(f.root.dirty_region().is_all());
  EXPECT_EQ(f.scheduler.frames, std::vector<int>{1});
  EXPECT_EQ(f.invalidations, std::vector<int>{1});
}

TEST(ViewRootTest, MarkPaintedWithAnOlderGenerationKeepsTheDirtyRegion) {
  RootFixture f;
  f.settle();
  f.root.invalidate_rect({0, 0, 10, 10});
  const std::uint64_t painted = f.root.paint_generation();
  f.root.invalidate_rect({50, 50, 10, 10});  // arrives while painting

  f.root.mark_painted(painted);
  EXPECT_TRUE(f.root.needs_paint());
  ASSERT_TRUE(f.root.dirty_region().bounds().has_value());
  EXPECT_EQ(f.root.dirty_region().bounds()->width, 60.0f);

  f.root.mark_painted(f.root.paint_generation());
  EXPECT_FALSE(f.root.needs_paint());
  EXPECT_FALSE(f.root.dirty_region().bounds().has_value());
  EXPECT_FALSE(f.root.dirty_region().is_all());
}

TEST(ViewRootTest, LayoutGivesTheRootItsDesiredHeightWhenTaller) {
  RootFixture f;
  auto tall = std::make_unique<View>();
  layout::LayoutParams params;
  params.height = 250;
  params.has_height = true;
  tall->set_layout_params(params);
  View* view = tall.get();
  f.root.set_root(std::move(tall));
  f.settle();
  const std::uint64_t generation = f.root.paint_generation();
  const std::uint64_t revision = f.root.semantics_revision();

  const ViewRoot::LayoutResult result = f.root.layout(300, 100, {});

  EXPECT_EQ(result.viewport_width, 300.0f);
  EXPECT_EQ(result.viewport_height, 100.0f);
  EXPECT_EQ(result.content_width, 300.0f);
  EXPECT_EQ(result.content_height, 250.0f);
  EXPECT_EQ(view->bounds(), (layout::LayoutRect{0, 0, 300, 250}));
  EXPECT_FALSE(f.root.needs_layout());
  EXPECT_TRUE(f.root.needs_paint());
  EXPECT_TRUE(f.root.dirty_region().is_all());
  EXPECT_EQ(f.root.paint_generation(), generation + 1);
  EXPECT_EQ(f.root.semantics_revision(), revision + 1);

  // A shorter root is stretched to the viewport.
  const ViewRoot::LayoutResult wide = f.root.layout(300, 400, {});
  EXPECT_EQ(wide.content_height, 400.0f);
}

TEST(ViewRootTest, NaNOrNegativeViewportSizesBecomeZero) {
  const float bad[] = {kNaN, -5.0f, -kInf};
  for (const float value : bad) {
    SCOPED_TRACE(value);
    ViewRoot empty;
    const ViewRoot::LayoutResult none = empty.layout(value, value, {});
    EXPECT_EQ(none.viewport_width, 0.0f);
    EXPECT_EQ(none.viewport_height, 0.0f);
    EXPECT_EQ(none.content_width, 0.0f);
    EXPECT_EQ(none.content_height, 0.0f);
    EXPECT_FALSE(empty.needs_layout());

    ViewRoot root;
    root.set_root(std::make_unique<View>());
    const ViewRoot::LayoutResult result = root.layout(value, value, {});
    EXPECT_EQ(result.viewport_width, 0.0f);
    EXPECT_EQ(result.content_width, 0.0f);
    EXPECT_EQ(result.content_height, 0.0f);
  }
}

TEST(ViewRootTest, LayoutDropsTheFocusOfAViewThatWasDisabled) {
  RootFixture f;
  auto tree = std::make_unique<LogGroup>(f.log, "tree");
  LogView* button = add_placed<LogView>(*tree, 0, 0, 10, 10, f.log, "button");
  button->set_focusable(true);
  f.root.set_root(std::move(tree));
  std::vector<FocusOrigin> origins;
  f.root.focus_manager().set_callback(
      [&](View*, View*, FocusOrigin origin) { origins.push_back(origin); });
  ASSERT_TRUE(button->request_focus(kFocusKeyboard));

  button->set_enabled(false);
  EXPECT_EQ(f.root.focus_manager().focused_view(), button);  // until the layout
  f.root.layout(100, 100, {});

  EXPECT_EQ(f.root.focus_manager().focused_view(), nullptr);
  EXPECT_FALSE(button->is_focused());
  EXPECT_EQ(origins, (std::vector<FocusOrigin>{kFocusKeyboard, kFocusProgrammatic}));
}

TEST(ViewRootTest, FocusRequestsPassKnownOriginsAndOthersAsProgrammatic) {
  const FocusOrigin given[] = {kFocusPointer, kFocusKeyboard, kFocusNative, kFocusProgrammatic, 9,
                               -1};
  const FocusOrigin expected[] = {kFocusPointer,      kFocusKeyboard,     kFocusNative,
                                  kFocusProgrammatic, kFocusProgrammatic, kFocusProgrammatic};
  for (std::size_t i = 0; i < std::size(given); ++i) {
    SCOPED_TRACE(given[i]);
    ViewRoot root;
    auto view = std::make_unique<View>();
    view->set_focusable(true);
    View* raw = view.get();
    root.set_root(std::move(view));
    FocusOrigin seen = -100;
    root.focus_manager().set_callback([&](View*, View*, FocusOrigin origin) { seen = origin; });
    EXPECT_TRUE(root.request_focus(raw, given[i]));
    EXPECT_EQ(seen, expected[i]);
  }
}

TEST(ViewRootTest, ForEachViewVisitsParentsBeforeChildrenInOrder) {
  RootFixture f;
  std::vector<View*> seen;
  f.root.for_each_view([&](View& v) { seen.push_back(&v); });
  EXPECT_TRUE(seen.empty());

  auto tree = std::make_unique<LogGroup>(f.log, "root");
  auto* a = add_placed<LogGroup>(*tree, 0, 0, 10, 10, f.log, "a");
  View* a1 = add_placed<View>(*a, 0, 0, 1, 1);
  View* b = add_placed<View>(*tree, 0, 0, 1, 1);
  View* root_view = tree.get();
  f.root.set_root(std::move(tree));

  f.root.for_each_view([&](View& v) { seen.push_back(&v); });
  EXPECT_EQ(seen, (std::vector<View*>{root_view, a, a1, b}));
  f.root.for_each_view({});  // an empty function is ignored
}

TEST(ViewRootTest, AnimationsStartTheFrameTimer) {
  ViewRoot root;
  FakeFrameScheduler scheduler;
  root.animation_clock()->start(nullptr, 0, {}, [](float) {}, {}, root.animation_time());
  root.set_frame_scheduler(&scheduler);  // an animation already waits
  EXPECT_EQ(scheduler.timer_starts, 1u);

  root.animation_clock()->start(nullptr, 0, {}, [](float) {}, {}, root.animation_time());
  EXPECT_EQ(scheduler.timer_starts, 2u);
  EXPECT_FALSE(root.tick_animations(root.animation_time() + 1s));
}

TEST(ViewRootTest, DrawRendersTheRootView) {
  ViewRoot root;
  FakeCanvas canvas;
  DrawContext::Setup setup;
  setup.canvas = &canvas;
  DrawContext empty_context(setup);
  root.draw(empty_context);
  EXPECT_TRUE(canvas.calls.empty());

  root.set_root(std::make_unique<testing::ProbeView>(L"root"));
  root.layout(40, 30, {});
  DrawContext context(setup);
  root.draw(context);
  EXPECT_EQ(canvas.count("draw_text"), 1u);
  EXPECT_EQ(canvas.save_depth(), 0);
}

// Moves the root's time on by a set step each time it measures.
class SlowView : public View {
 public:
  SlowView(ViewRoot::TimePoint& now, std::chrono::nanoseconds step) : step_(step), now_(now) {}
  std::chrono::nanoseconds step_;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override {
    now_ += step_;
    return View::measure_override(content, context);
  }
  void draw(DrawContext&) override { now_ += step_ / 2; }

 private:
  ViewRoot::TimePoint& now_;
};

TEST(ViewRootTest, StatisticsRecordEachPassOnTheInjectedClockOnlyWhileEnabled) {
  ViewRoot root;
  ViewRoot::TimePoint now{100s};
  root.set_time_source([&] { return now; });
  auto view = std::make_unique<SlowView>(now, 3ms);
  SlowView* slow = view.get();
  root.set_root(std::move(view));
  FakeCanvas canvas;
  DrawContext::Setup setup;
  setup.canvas = &canvas;

  root.layout(100, 100, {});  // disabled: nothing recorded
  EXPECT_EQ(root.layout_statistics().count, 0u);

  root.set_statistics_enabled(true);
  EXPECT_TRUE(root.statistics_enabled());
  slow->invalidate_upward();
  root.layout(100, 100, {});
  slow->step_ = 7ms;
  slow->invalidate_upward();
  root.layout(100, 100, {});
  slow->step_ = 2ms;
  slow->invalidate_upward();
  root.layout(100, 100, {});
  DrawContext context(setup);
  root.draw(context);

  const ViewRoot::PassStatistics& layout = root.layout_statistics();
  EXPECT_EQ(layout.count, 3u);
  EXPECT_EQ(layout.last, 2'000'000);
  EXPECT_EQ(layout.total, 12'000'000);
  EXPECT_EQ(layout.maximum, 7'000'000);
  const ViewRoot::PassStatistics& draw = root.draw_statistics();
  EXPECT_EQ(draw.count, 1u);
  EXPECT_EQ(draw.last, 1'000'000);

  root.set_statistics_enabled(false);
  slow->invalidate_upward();
  root.layout(100, 100, {});
  EXPECT_EQ(root.layout_statistics().count, 3u);
}

// Counts how often it is described.
class CountingView : public View {
 public:
  mutable int described = 0;
  void describe(ElementInfo& info) const override {
    ++described;
    info.exposed = true;
  }
};

TEST(ViewRootTest, SemanticsRevisionGrowsByOnePerChangeAndTheTreeRebuildsOnlyWhenStale) {
  RootFixture f;
  auto tree = std::make_unique<CountingView>();
  CountingView* view = tree.get();
  f.root.set_root(std::move(tree));
  f.revisions.clear();
  const std::uint64_t start = f.root.semantics_revision();

  view->set_accessible_name(L"one");
  view->set_accessible_name(L"two");
  EXPECT_EQ(f.revisions, (std::vector<std::uint64_t>{start + 1, start + 2}));
  EXPECT_EQ(f.root.semantics_revision(), start + 2);

  const SemanticTree& tree_ref = f.root.semantic_tree();
  EXPECT_EQ(view->described, 1);
  EXPECT_FALSE(f.root.semantics_stale());
  EXPECT_EQ(tree_ref.generation(), start + 2);
  ASSERT_NE(tree_ref.find(view->id()), nullptr);
  EXPECT_EQ(tree_ref.find(view->id())->info.name, L"two");

  f.root.semantic_tree();
  EXPECT_EQ(view->described, 1);  // not stale: no rebuild

  f.root.notify_semantics_changed();
  EXPECT_TRUE(f.root.semantics_stale());
  f.root.semantic_tree();
  EXPECT_EQ(view->described, 2);
}

TEST(ViewRootTest, DestroyingTheRootReleasesCapturesAndFreesTheTreeWithoutCallingItsOwner) {
  Log log;
  FakeInputAdapter adapter;
  int owner_calls = 0;
  {
    ViewRoot root;
    root.set_input_adapter(&adapter);
    auto tree = std::make_unique<LogGroup>(log, "tree");
    LogView* button = add_placed<LogView>(*tree, 0, 0, 50, 50, log, "button");
    button->set_pointer_input(true);
    button->set_focusable(true);
    root.set_root(std::move(tree));
    root.layout(100, 100, {});
    button->request_focus(kFocusPointer);
    root.focus_manager().set_callback([&](View*, View*, FocusOrigin) { ++owner_calls; });
    root.set_semantics_listener([&](std::uint64_t) { ++owner_calls; });
    PointerEvent down;
    down.position = {10, 10};
    root.dispatch_pointer(down);
  }
  EXPECT_EQ(adapter.calls, (std::vector<std::string>{"capture 1", "release 1"}));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"button down", "free tree", "free button"}));
  EXPECT_EQ(owner_calls, 0);
}

TEST(ViewRootTest, ChangingTheInputAdapterReleasesPointerStateThroughTheOldOne) {
  RootFixture f;
  auto tree = std::make_unique<LogGroup>(f.log, "tree");
  LogView* button = add_placed<LogView>(*tree, 0, 0, 50, 50, f.log, "button");
  button->set_pointer_input(true);
  LogGroup* group = tree.get();
  f.root.set_root(std::move(tree));
  f.root.layout(100, 100, {});
  PointerEvent down;
  down.position = {10, 10};
  f.root.dispatch_pointer(down);
  ASSERT_EQ(group->tracked_child(1), button);

  FakeInputAdapter next;
  f.root.set_input_adapter(&next);
  f.root.set_input_adapter(&next);  // unchanged: nothing more

  EXPECT_EQ(f.adapter.calls, (std::vector<std::string>{"capture 1", "release 1"}));
  EXPECT_TRUE(next.calls.empty());
  EXPECT_EQ(f.root.captured_view(1), nullptr);
  EXPECT_EQ(group->tracked_child(1), nullptr);
}

}  // namespace
}  // namespace win32_ui::modern
