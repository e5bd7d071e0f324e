// Commands on a real Surface window: shortcuts run before any view sees the
// key, widgets bound to a command are enabled from the attached table at
// every relayout, and an invoked bound widget runs its command.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/ui/views/input_harness.h"
#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/views/commands/command_table.h"
#include "ui/views/draw_context.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/widgets/button.h"

namespace win32_ui::modern {
namespace {

using testing::placed;
using testing::HeldKeys;
using testing::InputHarness;
using testing::RecordingView;

constexpr unsigned kRecord = 26;
// Bit 30 of a key message's lParam: the key was already down.
constexpr LPARAM kRepeatBit = LPARAM{1} << 30;

struct Counter {
  int runs = 0;
  bool allowed = true;
  Command command(unsigned id) {
    Command made;
    made.id = id;
    made.text = L"Record";
    made.action = [this] { ++runs; };
    made.can_execute = [this](unsigned) { return allowed; };
    return made;
  }
};

class SurfaceShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.attach());
    auto root = std::make_unique<OverlayPanel>();
    auto view = std::make_unique<RecordingView>();
    view->set_layout_params(placed(10, 10, 50, 30));
    focused = static_cast<RecordingView*>(root->add_child(std::move(view)));
    harness.set_content(std::move(root));
    ASSERT_TRUE(harness.surface.request_focus(focused, kFocusKeyboard));
    table.add(counter.command(kRecord));
    ASSERT_TRUE(harness.surface.shortcuts().add({19 + ('R' - 'A'), KeyEvent::kCtrl, kRecord}));
  }
  // Sends Ctrl+R (and Shift when asked); returns the keys the view got.
  std::size_t press_r(bool shift, LPARAM lparam = 1) {
    const std::size_t before = focused->keys.size();
    if (shift) {
      const HeldKeys held{VK_CONTROL, VK_SHIFT};
      harness.send(WM_KEYDOWN, 'R', lparam);
    } else {
      const HeldKeys held{VK_CONTROL};
      harness.send(WM_KEYDOWN, 'R', lparam);
    }
    return focused->keys.size() - before;
  }

  InputHarness harness{200, 120};
  RecordingView* focused = nullptr;
  Counter counter;
  CommandTable table;
};

TEST_F(SurfaceShortcutTest, CtrlRRunsTheCommandBeforeTheFocusedViewSeesIt) {
  harness.surface.set_command_table(&table);
  EXPECT_EQ(press_r(false), 0u);
  EXPECT_EQ(counter.runs, 1);
}

TEST_F(SurfaceShortcutTest, CtrlShiftRIsAnotherKey) {
  harness.surface.set_command_table(&table);
  EXPECT_EQ(press_r(true), 1u);
  EXPECT_EQ(counter.runs, 0);
}

TEST_F(SurfaceShortcutTest, AnAutoRepeatNeitherRunsNorIsConsumed) {
  harness.surface.set_command_table(&table);
  EXPECT_EQ(press_r(false, 1 | kRepeatBit), 1u);
  EXPECT_EQ(counter.runs, 0);
}

TEST_F(SurfaceShortcutTest, ARefusedCommandStillConsumesItsKey) {
  harness.surface.set_command_table(&table);
  counter.allowed = false;
  EXPECT_EQ(press_r(false), 0u);
  EXPECT_EQ(counter.runs, 0);
}

TEST_F(SurfaceShortcutTest, WithoutATableShortcutsConsumeNothing) {
  EXPECT_EQ(press_r(false), 1u);
  harness.surface.set_command_table(&table);
  harness.surface.set_command_table(nullptr);
  EXPECT_EQ(press_r(false), 1u);
  EXPECT_EQ(counter.runs, 0);
}

TEST_F(SurfaceShortcutTest, AShortcutForAnUnknownCommandConsumesNothing) {
  harness.surface.set_command_table(&table);
  ASSERT_TRUE(harness.surface.shortcuts().add({19 + ('S' - 'A'), KeyEvent::kCtrl, 99}));
  const std::size_t before = focused->keys.size();
  {
    const HeldKeys held{VK_CONTROL};
    harness.send(WM_KEYDOWN, 'S', 1);
  }
  EXPECT_EQ(focused->keys.size(), before + 1);
}

// A button bound to command 26 and a plain one.
class SurfaceBoundButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.attach());
    auto root = std::make_unique<OverlayPanel>();
    auto made = std::make_unique<Button>(5, L"Record", 0);
    made->set_command(static_cast<int>(kRecord));
    made->set_layout_params(placed(10, 10, 120, 44));
    made->on_invoked([this] { ++invoked; });
    bound = static_cast<Button*>(root->add_child(std::move(made)));
    auto other = std::make_unique<Button>(6, L"Other", 0);
    other->set_layout_params(placed(10, 70, 120, 44));
    plain = static_cast<Button*>(root->add_child(std::move(other)));
    harness.set_content(std::move(root));
    table.add(counter.command(kRecord));
  }
  void click(int x, int y) {
    harness.send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    harness.send(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  // The fill of the button's frame as it paints now.
  std::string painted_fill() {
    testing::Painter painter(testing::light_palette());
    painter.paint(*bound);
    const auto fills = painter.calls_starting("fill_round_rect");
    return fills.empty() ? std::string() : fills[0];
  }
  std::string disabled_fill() {
    testing::Painter painter(testing::light_palette());
    DrawContext::Setup setup;
    setup.palette = &painter.palette();
    const DrawContext context(setup);
    return "fill_round_rect 10 10 130 54 8 " +
           painter.hex(context.state_colors(1, 3, false).fill);
  }

  InputHarness harness{200, 140};
  Button* bound = nullptr;
  Button* plain = nullptr;
  int invoked = 0;
  Counter counter;
  CommandTable table;
};

TEST_F(SurfaceBoundButtonTest, WithoutATableTheBoundButtonIsDisabledAndDrawsState3) {
  EXPECT_FALSE(bound->is_input_enabled());
  EXPECT_FALSE(bound->accepts_input());
  EXPECT_TRUE(plain->accepts_input());
  EXPECT_EQ(painted_fill(), disabled_fill());
  click(50, 30);
  EXPECT_EQ(invoked, 0);
}

TEST_F(SurfaceBoundButtonTest, AttachingATableEnablesItAndAClickRunsCommandAndHandler) {
  harness.surface.set_command_table(&table);
  EXPECT_TRUE(bound->accepts_input());
  EXPECT_NE(painted_fill(), disabled_fill());
  click(50, 30);
  EXPECT_EQ(invoked, 1);
  EXPECT_EQ(counter.runs, 1);
  click(50, 90);
  EXPECT_EQ(counter.runs, 1) << "the plain button has no command";
}

TEST_F(SurfaceBoundButtonTest, RefreshFollowsTheCommandsAvailability) {
  counter.allowed = false;
  harness.surface.set_command_table(&table);
  EXPECT_FALSE(bound->accepts_input());
  counter.allowed = true;
  EXPECT_FALSE(bound->accepts_input()) << "only a relayout re-evaluates";
  harness.surface.refresh();
  EXPECT_TRUE(bound->accepts_input());
}

TEST_F(SurfaceBoundButtonTest, AHandlerThatStopsTheEventDoesNotStopTheCommand) {
  harness.surface.set_command_table(&table);
  int stopped = 0;
  bound->add_event_handler(Event::kInvoked, [&stopped](Event& event) {
    ++stopped;
    event.stop = true;
  });
  ASSERT_TRUE(harness.surface.request_focus(bound, kFocusKeyboard));
  harness.send(WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(invoked, 1);
  EXPECT_EQ(stopped, 1);
  EXPECT_EQ(counter.runs, 1);
}

TEST_F(SurfaceBoundButtonTest, TheAccessibilityInvokeRunsTheCommandOnce) {
  harness.surface.set_command_table(&table);
  ElementAction invoke;
  invoke.kind = ElementAction::kInvoke;
  EXPECT_TRUE(bound->perform_element_action(invoke));
  EXPECT_EQ(counter.runs, 1);
}

TEST_F(SurfaceBoundButtonTest, DispatchEventRunsOnlyTheCommandItIsGiven) {
  harness.surface.set_command_table(&table);
  Event event;
  event.kind = Event::kInvoked;
  event.source = bound;
  harness.impl()->dispatch_event(event, std::nullopt);
  EXPECT_EQ(counter.runs, 0) << "a native control's event names no command";
  EXPECT_EQ(invoked, 1);

  Event with_id;
  with_id.kind = Event::kInvoked;
  with_id.source = plain;
  harness.impl()->dispatch_event(with_id, kRecord);
  EXPECT_EQ(counter.runs, 1);

  Event changed;
  changed.kind = Event::kTextChanged;
  changed.source = plain;
  harness.impl()->dispatch_event(changed, kRecord);
  EXPECT_EQ(counter.runs, 1) << "only invoked events run commands";
}

}  // namespace
}  // namespace win32_ui::modern
