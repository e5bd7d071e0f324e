// The global hotkeys' conflict checks, edits from the preferences and the
// dispatch of a pressed hotkey.
#include <algorithm>

#include "app/app.h"
#include "app/common/hotkey_text.h"

namespace quorvel::windows {
namespace {

constexpr double kZoomStep = 1.35;
constexpr double kMaxZoom = 6.0;
constexpr double kMinZoom = 1.0;
constexpr unsigned kAskDefaultYes = MB_YESNO | MB_ICONWARNING;
constexpr unsigned kAskDefaultNo = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;

}  // namespace

std::wstring App::hotkey_conflict_text(const std::vector<std::size_t>& failed_rows) {
  std::wstring text = localized_text(L"message.hotkey_conflict_intro");
  for (const std::size_t row : failed_rows) text += hotkey_conflict_line(hotkeys_[row]);
  return text;
}

std::wstring App::hotkey_conflict_line(const HotkeyBinding& row) {
  return localized_text(L"message.hotkey_conflict_line",
                        {localized_text(row.name_key), hotkey_text(row)});
}

bool App::check_recording_hotkeys(HWND owner) {
  const std::vector<std::size_t> failed = register_recording_hotkeys();
  if (failed.empty() || conflict_reported_) return true;
  conflict_reported_ = true;
  const std::wstring text =
      hotkey_conflict_text(failed) + localized_text(L"message.hotkey_conflict_record");
  const int answer = show_text_message(owner != nullptr ? owner : host_window_, text,
                                       localized_text(L"window.hotkey_conflict"), kAskDefaultNo);
  if (answer != IDYES) return true;
  unregister_recording_hotkeys();
  if (main_window_) main_window_->open_preferences();
  return false;
}

void App::check_startup_hotkey_conflicts() {
  if (conflict_reported_) return;
  const std::vector<std::size_t> failed = probe_hotkeys(hotkeys_);
  if (failed.empty()) return;
  conflict_reported_ = true;
  const std::wstring text =
      hotkey_conflict_text(failed) + localized_text(L"message.hotkey_conflict_startup");
  const int answer = show_text_message(dialog_owner(), text,
                                       localized_text(L"window.hotkey_conflict"), kAskDefaultYes);
  if (answer != IDYES) return;
  bring_to_front();
  if (main_window_) main_window_->open_preferences();
}

bool App::apply_hotkeys() {
  for (std::size_t i = 0; i < kHotkeyCount; ++i) {
    for (std::size_t j = i + 1; j < kHotkeyCount; ++j) {
      if (edit_hotkeys_[i].modifiers != edit_hotkeys_[j].modifiers ||
          edit_hotkeys_[i].key != edit_hotkeys_[j].key) {
        continue;
      }
      show_message(L"message.hotkey_duplicate",
                   {localized_text(edit_hotkeys_[i].name_key),
                    localized_text(edit_hotkeys_[j].name_key)},
                   MB_OK | MB_ICONWARNING);
      return false;
    }
  }
  const std::vector<std::size_t> failed = probe_hotkeys(edit_hotkeys_);
  if (!failed.empty()) {
    conflict_reported_ = true;
    std::wstring text = localized_text(L"message.hotkey_conflict_intro_short");
    for (const std::size_t row : failed) text += hotkey_conflict_line(edit_hotkeys_[row]);
    text += localized_text(L"message.hotkey_conflict_save");
    const int answer = show_text_message(dialog_owner(), text,
                                         localized_text(L"window.hotkey_conflict"), kAskDefaultNo);
    if (answer != IDYES) return false;
  }
  hotkeys_ = edit_hotkeys_;
  HotkeyValues values{};
  for (std::size_t i = 0; i < kHotkeyCount; ++i) {
    values[i] = {static_cast<int32_t>(hotkeys_[i].modifiers), static_cast<int32_t>(hotkeys_[i].key)};
  }
  // A table that cannot be stored still serves this run.
  settings_.write_hotkeys(values);
  register_idle_hotkeys();
  return true;
}

void App::set_hotkey_capturing(bool capturing) {
  if (capturing) {
    unregister_idle_hotkeys();
  } else {
    register_idle_hotkeys();
  }
}

void App::edit_hotkey(std::size_t row, uint32_t key, uint32_t modifiers) {
  if (row >= kHotkeyCount) return;
  // The preferences take any key; one that would steal a plain key from
  // every program for the whole run is refused like an unknown row.
  modifiers &= kHotkeyModifierMask;
  if (!is_acceptable_hotkey(modifiers, key)) return;
  edit_hotkeys_ = hotkeys_;
  edit_hotkeys_[row].key = key;
  edit_hotkeys_[row].modifiers = modifiers;
  apply_hotkeys();
}

void App::run_hotkey_action(std::size_t row) {
  if (row >= kHotkeyCount || stopping_) return;
  const HotkeyAction action = hotkeys_[row].action;
  if (action == HotkeyAction::kScreenshot) {
    // The screenshot command refuses by itself while recording.
    begin_screenshot();
    return;
  }
  if (action == HotkeyAction::kQuickRecord) {
    // A modal dialog of the main window owns the user's attention.
    if (main_window_ && main_window_->is_open() && !IsWindowEnabled(main_window_->window())) {
      return;
    }
    begin_region_selection(true);
    return;
  }
  if (!recording_) return;
  switch (action) {
    case HotkeyAction::kMoveTopLeft:
    case HotkeyAction::kMoveTopRight:
    case HotkeyAction::kMoveBottomRight:
    case HotkeyAction::kMoveBottomLeft:
      move_control_to_corner(static_cast<int>(action));
      break;
    case HotkeyAction::kZoomIn:
      if (follow_mouse_) zoom_factor_ = std::min(zoom_factor_ * kZoomStep, kMaxZoom);
      break;
    case HotkeyAction::kZoomOut:
      if (follow_mouse_) zoom_factor_ = std::max(zoom_factor_ / kZoomStep, kMinZoom);
      break;
    case HotkeyAction::kToggleControl:
      toggle_control_bar();
      break;
    case HotkeyAction::kTogglePause:
      if (paused_) {
        resume_recording();
      } else {
        pause_recording();
      }
      break;
    case HotkeyAction::kStop:
      stop_recording(true);
      break;
    default:
      break;
  }
}

void App::toggle_control_bar() {
  if (control_window_ == nullptr) return;
  if (IsWindowVisible(control_window_)) {
    control_hidden_ = true;
    ShowWindow(control_window_, SW_HIDE);
  } else {
    control_hidden_ = false;
    SetWindowPos(control_window_, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  }
}

}  // namespace quorvel::windows
