#include "ui/views/widgets/interactive.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/fakes/ui/views/fake_input_adapter.h"
#include "tests/ui/views/logging_views.h"
#include "tests/ui/views/widgets/event_recorder.h"
#include "ui/views/key_codes.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/view_root.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/radio_button.h"
#include "ui/views/widgets/toggle.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeInputAdapter;
using testing::add_placed;
using testing::EventRecorder;
using testing::make_action;

// A 300 x 200 root holding one widget at (10, 10, 100, 40).
template <typename W>
struct Tree {
  FakeInputAdapter adapter;
  ViewRoot root;
  W* widget = nullptr;

  template <typename... Args>
  explicit Tree(Args&&... args) {
    auto panel = std::make_unique<OverlayPanel>();
    widget = add_placed<W>(*panel, 10, 10, 100, 40, std::forward<Args>(args)...);
    root.set_input_adapter(&adapter);
    root.set_root(std::move(panel));
    root.layout(300, 200, {});
  }

  PointerEvent send(PointerAction action, float x, float y, std::uint32_t id = 1) {
    PointerEvent event;
    event.action = action;
    event.pointer_id = id;
    event.position = {x, y};
    root.dispatch_pointer(event);
    return event;
  }
};

PointerEvent pointer(PointerAction action, std::uint32_t id, float x = 20, float y = 20) {
  PointerEvent event;
  event.action = action;
  event.pointer_id = id;
  event.position = {x, y};
  event.local_position = {x - 10, y - 10};
  return event;
}

KeyEvent key(std::int32_t code, std::int32_t modifiers = 0,
             std::int32_t kind = KeyEvent::kDown) {
  KeyEvent event;
  event.kind = kind;
  event.key = code;
  event.modifiers = modifiers;
  return event;
}

TEST(InteractivePointerTest, PressMoveOutAndReleaseOutsideRaiseNothing) {
  Tree<Button> tree(1, L"Go", 0);
  EventRecorder recorder(*tree.widget);
  EXPECT_TRUE(tree.send(kPointerDown, 20, 20).handled);
  EXPECT_TRUE(tree.widget->is_pressed());
  tree.send(kPointerMove, 250, 150);
  tree.send(kPointerUp, 250, 150);
  EXPECT_TRUE(recorder.events.empty());
  EXPECT_FALSE(tree.widget->is_pressed());
  EXPECT_FALSE(tree.widget->captured_pointer().has_value());
}

TEST(InteractivePointerTest, PressAndReleaseInsideRaiseOneInvokedFromThePointer) {
  Tree<Button> tree(7, L"Go", 0);
  int invoked = 0;
  tree.widget->on_invoked([&invoked] { ++invoked; });
  EventRecorder recorder(*tree.widget);
  tree.send(kPointerDown, 20, 20);
  tree.send(kPointerUp, 60, 30);
  EXPECT_EQ(invoked, 1);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].kind, Event::kInvoked);
  EXPECT_EQ(recorder.events[0].origin, kInputPointer);
  EXPECT_EQ(recorder.events[0].control_id, 7);
  EXPECT_TRUE(tree.widget->is_focused()) << "a press asks for focus";
}

TEST(InteractivePointerTest, OnlyTheCapturedPointerIsHandled) {
  Tree<Button> tree(1, L"Go", 0);
  EventRecorder recorder(*tree.widget);
  Button& button = *tree.widget;
  PointerEvent first = pointer(kPointerDown, 1);
  ASSERT_TRUE(button.handle_pointer(first));

  PointerEvent second = pointer(kPointerDown, 2);
  EXPECT_FALSE(button.handle_pointer(second));
  PointerEvent other_up = pointer(kPointerUp, 2);
  EXPECT_FALSE(button.handle_pointer(other_up));
  PointerEvent other_cancel = pointer(kPointerCancel, 3);
  EXPECT_FALSE(button.handle_pointer(other_cancel));
  PointerEvent other_move = pointer(kPointerMove, 2);
  EXPECT_FALSE(button.handle_pointer(other_move));
  EXPECT_TRUE(button.is_pressed());
  EXPECT_EQ(button.captured_pointer(), 1u);
  EXPECT_TRUE(recorder.events.empty());

  for (const PointerAction action : {kPointerWheel, kPointerEnter, kPointerLeave}) {
    PointerEvent other = pointer(action, 1);
    EXPECT_FALSE(button.handle_pointer(other)) << action;
  }
}

TEST(InteractivePointerTest, CancelClearsPressedWithoutActivation) {
  Tree<CheckBox> tree(1, L"Box", false);
  EventRecorder recorder(*tree.widget);
  PointerEvent down = pointer(kPointerDown, 4);
  ASSERT_TRUE(tree.widget->handle_pointer(down));
  PointerEvent cancel = pointer(kPointerCancel, 4);
  EXPECT_TRUE(tree.widget->handle_pointer(cancel));
  EXPECT_FALSE(tree.widget->is_pressed());
  EXPECT_FALSE(tree.widget->is_checked());
  EXPECT_TRUE(recorder.events.empty());
  PointerEvent up = pointer(kPointerUp, 4);
  EXPECT_FALSE(tree.widget->handle_pointer(up)) << "the capture ended with the cancel";
}

TEST(InteractiveKeyTest, ModifiersAndOtherKeysDoNothing) {
  Tree<CheckBox> tree(1, L"Box", false);
  EventRecorder recorder(*tree.widget);
  struct Case {
    const char* name;
    KeyEvent event;
  };
  const Case cases[] = {
      {"Ctrl+Enter", key(kKeyEnter, KeyEvent::kCtrl)},
      {"Ctrl+Space", key(kKeySpace, KeyEvent::kCtrl)},
      {"Shift+Space", key(kKeySpace, KeyEvent::kShift)},
      {"Space released", key(kKeySpace, 0, KeyEvent::kUp)},
      {"Escape", key(kKeyEscape)},
      {"Up", key(kKeyUp)},
  };
  for (Case c : cases) {
    EXPECT_FALSE(tree.widget->on_key(c.event)) << c.name;
  }
  EXPECT_FALSE(tree.widget->is_checked());
  EXPECT_TRUE(recorder.events.empty());
}

TEST(InteractiveKeyTest, EnterAndSpaceActivateFromTheKeyboard) {
  Tree<CheckBox> tree(3, L"Box", false);
  EventRecorder recorder(*tree.widget);
  bool reported = false;
  tree.widget->on_checked_changed([&reported](bool checked) { reported = checked; });
  KeyEvent space = key(kKeySpace);
  EXPECT_TRUE(tree.widget->on_key(space));
  EXPECT_TRUE(tree.widget->is_checked());
  EXPECT_TRUE(reported);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].kind, Event::kCheckedChanged);
  EXPECT_EQ(recorder.events[0].origin, kInputKeyboard);
  EXPECT_TRUE(recorder.events[0].checked);

  KeyEvent enter = key(kKeyEnter);
  EXPECT_TRUE(tree.widget->on_key(enter));
  EXPECT_FALSE(tree.widget->is_checked());
  EXPECT_FALSE(reported);

  Tree<Button> button_tree(4, L"Go", 0);
  EventRecorder button_events(*button_tree.widget);
  KeyEvent button_enter = key(kKeyEnter);
  EXPECT_TRUE(button_tree.widget->on_key(button_enter));
  ASSERT_EQ(button_events.events.size(), 1u);
  EXPECT_EQ(button_events.events[0].kind, Event::kInvoked);
  EXPECT_EQ(button_events.events[0].origin, kInputKeyboard);
}

TEST(InteractiveActionTest, SelectOnARadioButtonInvokesWithoutCheckingIt) {
  Tree<RadioButton> tree(1, L"One", false);
  EventRecorder recorder(*tree.widget);
  int selected = 0;
  tree.widget->on_selected([&selected] { ++selected; });
  EXPECT_TRUE(tree.widget->perform_element_action(make_action(ElementAction::kSelect)));
  EXPECT_EQ(selected, 1);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].kind, Event::kInvoked);
  EXPECT_EQ(recorder.events[0].origin, kInputAccessibility);
  EXPECT_FALSE(tree.widget->is_checked());
}

TEST(InteractiveActionTest, ActionsThatDoNotFitTheKindFallBack) {
  Tree<Button> tree(1, L"Go", 0);
  EventRecorder recorder(*tree.widget);
  EXPECT_FALSE(tree.widget->perform_action(make_action(ElementAction::kToggle)));
  EXPECT_FALSE(tree.widget->perform_action(make_action(ElementAction::kSetRangeValue, 0.5)));
  EXPECT_TRUE(recorder.events.empty());

  EXPECT_TRUE(tree.widget->perform_action(make_action(ElementAction::kInvoke)));
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].origin, kInputAccessibility);

  Tree<Toggle> toggle(2, L"Wi-Fi", false);
  EventRecorder toggled(*toggle.widget);
  EXPECT_FALSE(toggle.widget->perform_action(make_action(ElementAction::kInvoke)));
  EXPECT_TRUE(toggle.widget->perform_action(make_action(ElementAction::kToggle)));
  EXPECT_TRUE(toggle.widget->is_checked());
  ASSERT_EQ(toggled.events.size(), 1u);
  EXPECT_EQ(toggled.events[0].kind, Event::kCheckedChanged);
  EXPECT_EQ(toggled.events[0].origin, kInputAccessibility);
}

TEST(InteractiveInputEnabledTest, DisabledInputTakesNoFocusKeysOrActivation) {
  Tree<Button> tree(1, L"Save", 0);
  EventRecorder recorder(*tree.widget);
  Button& button = *tree.widget;
  button.set_command(40);
  button.set_input_enabled(false);
  EXPECT_EQ(button.command(), 40);
  EXPECT_FALSE(button.accepts_input());
  EXPECT_FALSE(button.can_focus());
  EXPECT_FALSE(button.is_hit_target());

  KeyEvent space = key(kKeySpace);
  EXPECT_FALSE(button.on_key(space));
  EXPECT_FALSE(button.perform_action(make_action(ElementAction::kInvoke)));
  tree.send(kPointerDown, 20, 20);
  tree.send(kPointerUp, 20, 20);
  button.activate(kInputPointer);
  EXPECT_TRUE(recorder.events.empty());
  EXPECT_FALSE(button.is_focused());

  ElementInfo info;
  button.describe_element(info);
  EXPECT_FALSE(info.enabled);
  EXPECT_EQ(info.role, ElementRole::kButton);
  EXPECT_EQ(info.name, L"Save");
}

TEST(InteractiveDescribeTest, EachKindOffersItsActionAndState) {
  CheckBox box(1, L"Box", true);
  ElementInfo info;
  box.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kCheckBox);
  EXPECT_EQ(info.toggle_state, true);
  EXPECT_TRUE(info.has_flag(ElementAction::kToggle));
  EXPECT_FALSE(info.has_flag(ElementAction::kInvoke));
  EXPECT_TRUE(info.enabled);
  EXPECT_TRUE(info.exposed);

  RadioButton radio(2, L"One", true);
  radio.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kRadioButton);
  EXPECT_TRUE(info.selected);
  EXPECT_EQ(info.toggle_state, true);
  EXPECT_TRUE(info.has_flag(ElementAction::kSelect | ElementAction::kInvoke));

  Toggle toggle(3, L"On", false);
  toggle.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kSwitch);
  EXPECT_EQ(info.toggle_state, false);
}

TEST(InteractiveCheckedTest, SetCheckedRaisesNoEventAndIsQuietWhenUnchanged) {
  Tree<Toggle> tree(1, L"On", false);
  EventRecorder recorder(*tree.widget);
  tree.widget->set_checked(true);
  EXPECT_TRUE(tree.widget->is_checked());
  tree.widget->set_checked(true);
  EXPECT_TRUE(recorder.events.empty());
}

}  // namespace
}  // namespace win32_ui::modern
