// Key routing through the view root: preview listener, capture from the
// root down, target handlers, the view's own handling and the default
// handling, then the bubble phase.
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

constexpr std::int32_t kTabKey = 9;

// root > panel > target; each logs "<name> capture", "<name> target" and
// "<name> bubble" from a key handler of that phase.
struct KeyFixture {
  Log log;
  ViewRoot root;
  LogGroup* top = nullptr;
  LogGroup* panel = nullptr;
  LogView* target = nullptr;

  KeyFixture() {
    auto tree = std::make_unique<LogGroup>(log, "root");
    top = tree.get();
    panel = add_placed<LogGroup>(*top, 0, 0, 100, 100, log, "panel");
    target = add_placed<LogView>(*panel, 0, 0, 10, 10, log, "target");
    root.set_root(std::move(tree));
    log_phases(*top);
    log_phases(*panel);
    log_phases(*target);
    root.set_key_preview_listener([this](KeyEvent&) { log.add("preview"); });
  }
  template <typename V>
  void log_phases(V& view) {
    view.add_key_handler_in_phase(Event::kPhaseCapture, [this, &view](KeyEvent& e) {
      EXPECT_EQ(e.current, &view);
      log.add(view.name() + " capture");
    });
    view.add_key_handler_in_phase(Event::kPhaseTarget,
                                  [this, &view](KeyEvent&) { log.add(view.name() + " target"); });
    view.add_key_handler_in_phase(Event::kPhaseBubble,
                                  [this, &view](KeyEvent&) { log.add(view.name() + " bubble"); });
  }
  ViewRoot::KeyListener fallback(bool handles) {
    return [this, handles](KeyEvent& e) {
      log.add("fallback");
      if (handles) e.handled = true;
    };
  }
  KeyEvent key(View* to) {
    KeyEvent event;
    event.key = kTabKey;
    event.target = to;
    return event;
  }
};

TEST(ViewRootKeyTest, PreviewThenCaptureDownThenTargetOwnHandlingFallbackAndBubbleUp) {
  KeyFixture f;
  KeyEvent event = f.key(f.target);
  EXPECT_FALSE(f.root.dispatch_key(event, f.fallback(false)));
  EXPECT_EQ(f.log.lines,
            (std::vector<std::string>{"preview", "root capture", "panel capture", "target capture",
                                      "target target", "target on_key", "fallback",
                                      "panel bubble", "root bubble"}));
  EXPECT_EQ(event.current, nullptr);
  EXPECT_EQ(f.root.dispatch_depth(), 0);
}

TEST(ViewRootKeyTest, FallbackThatHandlesTabStopsTheBubblePhase) {
  KeyFixture f;
  KeyEvent event = f.key(f.target);
  EXPECT_TRUE(f.root.dispatch_key(event, f.fallback(true)));
  // The ancestors' capture handlers saw it, their bubble handlers did not.
  EXPECT_EQ(f.log.lines,
            (std::vector<std::string>{"preview", "root capture", "panel capture", "target capture",
                                      "target target", "target on_key", "fallback"}));
}

TEST(ViewRootKeyTest, OnKeyThatHandlesSkipsTheFallbackAndBubble) {
  KeyFixture f;
  f.target->on_key_result = true;
  KeyEvent event = f.key(f.target);
  EXPECT_TRUE(f.root.dispatch_key(event, f.fallback(false)));
  EXPECT_EQ(f.log.lines.back(), "target on_key");
}

TEST(ViewRootKeyTest, DefaultPreventedSkipsOnKeyAndTheFallbackOnly) {
  KeyFixture f;
  f.panel->add_key_handler_in_phase(Event::kPhaseCapture,
                                    [](KeyEvent& e) { e.default_prevented = true; });
  KeyEvent event = f.key(f.target);
  EXPECT_FALSE(f.root.dispatch_key(event, f.fallback(true)));
  EXPECT_EQ(f.log.lines,
            (std::vector<std::string>{"preview", "root capture", "panel capture", "target capture",
                                      "target target", "panel bubble", "root bubble"}));
}

TEST(ViewRootKeyTest, HandledInCaptureEndsTheRouting) {
  KeyFixture f;
  f.panel->add_key_handler_in_phase(Event::kPhaseCapture, [](KeyEvent& e) { e.handled = true; });
  KeyEvent event = f.key(f.target);
  EXPECT_TRUE(f.root.dispatch_key(event, f.fallback(false)));
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"preview", "root capture", "panel capture"}));
}

TEST(ViewRootKeyTest, PreviewListenerThatHandlesTheKeyKeepsItFromTheTree) {
  KeyFixture f;
  f.root.set_key_preview_listener([&](KeyEvent& e) {
    f.log.add("preview");
    e.handled = true;
  });
  KeyEvent event = f.key(f.target);
  EXPECT_TRUE(f.root.dispatch_key(event, f.fallback(false)));
  EXPECT_EQ(f.log.lines, std::vector<std::string>{"preview"});
}

TEST(ViewRootKeyTest, WithoutATargetOnlyTheFallbackRunsUnlessDefaultPrevented) {
  for (const bool prevented : {false, true}) {
    SCOPED_TRACE(prevented);
    KeyFixture f;
    KeyEvent event = f.key(nullptr);
    event.default_prevented = prevented;
    EXPECT_EQ(f.root.dispatch_key(event, f.fallback(true)), !prevented);
    std::vector<std::string> expected{"preview"};
    if (!prevented) expected.push_back("fallback");
    EXPECT_EQ(f.log.lines, expected);
  }
}

TEST(ViewRootKeyTest, TargetOutsideTheTreeCountsAsNoTarget) {
  KeyFixture f;
  Log other_log;
  LogView stray(other_log, "stray");
  KeyEvent event = f.key(&stray);
  f.root.dispatch_key(event, f.fallback(false));
  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"preview", "fallback"}));
  EXPECT_TRUE(other_log.lines.empty());
}

TEST(ViewRootKeyTest, KeyOnTheRootViewRunsItsPhasesOnce) {
  KeyFixture f;
  KeyEvent event = f.key(f.top);
  f.root.dispatch_key(event);
  EXPECT_EQ(f.log.lines,
            (std::vector<std::string>{"preview", "root capture", "root target", "root on_key"}));
}

}  // namespace
}  // namespace win32_ui::modern
