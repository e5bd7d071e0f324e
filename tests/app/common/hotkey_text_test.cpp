#include "app/common/hotkey_text.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using quorvel::test::utf8;

TEST(HotkeyText, PutsModifierWordsInFixedOrderBeforeTheKeyName) {
  EXPECT_EQ(utf8(hotkey_text(MOD_CONTROL | MOD_SHIFT, 'A')), "Ctrl+Shift+A");
  EXPECT_EQ(utf8(hotkey_text(MOD_WIN | MOD_SHIFT | MOD_ALT | MOD_CONTROL, VK_F1)),
            "Ctrl+Alt+Shift+Win+F1");
  EXPECT_EQ(utf8(hotkey_text(MOD_ALT, 'Z')), "Alt+Z");
  EXPECT_EQ(utf8(hotkey_text(0, VK_F12)), "F12");
}

TEST(HotkeyText, NamesAKeyTheLayoutDoesNotKnowByItsCode) {
  EXPECT_EQ(utf8(hotkey_text(0, 0xE8)), "VK 232");
  EXPECT_EQ(utf8(hotkey_text(MOD_CONTROL, 0xE8)), "Ctrl+VK 232");
}

TEST(HotkeyText, TakesTheBindingsModifiersAndKey) {
  EXPECT_EQ(utf8(hotkey_text(kDefaultHotkeyTable[9])), "Ctrl+Shift+A");
  EXPECT_EQ(utf8(hotkey_text(kDefaultHotkeyTable[5])), "Ctrl+Alt+Z");
}

TEST(HotkeyText, NamesNavigationKeysApartFromTheKeypad) {
  // The extended bit tells Page Up from numeric-keypad 9: the two names
  // differ, whatever words the layout uses for them.
  const std::wstring page_up = hotkey_text(0, VK_PRIOR);
  const std::wstring keypad_nine = hotkey_text(0, VK_NUMPAD9);
  EXPECT_FALSE(page_up.empty());
  EXPECT_NE(page_up.rfind(L"VK ", 0), 0u) << utf8(page_up);
  EXPECT_NE(page_up, keypad_nine) << utf8(page_up);
}

}  // namespace
}  // namespace quorvel::windows
