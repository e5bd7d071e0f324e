// Win32Edit on a real parent window: the "EDIT" child it makes from the
// settings made before, what it still changes afterwards, its text-changed
// events, its accessibility description and the set-text action.
#include "ui/platform/hosting/win32_edit.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ui/platform/hosting/hosting_test_support.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/themed_edit_control.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui::modern {
namespace {

using testing::context_with;
using testing::placement_at;

constexpr int kId = 31;
// Every style bit but WS_VISIBLE, which placement owns.
constexpr LONG_PTR kStyleBits = ~static_cast<LONG_PTR>(WS_VISIBLE) & 0xFFFFFFFF;

class Win32EditTest : public ::testing::Test {
 protected:
  bool attach(Win32Edit& edit) {
    return edit.attach_window(parent.hwnd(), context_with(theme));
  }
  test::ControlTestWindow parent{400, 300};
  Theme theme = Theme::light(kDefaultAccent);
};

struct CreationCase {
  const char* name;
  bool read_only;
  bool multiline;
  LONG_PTR style;
};

TEST_F(Win32EditTest, MakesAnEditWithTheSettingsMadeBefore) {
  const CreationCase cases[] = {
      {"single line", false, false, 0x40010080},
      {"read only", true, false, 0x40010880},
      {"multi-line", false, true, 0x40211044},
  };
  for (const CreationCase& c : cases) {
    SCOPED_TRACE(c.name);
    Win32Edit edit(kId, L"hello", c.read_only);
    edit.set_multiline(c.multiline);
    edit.set_max_length(12);
    ASSERT_TRUE(attach(edit));
    HWND window = edit.hwnd();
    EXPECT_EQ(_wcsicmp(testing::class_name(window).c_str(), L"Edit"), 0);
    EXPECT_EQ(GetDlgCtrlID(window), kId);
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & kStyleBits & c.style, c.style);
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & ES_MULTILINE,
              c.multiline ? ES_MULTILINE : 0);
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & ES_READONLY,
              c.read_only ? ES_READONLY : 0);
    EXPECT_EQ(SendMessageW(window, EM_GETLIMITTEXT, 0, 0), 12);
    EXPECT_EQ(edit.window_text(), L"hello");
    EXPECT_TRUE(find_window_subclass(window, &edit_frame_subclass_procedure, kEditThemeSubclass,
                                     nullptr));
  }
}

TEST_F(Win32EditTest, MultiLineAfterCreationChangesNothing) {
  Win32Edit edit(kId, L"", false);
  ASSERT_TRUE(attach(edit));
  edit.set_multiline(true);
  EXPECT_FALSE(edit.is_multiline());
  EXPECT_EQ(GetWindowLongPtrW(edit.hwnd(), GWL_STYLE) & ES_MULTILINE, 0);
  edit.set_max_length(5);
  EXPECT_EQ(SendMessageW(edit.hwnd(), EM_GETLIMITTEXT, 0, 0), 5);
}

TEST_F(Win32EditTest, ZoomWidensTheTextMargins) {
  Win32Edit edit(kId, L"", false);
  ASSERT_TRUE(attach(edit));
  edit.sync_peer_bounds(placement_at(0.0f, 0.0f, 120.0f, 32.0f, 1.5f));
  const LRESULT margins = SendMessageW(edit.hwnd(), EM_GETMARGINS, 0, 0);
  EXPECT_EQ(LOWORD(margins), 12);
  EXPECT_EQ(HIWORD(margins), 12);
}

TEST_F(Win32EditTest, ChangeNotificationBecomesATextChangedEvent) {
  Win32Edit edit(kId, L"", false);
  ASSERT_TRUE(attach(edit));
  SetWindowTextW(edit.hwnd(), L"abc");
  Event event;
  ASSERT_TRUE(edit.translate_notification(
      {NativeNotification::kCommand, edit.hwnd(), EN_CHANGE, nullptr}, event));
  EXPECT_EQ(event.kind, Event::kTextChanged);
  EXPECT_EQ(event.text, L"abc");
  EXPECT_EQ(event.control_id, kId);
  EXPECT_EQ(event.widget_kind, 8);
  EXPECT_EQ(event.origin, kInputNativeControl);
  EXPECT_EQ(event.source, &edit);
  ElementInfo info;
  edit.describe_element(info);
  EXPECT_EQ(info.value_text, L"abc");

  for (const NativeNotification other :
       {NativeNotification{NativeNotification::kCommand, edit.hwnd(), EN_SETFOCUS, nullptr},
        NativeNotification{NativeNotification::kNotify, edit.hwnd(), EN_CHANGE, nullptr}}) {
    EXPECT_FALSE(edit.translate_notification(other, event));
  }
}

struct SemanticsCase {
  const char* name;
  bool read_only;
  bool set_text;
};

TEST_F(Win32EditTest, DescribesItselfAsAnEditOverANativeWindow) {
  for (const SemanticsCase& c : {SemanticsCase{"editable", false, true},
                                 SemanticsCase{"read only", true, false}}) {
    SCOPED_TRACE(c.name);
    Win32Edit edit(kId, L"text", c.read_only);
    ElementInfo info;
    edit.describe_element(info);
    EXPECT_EQ(info.role, ElementRole::kEdit);
    EXPECT_EQ(info.value_text, L"text");
    EXPECT_EQ(info.name, L"");
    EXPECT_EQ(info.read_only, c.read_only);
    EXPECT_EQ(info.has_flag(ElementAction::kSetValueText), c.set_text);
    EXPECT_TRUE(info.has_flag(ElementAction::kFocus));
    EXPECT_TRUE(info.native_window);
    EXPECT_TRUE(info.exposed);
  }
}

TEST_F(Win32EditTest, SetTextActionWritesAnEditableEditOnly) {
  Win32Edit editable(kId, L"old", false);
  Win32Edit read_only(kId + 1, L"old", true);
  ASSERT_TRUE(attach(editable));
  ASSERT_TRUE(attach(read_only));
  const ElementAction set_text{ElementAction::kSetValueText, 0.0, L"new"};
  EXPECT_TRUE(editable.perform_element_action(set_text));
  EXPECT_EQ(editable.window_text(), L"new");
  EXPECT_FALSE(read_only.perform_element_action(set_text));
  EXPECT_FALSE(read_only.perform_action(set_text));
  EXPECT_EQ(read_only.window_text(), L"old");
  editable.peer()->release_window();
  EXPECT_EQ(editable.window_text(), L"new");
}

TEST(Win32EditWindowlessTest, KeepsItsTextWithoutAWindow) {
  Win32Edit edit(kId, L"kept", false);
  EXPECT_EQ(edit.window_text(), L"kept");
  EXPECT_TRUE(edit.perform_action({ElementAction::kSetValueText, 0.0, L"set"}));
  EXPECT_EQ(edit.window_text(), L"set");
}

}  // namespace
}  // namespace win32_ui::modern
