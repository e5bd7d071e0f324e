// A key combination held as a global hotkey by the test itself, as another
// program would hold it, and released when the object goes; and the probe
// whether a combination is free for anyone to take. UI thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quorvel::test {

// Thread hotkeys (no window) under ids far from the program's own; each
// held combination under an id of its own.
inline constexpr int kProbeHotkeyId = 0xA000;
inline int held_hotkey_id(uint32_t modifiers, uint32_t key) {
  return 0xA001 + static_cast<int>(((modifiers & 0xF) << 8) | (key & 0xFF));
}

class HeldHotkey {
 public:
  HeldHotkey(uint32_t modifiers, uint32_t key)
      : id_(held_hotkey_id(modifiers, key)),
        held_(RegisterHotKey(nullptr, id_, modifiers, key) != FALSE) {}
  ~HeldHotkey() { release(); }
  HeldHotkey(const HeldHotkey&) = delete;
  HeldHotkey& operator=(const HeldHotkey&) = delete;

  bool held() const { return held_; }
  void release() {
    if (held_) UnregisterHotKey(nullptr, id_);
    held_ = false;
  }

 private:
  int id_;
  bool held_;
};

// Whether nobody holds the combination: takes it for an instant.
inline bool hotkey_is_free(uint32_t modifiers, uint32_t key) {
  if (RegisterHotKey(nullptr, kProbeHotkeyId, modifiers, key) == FALSE) return false;
  UnregisterHotKey(nullptr, kProbeHotkeyId);
  return true;
}

}  // namespace quorvel::test
