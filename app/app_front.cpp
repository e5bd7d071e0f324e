// Bringing the program to the front, the main window, messages and exit.
#include <utility>

#include "app/app.h"
#include "app/common/translate.h"
#include "ui/platform/scaffold/message_dialog.h"

namespace quorvel::windows {

void App::bring_to_front() {
  if (editor_ && editor_->is_open()) {
    editor_->bring_to_front();
  } else if (about_window_ != nullptr) {
    ShowWindow(about_window_, SW_SHOWNORMAL);
    SetForegroundWindow(about_window_);
  } else if (selecting_ && overlay_window_ != nullptr) {
    SetForegroundWindow(overlay_window_);
  } else if (!recording_) {
    if (main_window_ && main_window_->is_open()) {
      main_window_->activate();
    } else {
      show_recording_window();
    }
  } else if (control_window_ != nullptr) {
    ShowWindow(control_window_, IsIconic(control_window_) ? SW_RESTORE : SW_SHOWNORMAL);
    SetForegroundWindow(control_window_);
  }
}

void App::show_recording_window() {
  audio_device_entries(true);
  refresh_main_window(false);
  if (!main_window_ && platform_.make_main_window) {
    main_window_ = platform_.make_main_window(instance_, host_window_, application_);
  }
  if (main_window_) {
    main_window_->set_handlers(main_window_handlers());
    main_window_->refresh(setup_, false);
    if (main_window_->show()) return;
  }
  show_message(L"message.main_window_failed", {}, MB_ICONERROR);
}

void App::exit_application() {
  exiting_ = true;
  // A running recording is finished and committed before the host goes,
  // also when Windows ends the session.
  stop_recording(false);
  tray_.close_menu();
  if (host_window_ != nullptr && IsWindow(host_window_)) DestroyWindow(host_window_);
}

std::wstring App::localized_text(std::wstring_view key, std::vector<std::wstring> arguments) {
  return translate(application_, key, std::move(arguments));
}

HWND App::dialog_owner() const {
  if (main_window_) {
    if (const HWND stream = main_window_->stream_window(); stream != nullptr) return stream;
    const HWND preferences = main_window_->preferences_window();
    if (preferences != nullptr && IsWindowVisible(preferences)) return preferences;
    if (main_window_->is_visible() && main_window_->window() != nullptr) {
      return main_window_->window();
    }
  }
  return host_window_;
}

int App::show_message(std::wstring_view key, std::vector<std::wstring> arguments,
                      unsigned flags) {
  const HWND owner = dialog_owner();
  if (platform_.message) return platform_.message(owner, key, arguments, flags);
  return win32_ui::scaffold::message_box(application_, owner,
                                         localized_text(key, std::move(arguments)), L"Quorvel",
                                         flags);
}

int App::show_text_message(HWND owner, const std::wstring& text, const std::wstring& caption,
                           unsigned flags) {
  if (platform_.text_message) return platform_.text_message(owner, text, caption, flags);
  return win32_ui::scaffold::message_box(application_, owner, text, caption, flags);
}

void App::refresh_main_window(bool force) {
  if (main_window_ && main_window_->is_open()) main_window_->refresh(setup_, force);
}

}  // namespace quorvel::windows
