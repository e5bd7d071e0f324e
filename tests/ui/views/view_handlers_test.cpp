// A view's handler tables: registration, posting, and one view's run of its
// handlers for a phase.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/logging_views.h"
#include "ui/views/view.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeViewHost;
using testing::Log;
using testing::LogView;

TEST(ViewHandlersTest, EmptyFunctionsAreNotRegistered) {
  Log log;
  LogView view(log, "v");
  view.add_event_handler(Event::kInvoked, {});
  view.add_key_handler({});
  view.add_key_preview_handler({});
  view.add_event_handler(Event::kInvoked, [&](Event&) { log.add("invoked"); });

  Event event;
  view.run_event_handlers(event, Event::kPhaseTarget);
  KeyEvent key;
  view.run_key_handlers(key, Event::kPhaseTarget);
  view.run_key_handlers(key, Event::kPhaseCapture);

  EXPECT_EQ(log.lines, std::vector<std::string>{"invoked"});
}

TEST(ViewHandlersTest, EventHandlersRunByKindAndPhaseInOrderUntilStopped) {
  Log log;
  LogView view(log, "v");
  view.add_event_handler(Event::kCheckedChanged, [&](Event&) { log.add("checked"); });
  view.add_event_handler(Event::kInvoked, [&](Event& e) {
    log.add("first");
    EXPECT_EQ(e.current, &view);
  });
  view.add_event_handler_in_phase(Event::kInvoked, Event::kPhaseBubble,
                                  [&](Event&) { log.add("bubble"); });
  view.add_event_handler(Event::kInvoked, [&](Event& e) {
    log.add("second");
    e.stop = true;
  });
  view.add_event_handler(Event::kInvoked, [&](Event&) { log.add("third"); });

  Event event;
  view.run_event_handlers(event, Event::kPhaseTarget);

  EXPECT_EQ(log.lines, (std::vector<std::string>{"first", "second"}));
}

TEST(ViewHandlersTest, KeyHandlersStopWhenHandledAndPreviewIsTheCapturePhase) {
  Log log;
  LogView view(log, "v");
  view.add_key_preview_handler([&](KeyEvent&) { log.add("preview"); });
  view.add_key_handler([&](KeyEvent& e) {
    log.add("one");
    e.handled = true;
  });
  view.add_key_handler([&](KeyEvent&) { log.add("two"); });

  KeyEvent key;
  view.run_key_handlers(key, Event::kPhaseCapture);
  view.run_key_handlers(key, Event::kPhaseTarget);

  EXPECT_EQ(log.lines, (std::vector<std::string>{"preview", "one"}));
  EXPECT_EQ(key.current, &view);
}

TEST(ViewHandlersTest, HandlerAddedWhileRunningWaitsForTheNextRun) {
  Log log;
  LogView view(log, "v");
  bool added = false;
  view.add_event_handler(Event::kInvoked, [&](Event&) {
    log.add("first");
    if (!added) {
      added = true;
      view.add_event_handler(Event::kInvoked, [&](Event&) { log.add("late"); });
    }
  });

  Event event;
  view.run_event_handlers(event, Event::kPhaseTarget);
  EXPECT_EQ(log.lines, std::vector<std::string>{"first"});
  view.run_event_handlers(event, Event::kPhaseTarget);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"first", "first", "late"}));
}

TEST(ViewHandlersTest, PostEventFillsTheSourceAndReachesTheHost) {
  FakeViewHost host;
  Log log;
  LogView view(log, "v");
  LogView other(log, "other");

  Event dropped;
  view.post_event(dropped);  // detached: dropped
  EXPECT_TRUE(host.events.empty());

  view.attach_host(&host);
  Event event;
  event.kind = Event::kValueChanged;
  view.post_event(event);
  Event named;
  named.source = &other;
  view.post_event(named);

  ASSERT_EQ(host.events.size(), 2u);
  EXPECT_EQ(host.events[0].source, &view);
  EXPECT_EQ(host.events[0].kind, Event::kValueChanged);
  EXPECT_EQ(host.events[1].source, &other);
  view.attach_host(nullptr);
}

}  // namespace
}  // namespace win32_ui::modern
