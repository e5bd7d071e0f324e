// Win32ComboBox on a real parent window: the owner-drawn "COMBOBOX" child
// it makes with its items and selection, the window and selection-field
// heights for the view's height and zoom, selection rules, its events,
// accessibility description and select action.
#include "ui/platform/hosting/win32_combo_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/ui/platform/hosting/hosting_test_support.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/themed_combo_box.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui::modern {
namespace {

using testing::context_with;
using testing::MessageSpy;
using testing::placement_at;

constexpr int kId = 52;

// Watches its window from creation on, below every subclass, so it sees
// the heights the window is really sent (Wine reads the field's height back
// differently, and the combo shrinks its window to the field afterwards).
class SpiedComboBox final : public Win32ComboBox {
 public:
  SpiedComboBox() : Win32ComboBox(kId) {}
  MessageSpy spy;

  // The last height sent for the selection field (-1) or the list items (0).
  int last_height_sent(WPARAM index) const {
    int height = -1;
    for (const auto& seen : spy.of(CB_SETITEMHEIGHT)) {
      if (seen.wparam == index) height = static_cast<int>(seen.lparam);
    }
    return height;
  }

 protected:
  HWND create_child_window(HWND parent) override {
    HWND combo = Win32ComboBox::create_child_window(parent);
    if (combo != nullptr) spy.watch(combo);
    return combo;
  }
};

class Win32ComboBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    combo.set_items({L"One", L"Two", L"Three"});
    ASSERT_TRUE(combo.set_selected_index(1));
    ASSERT_TRUE(combo.attach_window(parent.hwnd(), context_with(theme)));
  }
  HWND window() const { return combo.hwnd(); }
  LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const {
    return SendMessageW(window(), message, wparam, lparam);
  }

  test::ControlTestWindow parent{400, 300};
  Theme theme = Theme::light(kDefaultAccent);
  SpiedComboBox combo;
};

TEST_F(Win32ComboBoxTest, MakesAnOwnerDrawnListWithItsItemsAndSelection) {
  EXPECT_EQ(_wcsicmp(testing::class_name(window()).c_str(), L"ComboBox"), 0);
  EXPECT_EQ(GetDlgCtrlID(window()), kId);
  // WS_CHILD, WS_TABSTOP, CBS_HASSTRINGS, CBS_OWNERDRAWFIXED and
  // CBS_DROPDOWNLIST; the combo hands the WS_VSCROLL it was made with to
  // its list.
  constexpr LONG_PTR kStyle = 0x40010213;
  EXPECT_EQ(GetWindowLongPtrW(window(), GWL_STYLE) & kStyle, kStyle);
  ASSERT_EQ(send(CB_GETCOUNT), 3);
  wchar_t text[16]{};
  send(CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Three");
  EXPECT_EQ(send(CB_GETCURSEL), 1);
  EXPECT_TRUE(find_window_subclass(window(), &combo_subclass_procedure, kComboThemeSubclass,
                                   nullptr));
}

TEST_F(Win32ComboBoxTest, ShortViewGetsA160PixelWindowAndItsOwnFieldHeight) {
  combo.sync_peer_bounds(placement_at(10.0f, 10.0f, 120.0f, 28.0f));
  EXPECT_EQ(combo.list_item_height(), 28);
  // scaled(28) - scaled(3) for the field, 34 DIP for the list's items.
  EXPECT_EQ(combo.last_height_sent(static_cast<WPARAM>(-1)), 25);
  EXPECT_EQ(combo.last_height_sent(0), 34);
  EXPECT_EQ(std::count(combo.spy.heights_asked.begin(), combo.spy.heights_asked.end(), 160), 1);
}

TEST_F(Win32ComboBoxTest, ZoomScalesTheFieldAndTheItems) {
  combo.sync_peer_bounds(placement_at(10.0f, 10.0f, 120.0f, 28.0f, 1.5f));
  // 42 - 3 and 51.
  EXPECT_EQ(combo.last_height_sent(static_cast<WPARAM>(-1)), 39);
  EXPECT_EQ(combo.last_height_sent(0), 51);
  EXPECT_EQ(std::count(combo.spy.heights_asked.begin(), combo.spy.heights_asked.end(), 240), 1);
}

TEST_F(Win32ComboBoxTest, ViewsTooShortOrNotFiniteLeaveTheFieldHeight) {
  for (const float height : {10.0f, std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity()}) {
    combo.sync_peer_bounds(placement_at(10.0f, 10.0f, 120.0f, height));
    EXPECT_EQ(combo.list_item_height(), 32);
  }
  combo.sync_peer_bounds(placement_at(10.0f, 10.0f, 120.0f, 5000.0f));
  EXPECT_EQ(combo.list_item_height(), 1000);
}

struct SelectCase {
  const char* name;
  int index;
  bool accepted;
  int selected_after;
};

TEST_F(Win32ComboBoxTest, SelectionStaysInsideTheItems) {
  const SelectCase cases[] = {
      {"last item", 2, true, 2},
      {"none, although the window answers CB_ERR", -1, true, -1},
      {"the item count", 3, false, -1},
      {"below none", -2, false, -1},
  };
  for (const SelectCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(combo.set_selected_index(c.index), c.accepted);
    EXPECT_EQ(combo.selected_index(), c.selected_after);
    EXPECT_EQ(send(CB_GETCURSEL), c.selected_after);
  }
}

TEST_F(Win32ComboBoxTest, SelectedTextFollowsTheWindow) {
  send(CB_SETCURSEL, 2);
  EXPECT_EQ(combo.selected_text(), L"Three");
  EXPECT_EQ(combo.selected_index(), 2);
  combo.set_items({L"Alpha", L"Beta"});
  EXPECT_EQ(send(CB_GETCOUNT), 2);
  EXPECT_EQ(combo.selected_index(), -1);
  EXPECT_EQ(combo.selected_text(), L"");
}

TEST_F(Win32ComboBoxTest, NotificationsBecomeSelectionAndDropDownEvents) {
  send(CB_SETCURSEL, 2);
  Event event;
  ASSERT_TRUE(combo.translate_notification(
      {NativeNotification::kCommand, window(), CBN_SELCHANGE, nullptr}, event));
  EXPECT_EQ(event.kind, Event::kSelectionChanged);
  EXPECT_EQ(event.index, 2);
  EXPECT_EQ(event.widget_kind, 8);
  EXPECT_EQ(event.control_id, kId);
  EXPECT_EQ(combo.selected_index(), 2);
  ASSERT_TRUE(combo.translate_notification(
      {NativeNotification::kCommand, window(), CBN_DROPDOWN, nullptr}, event));
  EXPECT_EQ(event.kind, Event::kDropdownOpened);
  ASSERT_TRUE(combo.translate_notification(
      {NativeNotification::kCommand, window(), CBN_CLOSEUP, nullptr}, event));
  EXPECT_EQ(event.kind, Event::kDropdownClosed);
  EXPECT_FALSE(combo.translate_notification(
      {NativeNotification::kCommand, window(), CBN_SETFOCUS, nullptr}, event));
  EXPECT_FALSE(combo.translate_notification(
      {NativeNotification::kNotify, window(), CBN_SELCHANGE, nullptr}, event));
}

TEST_F(Win32ComboBoxTest, DescribesItselfAsAComboBoxWithItsSelection) {
  ElementInfo info;
  combo.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kComboBox);
  EXPECT_EQ(info.value_text, L"Two");
  EXPECT_TRUE(info.has_flag(ElementAction::kSelect));
  EXPECT_TRUE(info.has_flag(ElementAction::kFocus));
  EXPECT_FALSE(info.has_flag(ElementAction::kSetValueText));
  EXPECT_TRUE(info.native_window);
}

struct ActionCase {
  const char* name;
  double value;
  bool accepted;
  int selected_after;
};

TEST_F(Win32ComboBoxTest, SelectActionRoundsHalfAwayFromZero) {
  const ActionCase cases[] = {
      {"1.5", 1.5, true, 2},
      {"-0.5", -0.5, true, -1},
      {"0.4", 0.4, true, 0},
      {"2.5 is past the end", 2.5, false, 0},
      {"huge", 1e300, false, 0},
      // Not a number goes to the view's default, which only focuses.
      {"NaN", std::nan(""), false, 0},
  };
  for (const ActionCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(combo.perform_element_action({ElementAction::kSelect, c.value, L""}), c.accepted);
    EXPECT_EQ(combo.selected_index(), c.selected_after);
  }
}

TEST(Win32ComboBoxDpiTest, Dpi144FontFieldItemsAndWindowGrowByHalf) {
  QUORVEL_REQUIRE_DPI(144);
  test::ControlTestWindow parent(600, 400);
  const Theme theme = Theme::light(kDefaultAccent);
  SpiedComboBox combo;
  ASSERT_TRUE(combo.attach_window(parent.hwnd(), context_with(theme)));
  EXPECT_EQ(testing::font_height(combo.hwnd()), -20);
  combo.sync_peer_bounds(placement_at(10.0f, 10.0f, 120.0f, 28.0f, 1.0f, 144));
  EXPECT_EQ(combo.last_height_sent(static_cast<WPARAM>(-1)), 37);
  EXPECT_EQ(combo.last_height_sent(0), 51);
  EXPECT_EQ(std::count(combo.spy.heights_asked.begin(), combo.spy.heights_asked.end(), 240), 1);
  EXPECT_EQ(test::edges(testing::rect_in_parent(combo.hwnd()))[0], 15);
}

}  // namespace
}  // namespace win32_ui::modern
