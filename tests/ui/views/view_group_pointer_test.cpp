// How a group passes one pointer stream to the child that took its down
// event, takes it over when it intercepts, and honours disallow-intercept.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/logging_views.h"
#include "tests/ui/views/test_views.h"
#include "ui/views/view_group.h"

namespace win32_ui::modern {
namespace {

using testing::add_placed;
using testing::lay_out;
using testing::Log;
using testing::LogGroup;
using testing::LogView;

PointerEvent pointer(PointerAction action, float x, float y, std::uint32_t id = 1) {
  PointerEvent event;
  event.action = action;
  event.pointer_id = id;
  event.position = {x, y};
  return event;
}

// A 200 x 100 group with a button at (10, 10, 50, 30) and a plain pointer
// view at (100, 10, 50, 30).
struct GroupFixture {
  Log log;
  // Declared after the log and before the group: the views it retires log
  // their destruction, so they must go before the log and after the group.
  quorvel::test::FakeViewHost host;
  LogGroup group{log, "group"};
  LogView* button = nullptr;
  LogView* other = nullptr;

  GroupFixture() {
    group.set_pointer_input(true);
    button = add_placed<LogView>(group, 10, 10, 50, 30, log, "button");
    button->set_pointer_input(true);
    other = add_placed<LogView>(group, 100, 10, 50, 30, log, "other");
    other->set_pointer_input(true);
    lay_out(group, 0, 0, 200, 100);
  }
  bool send(PointerAction action, float x, float y, std::uint32_t id = 1) {
    PointerEvent event = pointer(action, x, y, id);
    return group.dispatch_pointer(event);
  }
};

TEST(ViewGroupPointerTest, ChildThatTookTheDownGetsTheMovesOutsideItsBounds) {
  GroupFixture f;
  ASSERT_TRUE(f.send(kPointerDown, 20, 20));
  EXPECT_EQ(f.group.tracked_child(1), f.button);

  f.send(kPointerMove, 190, 90);  // far outside the button, over nothing
  f.send(kPointerMove, 120, 20);  // over the other view
  f.send(kPointerUp, 120, 20);

  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"button down", "button move", "button move",
                                                   "button up"}));
  EXPECT_EQ(f.group.tracked_child(1), nullptr);
}

TEST(ViewGroupPointerTest, DownMissingEveryChildIsTheGroupsOwn) {
  GroupFixture f;
  PointerEvent down = pointer(kPointerDown, 80, 80);
  EXPECT_TRUE(f.group.dispatch_pointer(down));
  EXPECT_EQ(down.handler, &f.group);
  EXPECT_EQ(f.group.tracked_child(1), nullptr);
  EXPECT_EQ(f.log.lines, std::vector<std::string>{"group down"});
}

TEST(ViewGroupPointerTest, InterceptOnTheMoveCancelsTheChildAndGivesTheGroupTheMove) {
  GroupFixture f;
  std::vector<PointerEvent> offered;
  f.group.intercept = [&](PointerEvent& event) {
    offered.push_back(event);
    return event.action == kPointerMove;
  };
  f.send(kPointerDown, 20, 20);
  PointerEvent move = pointer(kPointerMove, 30, 25);
  EXPECT_TRUE(f.group.dispatch_pointer(move));
  f.send(kPointerMove, 40, 25);

  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"button down", "button cancel", "group move",
                                                   "group move"}));
  EXPECT_EQ(move.handler, &f.group);
  EXPECT_EQ(f.group.tracked_child(1), nullptr);
  // The offered copy is the group's: current is the group, local in its space.
  ASSERT_GE(offered.size(), 2u);
  EXPECT_EQ(offered[1].current, &f.group);
  EXPECT_EQ(offered[1].local_position.x, 30.0f);
  // With no tracking child a move is not offered again.
  EXPECT_EQ(offered.size(), 2u);
}

TEST(ViewGroupPointerTest, DisallowInterceptHoldsUntilTheGestureEnds) {
  struct Case {
    const char* name;
    PointerAction end;  // what ends the gesture (or a new down)
  };
  for (const Case& c : {Case{"up", kPointerUp}, Case{"cancel", kPointerCancel},
                        Case{"next down", kPointerDown}}) {
    SCOPED_TRACE(c.name);
    GroupFixture f;
    f.group.intercept = [](PointerEvent& event) { return event.action == kPointerMove; };
    f.button->set_pointer_function([&](PointerEvent& event) {
      if (event.action == kPointerDown) f.button->request_disallow_intercept(true);
      return true;
    });
    f.send(kPointerDown, 20, 20);
    EXPECT_TRUE(f.group.disallows_intercept());
    f.send(kPointerMove, 30, 20);
    f.send(kPointerMove, 35, 20);
    EXPECT_EQ(f.group.tracked_child(1), f.button);  // no intercept meanwhile

    if (c.end == kPointerDown) {
      f.button->set_pointer_function({});
      f.send(kPointerDown, 120, 20);  // the old entry goes first: nothing tracked
    } else {
      f.send(c.end, 35, 20);
    }
    EXPECT_FALSE(f.group.disallows_intercept());
  }
}

TEST(ViewGroupPointerTest, DisallowInterceptStaysWhileAnotherPointerIsTracked) {
  GroupFixture f;
  f.send(kPointerDown, 120, 20, 2);  // pointer 2 on the other view
  f.send(kPointerDown, 20, 20, 1);
  f.button->request_disallow_intercept(true);
  f.send(kPointerUp, 20, 20, 1);
  EXPECT_TRUE(f.group.disallows_intercept());
  f.send(kPointerUp, 120, 20, 2);
  EXPECT_FALSE(f.group.disallows_intercept());
}

TEST(ViewGroupPointerTest, HoverAndWheelAreTheGroupsOwnWhileAChildTracks) {
  GroupFixture f;
  f.group.takes_wheel = true;
  f.group.intercept = [&](PointerEvent&) {
    f.log.add("offered");
    return false;
  };
  f.send(kPointerDown, 20, 20);
  f.log.clear();

  f.send(kPointerEnter, 20, 20);
  EXPECT_TRUE(f.send(kPointerWheel, 20, 20));
  f.send(kPointerLeave, 20, 20);

  EXPECT_EQ(f.log.lines,
            (std::vector<std::string>{"group enter", "group wheel", "group leave"}));
  EXPECT_FALSE(f.button->is_hovered());
  EXPECT_EQ(f.group.tracked_child(1), f.button);
}

TEST(ViewGroupPointerTest, ClearingTheChildrenForgetsTrackingAndDisallowIntercept) {
  GroupFixture f;
  f.group.attach_host(&f.host);
  f.send(kPointerDown, 20, 20);
  f.button->request_disallow_intercept(true);

  f.group.clear_children();

  EXPECT_EQ(f.group.tracked_child(1), nullptr);
  EXPECT_FALSE(f.group.disallows_intercept());
  PointerEvent move = pointer(kPointerMove, 20, 20);
  f.group.dispatch_pointer(move);
  EXPECT_EQ(f.log.lines.back(), "group move");
  f.group.attach_host(nullptr);
}

TEST(ViewGroupPointerTest, ChildRemovedByItsOwnDownHandlerIsNotTracked) {
  // The fixture's host keeps the removed views alive, as the view root does
  // during a dispatch.
  GroupFixture f;
  f.group.attach_host(&f.host);
  f.button->set_pointer_function([&](PointerEvent&) {
    f.group.clear_children();
    return true;
  });

  EXPECT_TRUE(f.send(kPointerDown, 20, 20));

  EXPECT_EQ(f.group.tracked_child(1), nullptr);
  EXPECT_EQ(f.host.retired.size(), 2u);
  f.group.attach_host(nullptr);
}

}  // namespace
}  // namespace win32_ui::modern
