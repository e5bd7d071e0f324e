// The stream key field on a real parent window: the masked EDIT it makes,
// its length limit and its theming.
#include "app/setup/stream_secret_edit.h"

#include <gtest/gtest.h>

#include <string>

#include "app/setup/view_factories.h"
#include "tests/ui/platform/hosting/hosting_test_support.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/themed_edit_control.h"
#include "ui/platform/theme/window_subclass.h"

namespace quorvel::windows {
namespace {

using win32_ui::Theme;

constexpr int kId = 57;

// Reaches the theming step directly, as the host does on a theme change.
class ThemeableSecretEdit : public StreamSecretEdit {
 public:
  using StreamSecretEdit::StreamSecretEdit;
  using StreamSecretEdit::apply_theme;
};

bool themed(HWND edit) {
  return win32_ui::find_window_subclass(edit, &win32_ui::edit_frame_subclass_procedure,
                                        win32_ui::kEditThemeSubclass, nullptr);
}

class StreamSecretEditTest : public ::testing::Test {
 protected:
  bool attach(StreamSecretEdit& edit) {
    return edit.attach_window(parent.hwnd(), win32_ui::modern::testing::context_with(theme));
  }
  win32_ui::test::ControlTestWindow parent{400, 300};
  Theme theme = Theme::light(win32_ui::kDefaultAccent);
};

TEST_F(StreamSecretEditTest, MakesAMaskedEditWithTheKey) {
  auto edit = make_stream_secret_edit(kId, L"live_1234");
  win32_ui::layout::LayoutContext layout_context;
  const auto size = edit->measure(
      win32_ui::layout::make_unbounded_size(win32_ui::layout::kUnbounded,
                                            win32_ui::layout::kUnbounded),
      layout_context);
  EXPECT_EQ(size.width, 0.0f);
  EXPECT_EQ(size.height, 36.0f);
  ASSERT_TRUE(attach(*edit));
  HWND window = edit->window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(_wcsicmp(win32_ui::modern::testing::class_name(window).c_str(), L"Edit"), 0);
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  for (const LONG_PTR bit : {static_cast<LONG_PTR>(ES_PASSWORD), static_cast<LONG_PTR>(ES_AUTOHSCROLL),
                             static_cast<LONG_PTR>(WS_TABSTOP), static_cast<LONG_PTR>(WS_CHILD)}) {
    EXPECT_EQ(style & bit, bit);
  }
  EXPECT_EQ(GetDlgCtrlID(window), kId);
  wchar_t text[32] = {};
  GetWindowTextW(window, text, 32);
  EXPECT_STREQ(text, L"live_1234");
  EXPECT_NE(SendMessageW(window, EM_GETPASSWORDCHAR, 0, 0), 0);
  EXPECT_TRUE(themed(window));
}

TEST_F(StreamSecretEditTest, TakesAtMost8192Characters) {
  StreamSecretEdit edit(kId, L"");
  ASSERT_TRUE(attach(edit));
  HWND window = edit.window();
  EXPECT_EQ(SendMessageW(window, EM_GETLIMITTEXT, 0, 0), 8192);
  for (int i = 0; i < 8193; ++i) SendMessageW(window, WM_CHAR, L'k', 1);
  EXPECT_EQ(GetWindowTextLengthW(window), 8192);
}

TEST_F(StreamSecretEditTest, ThemesOnlyAnExistingWindow) {
  ThemeableSecretEdit edit(kId, L"key");
  edit.apply_theme(theme);
  EXPECT_EQ(edit.window(), nullptr);
  ASSERT_TRUE(attach(edit));
  ASSERT_TRUE(themed(edit.window()));
  // Theming again replaces the subclass in place.
  edit.apply_theme(Theme::dark(win32_ui::kDefaultAccent));
  EXPECT_TRUE(themed(edit.window()));
}

}  // namespace
}  // namespace quorvel::windows
