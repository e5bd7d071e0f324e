// Views removed while a dispatch runs stay alive until it returns, and the
// root forgets every reference into them at once: focus, capture and hover.
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
using testing::LogCompound;
using testing::LogGroup;
using testing::LogView;

struct FocusChange {
  View* old_view;
  View* new_view;
  FocusOrigin origin;
  friend bool operator==(const FocusChange&, const FocusChange&) = default;
};

// root (300 x 200) > panel (0, 0, 200, 100) > button (10, 10, 50, 30) and
// label (100, 10, 50, 30). The button takes pointer input and focus.
struct RemovalFixture {
  Log log;
  FakeInputAdapter adapter;
  ViewRoot root;
  LogGroup* top = nullptr;
  LogGroup* panel = nullptr;
  LogView* button = nullptr;
  LogView* label = nullptr;
  std::vector<FocusChange> focus_changes;
  std::vector<std::vector<View*>> removed;

  RemovalFixture() {
    auto tree = std::make_unique<LogGroup>(log, "root");
    top = tree.get();
    panel = add_placed<LogGroup>(*top, 0, 0, 200, 100, log, "panel");
    button = add_placed<LogView>(*panel, 10, 10, 50, 30, log, "button");
    label = add_placed<LogView>(*panel, 100, 10, 50, 30, log, "label");
    button->set_pointer_input(true);
    button->set_focusable(true);
    root.set_input_adapter(&adapter);
    root.set_root(std::move(tree));
    root.layout(300, 200, {});
    root.focus_manager().set_callback([this](View* o, View* n, FocusOrigin origin) {
      focus_changes.push_back({o, n, origin});
    });
    root.set_views_removed_listener([this](const std::vector<View*>& roots) {
      removed.push_back(roots);
      log.add("views removed");
    });
  }
  PointerEvent pointer(PointerAction action, float x, float y) {
    PointerEvent event;
    event.action = action;
    event.position = {x, y};
    return event;
  }
  // Hovers, focuses and presses the button: it holds pointer 1.
  void press_button() {
    PointerEvent move = pointer(kPointerMove, 20, 20);
    root.dispatch_pointer(move);
    ASSERT_TRUE(button->request_focus(kFocusPointer));
    PointerEvent down = pointer(kPointerDown, 20, 20);
    root.dispatch_pointer(down);
    ASSERT_EQ(root.captured_view(1), button);
    ASSERT_EQ(root.hovered_view(1), button);
    log.clear();
    focus_changes.clear();
  }
  bool mentions_removed_views(std::size_t from) const {
    for (std::size_t i = from; i < log.lines.size(); ++i) {
      const std::string& line = log.lines[i];
      if (line.rfind("button", 0) == 0 || line.rfind("label", 0) == 0) return true;
    }
    return false;
  }
};

TEST(ViewRootRemovalTest, ClickHandlerClearingThePanelOfItsButtonIsSafe) {
  RemovalFixture f;
  f.press_button();
  // The button's click: its pointer function raises the invoked event on up.
  f.button->set_pointer_function([&](PointerEvent& e) {
    if (e.action == kPointerUp) {
      Event click;
      f.button->post_event(click);
    }
    return false;
  });
  f.button->add_event_handler(Event::kInvoked, [&](Event&) {
    f.log.add("click");
    f.panel->clear_children();
    f.log.add("cleared");
  });
  f.panel->add_event_handler_in_phase(Event::kInvoked, Event::kPhaseBubble,
                                      [&](Event&) { f.log.add("panel bubble"); });
  f.top->add_event_handler_in_phase(Event::kInvoked, Event::kPhaseBubble,
                                    [&](Event&) { f.log.add("root bubble"); });

  PointerEvent up = f.pointer(kPointerUp, 20, 20);
  f.root.dispatch_pointer(up, [&](PointerEvent&) { f.log.add("pointer listener"); });

  EXPECT_EQ(f.log.lines,
            (std::vector<std::string>{"click", "views removed", "cleared", "panel bubble",
                                      "root bubble", "button up", "pointer listener",
                                      "free button", "free label"}));
  EXPECT_EQ(f.removed, (std::vector<std::vector<View*>>{{f.button, f.label}}));
  EXPECT_EQ(f.root.focus_manager().focused_view(), nullptr);
  EXPECT_EQ(f.focus_changes, (std::vector<FocusChange>{{f.button, nullptr, kFocusProgrammatic}}));
  EXPECT_EQ(f.root.captured_view(1), nullptr);
  EXPECT_EQ(f.adapter.calls, (std::vector<std::string>{"capture 1", "release 1"}));
  // The hover chain is cut before the button: the pointer still hovers the
  // panel, which is still in the tree.
  EXPECT_EQ(f.root.hovered_view(1), f.panel);

  const std::size_t mark = f.log.lines.size();
  PointerEvent move = f.pointer(kPointerMove, 20, 20);
  f.root.dispatch_pointer(move);
  EXPECT_FALSE(f.mentions_removed_views(mark));
  EXPECT_EQ(std::vector<std::string>(f.log.lines.begin() + static_cast<long>(mark), f.log.lines.end()),
            (std::vector<std::string>{"panel leave", "root leave"}));
}

TEST(ViewRootRemovalTest, KeyHandlerReplacingTheContentAroundTheFocusIsSafe) {
  Log log;
  ViewRoot root;
  auto tree = std::make_unique<LogGroup>(log, "root");
  LogGroup* top = tree.get();
  auto* compound = add_placed<LogCompound>(*top, 0, 0, 200, 100, log, "compound");
  auto content = std::make_unique<LogGroup>(log, "content");
  LogGroup* content_raw = content.get();
  auto* field = add_placed<LogView>(*content, 0, 0, 50, 20, log, "field");
  field->set_focusable(true);
  compound->set_content(std::move(content));
  root.set_root(std::move(tree));
  std::vector<FocusChange> changes;
  root.focus_manager().set_callback(
      [&](View* o, View* n, FocusOrigin origin) { changes.push_back({o, n, origin}); });
  ASSERT_TRUE(field->request_focus(kFocusKeyboard));
  changes.clear();

  field->add_key_handler([&](KeyEvent&) {
    log.add("field key");
    compound->set_content(std::make_unique<LogView>(log, "replacement"));
    EXPECT_FALSE(log.has("free field"));
  });
  for (auto* group : {content_raw, static_cast<LogGroup*>(top)}) {
    group->add_key_handler_in_phase(Event::kPhaseBubble,
                                    [&log, group](KeyEvent&) { log.add(group->name() + " bubble"); });
  }
  compound->add_key_handler_in_phase(Event::kPhaseBubble,
                                     [&](KeyEvent&) { log.add("compound bubble"); });

  KeyEvent key;
  key.target = field;
  root.dispatch_key(key, [&](KeyEvent&) { log.add("fallback"); });

  // The removed content gets nothing more; the live ancestors' bubble runs.
  EXPECT_EQ(log.lines, (std::vector<std::string>{"field key", "fallback", "compound bubble",
                                                 "root bubble", "free content", "free field"}));
  EXPECT_EQ(root.focus_manager().focused_view(), nullptr);
  EXPECT_EQ(changes, (std::vector<FocusChange>{{field, nullptr, kFocusProgrammatic}}));
  ASSERT_NE(compound->content(), nullptr);
  EXPECT_EQ(compound->content()->host(), &root);
}

TEST(ViewRootRemovalTest, RemovalOutsideADispatchFreesAtOnceAndPurgesTheSameWay) {
  RemovalFixture f;
  f.press_button();

  f.panel->clear_children();
  f.log.add("cleared");

  EXPECT_EQ(f.log.lines, (std::vector<std::string>{"views removed", "free button", "free label",
                                                   "cleared"}));
  EXPECT_EQ(f.root.focus_manager().focused_view(), nullptr);
  EXPECT_EQ(f.focus_changes, (std::vector<FocusChange>{{f.button, nullptr, kFocusProgrammatic}}));
  EXPECT_EQ(f.root.captured_view(1), nullptr);
  EXPECT_EQ(f.root.hovered_view(1), f.panel);
  EXPECT_EQ(f.adapter.calls, (std::vector<std::string>{"capture 1", "release 1"}));

  const std::size_t mark = f.log.lines.size();
  PointerEvent up = f.pointer(kPointerUp, 20, 20);
  f.root.dispatch_pointer(up);
  PointerEvent move = f.pointer(kPointerMove, 250, 150);
  f.root.dispatch_pointer(move);
  EXPECT_FALSE(f.mentions_removed_views(mark));
  EXPECT_EQ(f.adapter.calls.size(), 2u);  // the up releases nothing more
}

TEST(ViewRootRemovalTest, DownHandlerRemovingItsViewLeavesNoCapture) {
  RemovalFixture f;
  f.button->set_pointer_function([&](PointerEvent&) {
    f.panel->clear_children();
    return true;
  });
  PointerEvent down = f.pointer(kPointerDown, 20, 20);
  EXPECT_TRUE(f.root.dispatch_pointer(down));
  EXPECT_EQ(f.root.captured_view(1), nullptr);
  EXPECT_EQ(f.panel->tracked_child(1), nullptr);
  EXPECT_TRUE(f.adapter.calls.empty());
  EXPECT_TRUE(f.log.has("free button"));
}

// Clears the group when the pointer enters it.
class ClearOnEnter : public PointerHandler {
 public:
  explicit ClearOnEnter(ViewGroup& group) : group_(group) {}
  bool on_pointer(View&, PointerEvent& event) override {
    if (event.action == kPointerEnter) group_.clear_children();
    return false;
  }

 private:
  ViewGroup& group_;
};

TEST(ViewRootRemovalTest, EnterHandlerRemovingTheNewChainCutsItThere) {
  RemovalFixture f;
  // Entering the panel clears it: the button, next in the new chain, is
  // removed before it is entered.
  f.panel->add_pointer_handler(std::make_shared<ClearOnEnter>(*f.panel));
  PointerEvent move = f.pointer(kPointerMove, 20, 20);
  f.root.dispatch_pointer(move);

  EXPECT_FALSE(f.log.has("button enter"));
  EXPECT_FALSE(f.log.has("button move"));
  EXPECT_EQ(f.root.hovered_view(1), f.panel);
  EXPECT_TRUE(f.log.has("free button"));
}

}  // namespace
}  // namespace win32_ui::modern
