// Registering and giving back the global hotkeys the App holds, and probing
// a table for combinations another program holds.
#include "app/app.h"
#include "app/app_messages.h"

namespace quorvel::windows {
namespace {

constexpr std::size_t kScreenshotRow = static_cast<std::size_t>(HotkeyAction::kScreenshot);
constexpr std::size_t kQuickRecordRow = static_cast<std::size_t>(HotkeyAction::kQuickRecord);

// Stray bits in a stored or edited row must never reach the system: only
// the four modifiers, and no repeats while the keys are held.
bool register_hotkey(HWND window, int id, const HotkeyBinding& row) {
  return RegisterHotKey(window, id, (row.modifiers & kHotkeyModifierMask) | MOD_NOREPEAT,
                        row.key) != FALSE;
}

}  // namespace

void App::load_hotkeys() {
  HotkeyValues values{};
  for (std::size_t i = 0; i < kHotkeyCount; ++i) {
    values[i] = {static_cast<int32_t>(hotkeys_[i].modifiers), static_cast<int32_t>(hotkeys_[i].key)};
  }
  settings_.read_hotkeys(values);
  for (std::size_t i = 0; i < kHotkeyCount; ++i) {
    hotkeys_[i].modifiers = static_cast<uint32_t>(values[i].modifiers);
    hotkeys_[i].key = static_cast<uint32_t>(values[i].key);
  }
}

bool App::register_idle_hotkeys() {
  if (host_window_ == nullptr) return false;
  unregister_idle_hotkeys();
  idle_hotkey_registered_[0] = register_hotkey(host_window_, kFirstIdleHotkeyId, hotkeys_[kScreenshotRow]);
  idle_hotkey_registered_[1] =
      register_hotkey(host_window_, kFirstIdleHotkeyId + 1, hotkeys_[kQuickRecordRow]);
  return idle_hotkey_registered_[0] && idle_hotkey_registered_[1];
}

void App::unregister_recording_hotkeys() {
  for (std::size_t i = 0; i < recording_hotkey_registered_.size(); ++i) {
    if (recording_hotkey_registered_[i] && host_window_ != nullptr) {
      UnregisterHotKey(host_window_, kFirstRecordingHotkeyId + static_cast<int>(i));
    }
    recording_hotkey_registered_[i] = false;
  }
}

void App::unregister_idle_hotkeys() {
  for (std::size_t i = 0; i < idle_hotkey_registered_.size(); ++i) {
    if (idle_hotkey_registered_[i]) {
      UnregisterHotKey(host_window_, kFirstIdleHotkeyId + static_cast<int>(i));
    }
    idle_hotkey_registered_[i] = false;
  }
}

std::vector<std::size_t> App::probe_hotkeys(const HotkeyTable& table) {
  // The program's own idle hotkeys step aside, or their rows would count as
  // held by someone else.
  const bool restore_idle = idle_hotkey_registered_[0] || idle_hotkey_registered_[1];
  if (restore_idle) unregister_idle_hotkeys();
  std::vector<std::size_t> failed;
  std::vector<int> probed;
  for (std::size_t row = 0; row < table.size(); ++row) {
    const int id = kFirstProbeHotkeyId + static_cast<int>(row);
    if (register_hotkey(host_window_, id, table[row])) {
      probed.push_back(id);
    } else {
      failed.push_back(row);
    }
  }
  for (const int id : probed) UnregisterHotKey(host_window_, id);
  if (restore_idle) register_idle_hotkeys();
  return failed;
}

std::vector<std::size_t> App::register_recording_hotkeys() {
  unregister_recording_hotkeys();
  std::vector<std::size_t> failed;
  for (std::size_t row = 0; row < recording_hotkey_registered_.size(); ++row) {
    recording_hotkey_registered_[row] =
        register_hotkey(host_window_, kFirstRecordingHotkeyId + static_cast<int>(row), hotkeys_[row]);
    if (!recording_hotkey_registered_[row]) failed.push_back(row);
  }
  return failed;
}

}  // namespace quorvel::windows
