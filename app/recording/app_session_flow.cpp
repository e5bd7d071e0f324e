// A running session: frames from the capture thread, the frame-timeline
// records, pause and resume, and the UI thread's periodic tick that moves
// the camera and watches capture, disk, encoders and the live stream.
#include <algorithm>
#include <cmath>

#include "app/app.h"
#include "engine/engine_errors.h"

namespace quorvel::windows {
namespace {

constexpr uint64_t kLowDiskBytes = 268'435'456;
constexpr auto kStatusInterval = std::chrono::milliseconds(250);
constexpr uint32_t kRecordingStateFailed = static_cast<uint32_t>(RecordingState::kFailed);

LONG rounded(double value) { return static_cast<LONG>(std::lround(value)); }

}  // namespace

int64_t App::performance_now() const {
  if (platform_.performance_counter) return platform_.performance_counter();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int64_t App::performance_frequency() const {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

int64_t App::session_now() const { return performance_now() - paused_total_; }

bool App::session_running() const {
  return file_session_->is_active() || (independent_live_encoder_ && live_session_->is_active());
}

HRESULT App::deliver_captured_frame(ID3D11Device* device, ID3D11DeviceContext* context,
                                    ID3D11Texture2D* texture, const CapturedFrameInfo& info) {
  if (!capture_running_ || paused_) return S_OK;
  if (!session_running()) return S_OK;
  std::lock_guard session_lock(session_mutex_);
  if (!capture_running_ || paused_) return S_OK;
  CaptureViewport viewport;
  {
    std::lock_guard viewport_lock(viewport_mutex_);
    if (!viewport_published_) return S_OK;
    viewport = viewport_;
  }
  const RECT rect{rounded(viewport.left - monitor_rect_.left), rounded(viewport.top - monitor_rect_.top),
                  rounded(viewport.right - monitor_rect_.left),
                  rounded(viewport.bottom - monitor_rect_.top)};
  const int64_t time = session_now();
  const bool file_active = file_session_->is_active();
  const uint64_t before = file_active ? file_session_->video_submitted_frames() : 0;
  const HRESULT file_result =
      file_active ? file_session_->push_video_frame(device, context, texture, rect, time, info)
                  : E_FAIL;
  const HRESULT live_result =
      independent_live_encoder_ && live_session_->is_active()
          ? live_session_->push_video_frame(device, context, texture, rect, time, info)
          : E_FAIL;
  // The sessions count their media time from the first frame they take,
  // not from the start: the streamer's media clock must agree with them.
  if ((SUCCEEDED(file_result) || SUCCEEDED(live_result)) &&
      media_origin_.load() == kNoMediaOrigin) {
    media_origin_.store(time);
  }
  if (independent_live_encoder_) {
    return SUCCEEDED(file_result) || SUCCEEDED(live_result) ? S_OK : file_result;
  }
  if (FAILED(file_result)) return file_result;
  const uint64_t after = file_session_->video_submitted_frames();
  return timeline_frame_step(before, after, time, rect, true) ? S_OK : E_FAIL;
}

HRESULT App::repeat_captured_frame() {
  if (!capture_running_ || paused_) return S_OK;
  if (!session_running()) return S_OK;
  std::lock_guard session_lock(session_mutex_);
  if (!capture_running_ || paused_) return S_OK;
  const int64_t time = session_now();
  const bool file_active = file_session_->is_active();
  const uint64_t before = file_active ? file_session_->video_submitted_frames() : 0;
  const HRESULT file_result = file_active ? file_session_->repeat_last_frame(time) : E_FAIL;
  if (independent_live_encoder_) {
    const HRESULT live_result =
        live_session_->is_active() ? live_session_->repeat_last_frame(time) : E_FAIL;
    return SUCCEEDED(file_result) || SUCCEEDED(live_result) ? S_OK : file_result;
  }
  if (FAILED(file_result)) return file_result;
  const uint64_t after = file_session_->video_submitted_frames();
  return timeline_frame_step(before, after, time, last_frame_rect_, false) ? S_OK : E_FAIL;
}

bool App::timeline_frame_step(uint64_t submitted_before, uint64_t submitted_after,
                              int64_t session_time, const RECT& rect, bool new_rect) {
  if (live_requested_ || submitted_after <= submitted_before) return true;
  const int64_t start = last_timeline_time_ < 1 ? session_time : last_timeline_time_;
  const int64_t span = session_time - start;
  const uint64_t count = submitted_after - submitted_before;
  for (uint64_t i = 1; i <= count; ++i) {
    const uint64_t index = submitted_before + i - 1;
    const bool last = i == count;
    const RECT& record_rect =
        (last && new_rect) || !has_last_frame_rect_ ? rect : last_frame_rect_;
    const int64_t time = start + span * static_cast<int64_t>(i) / static_cast<int64_t>(count);
    if (!timeline_->add_camera_record(time, index, record_rect)) return false;
  }
  last_timeline_time_ = session_time;
  last_frame_rect_ = rect;
  has_last_frame_rect_ = true;
  return true;
}

void App::pause_recording() {
  if (!recording_ || paused_ || stopping_ || live_requested_) return;
  pause_started_at_ = performance_now();
  paused_ = true;
  capture_running_ = false;
  if (control_view_) control_view_->set_pause_state(localized_text(L"control.resume"), true);
  update_control_status(true);
}

void App::resume_recording() {
  if (!recording_ || !paused_ || stopping_) return;
  if (pause_started_at_ > 0) {
    paused_total_ += std::max<int64_t>(0, performance_now() - pause_started_at_);
  }
  pause_started_at_ = 0;
  last_tick_ = std::chrono::steady_clock::now();
  paused_ = false;
  capture_running_ = true;
  if (control_view_) control_view_->set_pause_state(localized_text(L"control.pause"), false);
  update_control_status(false);
}

void App::update_viewport() {
  const double monitor_width = monitor_rect_.right - monitor_rect_.left;
  const double monitor_height = monitor_rect_.bottom - monitor_rect_.top;
  const double capture_width = capture_area_.right - capture_area_.left;
  const double a = aspect_ratio_;
  const double fit = a <= monitor_width / monitor_height ? a * monitor_height : monitor_width;
  const double zoom = capture_width > 0 ? std::clamp(fit / capture_width, 1.0, 6.0) : 1.0;
  zoom_factor_ = zoom;
  CaptureCameraSettings settings;
  settings.aspect_ratio = a;
  settings.initial_zoom = zoom;
  session_camera_ = std::make_unique<CaptureCamera>(settings);
  const double centre_x = (capture_area_.left + capture_area_.right) / 2;
  const double centre_y = (capture_area_.top + capture_area_.bottom) / 2;
  session_camera_->reset(centre_x, centre_y, monitor_rect_);
  CaptureCameraInput input;
  input.cursor_x = centre_x;
  input.cursor_y = centre_y;
  input.bounds = monitor_rect_;
  input.zoom = zoom_factor_;
  input.follow_strength = follow_strength_;
  input.follow = false;
  publish_viewport(session_camera_->step(input));
}

void App::tick() {
  // While a stop is pending (a failure box is up, or the stop message is on
  // its way) the session must not be judged again.
  if (!recording_ || stop_requested_ || stopping_ || !session_camera_ || paused_) return;
  const auto now = std::chrono::steady_clock::now();
  const auto dt = now - last_tick_;
  last_tick_ = now;

  POINT cursor{};
  GetCursorPos(&cursor);
  CaptureCameraInput input;
  input.cursor_x = cursor.x;
  input.cursor_y = cursor.y;
  input.bounds = monitor_rect_;
  input.zoom = zoom_factor_;
  input.follow_strength = follow_strength_;
  input.dt = std::chrono::duration_cast<std::chrono::nanoseconds>(dt).count() / 1e9;
  input.follow = follow_mouse_ && follow_active_;
  const CaptureViewport viewport = session_camera_->step(input);
  publish_viewport(viewport);

  if (!live_requested_) {
    static constexpr int kButtons[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2};
    uint32_t buttons = 0;
    for (int bit = 0; bit < 5; ++bit) {
      if ((GetAsyncKeyState(kButtons[bit]) & 0x8000) != 0) buttons |= 1u << bit;
    }
    if (!timeline_->add_video_record(session_now(), cursor, buttons, viewport, follow_strength_)) {
      stop_recording(true);
      return;
    }
  }
  position_overlay({viewport.left, viewport.top, viewport.right, viewport.bottom});

  if (now - last_status_check_ < kStatusInterval) return;
  last_status_check_ = now;
  update_control_status(false);
  run_status_checks();
}

void App::run_status_checks() {
  const DesktopCaptureStats capture = capture_->stats();
  const RecordingSessionStatus file = file_session_->status();
  if (live_requested_ && !live_only_ && FAILED(file.file_result)) file_session_->fail(file.file_result);

  const bool live_encoder_failed =
      independent_live_encoder_ &&
      static_cast<uint32_t>(live_session_->status().state) == kRecordingStateFailed;
  if (live_encoder_failed && !live_stop_issued_) {
    live_stop_issued_ = true;
    streamer_->stop();
  }
  const bool live_down =
      live_requested_ &&
      (streamer_->status().state == static_cast<uint32_t>(LiveStreamState::Failed) ||
       live_encoder_failed);
  const bool file_failed = !live_only_ && (FAILED(file.file_result) ||
                                           static_cast<uint32_t>(file.state) == kRecordingStateFailed);
  if (live_down && (live_only_ || file_failed)) {
    stop_recording(true);
    return;
  }
  if (capture.state == DesktopCaptureState::kFailed) {
    // The box is modal and the timer keeps running: the pending stop keeps
    // later ticks from showing it again or stopping twice.
    stop_requested_ = true;
    show_session_message(control_window_, L"message.capture_unrecoverable", {}, MB_ICONERROR);
    stop_recording(false);
    return;
  }
  if (!live_only_ && SUCCEEDED(file.file_result) && file.free_disk_bytes > 0 &&
      file.free_disk_bytes < kLowDiskBytes) {
    if (live_requested_) {
      file_session_->fail(kErrorDiskFull);
      return;
    }
    stop_requested_ = true;
    show_session_message(control_window_, L"message.disk_low", {}, MB_ICONWARNING);
    stop_recording(false);
    return;
  }
  if (static_cast<uint32_t>(file.state) == kRecordingStateFailed && !independent_live_encoder_) {
    if (live_only_) {
      stop_requested_ = true;
      show_session_message(control_window_, L"stream.error.encoding", {}, MB_ICONERROR);
      stop_recording(false);
    } else {
      stop_recording(true);
    }
  }
}

}  // namespace quorvel::windows
