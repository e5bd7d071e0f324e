// A menu on a real Surface window: Up and Down move the focus between the
// enabled items, and a click, Enter, Space or the accessibility invoke
// chooses an enabled item exactly once.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/views/input_harness.h"
#include "ui/views/key_codes.h"
#include "ui/views/menus/menu_view.h"

namespace win32_ui::modern {
namespace {

using testing::HeldKeys;
using testing::InputHarness;

// Rows of 40 DIP under a padding of 6.
int row_centre(int index) { return 6 + 40 * index + 20; }

std::vector<MenuEntry> entries(const std::vector<bool>& enabled) {
  std::vector<MenuEntry> made;
  for (std::size_t i = 0; i < enabled.size(); ++i) {
    MenuEntry entry;
    entry.command_id = 100 + static_cast<int>(i);
    entry.text = L"Item " + std::to_wstring(i);
    entry.enabled = enabled[i];
    made.push_back(entry);
  }
  return made;
}

class MenuSurfaceTest : public ::testing::Test {
 protected:
  void install(const std::vector<bool>& enabled) {
    ASSERT_TRUE(harness.attach());
    auto made = std::make_unique<MenuView>(
        entries(enabled), [this](unsigned id) { chosen.push_back(id); },
        MenuLayout{240, 40, 12, 6});
    menu = harness.set_content(std::move(made));
  }
  int focused_index() const {
    for (std::size_t i = 0; i < menu->item_count(); ++i) {
      if (harness.focused() == menu->item_at(i)) return static_cast<int>(i);
    }
    return -1;
  }
  void key(int virtual_key) { harness.send(WM_KEYDOWN, virtual_key, 1); }

  InputHarness harness{240, 220};
  MenuView* menu = nullptr;
  std::vector<unsigned> chosen;
};

TEST_F(MenuSurfaceTest, UpFromTheFirstItemWrapsToTheLastEnabledOneSkippingDisabled) {
  install({true, false, true, false});
  ASSERT_TRUE(menu->focus_first_item());
  EXPECT_EQ(focused_index(), 0);
  key(VK_UP);
  EXPECT_EQ(focused_index(), 2);
  key(VK_DOWN);
  EXPECT_EQ(focused_index(), 0) << "Down wraps past the disabled last item";
  key(VK_DOWN);
  EXPECT_EQ(focused_index(), 2);
}

TEST_F(MenuSurfaceTest, WithEveryOtherItemDisabledTheFocusStaysAndTheKeyIsConsumed) {
  install({true, false, false});
  ASSERT_TRUE(menu->focus_first_item());
  const int defaulted = harness.defaulted(WM_KEYDOWN);
  key(VK_UP);
  key(VK_DOWN);
  EXPECT_EQ(focused_index(), 0);
  EXPECT_EQ(harness.defaulted(WM_KEYDOWN), defaulted);
}

TEST_F(MenuSurfaceTest, ShiftOrCtrlWithUpStillNavigates) {
  install({true, true, true});
  ASSERT_TRUE(menu->focus_first_item());
  {
    const HeldKeys held{VK_SHIFT};
    key(VK_UP);
  }
  EXPECT_EQ(focused_index(), 2);
  {
    const HeldKeys held{VK_CONTROL};
    key(VK_UP);
  }
  EXPECT_EQ(focused_index(), 1);
}

TEST_F(MenuSurfaceTest, WithNothingFocusedDownGivesTheSecondItemAndUpTheLast) {
  install({true, true, true, true});
  const struct {
    int key;
    int expected;
  } cases[] = {{kKeyDown, 1}, {kKeyUp, 3}};
  for (const auto& c : cases) {
    harness.impl()->view_root.focus_manager().clear_focus(kFocusProgrammatic);
    ASSERT_EQ(focused_index(), -1);
    KeyEvent event;
    event.key = c.key;
    menu->navigate_items(event);
    EXPECT_TRUE(event.handled);
    EXPECT_EQ(focused_index(), c.expected) << c.key;
  }
}

TEST_F(MenuSurfaceTest, LeftRightAndOtherKeysAreLeftAlone) {
  install({true, true});
  ASSERT_TRUE(menu->focus_first_item());
  for (int key : {kKeyLeft, kKeyRight, kKeyTab, kKeyEnter}) {
    KeyEvent event;
    event.key = key;
    menu->navigate_items(event);
    EXPECT_FALSE(event.handled) << key;
    EXPECT_EQ(focused_index(), 0) << key;
  }
  KeyEvent released;
  released.kind = KeyEvent::kUp;
  released.key = kKeyDown;
  menu->navigate_items(released);
  EXPECT_FALSE(released.handled);
}

TEST_F(MenuSurfaceTest, AnEmptyMenuLeavesTheKeyAlone) {
  install({});
  KeyEvent event;
  event.key = kKeyDown;
  menu->navigate_items(event);
  EXPECT_FALSE(event.handled);
  EXPECT_FALSE(menu->focus_first_item());
}

TEST_F(MenuSurfaceTest, ClickEnterSpaceAndInvokeChooseAnEnabledItemOnce) {
  install({true, true, true});
  harness.send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, row_centre(1)));
  harness.send(WM_LBUTTONUP, 0, MAKELPARAM(100, row_centre(1)));
  EXPECT_EQ(chosen, (std::vector<unsigned>{101}));

  ASSERT_TRUE(menu->focus_first_item());
  key(VK_RETURN);
  EXPECT_EQ(chosen, (std::vector<unsigned>{101, 100}));
  key(VK_DOWN);
  key(VK_DOWN);
  key(VK_SPACE);
  EXPECT_EQ(chosen, (std::vector<unsigned>{101, 100, 102}));

  ElementAction invoke;
  invoke.kind = ElementAction::kInvoke;
  EXPECT_TRUE(menu->item_at(0)->perform_element_action(invoke));
  EXPECT_EQ(chosen, (std::vector<unsigned>{101, 100, 102, 100}));
}

TEST_F(MenuSurfaceTest, ADisabledItemCannotBeChosenAnyWay) {
  install({true, false});
  MenuItem* disabled = menu->item_at(1);
  harness.send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, row_centre(1)));
  harness.send(WM_LBUTTONUP, 0, MAKELPARAM(100, row_centre(1)));
  EXPECT_FALSE(harness.surface.request_focus(disabled, kFocusKeyboard));
  ElementAction invoke;
  invoke.kind = ElementAction::kInvoke;
  EXPECT_FALSE(disabled->perform_element_action(invoke));
  KeyEvent enter;
  enter.key = kKeyEnter;
  EXPECT_FALSE(disabled->on_key(enter));
  EXPECT_TRUE(chosen.empty());
}

TEST_F(MenuSurfaceTest, ACallbackThatClearsTheMenuThenAPostedCloseDestroysThePopup) {
  ASSERT_TRUE(harness.attach());
  HWND popup = harness.hwnd();
  MenuView* built = nullptr;
  auto made = std::make_unique<MenuView>(
      entries({true, true}),
      [&](unsigned id) {
        chosen.push_back(id);
        built->set_content(nullptr);
        // The owner closes its popup from its own message, never from here.
        PostMessageW(popup, WM_CLOSE, 0, 0);
      },
      MenuLayout{240, 40, 12, 6});
  built = made.get();
  menu = harness.set_content(std::move(made));
  ASSERT_TRUE(menu->focus_first_item());
  key(VK_RETURN);
  EXPECT_EQ(chosen, (std::vector<unsigned>{100}));
  EXPECT_EQ(menu->content(), nullptr);
  EXPECT_EQ(menu->item_count(), 0u);
  key(VK_DOWN);
  EXPECT_FALSE(menu->focus_first_item()) << "the removed items are not touched";
  EXPECT_TRUE(IsWindow(popup));
  EXPECT_TRUE(testing::pump_until([popup] { return !IsWindow(popup); }));
  EXPECT_EQ(harness.surface.window(), nullptr);
}

}  // namespace
}  // namespace win32_ui::modern
