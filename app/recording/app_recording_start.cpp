// The start of a recording: the settings are checked and frozen, then the
// dated folder, the privacy media and streamer, the sessions, the timeline,
// the audio and the control bar come up in that order. Whatever fails
// undoes what came before it and tells the user why.
#include <dwmapi.h>

#include <filesystem>
#include <system_error>

#include "app/app.h"
#include "app/common/quality_setting.h"
#include "app/readable_image.h"
#include "app/recording/recording_path.h"
#include "engine/media_foundation_library.h"
#include "engine/privacy_media.h"
#include "engine/privacy_media_encoder.h"
#include "streaming/stream_target.h"

namespace quorvel::windows {
namespace {

constexpr uint64_t kMinFreeDiskBytes = 268'435'456;
constexpr uint32_t kAudioSampleRate = 48000;
constexpr uint16_t kAudioChannels = 2;
constexpr uint32_t kAudioBitrate = 192000;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickIntervalMs = 8;

bool toggle(const RecordingSetupState& setup, SetupToggle which) {
  return setup.toggles[static_cast<std::size_t>(which)];
}

bool is_directory(const std::wstring& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(path, error);
}

// The system clock in 100-ns units since 1970-01-01 UTC.
int64_t unix_time_100ns(const SYSTEMTIME& local) {
  SYSTEMTIME utc{};
  FILETIME file{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &file)) {
    return 0;
  }
  ULARGE_INTEGER value{};
  value.LowPart = file.dwLowDateTime;
  value.HighPart = file.dwHighDateTime;
  constexpr uint64_t kUnixEpochIn100ns = 116'444'736'000'000'000ULL;
  return static_cast<int64_t>(value.QuadPart - kUnixEpochIn100ns);
}

// A packet for the streamer, or E_FAIL once the stream has failed, so an
// encoder feeding a dead stream learns of it.
HRESULT send_to_streamer(RtmpStreamer& streamer, std::shared_ptr<const EncodedPacket> packet) {
  if (streamer.status().state == static_cast<uint32_t>(LiveStreamState::Failed)) return E_FAIL;
  return streamer.enqueue(std::move(packet));
}

}  // namespace

bool App::validate_recording_settings(HWND owner) {
  if (owner == nullptr) owner = host_window_;
  if (main_window_) {
    if (const auto text = main_window_->pending_recording_bitrate_text()) {
      if (!set_recording_quality(static_cast<int>(QualitySetting::kCustomLevel), *text)) return false;
    }
    if (const auto text = main_window_->pending_stream_bitrate_text()) {
      if (!set_stream_quality(static_cast<int>(QualitySetting::kCustomLevel), *text)) return false;
    }
  }
  if (setup_.output_mode == OutputMode::kNone) {
    show_session_message(owner, L"stream.no_output", {}, MB_ICONINFORMATION);
    return false;
  }
  if (!region_ready_) {
    show_session_message(owner, L"message.select_region_first", {}, MB_ICONINFORMATION);
    return false;
  }
  const double centre_x = (capture_area_.left + capture_area_.right) / 2;
  const double centre_y = (capture_area_.top + capture_area_.bottom) / 2;
  if (!set_capture_area(static_cast<double>(static_cast<int>(centre_x)),
                        static_cast<double>(static_cast<int>(centre_y)),
                        static_cast<uint32_t>(setup_.width), static_cast<uint32_t>(setup_.height),
                        setup_.custom_size, true, owner)) {
    return false;
  }
  live_only_ = setup_.output_mode == OutputMode::kLiveOnly;
  live_requested_ = live_only_ || setup_.output_mode == OutputMode::kFileAndLive;
  if (live_requested_ && main_window_) {
    if (const auto fields = main_window_->read_stream_fields()) {
      const bool differs = fields->complete_url != stream_target_.complete_url ||
                           fields->server_url != stream_target_.server_url ||
                           fields->stream_key != stream_target_.stream_key;
      if (differs && !save_stream_settings(*fields)) return false;
    }
  }
  if (live_requested_ && !parse_stream_target(stream_target_)) {
    show_session_message(owner, L"stream.invalid", {}, MB_ICONWARNING);
    return false;
  }
  output_width_ = static_cast<uint32_t>(setup_.width);
  output_height_ = static_cast<uint32_t>(setup_.height);
  aspect_ratio_ = output_height_ == 0 ? 16.0 / 9.0
                                      : static_cast<double>(output_width_) / output_height_;
  if (!live_only_) {
    if (setup_.output_folder.empty()) {
      const std::wstring chosen = choose_output_folder(owner);
      if (!chosen.empty()) set_output_folder(chosen);
    }
    if (!is_directory(setup_.output_folder)) {
      show_session_message(owner, L"message.invalid_output_folder", {}, MB_ICONWARNING);
      return false;
    }
  }
  output_folder_ = setup_.output_folder;
  output_path_.clear();
  log_path_.clear();
  frame_rate_ = static_cast<uint32_t>(setup_.frame_rate);

  const auto recording_rate =
      bitrate_for_quality(setup_.recording_quality, output_width_, output_height_, frame_rate_);
  const auto stream_rate =
      bitrate_for_quality(setup_.stream_quality, output_width_, output_height_, frame_rate_);
  const auto chosen_rate = live_only_ ? stream_rate : recording_rate;
  if (!chosen_rate || (live_requested_ && !stream_rate)) {
    show_session_message(owner, L"message.invalid_bitrate", {}, MB_ICONWARNING);
    return false;
  }
  video_bitrate_bps_ = *chosen_rate;
  stream_bitrate_bps_ = stream_rate ? *stream_rate : *chosen_rate;
  independent_live_encoder_ = live_requested_ && !live_only_ && recording_rate != stream_rate;

  follow_mouse_ = setup_.follow_mouse;
  include_cursor_ = toggle(setup_, SetupToggle::kRecordCursor);
  audio_system_requested_ = toggle(setup_, SetupToggle::kSystemAudio);
  audio_microphone_requested_ = toggle(setup_, SetupToggle::kMicrophone);
  microphone_muted_ = toggle(setup_, SetupToggle::kMuteMicrophone);
  audio_system_mp4_track_ =
      !live_only_ && audio_system_requested_ && toggle(setup_, SetupToggle::kSeparateSystemTrack);
  audio_system_file_ = !live_only_ && audio_system_requested_ && toggle(setup_, SetupToggle::kSystemAudioFile);
  audio_microphone_mp4_track_ =
      !live_only_ && audio_microphone_requested_ && toggle(setup_, SetupToggle::kSeparateMicrophoneTrack);
  audio_microphone_file_ =
      !live_only_ && audio_microphone_requested_ && toggle(setup_, SetupToggle::kMicrophoneAudioFile);
  microphone_device_id_ = selected_microphone_id();
  return true;
}

RecordingOptions App::recording_options() {
  RecordingOptions options;
  options.output_path = output_path_;
  options.width = output_width_;
  options.height = output_height_;
  options.frame_rate = frame_rate_;
  options.video_bitrate = video_bitrate_bps_;
  options.include_cursor = include_cursor_;
  options.watermark = watermark_;
  options.mixed_audio_track = audio_system_requested_ || audio_microphone_requested_;
  options.system_audio_track = audio_system_mp4_track_;
  options.microphone_audio_track = audio_microphone_mp4_track_;
  options.system_audio_file = audio_system_file_;
  options.microphone_audio_file = audio_microphone_file_;
  options.audio_sample_rate = kAudioSampleRate;
  options.audio_channels = kAudioChannels;
  options.audio_bitrate = kAudioBitrate;
  options.min_free_disk_bytes = kMinFreeDiskBytes;
  if (live_requested_ && !independent_live_encoder_) {
    RtmpStreamer* streamer = streamer_.get();
    // One encoder feeds both outputs: only the mixed audio track (stream 1)
    // goes live, the separate source tracks stay in the file.
    options.packet_callback = [streamer](std::shared_ptr<const EncodedPacket> packet) -> HRESULT {
      if (!packet) return E_INVALIDARG;
      if (packet->format && packet->format->kind == 1 &&
          packet->stream_index != 1) {
        return S_OK;
      }
      return send_to_streamer(*streamer, std::move(packet));
    };
    options.live_encoding = true;
    options.file_optional = !live_only_;
  } else if (independent_live_encoder_) {
    options.packet_callback = [](std::shared_ptr<const EncodedPacket>) -> HRESULT { return S_OK; };
    options.live_encoding = false;
    options.file_optional = true;
  }
  return options;
}

RecordingOptions App::live_recording_options() {
  RecordingOptions options = recording_options();
  options.output_path.clear();
  options.video_bitrate = stream_bitrate_bps_;
  options.system_audio_track = false;
  options.microphone_audio_track = false;
  options.system_audio_file = false;
  options.microphone_audio_file = false;
  RtmpStreamer* streamer = streamer_.get();
  options.packet_callback = [streamer](std::shared_ptr<const EncodedPacket> packet) -> HRESULT {
    if (!packet) return E_INVALIDARG;
    return send_to_streamer(*streamer, std::move(packet));
  };
  options.live_encoding = true;
  options.file_optional = false;
  return options;
}

void App::start_recording(HWND owner) {
  if (owner == nullptr) owner = host_window_;
  if (busy()) return;
  if (main_window_ && main_window_->is_open() && main_window_->window() != nullptr &&
      !IsWindowEnabled(main_window_->window())) {
    return;
  }
  // Windows N editions lack Media Foundation until the Media Feature Pack is
  // installed: say so before anything is checked, asked or started.
  const HRESULT media = platform_.load_media_foundation ? platform_.load_media_foundation()
                                                        : media_foundation().status();
  if (FAILED(media)) {
    show_session_message(owner, L"message.media_feature_pack_required", {}, MB_ICONERROR);
    return;
  }
  if (!validate_recording_settings(owner)) return;
  if (main_window_ && main_window_->is_open()) main_window_->refresh(setup_, false);
  if (!check_recording_hotkeys(owner)) return;

  session_folder_.clear();
  if (!live_only_) {
    const SYSTEMTIME now = platform_.system_time ? platform_.system_time() : [] {
      SYSTEMTIME local{};
      GetLocalTime(&local);
      return local;
    }();
    output_path_ = make_recording_path(output_folder_, unix_time_100ns(now));
    if (output_path_.empty()) {
      unregister_recording_hotkeys();
      show_session_message(owner, L"message.create_output_folder_failed", {}, MB_ICONWARNING);
      return;
    }
    session_folder_ = std::filesystem::path(output_path_).parent_path().wstring();
  }
  if (watermark_.enabled && watermark_.mode == RecordingWatermark::kModeImage &&
      !is_readable_image(watermark_.image_path)) {
    unregister_recording_hotkeys();
    remove_empty_session_folder();
    show_session_message(owner, L"message.watermark_image_invalid", {}, MB_ICONWARNING);
    return;
  }
  if (!live_only_) {
    const std::filesystem::path path(output_path_);
    log_path_ = (path.parent_path() / (path.stem().wstring() + L".log")).wstring();
  }

  starting_ = true;
  update_record_availability();
  set_overlay_interactive(false);
  update_viewport();

  capture_running_ = false;
  paused_ = false;
  paused_total_ = 0;
  pause_started_at_ = 0;
  media_origin_ = kNoMediaOrigin;
  file_committed_ = live_succeeded_ = false;
  live_stop_issued_ = false;

  const RecordingOptions file_options = recording_options();
  const RecordingOptions live_options =
      independent_live_encoder_ ? live_recording_options() : RecordingOptions{};

  bool privacy_ok = true;
  bool streamer_started = false;
  if (live_requested_) {
    PrivacyMedia privacy;
    privacy_ok = SUCCEEDED(create_privacy_media(
        independent_live_encoder_ ? live_options : file_options, privacy, platform_.sessions));
    if (privacy_ok) {
      const std::optional<StreamTarget> target = parse_stream_target(stream_target_);
      if (target) {
        // The streamer places privacy switches on the media time of the
        // session whose packets it sends: the counter less the paused time,
        // counted from the first frame. A switch before that frame covers
        // everything from media time 0 on.
        MediaClock media_clock = [this]() -> int64_t {
          const int64_t frequency = counter_frequency_;
          if (frequency <= 0) return -1;
          const int64_t origin = media_origin_.load();
          if (origin == kNoMediaOrigin) return 0;
          const int64_t elapsed = std::max<int64_t>(0, session_now() - origin);
          return elapsed / frequency * 10'000'000 + elapsed % frequency * 10'000'000 / frequency;
        };
        streamer_started = streamer_->start(*target, kStreamMaxReconnects, privacy,
                                            std::move(media_clock));
      }
    }
  }
  // The media clock reads these from the first packet on.
  counter_frequency_ = performance_frequency();
  start_time_ = performance_now();

  bool started = privacy_ok && (streamer_started || !live_only_);
  if (started && independent_live_encoder_) started = live_session_->start(live_options);
  if (started) started = file_session_->start(file_options);
  if (!started) {
    abandon_start(true);
    show_session_message(owner,
                         independent_live_encoder_ ? L"stream.dual_encoder_unavailable"
                                                   : L"message.recorder_init_failed",
                         {}, MB_ICONERROR);
    return;
  }

  start_time_ = performance_now();
  counter_frequency_ = performance_frequency();

  if (!live_requested_) {
    const std::filesystem::path path(output_path_);
    TimelineOpenRequest request;
    request.path = (path.parent_path() / (path.stem().wstring() + L".quorvel")).wstring();
    request.capture_left = static_cast<int32_t>(monitor_rect_.left);
    request.capture_top = static_cast<int32_t>(monitor_rect_.top);
    request.capture_right = static_cast<int32_t>(monitor_rect_.right);
    request.capture_bottom = static_cast<int32_t>(monitor_rect_.bottom);
    request.output_width = static_cast<int32_t>(output_width_);
    request.output_height = static_cast<int32_t>(output_height_);
    if (!timeline_->open(request, start_time_)) {
      (void)file_session_->finish(start_time_);
      abandon_start(false);
      show_session_message(owner, L"message.timeline_create_failed", {}, MB_ICONERROR);
      return;
    }
  }

  if (!start_audio(start_time_)) {
    show_session_message(owner, L"message.audio_init_failed", {}, MB_ICONWARNING);
  }

  if (!create_control()) {
    finish_recording(false);
    abandon_start(false);
    show_session_message(owner, L"message.control_create_failed", {}, MB_ICONERROR);
    return;
  }

  main_window_was_visible_ = main_window_ && main_window_->is_visible();
  if (overlay_window_ != nullptr) {
    SetWindowLongPtrW(overlay_window_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(control_window_));
  }
  if (main_window_was_visible_) {
    main_window_->dismiss_popups();
    main_window_->close_secondary_windows();
    if (main_window_->window() != nullptr) ShowWindow(main_window_->window(), SW_HIDE);
  }
  DwmFlush();
  {
    std::lock_guard lock(session_mutex_);
    last_timeline_time_ = 0;
    last_frame_rect_ = {};
    has_last_frame_rect_ = false;
  }
  starting_ = false;
  recording_ = true;
  follow_active_ = follow_mouse_;
  capture_running_ = true;
  update_record_availability();
  SetTimer(control_window_, kTickTimer, kTickIntervalMs, nullptr);
  last_tick_ = std::chrono::steady_clock::now();
  last_status_check_ = last_tick_;
}

void App::abandon_start(bool finish_sessions) {
  if (finish_sessions) {
    if (live_session_->is_active()) (void)live_session_->finish(0);
    if (file_session_->is_active()) (void)file_session_->finish(0);
    streamer_->stop();
  }
  unregister_recording_hotkeys();
  starting_ = false;
  set_overlay_interactive(true);
  if (finish_sessions) remove_empty_session_folder();
  update_record_availability();
}

void App::remove_empty_session_folder() {
  if (session_folder_.empty()) return;
  std::error_code error;
  if (std::filesystem::is_directory(session_folder_, error) &&
      std::filesystem::is_empty(session_folder_, error) && !error) {
    std::filesystem::remove(session_folder_, error);
  }
}

bool App::start_audio(int64_t start_time) {
  if (!audio_system_requested_ && !audio_microphone_requested_) return true;
  AudioBlockCallback system_track;
  AudioBlockCallback microphone_track;
  auto source_track = [this](AudioTrack track) -> AudioBlockCallback {
    return [this, track](const float* data, uint32_t frames, int64_t time, bool silent,
                         bool discontinuity) -> HRESULT {
      if (paused_) return S_OK;
      if (independent_live_encoder_ && !file_session_->is_active()) return S_OK;
      return file_session_->push_audio(track, data, frames, time - paused_total_, silent,
                                       discontinuity);
    };
  };
  if (audio_system_mp4_track_ || audio_system_file_) system_track = source_track(AudioTrack::kSystem);
  if (audio_microphone_mp4_track_ || audio_microphone_file_) {
    microphone_track = source_track(AudioTrack::kMicrophone);
  }
  AudioBlockCallback mixed = [this](const float* data, uint32_t frames, int64_t time, bool silent,
                                    bool discontinuity) -> HRESULT {
    if (paused_) return S_OK;
    const int64_t session_time = time - paused_total_;
    const HRESULT file_result =
        file_session_->is_active()
            ? file_session_->push_mixed_audio(data, frames, session_time, silent, discontinuity)
            : E_FAIL;
    if (!independent_live_encoder_) return file_result;
    const HRESULT live_result =
        live_session_->is_active()
            ? live_session_->push_mixed_audio(data, frames, session_time, silent, discontinuity)
            : E_FAIL;
    return SUCCEEDED(file_result) || SUCCEEDED(live_result) ? S_OK : file_result;
  };
  if (!mixer_->start(start_time, audio_system_requested_, audio_microphone_requested_,
                     std::move(mixed), std::move(system_track), std::move(microphone_track))) {
    return false;
  }
  bool ok = true;
  if (audio_system_requested_) {
    ok = system_source_->start(
             {AudioSourceKind::System, L""},
             [this](const float* data, uint32_t frames, int64_t time, bool silent,
                    bool discontinuity) -> HRESULT {
               return mixer_->push(0, data, frames, time, silent, discontinuity);
             }) &&
         ok;
  }
  if (audio_microphone_requested_) {
    ok = microphone_source_->start(
             {AudioSourceKind::Microphone, microphone_device_id_},
             [this](const float* data, uint32_t frames, int64_t time, bool silent,
                    bool discontinuity) -> HRESULT {
               // A muted microphone still paces the mix, as silence.
               if (microphone_muted_) return mixer_->push(1, nullptr, frames, time, true, discontinuity);
               return mixer_->push(1, data, frames, time, silent, discontinuity);
             }) &&
         ok;
  }
  return ok;
}

}  // namespace quorvel::windows
