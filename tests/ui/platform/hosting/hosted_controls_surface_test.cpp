// Win32Edit and Win32ComboBox hosted in a real Surface window's grid: the
// child windows the surface makes for them, the events their real
// notifications raise, focus taken by a control, the keys the view tree
// takes from a control and those it leaves to it, and how they look.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/platform/hosting/hosting_test_support.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "tests/ui/views/input_harness.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/platform/hosting/win32_edit.h"
#include "ui/platform/theme/themed_combo_box.h"
#include "ui/views/grid_panel.h"

namespace win32_ui::modern {
namespace {

using layout::GridLength;
using testing::InputHarness;
using testing::MessageSpy;
using testing::RecordingView;

constexpr int kEditId = 301;
constexpr int kComboId = 302;

// An edit watched from creation on, below the "WINH" subclass: the spy sees
// only the messages the control itself gets.
class WatchedEdit final : public Win32Edit {
 public:
  WatchedEdit() : Win32Edit(kEditId, L"", false) {}
  MessageSpy control_sees;

 protected:
  HWND create_child_window(HWND parent) override {
    HWND edit = Win32Edit::create_child_window(parent);
    if (edit != nullptr) control_sees.watch(edit);
    return edit;
  }
};

class HostedControlsSurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.attach());
    harness.painter = [](const DRAWITEMSTRUCT* item) { return draw_themed_combo_item(*item); };
    auto grid = std::make_unique<GridPanel>(
        std::vector<GridLength>{GridLength::fixed(160.0f), GridLength::fixed(160.0f)},
        std::vector<GridLength>{GridLength::fixed(32.0f), GridLength::fixed(40.0f)}, 16.0f,
        16.0f, layout::Thickness{20.0f, 20.0f, 20.0f, 20.0f});
    auto watched = std::make_unique<WatchedEdit>();
    edit = watched.get();
    edit->on_text_changed([this](std::wstring_view text) { texts.emplace_back(text); });
    grid->add_child(std::move(watched), {0, 0, 1, 1});
    auto list = std::make_unique<Win32ComboBox>(kComboId);
    combo = list.get();
    combo->set_items({L"Screen", L"Window", L"Region"});
    combo->set_selected_index(0);
    combo->on_selection_changed([this](int index) { selections.push_back(index); })
        .on_dropdown_opened([this] { drop_downs.push_back(true); })
        .on_dropdown_closed([this] { drop_downs.push_back(false); });
    grid->add_child(std::move(list), {1, 0, 1, 1});
    auto below = std::make_unique<RecordingView>();
    after = below.get();
    grid->add_child(std::move(below), {0, 1, 2, 1});
    harness.set_content(std::move(grid));
    ASSERT_NE(edit->hwnd(), nullptr);
    ASSERT_NE(combo->hwnd(), nullptr);
    edit->add_event_handler(Event::kTextChanged, [this](Event& event) { events.push_back(event); });
  }
  View* focused() const { return harness.focused(); }

  InputHarness harness{400, 160};
  WatchedEdit* edit = nullptr;
  Win32ComboBox* combo = nullptr;
  RecordingView* after = nullptr;
  std::vector<std::wstring> texts;
  std::vector<int> selections;
  std::vector<bool> drop_downs;
  std::vector<Event> events;
};

TEST_F(HostedControlsSurfaceTest, ControlsAreRealChildWindowsOverTheirViews) {
  EXPECT_EQ(testing::class_name(edit->hwnd()), L"Edit");
  EXPECT_EQ(testing::class_name(combo->hwnd()), L"ComboBox");
  EXPECT_EQ(GetDlgCtrlID(edit->hwnd()), kEditId);
  EXPECT_EQ(GetDlgCtrlID(combo->hwnd()), kComboId);
  EXPECT_EQ(GetParent(edit->hwnd()), harness.hwnd());
  EXPECT_TRUE(IsWindowVisible(edit->hwnd()));
  EXPECT_TRUE(IsWindowVisible(combo->hwnd()));
  EXPECT_EQ(test::edges(testing::rect_in_parent(edit->hwnd())),
            (std::array<LONG, 4>{20, 20, 180, 52}));
  const RECT combo_rect = testing::rect_in_parent(combo->hwnd());
  EXPECT_EQ(combo_rect.left, 196);
  EXPECT_EQ(combo_rect.top, 20);
  EXPECT_EQ(combo_rect.right, 356);
}

TEST_F(HostedControlsSurfaceTest, OneTextChangeRaisesOneEventAndTheValueFollows) {
  SetWindowTextW(edit->hwnd(), L"clip");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, Event::kTextChanged);
  EXPECT_EQ(events[0].widget_kind, 8);
  EXPECT_EQ(events[0].origin, kInputNativeControl);
  EXPECT_EQ(events[0].control_id, kEditId);
  EXPECT_EQ(events[0].text, L"clip");
  EXPECT_EQ(texts, std::vector<std::wstring>{L"clip"});
  ElementInfo info;
  edit->describe_element(info);
  EXPECT_EQ(info.value_text, L"clip");
}

TEST_F(HostedControlsSurfaceTest, TypedCharactersRaiseTextChanges) {
  SetFocus(edit->hwnd());
  ASSERT_TRUE(PostMessageW(edit->hwnd(), WM_CHAR, L'a', 1));
  ASSERT_TRUE(PostMessageW(edit->hwnd(), WM_CHAR, L'b', 1));
  EXPECT_TRUE(testing::pump_until([this] { return texts.size() == 2; }));
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"a", L"ab"}));
}

TEST_F(HostedControlsSurfaceTest, ComboSelectionAndDropDownRaiseTheirEvents) {
  SetFocus(combo->hwnd());
  ASSERT_EQ(focused(), combo);
  SendMessageW(combo->hwnd(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(selections, std::vector<int>{1});
  EXPECT_EQ(focused(), combo);
  SendMessageW(combo->hwnd(), CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(combo->hwnd(), CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(drop_downs, (std::vector<bool>{true, false}));
  ElementInfo info;
  combo->describe_element(info);
  EXPECT_EQ(info.value_text, L"Window");
}

TEST_F(HostedControlsSurfaceTest, HandMadeSelectionChangeCarriesTheNewIndex) {
  SendMessageW(combo->hwnd(), CB_SETCURSEL, 2, 0);
  harness.send(WM_COMMAND, MAKEWPARAM(kComboId, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo->hwnd()));
  EXPECT_EQ(selections, std::vector<int>{2});
}

TEST_F(HostedControlsSurfaceTest, TabInTheEditMovesViewFocusAndNeverReachesTheEdit) {
  SetFocus(edit->hwnd());
  ASSERT_EQ(focused(), edit);
  edit->control_sees.clear();
  EXPECT_EQ(SendMessageW(edit->hwnd(), WM_KEYDOWN, VK_TAB, 1), 0);
  EXPECT_EQ(focused(), combo);
  EXPECT_EQ(GetFocus(), combo->hwnd());
  EXPECT_EQ(edit->control_sees.count(WM_KEYDOWN), 0);
}

TEST_F(HostedControlsSurfaceTest, ArrowKeysStayWithTheFocusedControl) {
  SetFocus(edit->hwnd());
  SetWindowTextW(edit->hwnd(), L"abc");
  edit->control_sees.clear();
  for (const WPARAM key : {VK_LEFT, VK_DOWN, VK_RIGHT, VK_UP}) {
    SendMessageW(edit->hwnd(), WM_KEYDOWN, key, 1);
    EXPECT_EQ(focused(), edit);
  }
  EXPECT_EQ(edit->control_sees.count(WM_KEYDOWN), 4);
  EXPECT_EQ(GetFocus(), edit->hwnd());
}

TEST_F(HostedControlsSurfaceTest, ControlTakingTheFocusFocusesItsHostWithoutRing) {
  MessageSpy surface_gets;
  surface_gets.watch(harness.hwnd());
  ASSERT_TRUE(harness.surface.request_focus(after, kFocusKeyboard));
  SetFocus(edit->hwnd());
  const auto focus_messages = surface_gets.of(kChildFocusMessage);
  ASSERT_EQ(focus_messages.size(), 1u);
  EXPECT_EQ(focus_messages[0].lparam, reinterpret_cast<LPARAM>(edit->hwnd()));
  EXPECT_EQ(focused(), edit);
  EXPECT_FALSE(harness.focus_ring());
}

TEST_F(HostedControlsSurfaceTest, DrawsThemedControlsOverTheSurface) {
  SetWindowTextW(edit->hwnd(), L"Quorvel");
  RedrawWindow(harness.hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  test::pump_messages();
  ui::graphics::test::DibTarget target(400, 160);
  harness.window.read_back(target);
  test::save_png_if_asked(target, "hosted_edit_and_combo.png");
  const Theme& theme = harness.surface.theme();
  const COLORREF field = theme.color(ThemeColor::control_background);
  const COLORREF back = theme.color(ThemeColor::window_background);
  // Inside the edit's frame, right of its text; inside the combo's field,
  // left of its arrow; the surface between them.
  EXPECT_EQ(test::colorref(target.pixel(170, 36)), field);
  EXPECT_EQ(test::colorref(target.pixel(300, 36)), field);
  EXPECT_EQ(test::colorref(target.pixel(188, 36)), back);
}

}  // namespace
}  // namespace win32_ui::modern
