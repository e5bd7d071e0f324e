#include <gtest/gtest.h>
#include <mfapi.h>
#include <mftransform.h>

#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "engine/desktop_snapshot.h"
#include "engine/engine_errors.h"
#include "engine/recording_session.h"
#include "engine/watermark_layout.h"
#include "tests/engine/gpu_test_support.h"
#include "tests/fakes/engine/fake_encoder_sink_writer.h"
#include "tests/fakes/engine/fake_nv12_converter.h"
#include "tests/support/test_support.h"
#include "engine/recording_stages.h"

namespace quorvel::windows {

// Reaches the video path, which the session's frame operations drive under
// its lock.
struct RecordingSessionTestPeer {
  static void set_options(RecordingSession& session, const RecordingOptions& options,
                          std::filesystem::path partial_path = {}, HRESULT first_failure = S_OK) {
    session.options_ = options;
    session.partial_path_ = std::move(partial_path);
    session.first_failure_ = first_failure;
  }
  static HRESULT setup(RecordingSession& session, ID3D11Device* device, ID3D11DeviceContext* context,
                       const D3D11_TEXTURE2D_DESC& desc, uint32_t rotation) {
    return session.setup_encoders(device, context, desc, rotation);
  }
  static HRESULT create_frame_copy(RecordingSession& session, const D3D11_TEXTURE2D_DESC& desc) {
    return session.create_frame_copy(desc);
  }
  static HRESULT compose(RecordingSession& session, ID3D11Texture2D* texture, const CapturedFrameInfo& info) {
    return session.compose_frame(texture, info);
  }
  static HRESULT update_cursor(RecordingSession& session, const CapturedCursor& cursor) {
    return session.update_cursor_shape(cursor);
  }
  static HRESULT encode(RecordingSession& session, int64_t index, const RECT& source) {
    return session.encode_frame(index, source);
  }
  static const RecordingSessionStatus& status(const RecordingSession& session) { return session.status_; }
  static ID3D11Texture2D* cursor_texture(const RecordingSession& session) {
    return session.cursor_texture_.Get();
  }
};

namespace {

using Microsoft::WRL::ComPtr;
using test::blue;
using test::green;
using test::red;
using Peer = RecordingSessionTestPeer;

constexpr uint32_t kBackground = 0xFF204060;
constexpr uint32_t kInvertedBackground = 0xFFDFBF9F;

// The encoder's rate-control mode and GOP size, and the allocator's buffers
// per sample, as the platform documents them.
constexpr GUID kRateControlMode = {
    0x1c0608e9, 0x370c, 0x4710, {0x8a, 0x58, 0xcb, 0x61, 0x81, 0xc4, 0x24, 0x23}};
constexpr GUID kGopSize = {0x95f31b26, 0x95a4, 0x41aa, {0x93, 0x03, 0x24, 0x6a, 0x7f, 0xc6, 0xee, 0xf1}};

D3D11_TEXTURE2D_DESC texture_desc(ID3D11Texture2D* texture) {
  D3D11_TEXTURE2D_DESC desc{};
  texture->GetDesc(&desc);
  return desc;
}

UINT32 uint32_of(IMFAttributes* attributes, REFGUID key) {
  UINT32 value = 0xDEADBEEF;
  EXPECT_HRESULT_SUCCEEDED(attributes->GetUINT32(key, &value));
  return value;
}

UINT64 uint64_of(IMFAttributes* attributes, REFGUID key) {
  UINT64 value = 0;
  EXPECT_HRESULT_SUCCEEDED(attributes->GetUINT64(key, &value));
  return value;
}

GUID guid_of(IMFAttributes* attributes, REFGUID key) {
  GUID value = GUID_NULL;
  EXPECT_HRESULT_SUCCEEDED(attributes->GetGUID(key, &value));
  return value;
}

class RecordingSessionVideoTest : public test::MediaDeviceFixture {
 protected:
  void SetUp() override {
    MediaDeviceFixture::SetUp();
    if (HasFatalFailure()) return;
    options_.width = 64;
    options_.height = 48;
    options_.frame_rate = 60;
    options_.video_bitrate = 4'000'000;
    options_.packet_callback = [this](std::shared_ptr<const EncodedPacket> packet) {
      std::lock_guard lock(packets_mutex_);
      packets_.push_back(std::move(packet));
      return S_OK;
    };
  }

  void TearDown() override {
    session_.reset();
    MediaDeviceFixture::TearDown();
  }

  // A session over the fake encoder and converter; `held_back` samples stay
  // inside the fake encoder.
  void make_session(size_t held_back = 0, std::filesystem::path partial_path = {},
                    HRESULT first_failure = S_OK) {
    RecordingSessionPlatform platform;
    platform.writers.sink_writers.create_encoding_writer =
        test::FakeEncoderSinkWriter::factory(encoder_, held_back);
    platform.writers.sink_writers.create_file_writer = files_.function();
    platform.nv12_converters = test::FakeNv12Converter::factory(converter_);
    platform.watermark_font_family = L"DejaVu Sans";
    session_ = RecordingSession::create(std::move(platform));
    Peer::set_options(*session_, options_, std::move(partial_path), first_failure);
  }

  // A 64 x 48 frame of zero pixels, the size the options ask for.
  ComPtr<ID3D11Texture2D> blank_frame() {
    return test::make_bgra_texture(device_.Get(), 64, 48, std::vector<uint32_t>(64 * 48));
  }

  // A 64 x 64 frame of kBackground, for the pointer tests.
  ComPtr<ID3D11Texture2D> background_frame() {
    return test::make_bgra_texture(device_.Get(), 64, 64, std::vector<uint32_t>(64 * 64, kBackground));
  }

  HRESULT setup(ID3D11Texture2D* texture, uint32_t rotation = DXGI_MODE_ROTATION_IDENTITY) {
    return Peer::setup(*session_, device_.Get(), context_.Get(), texture_desc(texture), rotation);
  }

  // Composes `texture` and hands the whole frame to the converter as slot
  // `index`; returns the frame the converter was given.
  std::vector<uint32_t> compose_and_read(ID3D11Texture2D* texture, const CapturedFrameInfo& info,
                                         int64_t index = 0) {
    EXPECT_HRESULT_SUCCEEDED(Peer::compose(*session_, texture, info));
    EXPECT_HRESULT_SUCCEEDED(Peer::encode(*session_, index, RECT{0, 0, 100000, 100000}));
    if (converter_->conversions.empty()) return {};
    return test::read_bgra(device_.Get(), context_.Get(), converter_->conversions.back().source_copy.Get());
  }

  const RecordingSessionStatus& status() const { return Peer::status(*session_); }

  RecordingOptions options_;
  std::shared_ptr<test::FakeEncoderRecord> encoder_ = std::make_shared<test::FakeEncoderRecord>();
  std::shared_ptr<test::FakeNv12Record> converter_ = std::make_shared<test::FakeNv12Record>();
  test::FakeFileWriterFactory files_;
  std::unique_ptr<RecordingSession> session_;
  std::mutex packets_mutex_;
  std::vector<std::shared_ptr<const EncodedPacket>> packets_;
};

TEST_F(RecordingSessionVideoTest, SetUpHandsTheEncoderAnH264StreamAndAnNv12Input) {
  options_.live_encoding = true;
  make_session();
  const ComPtr<ID3D11Texture2D> frame =
      test::make_bgra_texture(device_.Get(), 96, 54, std::vector<uint32_t>(96 * 54, kBackground));
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  EXPECT_EQ(status().stage, kStageBeginWriting);
  EXPECT_EQ(status().input_format, static_cast<uint32_t>(DXGI_FORMAT_B8G8R8A8_UNORM));
  EXPECT_EQ(status().input_width, 96u);
  EXPECT_EQ(status().input_height, 54u);
  EXPECT_FALSE(status().hdr_input);

  EXPECT_EQ(encoder_->hardware_transforms, std::optional<UINT32>(1));
  EXPECT_EQ(encoder_->low_latency, std::optional<UINT32>(1));
  EXPECT_EQ(encoder_->disable_throttling, std::optional<UINT32>(1));
  EXPECT_TRUE(encoder_->has_device_manager);

  ASSERT_EQ(encoder_->output_types.size(), 1u);
  IMFMediaType* output = encoder_->output_types[0].Get();
  EXPECT_EQ(guid_of(output, MF_MT_MAJOR_TYPE), MFMediaType_Video);
  EXPECT_EQ(guid_of(output, MF_MT_SUBTYPE), MFVideoFormat_H264);
  EXPECT_EQ(uint32_of(output, MF_MT_AVG_BITRATE), 4'000'000u);
  EXPECT_EQ(uint32_of(output, MF_MT_MPEG2_PROFILE), 100u);

  ASSERT_EQ(encoder_->input_types.size(), 1u);
  IMFMediaType* input = encoder_->input_types[0].Get();
  EXPECT_EQ(guid_of(input, MF_MT_MAJOR_TYPE), MFMediaType_Video);
  EXPECT_EQ(guid_of(input, MF_MT_SUBTYPE), MFVideoFormat_NV12);
  for (IMFMediaType* type : {output, input}) {
    EXPECT_EQ(uint32_of(type, MF_MT_INTERLACE_MODE), 2u);
    EXPECT_EQ(uint32_of(type, MF_MT_VIDEO_PRIMARIES), 2u);
    EXPECT_EQ(uint32_of(type, MF_MT_TRANSFER_FUNCTION), 5u);
    EXPECT_EQ(uint32_of(type, MF_MT_YUV_MATRIX), 1u);
    EXPECT_EQ(uint32_of(type, MF_MT_VIDEO_NOMINAL_RANGE), 2u);
    EXPECT_EQ(uint64_of(type, MF_MT_FRAME_SIZE), (64ull << 32) | 48u);
    EXPECT_EQ(uint64_of(type, MF_MT_FRAME_RATE), (60ull << 32) | 1u);
    EXPECT_EQ(uint64_of(type, MF_MT_PIXEL_ASPECT_RATIO), (1ull << 32) | 1u);
  }

  // Live encoding: constant bit rate and a key frame every two seconds.
  ASSERT_EQ(encoder_->parameters.size(), 1u);
  ASSERT_TRUE(encoder_->parameters[0]);
  EXPECT_EQ(uint32_of(encoder_->parameters[0].Get(), kRateControlMode), 0u);
  EXPECT_EQ(uint32_of(encoder_->parameters[0].Get(), kGopSize), 120u);

  // Without a watermark the processor reads the composed frame as captured.
  EXPECT_EQ(converter_->settings.input_width, 96u);
  EXPECT_EQ(converter_->settings.input_height, 54u);
  EXPECT_EQ(converter_->settings.output_width, 64u);
  EXPECT_EQ(converter_->settings.output_height, 48u);
  EXPECT_EQ(converter_->settings.frame_rate, 60u);
  EXPECT_EQ(converter_->initial_samples, 4u);
  EXPECT_EQ(converter_->maximum_samples, 12u);
  EXPECT_EQ(converter_->buffers_per_sample, std::optional<UINT32>(1));
  EXPECT_EQ(converter_->d3d11_usage, std::optional<UINT32>(0));
  EXPECT_EQ(converter_->d3d11_bind_flags, std::optional<UINT32>(32));
  EXPECT_TRUE(converter_->had_device_manager);
  ASSERT_TRUE(converter_->sample_type);
  EXPECT_EQ(guid_of(converter_->sample_type.Get(), MF_MT_SUBTYPE), MFVideoFormat_NV12);
}

TEST_F(RecordingSessionVideoTest, FileEncodingPassesNoEncodingParameters) {
  make_session();
  const ComPtr<ID3D11Texture2D> frame = blank_frame();
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  ASSERT_EQ(encoder_->parameters.size(), 1u);
  EXPECT_FALSE(encoder_->parameters[0]);
}

TEST_F(RecordingSessionVideoTest, RefusesAFrameRateWhoseGopDoesNotFit) {
  options_.live_encoding = true;
  options_.frame_rate = 0x80000000u;
  make_session();
  const ComPtr<ID3D11Texture2D> frame = blank_frame();
  EXPECT_EQ(setup(frame.Get()), E_INVALIDARG);
  EXPECT_EQ(status().stage, kStageVideoStream);
  EXPECT_TRUE(encoder_->input_types.empty());
}

TEST_F(RecordingSessionVideoTest, RefusesCapturedFormatsItCannotCompose) {
  make_session();
  D3D11_TEXTURE2D_DESC desc{};
  desc.Width = 64;
  desc.Height = 48;
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.SampleDesc.Count = 1;
  EXPECT_EQ(Peer::setup(*session_, device_.Get(), context_.Get(), desc, DXGI_MODE_ROTATION_IDENTITY),
            kErrorUnsupportedD3DType);
  EXPECT_EQ(Peer::create_frame_copy(*session_, desc), kErrorUnsupportedD3DType);
  // A change to FP16 rebuilds the copy and marks the input as HDR.
  desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  ASSERT_HRESULT_SUCCEEDED(
      Peer::setup(*session_, device_.Get(), context_.Get(), desc, DXGI_MODE_ROTATION_IDENTITY));
  desc.Format = DXGI_FORMAT_R16G16B16A16_FLOAT;
  EXPECT_HRESULT_SUCCEEDED(Peer::create_frame_copy(*session_, desc));
  EXPECT_TRUE(status().hdr_input);
  // The rebuilt copy takes FP16 frames, and they are tone-mapped: grey 0.5
  // at 80 nits is about 0.7354 after the sRGB curve. A BGRA frame no longer fits.
  const ComPtr<ID3D11Texture2D> hdr =
      test::make_fp16_texture(device_.Get(), 64, 48, std::vector<float>(64 * 48 * 3, 0.5f));
  CapturedFrameInfo info;
  info.sdr_white_nits = 80.0f;
  const std::vector<uint32_t> out = compose_and_read(hdr.Get(), info);
  ASSERT_EQ(out.size(), 64u * 48u);
  EXPECT_NEAR(red(out[0]) / 255.0, 0.7354, 1.0 / 255.0);
  EXPECT_EQ(out[0], out[64 * 48 - 1]);
  const ComPtr<ID3D11Texture2D> sdr =
      test::make_bgra_texture(device_.Get(), 64, 48, std::vector<uint32_t>(64 * 48, kBackground));
  EXPECT_EQ(Peer::compose(*session_, sdr.Get(), CapturedFrameInfo{}), kErrorUnsupportedD3DType);
}

TEST_F(RecordingSessionVideoTest, TheVideoProcessorStopsTheSetUpWhereThePlatformHasNone) {
  converter_->open_result = E_NOINTERFACE;  // what Wine's device answers for ID3D11VideoDevice
  make_session();
  const ComPtr<ID3D11Texture2D> frame = blank_frame();
  EXPECT_EQ(setup(frame.Get()), E_NOINTERFACE);
  EXPECT_EQ(status().stage, kStageStart);
  EXPECT_TRUE(encoder_->output_types.empty());
}

TEST_F(RecordingSessionVideoTest, AWatermarkThatCannotBeMadeFailsTheSetUp) {
  options_.watermark.enabled = true;
  options_.watermark.text.assign(321, L'W');
  make_session();
  const ComPtr<ID3D11Texture2D> frame = blank_frame();
  EXPECT_EQ(setup(frame.Get()), E_INVALIDARG);
  EXPECT_EQ(status().stage, kStageOutputFormatChecked);  // kStageWatermarkRenderer is never reached
  EXPECT_TRUE(encoder_->output_types.empty());
}

// A failure kept before the first frame (a file-optional start without disk
// space) ends the file as soon as the writer exists; the live output goes on.
TEST_F(RecordingSessionVideoTest, AnEarlierFailureEndsTheFileButNotTheLiveOutput) {
  quorvel::test::TempDir temp;
  options_.output_path = temp / L"clip.mp4";
  options_.file_optional = true;
  options_.min_free_disk_bytes = 0;
  make_session(0, temp / L"clip.partial.mp4", kErrorDiskFull);
  const ComPtr<ID3D11Texture2D> frame =
      test::make_bgra_texture(device_.Get(), 64, 48, std::vector<uint32_t>(64 * 48, kBackground));
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  ASSERT_HRESULT_SUCCEEDED(Peer::compose(*session_, frame.Get(), CapturedFrameInfo{}));
  for (int64_t index = 0; index < 3; ++index) {
    ASSERT_HRESULT_SUCCEEDED(Peer::encode(*session_, index, RECT{0, 0, 64, 48}));
  }
  const RecordingSessionStatus now = session_->status();
  EXPECT_EQ(now.file_result, kErrorDiskFull);
  EXPECT_EQ(now.encoded_video_packets, 3u);
  {
    std::lock_guard lock(packets_mutex_);
    EXPECT_EQ(packets_.size(), 3u);
  }
  session_.reset();
  EXPECT_FALSE(std::filesystem::exists(temp / L"clip.partial.mp4"));
  EXPECT_EQ(files_.create_calls(), 0);
}

TEST(RecordingSessionVideo, FrameSlotsNeverDrift) {
  struct Case {
    int64_t index;
    uint32_t rate;
    int64_t time;
  };
  const Case cases[] = {
      {-3, 30, 0},
      {0, 30, 0},
      {1, 30, 333'333},
      {2, 30, 666'666},
      {3, 30, 10'000'000 / 10},
      {30, 30, 10'000'000},
      {31, 30, 10'333'333},
      {1'080'000'000'000, 60, 180'000'000'000'000'000}};  // index x 10^7 alone would overflow
  for (const Case& c : cases) EXPECT_EQ(frame_slot_time(c.index, c.rate), c.time) << c.index;
}

TEST_F(RecordingSessionVideoTest, WritesEachSlotWithItsTimeAndDuration) {
  options_.frame_rate = 30;
  make_session();
  const ComPtr<ID3D11Texture2D> frame =
      test::make_bgra_texture(device_.Get(), 64, 48, std::vector<uint32_t>(64 * 48, kBackground));
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  ASSERT_HRESULT_SUCCEEDED(Peer::compose(*session_, frame.Get(), CapturedFrameInfo{}));
  for (int64_t index = 0; index < 4; ++index) {
    ASSERT_HRESULT_SUCCEEDED(Peer::encode(*session_, index, RECT{0, 0, 64, 48}));
  }
  EXPECT_EQ(status().video_submitted_frames, 4u);
  EXPECT_EQ(status().last_video_end, 1'333'333);
  EXPECT_EQ(status().stage, kStageFrameWritten);
  ASSERT_EQ(converter_->conversions.size(), 4u);
  for (uint64_t i = 0; i < 4; ++i) EXPECT_EQ(converter_->conversions[i].frame_number, i);

  std::lock_guard lock(packets_mutex_);
  ASSERT_EQ(packets_.size(), 4u);
  const int64_t times[] = {0, 333'333, 666'666, 1'000'000};
  const int64_t durations[] = {333'333, 333'333, 333'334, 333'333};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(packets_[i]->sample_time, times[i]);
    EXPECT_EQ(packets_[i]->duration, durations[i]);
    EXPECT_EQ(packets_[i]->format->kind, EncodedStreamFormat::kH264Video);
  }
  EXPECT_EQ(session_->status().encoded_video_packets, 4u);
}

TEST_F(RecordingSessionVideoTest, HandsTheEncoderWholeSurfacesOnly) {
  make_session();
  const ComPtr<ID3D11Texture2D> frame =
      test::make_bgra_texture(device_.Get(), 64, 48, std::vector<uint32_t>(64 * 48, kBackground));
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  ASSERT_HRESULT_SUCCEEDED(Peer::compose(*session_, frame.Get(), CapturedFrameInfo{}));
  ASSERT_HRESULT_SUCCEEDED(Peer::encode(*session_, 0, RECT{0, 0, 64, 48}));
  // The surface's buffer claims the whole picture as its data.
  ASSERT_EQ(encoder_->written_buffers.size(), 1u);
  EXPECT_EQ(encoder_->written_buffers[0].stream, 0u);
  EXPECT_GT(encoder_->written_buffers[0].max_length, 0u);
  EXPECT_EQ(encoder_->written_buffers[0].current_length, encoder_->written_buffers[0].max_length);

  // A sample whose buffer is a slice of a texture array is refused before
  // anything is drawn into it.
  converter_ = std::make_shared<test::FakeNv12Record>();
  converter_->surface_subresource = 1;
  encoder_ = std::make_shared<test::FakeEncoderRecord>();
  make_session();
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  ASSERT_HRESULT_SUCCEEDED(Peer::compose(*session_, frame.Get(), CapturedFrameInfo{}));
  EXPECT_EQ(Peer::encode(*session_, 0, RECT{0, 0, 64, 48}), E_UNEXPECTED);
  EXPECT_EQ(status().stage, kStageSubmissionBegun);
  EXPECT_TRUE(converter_->conversions.empty());
  EXPECT_TRUE(encoder_->written_buffers.empty());
  EXPECT_EQ(status().video_submitted_frames, 0u);
}

TEST_F(RecordingSessionVideoTest, DropsTheFrameWhileTwelveSamplesAreInsideTheEncoder) {
  make_session(/*held_back=*/12);
  const ComPtr<ID3D11Texture2D> frame =
      test::make_bgra_texture(device_.Get(), 64, 48, std::vector<uint32_t>(64 * 48, kBackground));
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  ASSERT_HRESULT_SUCCEEDED(Peer::compose(*session_, frame.Get(), CapturedFrameInfo{}));
  for (int64_t index = 0; index < 12; ++index) {
    ASSERT_HRESULT_SUCCEEDED(Peer::encode(*session_, index, RECT{0, 0, 64, 48}));
  }
  EXPECT_EQ(status().video_submitted_frames, 12u);
  EXPECT_EQ(status().video_dropped_frames, 0u);

  EXPECT_EQ(Peer::encode(*session_, 12, RECT{0, 0, 64, 48}), S_OK);
  EXPECT_EQ(status().video_submitted_frames, 12u);
  EXPECT_EQ(status().video_dropped_frames, 1u);
  EXPECT_EQ(status().video_allocator_drops, 1u);
  EXPECT_EQ(converter_->samples_made, 12u);

  // The session goes on: the next slot is dropped the same way, not failed.
  EXPECT_EQ(Peer::encode(*session_, 13, RECT{0, 0, 64, 48}), S_OK);
  EXPECT_EQ(status().video_dropped_frames, 2u);
  EXPECT_EQ(status().video_allocator_drops, 2u);
  ASSERT_EQ(encoder_->writers.size(), 1u);
  EXPECT_EQ(encoder_->writers[0]->pending_samples(), 12u);
}

TEST_F(RecordingSessionVideoTest, ClampsTheSourceRectangleToTheFrame) {
  make_session();
  const ComPtr<ID3D11Texture2D> frame = blank_frame();
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  ASSERT_HRESULT_SUCCEEDED(Peer::compose(*session_, frame.Get(), CapturedFrameInfo{}));
  struct Case {
    RECT given;
    RECT used;
  };
  const Case cases[] = {
      {{8, 6, 40, 30}, {8, 6, 40, 30}},      // inside: unchanged
      {{-10, -5, 100, 80}, {0, 0, 64, 48}},  // beyond every edge
      {{30, 20, 10, 5}, {30, 20, 31, 21}},   // inverted: one pixel
      {{10, 10, 10, 10}, {10, 10, 11, 11}},  // empty: one pixel
      {{70, 50, 90, 60}, {63, 47, 64, 48}},  // entirely outside
  };
  int64_t index = 0;
  for (const Case& c : cases) {
    ASSERT_HRESULT_SUCCEEDED(Peer::encode(*session_, index++, c.given));
    const RECT used = converter_->conversions.back().source_rect;
    EXPECT_EQ(used.left, c.used.left);
    EXPECT_EQ(used.top, c.used.top);
    EXPECT_EQ(used.right, c.used.right);
    EXPECT_EQ(used.bottom, c.used.bottom);
    // Without a watermark the processor reads the composition target itself.
    EXPECT_EQ(converter_->conversions.back().source_desc.Width, 64u);
    EXPECT_EQ(converter_->conversions.back().source_desc.Height, 48u);
  }
}

// A monochrome 32 x 64 pointer: white everywhere except a transparent, an
// inverting and a black pixel in its first row.
std::vector<uint8_t> monochrome_pointer() {
  std::vector<uint8_t> bytes(4 * 64, 0);
  for (int row = 32; row < 64; ++row) {
    for (int b = 0; b < 4; ++b) bytes[row * 4 + b] = 0xFF;  // XOR 1: white where AND is 0
  }
  bytes[0] = 0xC0;       // AND 1 for pixels 0 and 1 of row 0
  bytes[32 * 4] = 0x5F;  // XOR of row 0: pixel 0 -> 0, pixel 1 -> 1, pixel 2 -> 0, rest 1
  return bytes;
}

CapturedCursor pointer(uint32_t type, uint32_t width, uint32_t height, uint32_t pitch,
                       const std::vector<uint8_t>& bytes, LONG x, LONG y, size_t size = SIZE_MAX) {
  CapturedCursor cursor;
  cursor.visible = true;
  cursor.position = {x, y};
  cursor.shape_info.Type = type;
  cursor.shape_info.Width = width;
  cursor.shape_info.Height = height;
  cursor.shape_info.Pitch = pitch;
  cursor.shape_data = bytes.data();
  cursor.shape_size = size == SIZE_MAX ? bytes.size() : size;
  return cursor;
}

TEST_F(RecordingSessionVideoTest, DrawsAMonochromePointerWithItsFourPixelKinds) {
  make_session();
  const ComPtr<ID3D11Texture2D> frame = background_frame();
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  const std::vector<uint8_t> shape = monochrome_pointer();
  CapturedFrameInfo info;
  info.cursor = pointer(kCursorMonochrome, 32, 64, 4, shape, 10, 20);
  const std::vector<uint32_t> out = compose_and_read(frame.Get(), info);
  ASSERT_EQ(out.size(), 64u * 64u);
  test::keep_frame("compose-monochrome-pointer", 64, 64, out);
  const auto at = [&](int x, int y) { return out[static_cast<size_t>(y) * 64 + x]; };
  EXPECT_EQ(at(10, 20), kBackground);          // transparent
  EXPECT_EQ(at(11, 20), kInvertedBackground);  // inverts the screen
  EXPECT_EQ(at(12, 20), 0xFF000000u);          // black
  EXPECT_EQ(at(13, 20), 0xFFFFFFFFu);          // white
  EXPECT_EQ(at(41, 51), 0xFFFFFFFFu);          // last pixel of the 32 x 32 cursor
  EXPECT_EQ(at(9, 20), kBackground);
  EXPECT_EQ(at(42, 51), kBackground);
  EXPECT_EQ(at(41, 52), kBackground);  // the XOR half is not drawn as rows
  EXPECT_EQ(status().cursor_frames, 1u);

  // Hidden, or cursor recording off: the frame is the desktop alone.
  info.cursor.visible = false;
  const std::vector<uint32_t> hidden = compose_and_read(frame.Get(), info, 1);
  EXPECT_EQ(hidden, std::vector<uint32_t>(64 * 64, kBackground));
  EXPECT_EQ(status().cursor_frames, 1u);
}

TEST_F(RecordingSessionVideoTest, CursorRecordingOffDrawsNoPointer) {
  options_.include_cursor = false;
  make_session();
  const ComPtr<ID3D11Texture2D> frame = background_frame();
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  const std::vector<uint8_t> shape = monochrome_pointer();
  CapturedFrameInfo info;
  info.cursor = pointer(kCursorMonochrome, 32, 64, 4, shape, 10, 20);
  EXPECT_EQ(compose_and_read(frame.Get(), info), std::vector<uint32_t>(64 * 64, kBackground));
  EXPECT_EQ(status().cursor_frames, 0u);
}

TEST_F(RecordingSessionVideoTest, AOnePixelHighMonochromeShapeGivesNoCursor) {
  make_session();
  const ComPtr<ID3D11Texture2D> frame = background_frame();
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  const std::vector<uint8_t> shape(4, 0x00);  // AND 0: would be black
  CapturedFrameInfo info;
  info.cursor = pointer(kCursorMonochrome, 8, 1, 4, shape, 0, 0);
  EXPECT_EQ(Peer::update_cursor(*session_, info.cursor), S_FALSE);
  EXPECT_EQ(compose_and_read(frame.Get(), info), std::vector<uint32_t>(64 * 64, kBackground));
  EXPECT_EQ(status().cursor_frames, 0u);
}

TEST_F(RecordingSessionVideoTest, ColourPointersBlendAndAShortShapeKeepsTheOldOne) {
  make_session();
  const ComPtr<ID3D11Texture2D> frame = background_frame();
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  // 4 x 4, pitch 16: an opaque green row, a half-transparent red row, a
  // transparent row and another green row.
  std::vector<uint32_t> pixels(16);
  for (int x = 0; x < 4; ++x) {
    pixels[x] = 0xFF00FF00;
    pixels[4 + x] = 0x80FF0000;
    pixels[8 + x] = 0x00FFFFFF;
    pixels[12 + x] = 0xFF00FF00;
  }
  std::vector<uint8_t> bytes(64);
  std::memcpy(bytes.data(), pixels.data(), 64);
  CapturedFrameInfo info;
  info.cursor = pointer(kCursorColor, 4, 4, 16, bytes, 5, 5);
  std::vector<uint32_t> out = compose_and_read(frame.Get(), info);
  ASSERT_EQ(out.size(), 64u * 64u);
  const auto check = [&](const std::vector<uint32_t>& image) {
    const auto at = [&](int x, int y) { return image[static_cast<size_t>(y) * 64 + x]; };
    EXPECT_EQ(at(5, 5), 0xFF00FF00u);
    EXPECT_EQ(at(8, 8), 0xFF00FF00u);
    EXPECT_EQ(at(6, 7), kBackground);
    // lerp(background, red, 128 / 255)
    EXPECT_NEAR(red(at(6, 6)), 144, 1);
    EXPECT_NEAR(green(at(6, 6)), 32, 1);
    EXPECT_NEAR(blue(at(6, 6)), 48, 1);
    EXPECT_EQ(at(9, 5), kBackground);
  };
  check(out);

  // A red shape whose bytes stop one short of height x pitch is not taken:
  // the green pointer stays.
  const std::vector<uint32_t> red_pixels(16, 0xFFFF0000);
  std::vector<uint8_t> red_bytes(64);
  std::memcpy(red_bytes.data(), red_pixels.data(), 64);
  info.cursor = pointer(kCursorColor, 4, 4, 16, red_bytes, 5, 5, 63);
  out = compose_and_read(frame.Get(), info, 1);
  check(out);
  EXPECT_EQ(status().cursor_frames, 2u);
  test::keep_frame("compose-colour-pointer", 64, 64, out);
}

TEST_F(RecordingSessionVideoTest, APointerShapeIsUploadedOnlyWhenItsBytesChange) {
  make_session();
  const ComPtr<ID3D11Texture2D> frame = background_frame();
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  const std::vector<uint8_t> green(64, 0xFF);
  ASSERT_EQ(Peer::update_cursor(*session_, pointer(kCursorColor, 4, 4, 16, green, 0, 0)), S_OK);
  ID3D11Texture2D* const first = Peer::cursor_texture(*session_);
  ASSERT_NE(first, nullptr);

  // The same shape again, from another buffer with padding that is not part
  // of a row: nothing is rebuilt.
  std::vector<uint8_t> padded(80, 0xFF);
  for (size_t row = 0; row < 4; ++row) padded[row * 20 + 16] = 0x11;
  EXPECT_EQ(Peer::update_cursor(*session_, pointer(kCursorColor, 4, 4, 20, padded, 0, 0)), S_OK);
  EXPECT_EQ(Peer::cursor_texture(*session_), first);

  // One byte of one pixel differs: a new texture.
  std::vector<uint8_t> changed = green;
  changed[38] = 0x7F;
  EXPECT_EQ(Peer::update_cursor(*session_, pointer(kCursorColor, 4, 4, 16, changed, 0, 0)), S_OK);
  ID3D11Texture2D* const second = Peer::cursor_texture(*session_);
  EXPECT_NE(second, first);
  ASSERT_NE(second, nullptr);
  const std::vector<uint32_t> uploaded = test::read_bgra(device_.Get(), context_.Get(), second);
  ASSERT_EQ(uploaded.size(), 16u);
  EXPECT_EQ(uploaded[9], 0xFF7FFFFFu);  // byte 38: the red of pixel 9
  EXPECT_EQ(uploaded[8], 0xFFFFFFFFu);

  // The same pixels as a masked-colour shape: the type is part of the shape.
  EXPECT_EQ(Peer::update_cursor(*session_, pointer(kCursorMaskedColor, 4, 4, 16, changed, 0, 0)), S_OK);
  EXPECT_NE(Peer::cursor_texture(*session_), second);
}

TEST_F(RecordingSessionVideoTest, MaskedColourPointersInvertWhereTheirMaskIsSet) {
  make_session();
  const ComPtr<ID3D11Texture2D> frame = background_frame();
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  // Mask set with white: the screen is inverted. Mask clear: the colour replaces it.
  const uint32_t pixels[] = {0xFFFFFFFF, 0x000000FF};
  std::vector<uint8_t> bytes(8);
  std::memcpy(bytes.data(), pixels, 8);
  CapturedFrameInfo info;
  info.cursor = pointer(kCursorMaskedColor, 2, 1, 8, bytes, 30, 40);
  const std::vector<uint32_t> out = compose_and_read(frame.Get(), info);
  ASSERT_EQ(out.size(), 64u * 64u);
  EXPECT_EQ(out[40 * 64 + 30], kInvertedBackground);
  EXPECT_EQ(out[40 * 64 + 31], 0xFF0000FFu);
  EXPECT_EQ(out[40 * 64 + 32], kBackground);
}

TEST_F(RecordingSessionVideoTest, ToneMapsHdrGreysIntoTheSdrRange) {
  make_session();
  // Grey scRGB values: below the knee, at SDR white, the display's peak.
  const ComPtr<ID3D11Texture2D> frame = test::make_fp16_texture(
      device_.Get(), 4, 1, {0.5f, 0.5f, 0.5f, 1.0f, 1.0f, 1.0f, 12.5f, 12.5f, 12.5f, 0.0f, 0.0f, 0.0f});
  ASSERT_TRUE(frame);
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  EXPECT_TRUE(status().hdr_input);
  EXPECT_EQ(status().input_format, static_cast<uint32_t>(DXGI_FORMAT_R16G16B16A16_FLOAT));

  struct Case {
    float sdr_white;
    size_t pixel;
    double expected;
  };
  const Case cases[] = {
      {80.0f, 0, 0.7354}, {80.0f, 1, 0.9780}, {80.0f, 2, 1.0}, {80.0f, 3, 0.0}, {240.0f, 1, 0.6125},
  };
  int64_t index = 0;
  for (const Case& c : cases) {
    CapturedFrameInfo info;
    info.hdr_input = true;
    info.sdr_white_nits = c.sdr_white;
    info.max_luminance_nits = 1000.0f;
    const std::vector<uint32_t> out = compose_and_read(frame.Get(), info, index++);
    ASSERT_EQ(out.size(), 4u);
    test::keep_frame("compose-hdr-" + std::to_string(static_cast<int>(c.sdr_white)) + "-nits", 4, 1, out);
    const uint32_t pixel = out[c.pixel];
    SCOPED_TRACE(testing::Message() << c.sdr_white << " nits, pixel " << c.pixel);
    EXPECT_NEAR(red(pixel) / 255.0, c.expected, 1.0 / 255.0);
    EXPECT_EQ(red(pixel), green(pixel));
    EXPECT_EQ(red(pixel), blue(pixel));
  }
}

// A recording and a screenshot of the same HDR desktop look the same: the
// composition's tone curve and turn are the snapshot's, pixel for pixel,
// across the curve's floors and shoulder and every rotation.
TEST_F(RecordingSessionVideoTest, ComposedHdrFramesMatchTheSnapshotOfTheSameDesktop) {
  // 3 x 2 scRGB pixels: below the knee, SDR white at 80 nits, the 1000-nit
  // peak at 80 nits, a colour above the knee, a negative channel, the sRGB toe.
  const ComPtr<ID3D11Texture2D> frame = test::make_fp16_texture(
      device_.Get(), 3, 2,
      {0.5f, 0.5f, 0.5f, 1.0f, 1.0f, 1.0f, 12.5f, 12.5f, 12.5f, 6.0f, 2.0f, 0.25f, -1.0f, 0.5f, 0.75f,
       0.0025f, 0.0025f, 0.0025f});
  ASSERT_TRUE(frame);
  struct Light {
    float sdr_white;
    float max_luminance;
  };
  const Light lights[] = {{80.0f, 1000.0f}, {203.0f, 1000.0f}, {60.0f, 120.0f}, {203.0f, 100.0f}, {240.0f, 250.0f}};
  for (const uint32_t rotation : {DXGI_MODE_ROTATION_IDENTITY, DXGI_MODE_ROTATION_ROTATE90,
                                  DXGI_MODE_ROTATION_ROTATE180, DXGI_MODE_ROTATION_ROTATE270}) {
    converter_ = std::make_shared<test::FakeNv12Record>();
    make_session();
    ASSERT_HRESULT_SUCCEEDED(setup(frame.Get(), rotation));
    int64_t index = 0;
    for (const Light& light : lights) {
      SCOPED_TRACE(testing::Message() << "rotation " << rotation << ", " << light.sdr_white << "/"
                                      << light.max_luminance << " nits");
      CapturedFrameInfo info;
      info.rotation = rotation;
      info.hdr_input = true;
      info.sdr_white_nits = light.sdr_white;
      info.max_luminance_nits = light.max_luminance;
      const std::vector<uint32_t> composed = compose_and_read(frame.Get(), info, index++);
      DesktopSnapshot snapshot;
      ASSERT_EQ(convert_snapshot_frame(device_.Get(), context_.Get(), frame.Get(), info, snapshot), S_OK);
      ASSERT_EQ(composed.size(), 6u);
      ASSERT_EQ(snapshot.pixels.size(), 24u);
      std::vector<uint32_t> expected(6);
      std::memcpy(expected.data(), snapshot.pixels.data(), 24);
      EXPECT_EQ(composed, expected);
      EXPECT_EQ(status().cursor_frames, 0u);
    }
    session_.reset();
  }
}

TEST_F(RecordingSessionVideoTest, RotatedOutputsComposeUpright) {
  // The picture as the user sees it: 4 wide, 6 tall, every pixel distinct.
  constexpr uint32_t kWidth = 4;
  constexpr uint32_t kHeight = 6;
  std::vector<uint32_t> upright(kWidth * kHeight);
  for (uint32_t y = 0; y < kHeight; ++y) {
    for (uint32_t x = 0; x < kWidth; ++x)
      upright[y * kWidth + x] = 0xFF000000u | (x * 40 + 10) << 16 | (y * 40 + 10) << 8 | 0x33;
  }
  struct Case {
    uint32_t rotation;
    bool sideways;
  };
  for (const Case c : {Case{DXGI_MODE_ROTATION_IDENTITY, false}, Case{DXGI_MODE_ROTATION_ROTATE90, true},
                       Case{DXGI_MODE_ROTATION_ROTATE180, false}, Case{DXGI_MODE_ROTATION_ROTATE270, true}}) {
    SCOPED_TRACE(c.rotation);
    // The duplication delivers the scan-out image, the picture turned back.
    const uint32_t source_width = c.sideways ? kHeight : kWidth;
    const uint32_t source_height = c.sideways ? kWidth : kHeight;
    std::vector<uint32_t> scanned(kWidth * kHeight);
    for (uint32_t y = 0; y < kHeight; ++y) {
      for (uint32_t x = 0; x < kWidth; ++x) {
        uint32_t sx = x;
        uint32_t sy = y;
        if (c.rotation == DXGI_MODE_ROTATION_ROTATE90) {
          sx = y;
          sy = source_height - 1 - x;
        } else if (c.rotation == DXGI_MODE_ROTATION_ROTATE180) {
          sx = source_width - 1 - x;
          sy = source_height - 1 - y;
        } else if (c.rotation == DXGI_MODE_ROTATION_ROTATE270) {
          sx = source_width - 1 - y;
          sy = x;
        }
        scanned[sy * source_width + sx] = upright[y * kWidth + x];
      }
    }
    converter_ = std::make_shared<test::FakeNv12Record>();
    make_session();
    const ComPtr<ID3D11Texture2D> frame =
        test::make_bgra_texture(device_.Get(), source_width, source_height, scanned);
    ASSERT_HRESULT_SUCCEEDED(setup(frame.Get(), c.rotation));
    EXPECT_EQ(status().input_width, kWidth);
    EXPECT_EQ(status().input_height, kHeight);
    EXPECT_EQ(converter_->settings.input_width, kWidth);
    EXPECT_EQ(converter_->settings.input_height, kHeight);

    // The pointer position is in the upright picture too.
    const std::vector<uint8_t> white(4, 0xFF);
    CapturedFrameInfo info;
    info.rotation = c.rotation;
    info.cursor = pointer(kCursorColor, 1, 1, 4, white, 1, 4);
    ASSERT_HRESULT_SUCCEEDED(Peer::compose(*session_, frame.Get(), info));
    // The camera's rectangle is in upright pixels: the whole 4 x 6 stays.
    ASSERT_HRESULT_SUCCEEDED(Peer::encode(*session_, 0, RECT{0, 0, 4, 6}));
    const test::FakeConversion& conversion = converter_->conversions.back();
    EXPECT_EQ(conversion.source_rect.right, 4);
    EXPECT_EQ(conversion.source_rect.bottom, 6);
    std::vector<uint32_t> expected = upright;
    expected[4 * kWidth + 1] = 0xFFFFFFFF;
    const std::vector<uint32_t> composed =
        test::read_bgra(device_.Get(), context_.Get(), conversion.source_copy.Get());
    EXPECT_EQ(composed, expected);
    test::keep_frame("compose-rotation-" + std::to_string(c.rotation), kWidth, kHeight, composed);

    // A frame whose turn no longer matches the composed shape is refused.
    info.rotation = c.sideways ? DXGI_MODE_ROTATION_IDENTITY : DXGI_MODE_ROTATION_ROTATE90;
    EXPECT_EQ(Peer::compose(*session_, frame.Get(), info), kErrorFrameSizeChanged);
    session_.reset();
  }
}

TEST_F(RecordingSessionVideoTest, WatermarkedFramesAreCroppedScaledAndMarked) {
  options_.width = 320;
  options_.height = 180;
  quorvel::test::TempDir temp;
  const std::wstring mark = (temp / L"mark.png").wstring();
  ASSERT_HRESULT_SUCCEEDED(test::write_png(mark, 40, 10, std::vector<uint32_t>(400, 0xFFFF0000)));
  options_.watermark.enabled = true;
  options_.watermark.mode = RecordingWatermark::kModeImage;
  options_.watermark.image_path = mark;
  options_.watermark.opacity = 1.0f;
  options_.watermark.seed = 0xC0FFEE;  // cycle 0: top right
  make_session();
  // 640 x 360 in four quadrants; the camera looks at the bottom-right one.
  std::vector<uint32_t> pixels(640 * 360);
  for (uint32_t y = 0; y < 360; ++y) {
    for (uint32_t x = 0; x < 640; ++x) {
      pixels[y * 640 + x] =
          x < 320 ? (y < 180 ? 0xFFFF0000 : 0xFF00FF00) : (y < 180 ? 0xFF0000FF : 0xFF808080);
    }
  }
  const ComPtr<ID3D11Texture2D> frame = test::make_bgra_texture(device_.Get(), 640, 360, pixels);
  ASSERT_HRESULT_SUCCEEDED(setup(frame.Get()));
  EXPECT_EQ(status().stage, kStageBeginWriting);
  // The processor reads the renderer's output, already at the output size.
  EXPECT_EQ(converter_->settings.input_width, 320u);
  EXPECT_EQ(converter_->settings.input_height, 180u);

  ASSERT_HRESULT_SUCCEEDED(Peer::compose(*session_, frame.Get(), CapturedFrameInfo{}));
  // Slot 360 at 60 frames/s is 6 s into the first cycle: full opacity, no spin.
  ASSERT_HRESULT_SUCCEEDED(Peer::encode(*session_, 360, RECT{320, 180, 700, 400}));
  ASSERT_EQ(converter_->conversions.size(), 1u);
  const test::FakeConversion& conversion = converter_->conversions[0];
  EXPECT_EQ(conversion.source_rect.left, 0);
  EXPECT_EQ(conversion.source_rect.top, 0);
  EXPECT_EQ(conversion.source_rect.right, 320);
  EXPECT_EQ(conversion.source_rect.bottom, 180);
  ASSERT_EQ(conversion.source_desc.Width, 320u);
  ASSERT_EQ(conversion.source_desc.Height, 180u);
  const std::vector<uint32_t> out =
      test::read_bgra(device_.Get(), context_.Get(), conversion.source_copy.Get());
  ASSERT_EQ(out.size(), 320u * 180u);
  test::keep_frame("compose-watermarked", 320, 180, out);

  const WatermarkGeometry g = watermark_geometry(320, 180, 4.0f, WatermarkCorner::kTopRight);
  size_t marked = 0;
  for (int y = 0; y < 180; ++y) {
    for (int x = 0; x < 320; ++x) {
      const uint32_t pixel = out[static_cast<size_t>(y) * 320 + x];
      const float dx = std::fabs(x + 0.5f - g.center_x);
      const float dy = std::fabs(y + 0.5f - g.center_y);
      if (dx < g.half_width - 3 && dy < g.half_height - 3) {
        ++marked;
        EXPECT_EQ(pixel, 0xFFFF0000u) << x << "," << y;
      } else if (dx > g.half_width + 3 || dy > g.half_height + 3) {
        EXPECT_EQ(pixel, 0xFF808080u) << x << "," << y;  // the clamped viewport, scaled 1:1
      }
    }
  }
  EXPECT_GT(marked, 500u);
}

}  // namespace
}  // namespace quorvel::windows
