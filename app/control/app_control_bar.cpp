// The App's side of the floating control bar: its view and texts, the
// commands its buttons send, its placement on the target monitor, its DPI
// tracking and the clock, status and live details it shows. UI thread only.
#include <windows.h>
#include <shellscalingapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/common/hotkey_text.h"
#include "app/control/recording_control_view.h"

namespace quorvel::windows {
namespace {

constexpr int kControlMargin = 12;
constexpr uint64_t kDpiCheckIntervalMs = 250;
constexpr double kZoomStep = 1.35;
constexpr double kMinZoom = 1.0;
constexpr double kMaxZoom = 6.0;
constexpr std::array<const wchar_t*, kControlCommandCount> kLabelKeys = {
    L"control.top_left", L"control.top_right", L"control.bottom_right",
    L"control.bottom_left", L"control.zoom_in", L"control.zoom_out",
    L"control.hide", L"control.pause", L"control.stop"};

std::wstring number_text(uint64_t value) { return std::to_wstring(value); }

// Whole frame rates print as integers, others with two decimals (29.97).
std::wstring frame_rate_text(uint32_t numerator, uint32_t denominator) {
  if (denominator == 1) return std::to_wstring(numerator);
  wchar_t buffer[32]{};
  swprintf(buffer, std::size(buffer), L"%.2f",
           static_cast<double>(numerator) / static_cast<double>(denominator));
  return buffer;
}

std::wstring clock_text(uint64_t seconds) {
  wchar_t buffer[32]{};
  swprintf(buffer, std::size(buffer), L"%02u:%02u:%02u", static_cast<unsigned>(seconds / 3600),
           static_cast<unsigned>((seconds / 60) % 60), static_cast<unsigned>(seconds % 60));
  return buffer;
}

}  // namespace

RecordingControlTexts App::control_view_texts() {
  RecordingControlTexts texts;
  texts.placement_note = localized_text(control_excluded_from_capture_ ? L"control.not_recorded"
                                                                       : L"control.move_outside");
  for (std::size_t i = 0; i < kControlCommandCount; ++i) {
    texts.button_labels[i] = localized_text(kLabelKeys[i]);
    texts.hotkey_texts[i] = hotkey_text(hotkeys_[i]);
    if (!recording_hotkey_registered_[i]) texts.hotkey_texts[i] += localized_text(L"control.conflict");
  }
  if (paused_) texts.button_labels[7] = localized_text(L"control.resume");
  if (live_requested_) {
    texts.button_labels[8] = localized_text(live_only_ ? L"stream.stop" : L"stream.stop_both");
  }
  texts.live = live_requested_;
  texts.dock_top_text = localized_text(L"control.dock_top");
  texts.dock_bottom_text = localized_text(L"control.dock_bottom");
  texts.cover_action_text = localized_text(L"stream.away_action");
  texts.mute_action_text = localized_text(L"stream.mute_action");
  return texts;
}

bool App::build_control_view() {
  control_view_.reset();
  std::array<int, kControlCommandCount> ids{};
  for (int i = 0; i < kControlCommandCount; ++i) ids[i] = kControlTopLeft + i;
  control_view_ = std::make_unique<RecordingControlView>(
      ids, [this](int command) { run_control_command(command); }, control_view_texts());
  if (!control_view_->initialize(control_window_, theme_registry_->theme()) ||
      !control_view_->place_window()) {
    control_view_.reset();
    return false;
  }
  control_view_->set_zoom_enabled(follow_mouse_);
  control_view_->set_pause_enabled(!live_requested_);
  control_hidden_ = false;
  return true;
}

void App::run_control_command(int command) {
  switch (command) {
    case kControlTopLeft:
    case kControlTopRight:
    case kControlBottomRight:
    case kControlBottomLeft:
      move_control_to_corner(command - kControlTopLeft);
      break;
    case kControlZoomIn:
      zoom_factor_ = std::min(zoom_factor_ * kZoomStep, kMaxZoom);
      break;
    case kControlZoomOut:
      zoom_factor_ = std::max(zoom_factor_ / kZoomStep, kMinZoom);
      break;
    case kControlHide:
      toggle_control_bar();
      break;
    case kControlPauseResume:
      if (paused_) {
        resume_recording();
      } else {
        pause_recording();
      }
      break;
    case kControlStop:
      request_stop(true);
      break;
    case kControlLiveCover:
    case kControlLiveMute: {
      if (!recording_ || !live_requested_ || stopping_) break;
      const LiveStreamStatus status = streamer_->status();
      const bool cover = command == kControlLiveCover ? !status.cover_video : status.cover_video;
      const bool mute = command == kControlLiveMute ? !status.mute_audio : status.mute_audio;
      streamer_->set_privacy(cover, mute);
      update_control_status(false);
      break;
    }
    case kControlDockTop:
      dock_control(1);
      break;
    case kControlDockBottom:
      dock_control(2);
      break;
    default:
      break;
  }
}

void App::move_control_to_corner(int corner) {
  if (control_window_ == nullptr) return;
  RECT window{};
  GetWindowRect(control_window_, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int margin = MulDiv(kControlMargin, control_dpi_, 96);
  const int left = static_cast<int>(monitor_rect_.left);
  const int top = static_cast<int>(monitor_rect_.top);
  const int right = static_cast<int>(monitor_rect_.right);
  const int bottom = static_cast<int>(monitor_rect_.bottom);
  const int x = corner == 0 || corner == 3 ? left + margin : right - margin - width;
  const int y = corner == 0 || corner == 1 ? top + margin : bottom - margin - height;
  dock_mode_ = 0;
  SetWindowPos(control_window_, HWND_TOPMOST, x, y, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE);
}

void App::dock_control(uint8_t mode) {
  if (control_window_ == nullptr || mode == 0) return;
  RECT window{};
  GetWindowRect(control_window_, &window);
  const int margin = MulDiv(kControlMargin, control_dpi_, 96);
  const long left = std::lround(monitor_rect_.left);
  const long top = std::lround(monitor_rect_.top);
  const long width = std::lround(monitor_rect_.right - monitor_rect_.left);
  const long height = std::lround(monitor_rect_.bottom - monitor_rect_.top);
  const long x = left + (width + window.left - window.right) / 2;
  const long y = mode == 1 ? top + margin : top + height - (window.bottom - window.top) - margin;
  dock_mode_ = mode;
  SetWindowPos(control_window_, HWND_TOPMOST, static_cast<int>(x), static_cast<int>(y), 0, 0,
               SWP_NOACTIVATE | SWP_NOSIZE);
}

void App::check_control_dpi(bool force) {
  const uint64_t now = GetTickCount64();
  if (!force && now < next_dpi_check_) return;
  next_dpi_check_ = now + kDpiCheckIntervalMs;
  int dpi = 96;
  if (control_window_ != nullptr) {
    UINT x = 0;
    UINT y = 0;
    const HMONITOR monitor = MonitorFromWindow(control_window_, MONITOR_DEFAULTTONEAREST);
    if (monitor != nullptr && SUCCEEDED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &x, &y)) &&
        x != 0) {
      dpi = static_cast<int>(x);
    } else {
      const UINT window_dpi = GetDpiForWindow(control_window_);
      dpi = window_dpi == 0 ? 96 : static_cast<int>(window_dpi);
    }
  }
  if (dpi != control_dpi_) apply_control_dpi(dpi, nullptr);
}

void App::apply_control_dpi(int dpi, const RECT* suggested) {
  if (control_window_ == nullptr) return;
  RECT window{};
  GetWindowRect(control_window_, &window);
  const POINT position = suggested != nullptr ? POINT{suggested->left, suggested->top}
                                              : POINT{window.left, window.top};
  control_dpi_ = dpi == 0 ? 96 : dpi;
  SetWindowPos(control_window_, nullptr, position.x, position.y, 0, 0,
               SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE);
  if (control_view_) {
    control_view_->place_window();
    control_view_->refresh();
    control_view_->apply_theme(theme_registry_->theme());
  }
  if (dock_mode_ != 0) dock_control(dock_mode_);
  RedrawWindow(control_window_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

std::wstring App::control_clock_text() {
  const int64_t now = performance_now();
  int64_t paused_total = paused_total_;
  if (paused_ && pause_started_at_ != 0 && now - pause_started_at_ > 0) {
    paused_total += now - pause_started_at_;
  }
  const int64_t elapsed = std::max<int64_t>(now - (start_time_ + paused_total), 0);
  const uint64_t seconds =
      counter_frequency_ > 0 ? static_cast<uint64_t>(elapsed / counter_frequency_) : 0;
  return clock_text(seconds);
}

std::wstring App::dual_status_text(const std::wstring& elapsed) {
  const RecordingSessionStatus file = file_session_->status();
  const LiveStreamStatus live = streamer_->status();
  const bool file_failed = FAILED(file.file_result) || file.state == RecordingState::kFailed;
  const bool live_encoder_failed =
      independent_live_encoder_ && live_session_->status().state == RecordingState::kFailed;
  std::wstring live_key = L"stream.live_wait_short";
  if (live_encoder_failed || live.state == static_cast<uint32_t>(LiveStreamState::Failed)) {
    live_key = L"stream.live_failed_short";
  } else if (live.state == static_cast<uint32_t>(LiveStreamState::Reconnecting)) {
    live_key = L"stream.reconnect_short";
  } else if (live.state == static_cast<uint32_t>(LiveStreamState::Streaming)) {
    live_key = L"stream.live_active_short";
  }
  return localized_text(L"stream.dual_status",
                        {localized_text(file_failed ? L"stream.file_failed_short"
                                                    : L"stream.file_active_short"),
                         localized_text(live_key), elapsed});
}

void App::update_control_status(bool paused) {
  if (control_window_ == nullptr) return;
  const std::wstring clock = control_clock_text();
  std::wstring status_key = paused ? L"control.paused" : L"control.recording";
  LiveStreamStatus live{};
  if (live_requested_) {
    live = streamer_->status();
    switch (static_cast<LiveStreamState>(live.state)) {
      case LiveStreamState::Publishing: status_key = L"stream.publishing"; break;
      case LiveStreamState::Streaming: status_key = L"stream.streaming"; break;
      case LiveStreamState::Reconnecting: status_key = L"stream.reconnecting"; break;
      default: status_key = L"stream.connecting"; break;
    }
  }
  const std::wstring title = live_requested_ && !live_only_ ? dual_status_text(clock)
                                                            : localized_text(status_key, {clock});
  set_control_title(title);
  if (!control_view_) return;
  control_view_->set_status_text(title);
  if (!live_requested_) return;
  control_view_->set_live_state(
      localized_text(live.cover_video ? L"stream.resume_action" : L"stream.away_action"),
      localized_text(live.mute_audio ? L"stream.unmute_action" : L"stream.mute_action"),
      live_details_text(live), !stopping_ && live.state != static_cast<uint32_t>(LiveStreamState::Failed),
      live.cover_video, live.mute_audio);
}

std::wstring App::live_details_text(const LiveStreamStatus& live) {
  std::vector<std::wstring> lines;
  lines.push_back(localized_text(
      L"stream.requested_spec", {number_text(output_width_), number_text(output_height_),
                                 number_text(frame_rate_), number_text(stream_bitrate_bps_ / 1000)}));
  const RecordingSessionStatus encoder =
      independent_live_encoder_ ? live_session_->status() : file_session_->status();
  if (encoder.encoded_width != 0 && encoder.encoded_height != 0 &&
      encoder.encoded_fps_denominator != 0) {
    const bool same_rate = static_cast<uint64_t>(encoder.encoded_fps_numerator) ==
                           static_cast<uint64_t>(frame_rate_) * encoder.encoded_fps_denominator;
    const bool matches = encoder.encoded_width == output_width_ &&
                         encoder.encoded_height == output_height_ && same_rate;
    lines.push_back(localized_text(
        matches ? L"stream.encoded_spec" : L"stream.encoded_mismatch",
        {number_text(encoder.encoded_width), number_text(encoder.encoded_height),
         frame_rate_text(encoder.encoded_fps_numerator, encoder.encoded_fps_denominator)}));
  } else {
    lines.push_back(localized_text(L"stream.encoding_pending"));
  }
  if (!live_only_) {
    lines.push_back(
        localized_text(L"stream.recording_target", {number_text(video_bitrate_bps_ / 1000)}));
  }
  lines.push_back(localized_text(L"stream.telemetry", {number_text(live.bitrate_bps / 1000),
                                                       number_text(live.reconnect_attempts)}));
  const wchar_t* privacy_key = live.cover_video      ? L"stream.away_status"
                               : live.cover_pending ? L"stream.resume_status"
                               : live.mute_audio    ? L"stream.muted_status"
                                                    : L"stream.normal_status";
  lines.push_back(localized_text(privacy_key));
  if (live.error != 0) lines.push_back(live_error_text());
  std::wstring text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) text += L"\n";
    text += lines[i];
  }
  return text;
}

}  // namespace quorvel::windows
