#include "app/common/hotkey_text.h"

#include <windows.h>

#include <cwchar>

namespace quorvel::windows {
namespace {

// Keys whose scan code shares its value with a numeric-keypad key: without
// the extended bit the layout names the keypad key instead.
bool is_extended_key(uint32_t key) {
  return (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
}

std::wstring key_name(uint32_t key) {
  UINT scan_code = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  if (is_extended_key(key)) scan_code |= 0x100;
  wchar_t name[64] = {};
  const int length = GetKeyNameTextW(static_cast<LONG>(scan_code << 16), name, 64);
  if (length > 0) return std::wstring(name, static_cast<size_t>(length));
  wchar_t fallback[24] = {};
  std::swprintf(fallback, 24, L"VK %u", static_cast<unsigned>(key));
  return fallback;
}

}  // namespace

std::wstring hotkey_text(uint32_t modifiers, uint32_t key) {
  std::wstring text;
  if ((modifiers & MOD_CONTROL) != 0) text += L"Ctrl+";
  if ((modifiers & MOD_ALT) != 0) text += L"Alt+";
  if ((modifiers & MOD_SHIFT) != 0) text += L"Shift+";
  if ((modifiers & MOD_WIN) != 0) text += L"Win+";
  return text + key_name(key);
}

std::wstring hotkey_text(const HotkeyBinding& binding) {
  return hotkey_text(binding.modifiers, binding.key);
}

}  // namespace quorvel::windows
