// Keyboard input on a real Surface window: key messages become KeyEvents
// for the focused view, Tab and the arrow keys move the focus when no view
// handles them, and the window asks the dialog manager for every key.
#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/views/input_harness.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::placed;
using testing::HeldKeys;
using testing::InputHarness;
using testing::RecordingView;

// Three focusable views: A and B side by side, C below A.
struct ThreeViews {
  RecordingView* a = nullptr;
  RecordingView* b = nullptr;
  RecordingView* c = nullptr;
};

ThreeViews install_three_views(InputHarness& harness) {
  auto root = std::make_unique<OverlayPanel>();
  ThreeViews views;
  const auto add = [&root](float x, float y) {
    auto view = std::make_unique<RecordingView>();
    view->set_layout_params(placed(x, y, 50, 30));
    return static_cast<RecordingView*>(root->add_child(std::move(view)));
  };
  views.a = add(10, 10);
  views.b = add(80, 10);
  views.c = add(10, 60);
  harness.set_content(std::move(root));
  return views;
}

class SurfaceKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.attach());
    views = install_three_views(harness);
  }
  InputHarness harness{200, 120};
  ThreeViews views;
};

TEST_F(SurfaceKeysTest, TabMovesForwardShiftTabBackAndCtrlTabForward) {
  struct Case {
    const char* name;
    std::initializer_list<int> held;
    int expected;  // 0 a, 1 b, 2 c
  };
  const Case cases[] = {
      {"tab", {}, 1},
      {"shift+tab", {VK_SHIFT}, 2},
      {"ctrl+tab", {VK_CONTROL}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(harness.surface.request_focus(views.a, kFocusPointer));
    const HeldKeys held(c.held);
    EXPECT_EQ(harness.send(WM_KEYDOWN, VK_TAB, 1), 0);
    View* const expected[] = {views.a, views.b, views.c};
    EXPECT_EQ(harness.focused(), expected[c.expected]);
    EXPECT_TRUE(harness.focus_ring());
  }
}

TEST_F(SurfaceKeysTest, ArrowsMoveFocusByDirectionOnlyWithoutModifiers) {
  ASSERT_TRUE(harness.surface.request_focus(views.a, kFocusPointer));
  harness.send(WM_KEYDOWN, VK_RIGHT, 1);
  EXPECT_EQ(harness.focused(), views.b);
  harness.send(WM_KEYDOWN, VK_LEFT, 1);
  EXPECT_EQ(harness.focused(), views.a);
  harness.send(WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(harness.focused(), views.c);
  for (const int modifier : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN}) {
    const HeldKeys held{modifier};
    harness.send(WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(harness.focused(), views.c) << "modifier " << modifier;
  }
}

TEST_F(SurfaceKeysTest, AsksTheDialogManagerForArrowsTabsAndCharacters) {
  EXPECT_EQ(harness.send(WM_GETDLGCODE), 0x83);
}

TEST_F(SurfaceKeysTest, KeyEventCarriesRepeatCountFlagAndModifiers) {
  ASSERT_TRUE(harness.surface.request_focus(views.a, kFocusPointer));
  {
    const HeldKeys held{VK_CONTROL, VK_RWIN};
    harness.send(WM_KEYDOWN, 'R', 0x40000003);
  }
  harness.send(WM_KEYUP, 'R', 0);
  ASSERT_EQ(views.a->keys.size(), 2u);
  const KeyEvent& down = views.a->keys[0];
  EXPECT_EQ(down.kind, KeyEvent::kDown);
  EXPECT_EQ(down.key, 36);
  EXPECT_EQ(down.virtual_key, static_cast<std::uint32_t>('R'));
  EXPECT_TRUE(down.repeat);
  EXPECT_EQ(down.repeat_count, 3);
  EXPECT_EQ(down.modifiers, KeyEvent::kCtrl | KeyEvent::kWindows);
  EXPECT_EQ(down.character, 0u);
  EXPECT_EQ(down.target, views.a);
  const KeyEvent& up = views.a->keys[1];
  EXPECT_EQ(up.kind, KeyEvent::kUp);
  EXPECT_FALSE(up.repeat);
  EXPECT_EQ(up.repeat_count, 1);
  EXPECT_EQ(up.modifiers, 0);
}

TEST_F(SurfaceKeysTest, KeyCodesFollowTheTable) {
  struct Case {
    WPARAM virtual_key;
    std::int32_t key;
  };
  const Case cases[] = {{VK_TAB, 1},  {VK_RETURN, 2}, {VK_SPACE, 3}, {VK_ESCAPE, 4},
                        {VK_LEFT, 5}, {VK_UP, 6},     {VK_RIGHT, 7}, {VK_DOWN, 8},
                        {'0', 9},     {'9', 18},      {'A', 19},     {'R', 36},
                        {'Z', 44},    {VK_F1, 45},    {VK_F24, 68},  {VK_SHIFT, 0},
                        {0x2F, 0},    {0x88, 0}};
  ASSERT_TRUE(harness.surface.request_focus(views.a, kFocusPointer));
  // Key ups reach the view and move no focus.
  for (const Case& c : cases) harness.send(WM_KEYUP, c.virtual_key, 0);
  ASSERT_EQ(views.a->keys.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(views.a->keys[i].key, cases[i].key) << "virtual key " << cases[i].virtual_key;
  }
}

TEST_F(SurfaceKeysTest, PercentCharacterHasKeyCodeOfLeftButMovesNoFocus) {
  ASSERT_TRUE(harness.surface.request_focus(views.b, kFocusPointer));
  harness.send(WM_CHAR, L'%', 1);
  ASSERT_EQ(views.b->keys.size(), 1u);
  EXPECT_EQ(views.b->keys[0].kind, KeyEvent::kCharacter);
  EXPECT_EQ(views.b->keys[0].key, 5);
  EXPECT_EQ(views.b->keys[0].character, static_cast<std::uint32_t>(L'%'));
  EXPECT_EQ(harness.focused(), views.b);
}

TEST_F(SurfaceKeysTest, HandledKeyIsNotUsedForFocus) {
  views.a->add_key_handler([](KeyEvent& event) { event.handled = true; });
  ASSERT_TRUE(harness.surface.request_focus(views.a, kFocusPointer));
  harness.send(WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(harness.focused(), views.a);
}

TEST_F(SurfaceKeysTest, WindowFocusWithNoFocusedViewFocusesTheFirstWithoutRing) {
  ASSERT_EQ(harness.focused(), nullptr);
  EXPECT_EQ(harness.send(WM_SETFOCUS), 0);
  EXPECT_EQ(harness.focused(), views.a);
  EXPECT_FALSE(harness.focus_ring());
  // A focused view keeps the focus when the window gets it again.
  ASSERT_TRUE(harness.surface.request_focus(views.c, kFocusPointer));
  harness.send(WM_SETFOCUS);
  EXPECT_EQ(harness.focused(), views.c);
}

TEST_F(SurfaceKeysTest, UnhandledKeyWithoutTreeGoesToDefaultProcessing) {
  harness.surface.set_content(nullptr);
  harness.send(WM_KEYDOWN, 'R', 1);
  EXPECT_EQ(harness.defaulted(WM_KEYDOWN), 1);
  harness.send(WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(harness.defaulted(WM_KEYDOWN), 1);
}

// Real key strokes through the system's input queue into the foreground
// window.
TEST_F(SurfaceKeysTest, TabAndShiftTabTypedIntoTheForegroundWindowMoveFocus) {
  ShowWindow(harness.hwnd(), SW_SHOW);
  SetForegroundWindow(harness.hwnd());
  SetFocus(harness.hwnd());
  ASSERT_TRUE(harness.surface.request_focus(views.a, kFocusPointer));
  const auto key = [](WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
  };
  INPUT tab[] = {key(VK_TAB, false), key(VK_TAB, true)};
  ASSERT_EQ(SendInput(2, tab, sizeof(INPUT)), 2u);
  EXPECT_TRUE(testing::pump_until([&] { return harness.focused() == views.b; }));
  INPUT shift_tab[] = {key(VK_SHIFT, false), key(VK_TAB, false), key(VK_TAB, true),
                       key(VK_SHIFT, true)};
  ASSERT_EQ(SendInput(4, shift_tab, sizeof(INPUT)), 4u);
  EXPECT_TRUE(testing::pump_until([&] { return harness.focused() == views.a; }));
  // Let the last key up through before the next test.
  testing::pump_until([] { return (GetAsyncKeyState(VK_SHIFT) & 0x8000) == 0; });
}

}  // namespace
}  // namespace win32_ui::modern
