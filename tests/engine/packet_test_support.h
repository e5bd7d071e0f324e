// Helpers shared by the tests of the packet sink, write queue and recording
// writer: a Media Foundation fixture, encoder-like media types and samples.
#pragma once

#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "engine/com_apartment.h"
#include "engine/encoded_packet.h"

namespace quorvel::windows::test {

class MediaFoundationFixture : public testing::Test {
 protected:
  void SetUp() override {
    com_.emplace();
    ASSERT_HRESULT_SUCCEEDED(com_->result());
    ASSERT_HRESULT_SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE));
  }
  void TearDown() override {
    MFShutdown();
    com_.reset();
  }

  std::optional<ComApartment> com_;
};

// An H.264 output type as the encoder gives it: frame size and rate set.
inline Microsoft::WRL::ComPtr<IMFMediaType> make_h264_type(UINT32 width = 1280, UINT32 height = 720,
                                                           UINT32 rate_numerator = 60,
                                                           UINT32 rate_denominator = 1) {
  Microsoft::WRL::ComPtr<IMFMediaType> type;
  EXPECT_HRESULT_SUCCEEDED(MFCreateMediaType(&type));
  EXPECT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
  EXPECT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_H264));
  EXPECT_HRESULT_SUCCEEDED(MFSetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, width, height));
  EXPECT_HRESULT_SUCCEEDED(MFSetAttributeRatio(type.Get(), MF_MT_FRAME_RATE, rate_numerator, rate_denominator));
  return type;
}

inline Microsoft::WRL::ComPtr<IMFMediaType> make_aac_type() {
  Microsoft::WRL::ComPtr<IMFMediaType> type;
  EXPECT_HRESULT_SUCCEEDED(MFCreateMediaType(&type));
  EXPECT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio));
  EXPECT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_AAC));
  EXPECT_HRESULT_SUCCEEDED(type->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, 48000));
  EXPECT_HRESULT_SUCCEEDED(type->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, 2));
  return type;
}

// Bytes 0, 1, 2, ... (mod 251, so runs do not line up with powers of two)
// starting at `seed`.
inline std::vector<uint8_t> pattern_bytes(size_t size, uint8_t seed = 0) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((seed + i) % 251);
  return bytes;
}

struct SampleSpec {
  std::vector<uint8_t> bytes;
  LONGLONG time = 0;
  LONGLONG duration = 0;
  std::optional<UINT64> decode_time;
  std::optional<UINT32> clean_point;
  std::optional<UINT32> discontinuity;
};

// Bytes and timing only, no attributes.
inline SampleSpec plain(std::vector<uint8_t> bytes, LONGLONG time, LONGLONG duration) {
  SampleSpec spec;
  spec.bytes = std::move(bytes);
  spec.time = time;
  spec.duration = duration;
  return spec;
}

// A sample with one memory buffer holding `spec.bytes` (or a buffer of
// `length` uninitialised bytes when `spec.bytes` is empty and length given).
inline Microsoft::WRL::ComPtr<IMFSample> make_sample(const SampleSpec& spec,
                                                     std::optional<DWORD> length = std::nullopt) {
  const DWORD size = length ? *length : static_cast<DWORD>(spec.bytes.size());
  Microsoft::WRL::ComPtr<IMFMediaBuffer> buffer;
  EXPECT_HRESULT_SUCCEEDED(MFCreateMemoryBuffer(size == 0 ? 1 : size, &buffer));
  if (!spec.bytes.empty()) {
    BYTE* data = nullptr;
    EXPECT_HRESULT_SUCCEEDED(buffer->Lock(&data, nullptr, nullptr));
    std::memcpy(data, spec.bytes.data(), spec.bytes.size());
    EXPECT_HRESULT_SUCCEEDED(buffer->Unlock());
  }
  EXPECT_HRESULT_SUCCEEDED(buffer->SetCurrentLength(size));
  Microsoft::WRL::ComPtr<IMFSample> sample;
  EXPECT_HRESULT_SUCCEEDED(MFCreateSample(&sample));
  EXPECT_HRESULT_SUCCEEDED(sample->AddBuffer(buffer.Get()));
  EXPECT_HRESULT_SUCCEEDED(sample->SetSampleTime(spec.time));
  EXPECT_HRESULT_SUCCEEDED(sample->SetSampleDuration(spec.duration));
  if (spec.decode_time) {
    EXPECT_HRESULT_SUCCEEDED(sample->SetUINT64(MFSampleExtension_DecodeTimestamp, *spec.decode_time));
  }
  if (spec.clean_point) {
    EXPECT_HRESULT_SUCCEEDED(sample->SetUINT32(MFSampleExtension_CleanPoint, *spec.clean_point));
  }
  if (spec.discontinuity) {
    EXPECT_HRESULT_SUCCEEDED(sample->SetUINT32(MFSampleExtension_Discontinuity, *spec.discontinuity));
  }
  return sample;
}

// A packet made by hand, for the queue and the MP4 output, which only read
// packets. `format` may be null where the consumer never looks at it.
inline std::shared_ptr<const EncodedPacket> make_packet(size_t size, uint32_t stream_index = 0,
                                                        std::shared_ptr<EncodedStreamFormat> format = {},
                                                        int64_t sample_time = 0) {
  auto packet = std::make_shared<EncodedPacket>();
  packet->stream_index = stream_index;
  packet->format = std::move(format);
  packet->data.assign(size, static_cast<uint8_t>(size & 0xFF));
  packet->sample_time = sample_time;
  packet->duration = 1;
  return packet;
}

inline std::shared_ptr<EncodedStreamFormat> make_format(IMFMediaType* type) {
  std::shared_ptr<EncodedStreamFormat> format;
  EXPECT_HRESULT_SUCCEEDED(EncodedStreamFormat::create(type, format));
  return format;
}

// A packet callback that keeps every packet it is handed and answers S_OK,
// except for one packet (1-based) that it answers as told or throws at.
class PacketRecorder {
 public:
  PacketCallback callback() {
    return [this](std::shared_ptr<const EncodedPacket> packet) -> HRESULT {
      std::lock_guard lock(mutex_);
      packets_.push_back(std::move(packet));
      arrived_.notify_all();
      if (packets_.size() != special_) return S_OK;
      if (throw_bad_alloc_) throw std::bad_alloc();
      if (throw_other_) throw 42;
      return answer_;
    };
  }
  void answer_at(size_t number, HRESULT answer) {
    special_ = number;
    answer_ = answer;
  }
  void throw_at(size_t number, bool bad_alloc) {
    special_ = number;
    throw_bad_alloc_ = bad_alloc;
    throw_other_ = !bad_alloc;
  }
  std::vector<std::shared_ptr<const EncodedPacket>> packets() const {
    std::lock_guard lock(mutex_);
    return packets_;
  }
  // True once `count` packets arrived (a generous guard against a hang, not
  // a measurement).
  bool wait_for(size_t count) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(20), [&] { return packets_.size() >= count; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::shared_ptr<const EncodedPacket>> packets_;
  size_t special_ = 0;
  HRESULT answer_ = S_OK;
  bool throw_bad_alloc_ = false;
  bool throw_other_ = false;
};

// A one-shot signal between threads.
class Signal {
 public:
  void set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_all();
  }
  // True when set within the time-out (a generous guard against hangs, not
  // a measurement).
  bool wait(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return set_; });
  }
  bool is_set() const {
    std::lock_guard lock(mutex_);
    return set_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

}  // namespace quorvel::windows::test
