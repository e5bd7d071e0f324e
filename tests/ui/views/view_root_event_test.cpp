// Three-phase event dispatch through the view root.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/views/logging_views.h"
#include "ui/views/view_root.h"

namespace win32_ui::modern {
namespace {

using testing::add_placed;
using testing::Log;
using testing::LogGroup;
using testing::LogView;

const char* phase_name(std::int32_t phase) {
  return phase == Event::kPhaseCapture ? "capture" : phase == Event::kPhaseTarget ? "target"
                                                                                  : "bubble";
}

// root > panel > source; every view logs "<name> <phase>" from a handler of
// each phase for invoked events.
struct EventFixture {
  Log log;
  ViewRoot root;
  LogGroup* top = nullptr;
  LogGroup* panel = nullptr;
  LogView* source = nullptr;

  EventFixture() {
    auto tree = std::make_unique<LogGroup>(log, "root");
    top = tree.get();
    panel = add_placed<LogGroup>(*top, 0, 0, 100, 100, log, "panel");
    source = add_placed<LogView>(*panel, 0, 0, 10, 10, log, "source");
    root.set_root(std::move(tree));
    root.set_event_listener([this](Event& e) {
      log.add(std::string("listener ") + phase_name(e.phase));
    });
    root.set_unhandled_event_listener([this](Event&) { log.add("unhandled"); });
    root.set_event_observer([this](const Event& e) {
      log.add("observer");
      EXPECT_EQ(e.current, nullptr);
    });
  }
  template <typename V>
  void log_phases(V& view) {
    for (const std::int32_t phase :
         {Event::kPhaseCapture, Event::kPhaseTarget, Event::kPhaseBubble}) {
      view.add_event_handler_in_phase(Event::kInvoked, phase, [this, &view, phase](Event& e) {
        EXPECT_EQ(e.phase, phase);
        EXPECT_EQ(e.current, &view);
        log.add(view.name() + " " + phase_name(phase));
      });
    }
  }
};

TEST(ViewRootEventTest, PhasesRunCaptureDownTargetListenerThenBubbleUp) {
  EventFixture f;
  // The target handler is registered before the capture one on purpose.
  f.source->add_event_handler(Event::kInvoked, [&](Event&) { f.log.add("source hook"); });
  f.log_phases(*f.top);
  f.log_phases(*f.panel);
  f.log_phases(*f.source);

  Event event;
  f.source->post_event(event);

  EXPECT_EQ(f.log.lines,
            (std::vector<std::string>{"root capture", "panel capture", "source capture",
                                      "source hook", "source target", "listener target",
                                      "panel bubble", "root bubble", "unhandled", "observer"}));
  EXPECT_EQ(event.current, nullptr);
  EXPECT_EQ(f.root.dispatch_depth(), 0);
}

TEST(ViewRootEventTest, StopInCaptureSkipsTargetAndBubbleButNotTheRootListener) {
  for (const bool skip : {false, true}) {
    SCOPED_TRACE(skip);
    EventFixture f;
    f.log_phases(*f.source);
    f.log_phases(*f.top);
    f.panel->add_event_handler_in_phase(Event::kInvoked, Event::kPhaseCapture, [&](Event& e) {
      f.log.add("panel stops");
      e.stop = true;
    });

    Event event;
    event.skip_root_listener = skip;
    f.source->post_event(event);

    std::vector<std::string> expected{"root capture", "panel stops"};
    // The target step never began: the listener sees the capture phase.
    if (!skip) expected.push_back("listener capture");
    expected.push_back("observer");  // stopped: no unhandled listener
    EXPECT_EQ(f.log.lines, expected);
  }
}

TEST(ViewRootEventTest, StopInTheTargetEndsTheBubblePhase) {
  EventFixture f;
  f.log_phases(*f.top);
  f.source->add_event_handler(Event::kInvoked, [&](Event& e) { e.stop = true; });
  Event event;
  f.source->post_event(event);
  EXPECT_EQ(f.log.lines,
            (std::vector<std::string>{"root capture", "listener target", "observer"}));
}

TEST(ViewRootEventTest, HandlerRegisteredDuringADispatchDoesNotRunInIt) {
  EventFixture f;
  f.source->add_event_handler(Event::kInvoked, [&](Event&) {
    f.log.add("first");
    if (!f.log.has("added")) {
      f.log.add("added");
      f.source->add_event_handler(Event::kInvoked, [&](Event&) { f.log.add("late"); });
      f.top->add_event_handler_in_phase(Event::kInvoked, Event::kPhaseBubble,
                                        [&](Event&) { f.log.add("late bubble"); });
    }
  });
  Event event;
  f.source->post_event(event);
  EXPECT_FALSE(f.log.has("late"));
  // The bubble phase copies the root's table only when it reaches it.
  EXPECT_TRUE(f.log.has("late bubble"));

  f.log.clear();
  Event again;
  f.source->post_event(again);
  EXPECT_TRUE(f.log.has("late"));
}

TEST(ViewRootEventTest, UnhandledListenerOnlyWhenNotStoppedObserverAlways) {
  for (const bool stop : {false, true}) {
    SCOPED_TRACE(stop);
    EventFixture f;
    f.source->add_event_handler(Event::kInvoked, [&](Event& e) { e.stop = stop; });
    Event event;
    f.source->post_event(event);
    EXPECT_EQ(f.log.has("unhandled"), !stop);
    EXPECT_TRUE(f.log.has("observer"));
  }
}

TEST(ViewRootEventTest, EventWithoutSourceGoesToTheRootListenerOnly) {
  for (const bool skip : {false, true}) {
    SCOPED_TRACE(skip);
    EventFixture f;
    f.log_phases(*f.top);
    Event event;
    event.skip_root_listener = skip;
    f.root.dispatch_event(event);
    std::vector<std::string> expected;
    if (!skip) expected.push_back("listener target");
    expected.push_back("unhandled");
    expected.push_back("observer");
    EXPECT_EQ(f.log.lines, expected);
  }
}

TEST(ViewRootEventTest, GivenListenerReplacesTheRootsOwn) {
  EventFixture f;
  Event event;
  event.source = f.source;
  f.root.dispatch_event(event, [&](Event&) { f.log.add("given"); });
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"given", "unhandled", "observer"}));
}

TEST(ViewRootEventTest, HandlersSeeOnlyTheirKind) {
  EventFixture f;
  f.source->add_event_handler(Event::kValueChanged, [&](Event& e) {
    f.log.add("value " + std::to_string(e.value));
  });
  Event invoked;
  f.source->post_event(invoked);
  Event value;
  value.kind = Event::kValueChanged;
  value.value = 2.0f;
  f.source->post_event(value);
  EXPECT_EQ(f.log.starting_with("value"), std::vector<std::string>{"value 2.000000"});
}

TEST(ViewRootEventTest, NestedDispatchCountsDepth) {
  EventFixture f;
  std::vector<std::int32_t> depths;
  f.source->add_event_handler(Event::kInvoked, [&](Event&) {
    depths.push_back(f.root.dispatch_depth());
    Event inner;
    inner.kind = Event::kCheckedChanged;
    f.panel->post_event(inner);
  });
  f.panel->add_event_handler(Event::kCheckedChanged,
                             [&](Event&) { depths.push_back(f.root.dispatch_depth()); });
  Event event;
  f.source->post_event(event);
  EXPECT_EQ(depths, (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(f.root.dispatch_depth(), 0);
}

}  // namespace
}  // namespace win32_ui::modern
