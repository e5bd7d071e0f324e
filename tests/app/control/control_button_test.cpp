// The bar's icon buttons: how make_control_button sets a button up and
// reaches its callback, and how join_tooltip joins a label and a hotkey.
#include "app/control/control_button.h"

#include <gtest/gtest.h>

#include <string>

#include "app/control/control_button_icons.h"
#include "engine/com_apartment.h"
#include "tests/support/test_support.h"
#include "ui/views/view_root.h"

namespace quorvel::windows {
namespace {

using win32_ui::modern::Button;

TEST(JoinTooltip, JoinsTheLabelAndTheHotkeyWithAMiddleDotOrGivesTheLabelAlone) {
  struct Case {
    const wchar_t* label;
    const wchar_t* hotkey;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"Pause recording", L"Ctrl+Shift+S", L"Pause recording  \u00B7  Ctrl+Shift+S"},
      {L"Stop recording", L"", L"Stop recording"},
      {L"Pause recording", L"Ctrl+Shift+S (conflict)",
       L"Pause recording  \u00B7  Ctrl+Shift+S (conflict)"},
      {L"\u6682\u505C\u5F55\u5236", L"Ctrl+Alt+P", L"\u6682\u505C\u5F55\u5236  \u00B7  Ctrl+Alt+P"},
      {L"", L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.expected));
    EXPECT_EQ(join_tooltip(c.label, c.hotkey), c.expected);
  }
}

TEST(MakeControlButton, MakesAFlatTileWithTheIconPairAndNoLabel) {
  const ComApartment apartment(COINIT_APARTMENTTHREADED);
  const std::unique_ptr<Button> button = make_control_button(108, kControlIconStop, nullptr);

  EXPECT_EQ(button->control_id(), 108);
  EXPECT_TRUE(button->text().empty());
  EXPECT_TRUE(button->is_flat());
  EXPECT_EQ(button->layout(), Button::kLayoutTile);
  EXPECT_FLOAT_EQ(button->icon_size(), 28.0f);
  EXPECT_EQ(button->glyph(), 0);
}

TEST(MakeControlButton, RunsTheCallbackWhenInvokedAndNotWhileDisabled) {
  const ComApartment apartment(COINIT_APARTMENTTHREADED);
  int invoked = 0;
  auto owned = make_control_button(104, kControlIconZoomIn, [&invoked] { ++invoked; });
  Button* button = owned.get();
  win32_ui::modern::ViewRoot root;
  root.set_root(std::move(owned));
  root.layout(42, 42, {});

  button->activate(win32_ui::modern::kInputPointer);
  button->activate(win32_ui::modern::kInputKeyboard);
  EXPECT_EQ(invoked, 2);

  button->set_enabled(false);
  button->activate(win32_ui::modern::kInputPointer);
  EXPECT_EQ(invoked, 2);
}

}  // namespace
}  // namespace quorvel::windows
