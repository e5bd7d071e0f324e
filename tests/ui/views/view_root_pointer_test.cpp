// Pointer routing through the view root: capture, hover, touch, wheel and
// context menus.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/ui/views/fake_input_adapter.h"
#include "tests/ui/views/logging_views.h"
#include "ui/views/view_root.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeInputAdapter;
using testing::add_placed;
using testing::Log;
using testing::LogGroup;
using testing::LogView;

// root (300 x 200) > panel (0, 0, 200, 100) > a (10, 10, 50, 30) and
// b (100, 10, 50, 30); a and b take pointer input.
struct PointerFixture {
  Log log;
  FakeInputAdapter adapter;
  ViewRoot root;
  LogGroup* top = nullptr;
  LogGroup* panel = nullptr;
  LogView* a = nullptr;
  LogView* b = nullptr;

  PointerFixture() {
    auto tree = std::make_unique<LogGroup>(log, "root");
    top = tree.get();
    panel = add_placed<LogGroup>(*top, 0, 0, 200, 100, log, "panel");
    a = add_placed<LogView>(*panel, 10, 10, 50, 30, log, "a");
    b = add_placed<LogView>(*panel, 100, 10, 50, 30, log, "b");
    a->set_pointer_input(true);
    b->set_pointer_input(true);
    root.set_input_adapter(&adapter);
    root.set_root(std::move(tree));
    root.layout(300, 200, {});
  }
  PointerEvent send(PointerAction action, float x, float y,
                    PointerDevice device = kDeviceMouse, std::uint32_t id = 1) {
    PointerEvent event;
    event.action = action;
    event.device = device;
    event.pointer_id = id;
    event.position = {x, y};
    root.dispatch_pointer(event);
    return event;
  }
};

TEST(ViewRootPointerTest, HandledDownCapturesAndTheGestureFollowsTheHolder) {
  PointerFixture f;
  const PointerEvent down = f.send(kPointerDown, 20, 20);
  EXPECT_TRUE(down.handled);
  EXPECT_EQ(down.handler, f.a);
  EXPECT_EQ(f.root.captured_view(1), f.a);
  EXPECT_EQ(f.adapter.calls, std::vector<std::string>{"capture 1"});

  f.send(kPointerMove, 290, 190);  // outside a, over nothing
  f.send(kPointerUp, 290, 190);

  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"a down", "a move", "a up"}));
  EXPECT_EQ(f.root.captured_view(1), nullptr);
  EXPECT_EQ(f.adapter.calls, (std::vector<std::string>{"capture 1", "release 1"}));
}

TEST(ViewRootPointerTest, RefusedCaptureKeepsTheCaptureMapEntryOnly) {
  PointerFixture f;
  f.adapter.grant_capture = false;
  f.send(kPointerDown, 20, 20);
  EXPECT_EQ(f.root.captured_view(1), f.a);
  f.send(kPointerMove, 120, 20);
  EXPECT_TRUE(f.log.has("a move"));

  f.send(kPointerCancel, 120, 20);
  EXPECT_EQ(f.root.captured_view(1), nullptr);
  EXPECT_EQ(f.adapter.calls, std::vector<std::string>{"capture 1"});  // nothing to release
  EXPECT_TRUE(f.log.has("a cancel"));
}

TEST(ViewRootPointerTest, UnhandledDownHoldsNothing) {
  PointerFixture f;
  const PointerEvent down = f.send(kPointerDown, 250, 150);
  EXPECT_FALSE(down.handled);
  EXPECT_EQ(f.root.captured_view(1), nullptr);
  EXPECT_TRUE(f.adapter.calls.empty());
}

TEST(ViewRootPointerTest, MovingToASiblingSendsLeaveAndEnterOnlyToTheTwo) {
  PointerFixture f;
  const PointerEvent first = f.send(kPointerMove, 20, 20);
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"root enter", "panel enter", "a enter",
                                                   "a move"}));
  EXPECT_EQ(first.handler, f.a);
  EXPECT_EQ(f.root.hovered_view(1), f.a);
  EXPECT_TRUE(f.a->is_hovered());

  f.log.clear();
  f.send(kPointerMove, 120, 20);

  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"a leave", "b enter", "b move"}));
  EXPECT_EQ(f.root.hovered_view(1), f.b);
  EXPECT_FALSE(f.a->is_hovered());
  EXPECT_TRUE(f.panel->is_hovered());
}

TEST(ViewRootPointerTest, CapturedMoveUpdatesHoverButGoesToTheHolder) {
  PointerFixture f;
  f.send(kPointerDown, 20, 20);
  f.log.clear();
  f.send(kPointerMove, 120, 20);
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"root enter", "panel enter", "b enter",
                                                   "a move"}));
}

TEST(ViewRootPointerTest, TouchMovesCauseNoHoverAndReachNoViewUncaptured) {
  PointerFixture f;
  f.send(kPointerMove, 20, 20, kDeviceTouch);
  f.send(kPointerEnter, 20, 20, kDeviceTouch);
  EXPECT_TRUE(f.log.lines.empty());
  EXPECT_EQ(f.root.hovered_view(1), nullptr);

  f.send(kPointerDown, 20, 20, kDeviceTouch);
  f.send(kPointerMove, 120, 20, kDeviceTouch);
  f.send(kPointerLeave, 120, 20, kDeviceTouch);
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"a down", "a move"}));
}

TEST(ViewRootPointerTest, WheelGoesFromTheInnermostHitViewOutward) {
  PointerFixture f;
  f.panel->takes_wheel = true;
  f.top->takes_wheel = true;
  const PointerEvent wheel = f.send(kPointerWheel, 20, 20);
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"a wheel", "panel wheel"}));
  EXPECT_TRUE(wheel.handled);
  EXPECT_EQ(wheel.handler, f.a);  // the hit view

  f.log.clear();
  f.send(kPointerWheel, 250, 150);  // misses every view
  EXPECT_TRUE(f.log.lines.empty());
}

TEST(ViewRootPointerTest, EnterUpdatesHoverWithoutDeliveryAndLeaveDropsTheChainInnermostFirst) {
  PointerFixture f;
  f.send(kPointerEnter, 20, 20);
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"root enter", "panel enter", "a enter"}));

  f.log.clear();
  f.send(kPointerLeave, 20, 20);
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"a leave", "panel leave", "root leave"}));
  EXPECT_EQ(f.root.hovered_view(1), nullptr);
  EXPECT_FALSE(f.top->is_hovered());
}

TEST(ViewRootPointerTest, ContextMenuWalksOutwardFromTheHitOrTheNamedView) {
  struct Case {
    const char* name;
    PointerDevice device;
    bool names_view;
  };
  for (const Case& c : {Case{"pointer", kDeviceMouse, false},
                        Case{"keyboard", kDeviceKeyboard, true}}) {
    SCOPED_TRACE(c.name);
    PointerFixture f;
    f.panel->set_context_menu_function([&](PointerEvent& e) {
      f.log.add("panel menu");
      EXPECT_EQ(e.current, f.panel);
      return true;
    });
    PointerEvent menu;
    menu.action = kPointerContextMenu;
    menu.device = c.device;
    menu.position = {20, 20};
    if (c.names_view) {
      menu.position = {290, 190};  // the position does not count
      menu.handler = f.a;
    }
    f.root.dispatch_pointer(menu);
    EXPECT_EQ(f.log.lines, std::vector<std::string>{"panel menu"});
    EXPECT_TRUE(menu.handled);
    EXPECT_EQ(menu.handler, f.panel);
  }
}

TEST(ViewRootPointerTest, ListenerSeesTheEventAtTheEndAndAnEmptyRootIgnoresEverything) {
  PointerFixture f;
  PointerEvent down;
  down.position = {20, 20};
  View* seen_handler = nullptr;
  f.root.dispatch_pointer(down, [&](PointerEvent& e) {
    seen_handler = e.handler;
    EXPECT_EQ(f.root.dispatch_depth(), 1);
  });
  EXPECT_EQ(seen_handler, f.a);

  ViewRoot empty;
  bool called = false;
  PointerEvent event;
  EXPECT_FALSE(empty.dispatch_pointer(event, [&](PointerEvent&) { called = true; }));
  EXPECT_FALSE(called);
}

TEST(ViewRootPointerTest, ActionsPastContextMenuAreNotRouted) {
  PointerFixture f;
  f.send(8, 20, 20);
  EXPECT_TRUE(f.log.lines.empty());
}

}  // namespace
}  // namespace win32_ui::modern
