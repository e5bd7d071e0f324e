#include "app/common/hotkey_binding.h"

#include <gtest/gtest.h>

namespace quorvel::windows {
namespace {

TEST(DefaultHotkeyTable, HoldsTheElevenActionsInOrder) {
  struct Row {
    const wchar_t* name_key;
    uint32_t stored;  // modifiers << 16 | key, as the registry keeps it
  };
  const Row expected[] = {
      {L"hotkey.move_top_left", 0x00020070},    {L"hotkey.move_top_right", 0x00020071},
      {L"hotkey.move_bottom_right", 0x00020072}, {L"hotkey.move_bottom_left", 0x00020073},
      {L"hotkey.zoom_in", 0x0006005A},          {L"hotkey.zoom_out", 0x0003005A},
      {L"hotkey.toggle_control", 0x00060058},   {L"hotkey.toggle_pause", 0x00060053},
      {L"hotkey.stop", 0x0002007B},             {L"hotkey.screenshot", 0x00060041},
      {L"hotkey.quick_record", 0x00060043},
  };
  ASSERT_EQ(kDefaultHotkeyTable.size(), std::size(expected));
  for (std::size_t row = 0; row < kHotkeyCount; ++row) {
    SCOPED_TRACE(row);
    const HotkeyBinding& binding = kDefaultHotkeyTable[row];
    EXPECT_STREQ(binding.name_key, expected[row].name_key);
    EXPECT_EQ(binding.modifiers << 16 | binding.key, expected[row].stored);
    EXPECT_EQ(static_cast<std::size_t>(binding.action), row);
    EXPECT_TRUE(is_acceptable_hotkey(binding.modifiers, binding.key));
  }
}

TEST(AcceptableHotkey, NeedsCtrlAltOrWinUnlessTheKeyIsAFunctionKey) {
  struct Case {
    uint32_t modifiers;
    uint32_t key;
    bool acceptable;
  };
  const Case cases[] = {
      {MOD_CONTROL, 'A', true},
      {MOD_ALT, 'A', true},
      {MOD_WIN, 'A', true},
      {MOD_CONTROL | MOD_SHIFT, 'A', true},
      {0x4000 | MOD_CONTROL, 'A', true},  // MOD_NOREPEAT and stray bits do not count
      {0, 'A', false},
      {MOD_SHIFT, 'A', false},
      {0x4000, 'A', false},
      {0xFFF0, VK_RETURN, false},
      {0, VK_RETURN, false},
      {0, VK_F1, true},
      {MOD_SHIFT, VK_F12, true},
      {0, VK_F24, true},
      {0, VK_F24 + 1, false},
      {0, VK_F1 - 1, false},
      {MOD_CONTROL, 0, false},       // no key
      {MOD_CONTROL, 0x141, false},  // not a virtual-key code
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.modifiers << " " << c.key);
    EXPECT_EQ(is_acceptable_hotkey(c.modifiers, c.key), c.acceptable);
  }
}

}  // namespace
}  // namespace quorvel::windows
