// The AAC side of a recording session: the encoder types, the tracks of the
// main MP4 and the separate .m4a files.
#include <mfapi.h>
#include <mferror.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/media_foundation_library.h"
#include "engine/recording_session.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

namespace {

constexpr int64_t kUnitsPerSecond = 10'000'000;

// Raw AAC frames (no ADTS headers): the MP4 container carries the framing.
constexpr UINT32 kAacRawPayload = 0;
// AAC Low Complexity profile, level 2.
constexpr UINT32 kAacProfileLevel = 0x29;
constexpr UINT32 kSpeakerFrontCenter = 4;
constexpr UINT32 kSpeakersFrontLeftRight = 3;

HRESULT make_writer_attributes(ComPtr<IMFAttributes>& attributes) {
  HRESULT hr = media_foundation().create_attributes(&attributes, 3);
  if (FAILED(hr)) return hr;
  hr = attributes->SetUINT32(MF_READWRITE_ENABLE_HARDWARE_TRANSFORMS, TRUE);
  if (FAILED(hr)) return hr;
  hr = attributes->SetUINT32(MF_LOW_LATENCY, TRUE);
  if (FAILED(hr)) return hr;
  return attributes->SetUINT32(MF_SINK_WRITER_DISABLE_THROTTLING, TRUE);
}

}  // namespace

HRESULT RecordingSession::push_mixed_audio(const float* data, uint32_t frames, int64_t time, bool silent,
                                           bool discontinuity) {
  return push_audio(AudioTrack::kMixed, data, frames, time, silent, discontinuity);
}

HRESULT RecordingSession::push_audio(AudioTrack track, const float* data, uint32_t frames, int64_t time,
                                     bool silent, bool discontinuity) {
  std::lock_guard lock(mutex_);
  const size_t slot = static_cast<size_t>(track);
  if (slot > 2) return E_INVALIDARG;
  const RecordingState state = status_.state;
  if (state != RecordingState::kStarted && state != RecordingState::kEncoding) return S_FALSE;
  const bool wanted = slot == 0   ? options_.mixed_audio_track
                      : slot == 1 ? options_.system_audio_track || options_.system_audio_file
                                  : options_.microphone_audio_track || options_.microphone_audio_file;
  if (!wanted) return S_FALSE;
  if (frames == 0 || (!data && !silent)) return E_INVALIDARG;

  AudioFile* file = slot == 0 ? nullptr : &audio_files_[slot - 1];
  const bool to_main = track_active_[slot];
  const bool to_file = file && file->active;
  if (state != RecordingState::kEncoding || !has_base_time_ || (!to_main && !to_file)) {
    ++status_.audio_ignored_blocks;
    return S_FALSE;
  }

  const uint64_t size64 = static_cast<uint64_t>(frames) * options_.audio_channels * sizeof(float);
  if (size64 > std::numeric_limits<DWORD>::max()) return E_INVALIDARG;
  const DWORD size = static_cast<DWORD>(size64);

  const auto fail_main = [&](HRESULT code) {
    track_active_[slot] = false;
    if (slot == 0) {
      ++status_.mixed_failures;
      status_.mixed_track_result = code;
    } else {
      ++status_.track_failures;
      (slot == 1 ? status_.system_track_result : status_.microphone_track_result) = code;
    }
  };

  const int64_t sample_time =
      std::max(to_100ns(std::max<int64_t>(time - base_time_, 0)), next_audio_time_[slot]);
  const int64_t duration = static_cast<int64_t>(frames) * kUnitsPerSecond / options_.audio_sample_rate;

  ComPtr<IMFSample> sample;
  const HRESULT built = [&]() -> HRESULT {
    ComPtr<IMFMediaBuffer> buffer;
    HRESULT hr = media_foundation().create_memory_buffer(size, &buffer);
    if (FAILED(hr)) return hr;
    BYTE* bytes = nullptr;
    DWORD capacity = 0;
    hr = buffer->Lock(&bytes, &capacity, nullptr);
    if (FAILED(hr)) return hr;
    const bool fits = capacity >= size;
    if (fits && (silent || !data)) {
      std::memset(bytes, 0, size);
    } else if (fits) {
      std::memcpy(bytes, data, size);
    }
    hr = buffer->Unlock();
    // A buffer shorter than asked for is the first failure, before any
    // failure of the Unlock.
    if (!fits) return E_UNEXPECTED;
    if (FAILED(hr)) return hr;
    hr = buffer->SetCurrentLength(size);
    if (FAILED(hr)) return hr;
    hr = media_foundation().create_sample(&sample);
    if (FAILED(hr)) return hr;
    hr = sample->AddBuffer(buffer.Get());
    if (FAILED(hr)) return hr;
    hr = sample->SetSampleTime(sample_time);
    if (FAILED(hr)) return hr;
    hr = sample->SetSampleDuration(duration);
    if (FAILED(hr)) return hr;
    if (discontinuity) hr = sample->SetUINT32(MFSampleExtension_Discontinuity, TRUE);
    return hr;
  }();
  if (FAILED(built)) {
    if (to_main) fail_main(built);
    if (to_file) close_audio_file(track, built);
    return built;
  }

  HRESULT main_result = S_FALSE;
  HRESULT file_result = S_FALSE;
  if (to_main) {
    main_result = writer_->write_sample(audio_stream_index_[slot], sample.Get());
    if (FAILED(main_result)) fail_main(main_result);
  }
  if (to_file) {
    file_result = file->writer->write_sample(file->stream_index, sample.Get());
    if (FAILED(file_result)) close_audio_file(track, file_result);
  }
  const bool main_ok = to_main && SUCCEEDED(main_result);
  const bool file_ok = to_file && SUCCEEDED(file_result);
  if (!main_ok && !file_ok) return to_main ? main_result : file_result;

  const int64_t end = sample_time + duration;
  next_audio_time_[slot] = end;
  if (slot == 0) {
    ++status_.mixed_blocks;
    status_.mixed_frames += frames;
    status_.mixed_bytes += size;
    if (silent) ++status_.mixed_silent_blocks;
    if (discontinuity) ++status_.mixed_discontinuities;
    status_.mixed_track_result = S_OK;
    status_.last_mixed_end = end;
    update_drift();
  } else if (slot == 1) {
    if (main_ok) {
      ++status_.system_track_blocks;
      status_.system_track_frames += frames;
      status_.system_track_result = S_OK;
    }
    if (file_ok) {
      ++status_.system_file_blocks;
      status_.system_file_frames += frames;
    }
    status_.last_system_end = end;
  } else {
    if (main_ok) {
      ++status_.microphone_track_blocks;
      status_.microphone_track_frames += frames;
      status_.microphone_track_result = S_OK;
    }
    if (file_ok) {
      ++status_.microphone_file_blocks;
      status_.microphone_file_frames += frames;
    }
    status_.last_microphone_end = end;
  }
  return S_OK;
}

HRESULT RecordingSession::make_aac_media_type(IMFMediaType** output_type, IMFMediaType** input_type) const {
  if (!output_type || !input_type) return E_POINTER;
  if (*output_type) {
    (*output_type)->Release();
    *output_type = nullptr;
  }
  if (*input_type) {
    (*input_type)->Release();
    *input_type = nullptr;
  }
  const UINT32 rate = options_.audio_sample_rate;
  const UINT32 channels = options_.audio_channels;
  const UINT32 bitrate = options_.audio_bitrate;
  if (rate == 0 || channels == 0 || bitrate == 0) return E_INVALIDARG;

  ComPtr<IMFMediaType> output;
  HRESULT hr = media_foundation().create_media_type(&output);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = output->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio))) return hr;
  if (FAILED(hr = output->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_AAC))) return hr;
  if (FAILED(hr = output->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, channels))) return hr;
  if (FAILED(hr = output->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, rate))) return hr;
  if (FAILED(hr = output->SetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, bitrate / 8))) return hr;
  if (FAILED(hr = output->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16))) return hr;
  if (FAILED(hr = output->SetUINT32(MF_MT_AUDIO_BLOCK_ALIGNMENT, 1))) return hr;
  if (FAILED(hr = output->SetUINT32(MF_MT_AAC_PAYLOAD_TYPE, kAacRawPayload))) return hr;
  if (FAILED(hr = output->SetUINT32(MF_MT_AAC_AUDIO_PROFILE_LEVEL_INDICATION, kAacProfileLevel))) return hr;

  ComPtr<IMFMediaType> input;
  if (FAILED(hr = media_foundation().create_media_type(&input))) return hr;
  if (FAILED(hr = input->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio))) return hr;
  if (FAILED(hr = input->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_Float))) return hr;
  if (FAILED(hr = input->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, channels))) return hr;
  if (FAILED(hr = input->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, rate))) return hr;
  if (FAILED(hr = input->SetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, channels * 4 * rate))) return hr;
  if (FAILED(hr = input->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 32))) return hr;
  if (FAILED(hr = input->SetUINT32(MF_MT_AUDIO_VALID_BITS_PER_SAMPLE, 32))) return hr;
  if (FAILED(hr = input->SetUINT32(MF_MT_AUDIO_BLOCK_ALIGNMENT, channels * 4))) return hr;
  if (FAILED(hr = input->SetUINT32(MF_MT_AUDIO_CHANNEL_MASK,
                                   channels == 1 ? kSpeakerFrontCenter : kSpeakersFrontLeftRight))) {
    return hr;
  }
  if (FAILED(hr = input->SetUINT32(MF_MT_ALL_SAMPLES_INDEPENDENT, TRUE))) return hr;

  *output_type = output.Detach();
  *input_type = input.Detach();
  return S_OK;
}

HRESULT RecordingSession::add_audio_stream(AudioTrack track) {
  const size_t slot = static_cast<size_t>(track);
  if (slot > 2) return E_INVALIDARG;
  const bool wanted = slot == 0   ? options_.mixed_audio_track
                      : slot == 1 ? options_.system_audio_track
                                  : options_.microphone_audio_track;
  if (!wanted) return S_OK;
  if (!writer_) return E_UNEXPECTED;

  ComPtr<IMFMediaType> output;
  ComPtr<IMFMediaType> input;
  HRESULT hr = make_aac_media_type(&output, &input);
  if (FAILED(hr)) return hr;
  DWORD index = 0;
  hr = writer_->add_stream(output.Get(), &index);
  if (FAILED(hr)) return hr;
  hr = writer_->set_input_type(index, input.Get(), nullptr);
  if (FAILED(hr)) return hr;

  audio_stream_index_[slot] = index;
  track_active_[slot] = true;
  if (slot == 0) {
    status_.mixed_track_result = S_OK;
    status_.mixed_track_opened = true;
  } else if (slot == 1) {
    status_.system_track_result = S_OK;
    status_.system_track_opened = true;
  } else {
    status_.microphone_track_result = S_OK;
    status_.microphone_track_opened = true;
  }
  return S_OK;
}

void RecordingSession::open_audio_file(AudioTrack track) {
  const size_t slot = static_cast<size_t>(track);
  if (slot != 1 && slot != 2) return;
  AudioFile& file = audio_files_[slot - 1];
  const bool wanted = slot == 1 ? options_.system_audio_file : options_.microphone_audio_file;
  if (!wanted || file.partial_path.empty()) return;

  const HRESULT hr = [&]() -> HRESULT {
    ComPtr<IMFAttributes> attributes;
    HRESULT result = make_writer_attributes(attributes);
    if (FAILED(result)) return result;
    // No live callback and no periodic free-space check: the MP4's own check
    // covers the volume, and an audio file must never stop the recording.
    result = PacketRecordingWriter::create(file.partial_path, attributes.Get(), file.writer, PacketCallback{},
                                           false, 0, platform_.writers);
    if (FAILED(result)) return result;
    ComPtr<IMFMediaType> output;
    ComPtr<IMFMediaType> input;
    result = make_aac_media_type(&output, &input);
    if (FAILED(result)) return result;
    DWORD index = 0;
    result = file.writer->add_stream(output.Get(), &index);
    if (FAILED(result)) return result;
    result = file.writer->set_input_type(index, input.Get(), nullptr);
    if (FAILED(result)) return result;
    result = file.writer->begin_writing();
    if (FAILED(result)) return result;
    file.stream_index = index;
    return S_OK;
  }();
  if (FAILED(hr)) {
    close_audio_file(track, hr);
    return;
  }
  file.active = true;
  if (slot == 1) {
    status_.system_file_result = S_OK;
    status_.system_file_opened = true;
  } else {
    status_.microphone_file_result = S_OK;
    status_.microphone_file_opened = true;
  }
}

void RecordingSession::close_audio_file(AudioTrack track, HRESULT code) {
  const size_t slot = static_cast<size_t>(track);
  if (slot != 1 && slot != 2) return;
  AudioFile& file = audio_files_[slot - 1];
  file.active = false;
  // Destroying the writer finalizes what reached the file; it keeps its
  // partial name.
  file.writer.reset();
  ++status_.audio_file_failures;
  (slot == 1 ? status_.system_file_result : status_.microphone_file_result) = code;
}

}  // namespace quorvel::windows
