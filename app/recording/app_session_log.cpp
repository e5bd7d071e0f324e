// The diagnostics log of a session that wrote a file: its settings, its
// outcome and the counters of every engine part, written once every part
// has stopped.
#include <cmath>

#include "app/app.h"
#include "app/recording/session_log.h"

namespace quorvel::windows {
namespace {

constexpr double kMagnifierCellMillimetres = 2.0;

void add_encoded(SessionLog& log, const char* prefix, const RecordingSessionStatus& status,
                 bool with_bytes) {
  const std::string p(prefix);
  log.add_unsigned(p + "encoded_video_packets", status.encoded_video_packets);
  log.add_size(p + "encoded_video_size", status.encoded_width, status.encoded_height);
  log.add_pair(p + "encoded_video_fps", status.encoded_fps_numerator,
               status.encoded_fps_denominator);
  log.add_unsigned(p + "encoded_audio_packets", status.encoded_audio_packets);
  if (with_bytes) log.add_unsigned(p + "encoded_packet_bytes", status.encoded_packet_bytes);
}

}  // namespace

void App::write_session_log(HRESULT file_result, bool file_ok, bool timeline_ok) {
  if (log_path_.empty()) return;
  const DesktopCaptureStats capture = capture_->stats();
  const RecordingSessionStatus file = file_session_->status();
  const RecordingSessionStatus live = independent_live_encoder_ ? live_session_->status() : file;
  const RecordingTimelineStats timeline = timeline_->stats();
  const AudioCaptureStats system = system_source_->stats();
  const AudioCaptureStats microphone = microphone_source_->stats();
  const AudioMixerStats mixer = mixer_->stats();
  const UINT overlay_dpi = overlay_window_ != nullptr ? GetDpiForWindow(overlay_window_) : 0;
  const uint32_t dpi = overlay_dpi == 0 ? 96 : overlay_dpi;
  const auto pixel_scale = millimetres_to_pixels(display_density_, dpi, kMagnifierCellMillimetres);

  SessionLog log;
  log.add_hresult("result_hresult", file_result);
  log.add_bool("committed", file_ok);
  log.add_bool("timeline_ok", timeline_ok);
  log.add("output", output_path_);
  log.add("capture_monitor", capture.monitor_name);
  log.add("adapter", capture.adapter_name);
  log.add_size("capture_size", capture.width, capture.height);
  log.add_size("viewport",
               static_cast<uint64_t>(std::llround(capture_area_.right - capture_area_.left)),
               static_cast<uint64_t>(std::llround(capture_area_.bottom - capture_area_.top)));
  log.add_size("output_size", output_width_, output_height_);
  log.add_unsigned("fps", frame_rate_);
  log.add_bool("follow_mouse", follow_mouse_);
  log.add_unsigned("requested_video_bitrate_bps", video_bitrate_bps_);
  log.add_unsigned("requested_stream_bitrate_bps", live_requested_ ? stream_bitrate_bps_ : 0);
  log.add_bool("independent_live_encoder", independent_live_encoder_);
  log.add_double("follow_tightness", follow_strength_);
  log.add_bool("include_cursor", include_cursor_);
  if (display_density_.measured) {
    log.add("display_density_source", "raw_dpi");
    log.add_double_size("display_pixels_per_mm", display_density_.horizontal,
                        display_density_.vertical);
  } else {
    log.add("display_density_source", "effective_dpi");
    log.add_double_size("display_pixels_per_mm", dpi / 25.4, dpi / 25.4);
  }
  log.add("magnifier_sample_grid", "29x29");
  log.add_size("magnifier_pixel_scale", static_cast<uint64_t>(pixel_scale.first),
               static_cast<uint64_t>(pixel_scale.second));
  log.add_signed("paused_duration_100ns", paused_duration_100ns(paused_total_, counter_frequency_));
  log.add_pair("capture_recoveries", capture.recovery_episodes, capture.recoveries);
  log.add_unsigned("video_source_frames", file.video_source_frames);
  log.add_unsigned("video_submitted_frames", file.video_submitted_frames);
  log.add_unsigned("video_duplicated_frames", file.video_duplicated_frames);
  log.add_unsigned("video_dropped_frames", file.video_dropped_frames);
  log.add_unsigned("video_rate_limited_frames", file.video_rate_limited_frames);
  add_encoded(log, "", file, true);
  add_encoded(log, "live_", live, false);
  log.add_hresult("file_result_hresult", file.file_result);
  log.add_bool("file_committed", file_committed_);
  log.add_bool("live_succeeded", live_succeeded_);
  log.add_bool("live_requested", live_requested_);
  log.add_signed("live_error", live_requested_ ? streamer_->status().error : 0);
  log.add_unsigned("file_queue_peak_bytes", file.file_queue_peak_bytes);
  log.add_unsigned("input_format_changes", file.input_format_changes);
  log.add_bool("hdr_input", file.hdr_input);
  log.add_bool("audio_system_requested", audio_system_requested_);
  log.add_bool("audio_microphone_requested", audio_microphone_requested_);
  log.add_bool("audio_system_mp4_track", audio_system_mp4_track_);
  log.add_bool("audio_microphone_mp4_track", audio_microphone_mp4_track_);
  log.add_bool("audio_system_file", audio_system_file_);
  log.add_bool("audio_microphone_file", audio_microphone_file_);
  log.add_signed("audio_video_drift_100ns", file.audio_video_drift);
  log.add_signed("audio_video_drift_max_abs_100ns", file.audio_video_drift_max_abs);
  log.add_pair("system_reconnects", system.retries, system.reconnects);
  log.add_pair("microphone_reconnects", microphone.retries, microphone.reconnects);
  log.add_unsigned("mixer_discontinuities", mixer.discontinuities);
  log.add_unsigned("mixer_clock_resyncs", mixer.clock_resyncs);
  log.add_unsigned("mixer_queue_drop_frames", mixer.dropped_frames);
  log.add_unsigned("timeline_camera_records", timeline.camera_records);
  log.add_unsigned("timeline_video_records", timeline.video_records);
  log.add_bool("timeline_write_failed", timeline.write_failed);
  // A log that cannot be written is left out; the session's outcome stands.
  (void)log.write_to(log_path_);
}

}  // namespace quorvel::windows
