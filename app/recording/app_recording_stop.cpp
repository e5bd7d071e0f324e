// The end of a session: the stop requested from the bar, the hotkey, the
// tick or the exit; the finish that stops audio and encoders and commits
// the files; the result the user is told; and the bar window the session
// runs on.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "app/app.h"
#include "app/app_messages.h"
#include "app/recording/live_result_keys.h"
#include "ui/platform/scaffold/message_dialog.h"

namespace quorvel::windows {
namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr int kControlWidth = 700;
constexpr int kControlHeight = 140;

bool is_directory(const std::wstring& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(path, error);
}

}  // namespace

int App::show_session_message(HWND owner, std::wstring_view key,
                              std::vector<std::wstring> arguments, unsigned flags) {
  if (owner == nullptr || !IsWindow(owner)) owner = host_window_;
  if (platform_.message) return platform_.message(owner, key, arguments, flags);
  return win32_ui::scaffold::message_box(application_, owner,
                                         localized_text(key, std::move(arguments)), L"Quorvel",
                                         flags);
}

void App::request_stop(bool open_result) {
  if (stopping_ || stop_requested_ || host_window_ == nullptr) return;
  stop_requested_ = PostMessageW(host_window_, kStopRecordingMessage, open_result ? 1 : 0, 0) != FALSE;
  if (stop_requested_ && control_view_) control_view_->set_stop_enabled(false);
}

void App::stop_recording(bool open_result) {
  // Only a running session stops; a stop hotkey pressed under a box that
  // already ended the session finds nothing to do.
  if (stopping_ || !recording_) return;
  stopping_ = true;
  stop_requested_ = true;
  // Whichever way the stop came (the bar, the hotkey, the tick, the exit),
  // the bar's Stop can do nothing more while the files are finished.
  if (control_view_) control_view_->set_stop_enabled(false);
  const std::wstring saving = localized_text(live_only_ ? L"stream.stopping" : L"control.saving");
  set_control_title(saving);
  if (control_view_) control_view_->set_status_text(saving);
  // The finish below holds this thread for seconds on a long recording, and
  // the bar would go on showing a live Stop and the clock. It is painted
  // once now: RDW_UPDATENOW sends it WM_PAINT directly, with no message loop
  // that would let other work in while the session ends.
  if (control_window_ != nullptr) {
    RedrawWindow(control_window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  unregister_recording_hotkeys();
  const bool committed = finish_recording(true);

  if (open_result) {
    if (live_requested_ && !live_only_) {
      show_session_message(control_window_, L"stream.dual_result", session_result_parts(),
                           file_committed_ && live_succeeded_ ? MB_ICONINFORMATION : MB_ICONWARNING);
    } else if (!live_only_ && !committed) {
      show_session_message(control_window_, L"message.recording_incomplete", {log_path_},
                           MB_ICONERROR);
    } else if (live_only_ && !committed) {
      if (const auto key = live_only_result_key(streamer_->status().error)) {
        show_session_message(control_window_, *key, {}, MB_ICONERROR);
      }
    }
  }
  if (control_window_ != nullptr) KillTimer(control_window_, kTickTimer);
  if (overlay_window_ != nullptr) SetWindowLongPtrW(overlay_window_, GWLP_HWNDPARENT, 0);
  if (control_window_ != nullptr) {
    const HWND window = control_window_;
    control_window_ = nullptr;
    control_view_.reset();
    DestroyWindow(window);
  }
  control_hidden_ = false;
  session_camera_.reset();

  if (!exiting_ && file_committed_) {
    const std::wstring folder = std::filesystem::path(output_path_).parent_path().wstring();
    if (is_directory(folder)) {
      if (platform_.open_folder) {
        platform_.open_folder(host_window_, folder);
      } else {
        ShellExecuteW(host_window_, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      }
    }
  }
  stopping_ = false;
  stop_requested_ = false;
  hide_overlay();
  update_record_availability();
  if (!exiting_) {
    if (main_window_was_visible_ && main_window_ && main_window_->is_open()) {
      main_window_->activate();
    } else {
      bring_to_front();
    }
  }
  main_window_was_visible_ = false;
}

bool App::finish_recording(bool commit) {
  capture_running_ = false;
  const int64_t now = performance_now();
  if (paused_ && pause_started_at_ > 0) {
    paused_total_ += std::max<int64_t>(0, now - pause_started_at_);
    pause_started_at_ = 0;
  }
  mixer_->stop(now);
  system_source_->stop();
  microphone_source_->stop();

  std::lock_guard lock(session_mutex_);
  const int64_t end = now - paused_total_;
  const uint64_t before = file_session_->video_submitted_frames();
  const HRESULT repeat = file_session_->repeat_last_frame(end);
  const uint64_t after = file_session_->video_submitted_frames();
  const bool timeline_frames_written =
      SUCCEEDED(repeat) && timeline_frame_step(before, after, end, last_frame_rect_, false);
  const HRESULT file_result = file_session_->finish(end);
  HRESULT live_repeat = E_FAIL;
  HRESULT live_result = E_FAIL;
  if (independent_live_encoder_) {
    live_repeat = live_session_->is_active() ? live_session_->repeat_last_frame(end) : E_FAIL;
    live_result = live_session_->finish(end);
  }
  if (live_requested_) streamer_->drain_and_stop();

  const RecordingSessionStatus file = file_session_->status();
  const bool file_ok = SUCCEEDED(file_result) && file.video_submitted_frames != 0;
  bool timeline_ok = true;
  if (!live_requested_) timeline_ok = timeline_->finish(file_ok && commit && timeline_frames_written);
  file_committed_ = !live_only_ && file.file_committed;
  const LiveStreamStatus live = streamer_->status();
  const bool live_encoder_ok =
      independent_live_encoder_
          ? SUCCEEDED(live_repeat) && SUCCEEDED(live_result) &&
                live_session_->video_submitted_frames() != 0
          : file_ok;
  live_succeeded_ = live_requested_ && live_encoder_ok && live.video_packets_sent + live.audio_packets_sent > 0 && live.error == 0;
  write_session_log(file_result, file_ok, timeline_ok);
  paused_ = false;
  recording_ = false;
  return live_requested_ ? file_committed_ || live_succeeded_ : file_committed_ && timeline_ok;
}

std::vector<std::wstring> App::session_result_parts() {
  std::wstring file_part = file_committed_ ? localized_text(L"stream.file_saved", {output_path_})
                                           : localized_text(L"stream.file_incomplete");
  std::wstring live_part;
  if (live_succeeded_) {
    live_part = localized_text(L"stream.live_finished");
  } else if (independent_live_encoder_ &&
             live_session_->status().state == RecordingState::kFailed) {
    live_part = localized_text(L"stream.error.encoding");
  } else if (streamer_->status().error == 0) {
    live_part = localized_text(L"stream.live_not_sent");
  } else {
    live_part = live_error_text();
  }
  return {std::move(file_part), std::move(live_part)};
}

std::wstring App::show_session_result() {
  return localized_text(L"stream.dual_result", session_result_parts());
}

std::wstring App::live_error_text() {
  return localized_text(stream_error_key(streamer_->status().error));
}

bool App::create_control() {
  const std::wstring title = localized_text(L"control.recording", {L"00:00:00"});
  control_window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kControlWindowClass,
                                    title.c_str(), WS_POPUP | WS_THICKFRAME, CW_USEDEFAULT,
                                    CW_USEDEFAULT, kControlWidth, kControlHeight, nullptr, nullptr,
                                    instance_, this);
  if (control_window_ == nullptr) return false;
  control_title_ = title;
  const UINT dpi = GetDpiForWindow(control_window_);
  control_dpi_ = dpi == 0 ? 96 : static_cast<int>(dpi);
  control_excluded_from_capture_ =
      exclude_from_capture(control_window_, WDA_EXCLUDEFROMCAPTURE) != FALSE;
  if (!build_control_view()) {
    DestroyWindow(control_window_);
    control_window_ = nullptr;
    return false;
  }
  dock_control(1);
  update_control_status(false);
  ShowWindow(control_window_, SW_SHOWNORMAL);
  UpdateWindow(control_window_);
  return true;
}

void App::dock_control_top() { dock_control(1); }

void App::set_control_title(const std::wstring& title) {
  // The status checks come four times a second and the clock moves once: an
  // unchanged title is not set again, each set being a round trip to the
  // window system. Reading the title back would cost as much.
  if (control_window_ == nullptr || title == control_title_) return;
  SetWindowTextW(control_window_, title.c_str());
  control_title_ = title;
}

}  // namespace quorvel::windows
