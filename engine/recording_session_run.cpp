#include "engine/recording_session.h"

#include <mfapi.h>
#include <mferror.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

#include "engine/engine_errors.h"
#include "engine/free_disk_space.h"
#include "engine/media_foundation_library.h"
#include "engine/recovered_name.h"
#include "engine/recording_stages.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;
namespace fs = std::filesystem;

namespace {


// The frame slot `counts` performance counts after the first frame, split so
// that long recordings cannot overflow the multiplication.
int64_t slot_of(int64_t counts, uint32_t frame_rate, int64_t frequency) {
  if (frequency <= 0) return 0;
  return (counts / frequency) * frame_rate + (counts % frequency) * frame_rate / frequency;
}

// A file left at `path` by an earlier run (a crash, a power cut) is kept
// under the first free recovered name (at most `limit`) instead of being
// overwritten. `moved_to` receives that name; it stays empty when nothing
// stood at `path`. A candidate name whose status cannot be queried is tried
// all the same: the rename tells whether it was free, and a start is not
// refused over a name that may well be usable.
bool move_aside_existing(const fs::path& path, int limit, const NameStatusQuery& query,
                         fs::path& moved_to) {
  moved_to.clear();
  const NameStatus current = query ? query(path) : query_name_status(path);
  if (current == NameStatus::kFree) return true;
  if (current == NameStatus::kUnknown) return false;
  const fs::path candidate =
      first_free_recovered_name(path, limit, UnqueryableName::kUse, query);
  if (candidate.empty() || !MoveFileExW(path.c_str(), candidate.c_str(), 0)) return false;
  moved_to = candidate;
  return true;
}

// Replaces a finished file's final name with its partial one.
HRESULT commit_file(const fs::path& partial, const fs::path& final_path) {
  if (MoveFileExW(partial.c_str(), final_path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return S_OK;
  }
  return HRESULT_FROM_WIN32(GetLastError());
}

bool options_valid(const RecordingOptions& options) {
  if (options.width == 0 || options.height == 0 || options.frame_rate == 0 || options.video_bitrate == 0) {
    return false;
  }
  if (options.width % 2 != 0 || options.height % 2 != 0) return false;
  const bool separate = options.system_audio_track || options.microphone_audio_track ||
                        options.system_audio_file || options.microphone_audio_file;
  if (options.output_path.empty() && (!options.packet_callback || separate)) return false;
  if (separate && !options.mixed_audio_track) return false;
  return true;
}

}  // namespace

void RecordingSession::destroy(std::unique_ptr<RecordingSession> session) {
  if (!session) return;
  // The result stays in the status, which the owner read before destroying.
  static_cast<void>(session->finish(0));
  session.reset();
}

bool RecordingSession::start(const RecordingOptions& options) {
  std::lock_guard lock(mutex_);
  const RecordingState state = status_.state;
  if (state == RecordingState::kStarted || state == RecordingState::kEncoding ||
      state == RecordingState::kFinishing) {
    return false;
  }
  if (!options_valid(options)) return false;

  first_failure_ = S_OK;
  const auto fail_start = [this](HRESULT code, uint64_t free_bytes) {
    // Nothing of an earlier run may show through: status() measures only
    // while the status names an output, and elapsed only after a start.
    status_ = RecordingSessionStatus{};
    start_count_ = 0;
    status_.state = RecordingState::kFailed;
    status_.result = code;
    status_.free_disk_bytes = free_bytes;
    return false;
  };

  uint64_t free_bytes = 0;
  if (!options.output_path.empty()) {
    const HRESULT probed = query_free_bytes(options.output_path, free_bytes);
    if (SUCCEEDED(probed) && free_bytes < options.min_free_disk_bytes) {
      if (!options.file_optional) return fail_start(kErrorDiskFull, free_bytes);
      first_failure_ = kErrorDiskFull;
    }
  }

  release_run();
  const HRESULT started = media_foundation().startup(MF_VERSION, MFSTARTUP_FULL);
  if (FAILED(started)) return fail_start(started, free_bytes);
  media_foundation_started_ = true;

  options_ = options;
  if (options_.watermark.enabled && options_.watermark.seed == 0) {
    LARGE_INTEGER count{};
    QueryPerformanceCounter(&count);
    const uint64_t value = static_cast<uint64_t>(count.QuadPart);
    options_.watermark.seed = static_cast<uint32_t>(value >> 32) ^ static_cast<uint32_t>(value);
  }

  partial_path_.clear();
  for (AudioFile& file : audio_files_) {
    file.final_path.clear();
    file.partial_path.clear();
  }
  const fs::path& output = options_.output_path;
  fs::path recovered;
  if (!output.empty()) {
    const fs::path folder = output.parent_path();
    const std::wstring stem = output.stem().wstring();
    partial_path_ = folder / (stem + L".partial" + output.extension().wstring());
    if (options_.system_audio_file) {
      audio_files_[0].final_path = folder / (stem + L".system.m4a");
      audio_files_[0].partial_path = folder / (stem + L".system.partial.m4a");
    }
    if (options_.microphone_audio_file) {
      audio_files_[1].final_path = folder / (stem + L".microphone.m4a");
      audio_files_[1].partial_path = folder / (stem + L".microphone.partial.m4a");
    }
    if (!move_aside_existing(partial_path_, platform_.max_recovered_names,
                             platform_.name_status, recovered)) {
      if (!options_.file_optional) return fail_start(kErrorCannotMoveAside, free_bytes);
      keep_first_failure(kErrorCannotMoveAside);
    }
  }

  status_ = RecordingSessionStatus{};
  status_.state = RecordingState::kStarted;
  status_.output_path = output.wstring();
  status_.system_file_path = audio_files_[0].final_path.wstring();
  status_.microphone_file_path = audio_files_[1].final_path.wstring();
  status_.recovered_path = recovered.wstring();
  status_.free_disk_bytes = free_bytes;

  for (size_t i = 0; i < audio_files_.size(); ++i) {
    AudioFile& file = audio_files_[i];
    if (file.partial_path.empty()) continue;
    fs::path moved;
    if (!move_aside_existing(file.partial_path, platform_.max_recovered_names,
                             platform_.name_status, moved)) {
      file.partial_path.clear();
      close_audio_file(static_cast<AudioTrack>(i + 1), kErrorCannotMoveAside);
    }
  }

  LARGE_INTEGER frequency{};
  LARGE_INTEGER now{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  frequency_ = frequency.QuadPart;
  start_count_ = now.QuadPart;
  base_time_ = 0;
  has_base_time_ = false;
  last_frame_index_ = -1;
  has_last_frame_ = false;
  last_source_rect_ = RECT{};
  last_sample_time_ = 0;
  next_audio_time_.fill(0);
  track_active_.fill(false);
  return true;
}

bool RecordingSession::is_active() const {
  std::lock_guard lock(mutex_);
  return status_.state == RecordingState::kStarted || status_.state == RecordingState::kEncoding ||
         status_.state == RecordingState::kFinishing;
}

void RecordingSession::fail(HRESULT code) {
  if (SUCCEEDED(code)) return;
  std::lock_guard lock(mutex_);
  keep_first_failure(code);
  if (writer_) writer_->fail(code);
  for (AudioFile& file : audio_files_) {
    if (file.writer) file.writer->fail(code);
  }
}

HRESULT RecordingSession::push_video_frame(ID3D11Device* device, ID3D11DeviceContext* context,
                                           ID3D11Texture2D* texture, const RECT& source_rect, int64_t time,
                                           const CapturedFrameInfo& info) {
  std::lock_guard lock(mutex_);
  const RecordingState state = status_.state;
  if (state != RecordingState::kStarted && state != RecordingState::kEncoding) return S_FALSE;
  if (!device || !context || !texture) return fail_session(E_POINTER);
  ++status_.video_source_frames;

  D3D11_TEXTURE2D_DESC desc{};
  texture->GetDesc(&desc);
  HRESULT hr = S_OK;
  if (state == RecordingState::kStarted) {
    hr = setup_encoders(device, context, desc, info.rotation);
    if (FAILED(hr)) return fail_session(hr);
    status_.state = RecordingState::kEncoding;
  } else {
    if (device != device_.Get()) return fail_session(DXGI_ERROR_DEVICE_REMOVED);
    if (desc.Width != captured_width_ || desc.Height != captured_height_) {
      return fail_session(kErrorFrameSizeChanged);
    }
    if (desc.Format != captured_format_) {
      hr = create_frame_copy(desc);
      if (FAILED(hr)) return fail_session(hr);
      status_.input_format = desc.Format;
      ++status_.input_format_changes;
    }
  }
  hr = pace_frame(time, texture, &info, &source_rect);
  if (FAILED(hr)) return fail_session(hr);
  return hr;
}

HRESULT RecordingSession::repeat_last_frame(int64_t time) {
  std::lock_guard lock(mutex_);
  if (status_.state != RecordingState::kEncoding) return S_FALSE;
  const HRESULT hr = pace_frame(time, nullptr, nullptr, nullptr);
  if (FAILED(hr)) return fail_session(hr);
  return hr;
}

HRESULT RecordingSession::pace_frame(int64_t time, ID3D11Texture2D* texture, const CapturedFrameInfo* info,
                                     const RECT* source_rect) {
  const int64_t began = counter_now();
  const auto run = [&]() -> HRESULT {
    if (!has_base_time_) {
      base_time_ = time;
      has_base_time_ = true;
    }
    const int64_t since_base = std::max<int64_t>(time - base_time_, 0);
    const int64_t index = slot_of(since_base, options_.frame_rate, frequency_);

    if (index <= last_frame_index_) {
      // The slot is already encoded. Duplication only sends a new image when
      // the screen changes again, so a texture dropped here (the last key
      // press of a burst) could stay missing until the next change: compose
      // it now so the next slot, or the repeat at the end, shows it.
      if (texture) {
        ++status_.video_rate_limited_frames;
        const HRESULT composed = compose_frame(texture, *info);
        if (FAILED(composed)) return composed;
        has_last_frame_ = true;
        last_source_rect_ = *source_rect;
      }
      status_.stage = kStageFrameWritten;
      return S_OK;
    }

    if (has_last_frame_ && last_frame_index_ >= 0) {
      const int64_t rate = options_.frame_rate;
      const int64_t first = std::max(last_frame_index_ + 1, index - 2 * rate);
      status_.video_dropped_frames += static_cast<uint64_t>(first - (last_frame_index_ + 1));
      for (int64_t slot = first; slot < index; ++slot) {
        const uint64_t before = status_.video_submitted_frames;
        const HRESULT repeated = encode_frame(slot, last_source_rect_);
        if (FAILED(repeated)) return repeated;
        if (status_.video_submitted_frames > before) ++status_.video_duplicated_frames;
      }
    }

    if (texture) {
      const HRESULT composed = compose_frame(texture, *info);
      if (FAILED(composed)) return composed;
      has_last_frame_ = true;
      last_source_rect_ = *source_rect;
    }
    if (!has_last_frame_) return S_FALSE;

    const uint64_t before = status_.video_submitted_frames;
    const HRESULT submitted = encode_frame(index, last_source_rect_);
    if (SUCCEEDED(submitted) && !texture && status_.video_submitted_frames > before) {
      ++status_.video_duplicated_frames;
    }
    return submitted;
  };
  const HRESULT hr = run();
  const int64_t spent = to_100ns(counter_now() - began);
  status_.frame_time_total += spent;
  status_.frame_time_last = spent;
  status_.frame_time_max = std::max(status_.frame_time_max, spent);
  return hr;
}

HRESULT RecordingSession::finish(int64_t end_time) {
  std::lock_guard lock(mutex_);
  const RecordingState state = status_.state;
  if (state == RecordingState::kIdle || state == RecordingState::kFinished) return status_.result;
  if (state == RecordingState::kFailed) {
    release_run();
    return status_.result;
  }

  status_.state = RecordingState::kFinishing;
  HRESULT result = S_OK;
  bool pacing_failed = false;
  const bool frames_submitted = status_.video_submitted_frames != 0;
  if (writer_ && has_last_frame_ && frames_submitted) {
    const HRESULT paced = pace_frame(end_time > 0 ? end_time : counter_now(), nullptr, nullptr, nullptr);
    if (FAILED(paced)) {
      result = paced;
      pacing_failed = true;
    }
  }
  if (writer_) {
    const int64_t began = counter_now();
    const HRESULT finished = writer_->finish();
    status_.finalize_time = to_100ns(counter_now() - began);
    if (!pacing_failed) result = finished;
  }
  for (size_t i = 0; i < audio_files_.size(); ++i) {
    AudioFile& file = audio_files_[i];
    if (!file.writer) continue;
    const HRESULT finished = file.writer->finish();
    if (FAILED(finished)) close_audio_file(static_cast<AudioTrack>(i + 1), finished);
  }
  // Which separate files may be renamed: those still active after their
  // writer finished.
  std::array<bool, 2> file_finished{audio_files_[0].active, audio_files_[1].active};
  release_run();

  if (SUCCEEDED(result)) {
    const HRESULT file_result = FAILED(first_failure_) ? first_failure_ : status_.file_result;
    bool rename_audio = true;
    if (SUCCEEDED(file_result) && frames_submitted && !options_.output_path.empty()) {
      const HRESULT committed = commit_file(partial_path_, options_.output_path);
      if (SUCCEEDED(committed)) {
        status_.file_committed = true;
      } else {
        status_.file_result = committed;
        if (!options_.file_optional) {
          result = committed;
          rename_audio = false;
        }
      }
    }
    if (frames_submitted && rename_audio) {
      for (size_t i = 0; i < audio_files_.size(); ++i) {
        if (!file_finished[i]) continue;
        const HRESULT committed = commit_file(audio_files_[i].partial_path, audio_files_[i].final_path);
        if (FAILED(committed)) close_audio_file(static_cast<AudioTrack>(i + 1), committed);
      }
    }
  }
  status_.state = SUCCEEDED(result) ? RecordingState::kFinished : RecordingState::kFailed;
  status_.result = result;
  return result;
}

HRESULT RecordingSession::fail_session(HRESULT code) {
  status_.state = RecordingState::kFailed;
  status_.result = code;
  keep_first_failure(code);
  if (device_) {
    const HRESULT reason = device_->GetDeviceRemovedReason();
    if (FAILED(reason)) status_.device_removed_reason = reason;
  }
  return code;
}

void RecordingSession::keep_first_failure(HRESULT code) {
  if (FAILED(code) && SUCCEEDED(first_failure_)) first_failure_ = code;
}

void RecordingSession::update_drift() {
  if (status_.video_submitted_frames == 0 || status_.mixed_blocks == 0) return;
  status_.audio_video_drift = status_.last_mixed_end - status_.last_video_end;
  const int64_t magnitude = status_.audio_video_drift < 0 ? -status_.audio_video_drift : status_.audio_video_drift;
  status_.audio_video_drift_max_abs = std::max(status_.audio_video_drift_max_abs, magnitude);
}

void RecordingSession::release_run() {
  release_media();
  if (media_foundation_started_) {
    (void)media_foundation().shutdown();
    media_foundation_started_ = false;
  }
}

HRESULT RecordingSession::query_free_bytes(const fs::path& path, uint64_t& free_bytes) const {
  const std::wstring folder = free_space_folder(path.wstring());
  const wchar_t* name = folder.empty() ? nullptr : folder.c_str();
  if (platform_.writers.disk.free_bytes) return platform_.writers.disk.free_bytes(name, free_bytes);
  return query_free_disk_bytes(name, free_bytes);
}

int64_t RecordingSession::counter_now() const {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace quorvel::windows
