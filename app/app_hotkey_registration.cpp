// Giving back the global hotkeys the App holds.
#include "app/app.h"

namespace quorvel::windows {
namespace {

constexpr int kFirstRecordingHotkeyId = 1000;
constexpr int kFirstIdleHotkeyId = 1200;

}  // namespace

void App::unregister_recording_hotkeys() {
  for (std::size_t i = 0; i < recording_hotkey_registered_.size(); ++i) {
    if (recording_hotkey_registered_[i]) {
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

}  // namespace quorvel::windows
