// The stream settings window: the live quality and the live target, which
// reaches the application whole on save and is kept only when accepted.
#include <string>
#include <utility>

#include "app/setup/modern_recording_preview.h"
#include "app/setup/setup_window_body.h"
#include "app/setup/stream_tree.h"
#include "ui/views/widgets/interactive.h"

namespace quorvel::windows {
using win32_ui::scaffold::WindowOptions;

void ModernRecordingPreview::show_stream_window() {
  if (!main_window_.is_open() || !callbacks_.stream_settings ||
      !callbacks_.save_stream_settings) {
    return;
  }
  if (stream_window_.is_open()) {
    stream_window_.activate();
    return;
  }
  const WindowOptions options = secondary_window_options(
      text(L"stream.settings"), instance_, main_window_.hwnd(), {760.0f, 624.0f}, 620.0f);
  if (!stream_window_.create(options)) return;
  apply_window_theme(stream_window_, theme_);
  set_window_icons(stream_window_.hwnd(), instance_);
  stream_window_.on_destroyed([this] {
    HWND main = main_window_.hwnd();
    if (!IsWindow(main)) return;
    EnableWindow(main, TRUE);
    SetForegroundWindow(main);
  });
  StreamSettings shown = callbacks_.stream_settings();
  if (auto cached = read_stream_fields()) shown = std::move(*cached);
  install_window_body(stream_window_,
                      build_stream_tree(
                          state_, make_stream_handlers(), shown,
                          [this](bool reveal) { reveal_stream_secrets(reveal); },
                          [this] { show_stream_help(); }, [this] { save_stream_settings(); }));
  EnableWindow(main_window_.hwnd(), FALSE);
  stream_window_.show(SW_SHOWNORMAL);
  stream_window_.activate();
}

PreviewHandlers ModernRecordingPreview::make_stream_handlers() {
  PreviewHandlers handlers;
  handlers.stream_quality = [this](int level, std::wstring kbps) {
    report_stream_quality(level, std::move(kbps));
  };
  handlers.stream_text_edited = [this](std::wstring_view typed) {
    pending_stream_text_ = std::wstring(typed);
  };
  handlers.pending_stream_text = pending_stream_text_;
  handlers.locale = application_->language().empty() ? L"en-US" : application_->language();
  return handlers;
}

void ModernRecordingPreview::reveal_stream_secrets(bool reveal) {
  if (!stream_window_.is_open()) return;
  for (int id : {kStreamAddressEditId, kStreamKeyEditId}) {
    HWND edit = GetDlgItem(stream_window_.hwnd(), id);
    if (!edit) continue;
    SendMessageW(edit, EM_SETPASSWORDCHAR, reveal ? 0 : kStreamMaskCharacter, 0);
    InvalidateRect(edit, nullptr, TRUE);
  }
}

void ModernRecordingPreview::show_stream_help() {
  MessageBoxW(stream_window_.hwnd(), text(L"stream.platform_help").c_str(),
              text(L"stream.help").c_str(), MB_OK | MB_ICONINFORMATION);
}

void ModernRecordingPreview::save_stream_settings() {
  if (!stream_window_.is_open() || !callbacks_.save_stream_settings) return;
  HWND window = stream_window_.hwnd();
  auto& surface = stream_window_.host().surface();
  auto* complete_url =
      dynamic_cast<win32_ui::modern::Interactive*>(surface.find_widget(kStreamCompleteUrlBoxId));
  const auto edit_text = [window](int id) {
    HWND edit = GetDlgItem(window, id);
    std::wstring typed(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    typed.resize(static_cast<std::size_t>(
        GetWindowTextW(edit, typed.data(), static_cast<int>(typed.size()))));
    return typed;
  };
  StreamSettings settings;
  settings.complete_url = complete_url && complete_url->is_checked();
  settings.server_url = edit_text(kStreamAddressEditId);
  settings.stream_key = edit_text(kStreamKeyEditId);
  if (!callbacks_.save_stream_settings(settings)) return;
  stream_target_ = std::move(settings);
  stream_window_.destroy();
  skip_stream_read_ = true;
  rebuild_view(true);
}

}  // namespace quorvel::windows
