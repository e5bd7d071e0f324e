// The privacy cover clip: made through a recording session over the fake
// converter and identity encoders (which keep the clip's timing and bytes),
// and through the platform as it is, which under Wine stops at the encoder
// set-up.
#include "engine/privacy_media_encoder.h"

#include <mfapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "engine/com_apartment.h"
#include "engine/engine_errors.h"
#include "tests/fakes/engine/fake_device_factory.h"
#include "tests/fakes/engine/fake_encoder_sink_writer.h"
#include "tests/fakes/engine/fake_key_frame_encoder.h"
#include "tests/fakes/engine/fake_nv12_converter.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

// CODECAPI_AVEncMPVGOPSize, which not every SDK's headers carry.
constexpr GUID kGopSize = {0x95f31b26, 0x95a4, 0x41aa, {0x93, 0x03, 0x24, 0x6a, 0x7f, 0xc6, 0xee, 0xf1}};

class PrivacyMediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    com_.emplace();
    ASSERT_HRESULT_SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_FULL));
    options_.width = 1280;
    options_.height = 720;
    options_.frame_rate = 30;
    options_.video_bitrate = 3'000'000;
    options_.audio_sample_rate = 48000;
    options_.audio_channels = 2;
    options_.output_path = L"ignored.mp4";  // the clip never writes a file
    options_.system_audio_file = true;       // nor separate tracks
  }
  void TearDown() override {
    MFShutdown();
    com_.reset();
  }

  // The fake encoder makes every fourth frame a key frame, so the clip (slots
  // 0 to 6) has a later key frame and ends on a frame that is none.
  RecordingSessionPlatform fake_platform() {
    RecordingSessionPlatform platform;
    platform.writers.sink_writers.create_encoding_writer =
        test::FakeKeyFrameEncoder::wrap(test::FakeEncoderSinkWriter::factory(encoder_), 4);
    platform.nv12_converters = test::FakeNv12Converter::factory(converter_);
    return platform;
  }

  // A media record that is not empty, to see that a call resets it.
  static PrivacyMedia stale_media() {
    PrivacyMedia media;
    media.video_key_frame = std::make_shared<EncodedPacket>();
    media.audio_packet = std::make_shared<EncodedPacket>();
    return media;
  }

  std::optional<ComApartment> com_;
  RecordingOptions options_;
  std::shared_ptr<test::FakeEncoderRecord> encoder_ = std::make_shared<test::FakeEncoderRecord>();
  std::shared_ptr<test::FakeNv12Record> converter_ = std::make_shared<test::FakeNv12Record>();
};

TEST_F(PrivacyMediaTest, KeepsTheFirstKeyFrameAndTheLastAudioPacket) {
  PrivacyMedia media = stale_media();
  ASSERT_EQ(create_privacy_media(options_, media, fake_platform()), S_OK);
  ASSERT_TRUE(media.video_key_frame);
  ASSERT_TRUE(media.audio_packet);

  const EncodedPacket& video = *media.video_key_frame;
  EXPECT_EQ(video.format->kind, EncodedStreamFormat::kH264Video);
  EXPECT_TRUE(video.keyframe);
  EXPECT_EQ(video.sample_time, 0);  // the first key frame, not the one of slot 4
  EXPECT_EQ(video.stream_index, 0u);
  ComPtr<IMFMediaType> video_type;
  ASSERT_HRESULT_SUCCEEDED(video.format->copy_media_type(&video_type));
  UINT32 width = 0, height = 0, numerator = 0, denominator = 0;
  ASSERT_HRESULT_SUCCEEDED(MFGetAttributeSize(video_type.Get(), MF_MT_FRAME_SIZE, &width, &height));
  ASSERT_HRESULT_SUCCEEDED(MFGetAttributeRatio(video_type.Get(), MF_MT_FRAME_RATE, &numerator, &denominator));
  EXPECT_EQ(width, 1280u);
  EXPECT_EQ(height, 720u);
  EXPECT_EQ(numerator, 30u);
  EXPECT_EQ(denominator, 1u);

  // Twenty 10 ms blocks of silence: the last starts at 190 ms.
  const EncodedPacket& audio = *media.audio_packet;
  EXPECT_EQ(audio.format->kind, EncodedStreamFormat::kAacAudio);
  EXPECT_EQ(audio.stream_index, 1u);
  EXPECT_EQ(audio.sample_time, 1'900'000);
  EXPECT_EQ(audio.duration, 100'000);
  ASSERT_EQ(audio.data.size(), 480u * 2 * sizeof(float));
  EXPECT_TRUE(std::all_of(audio.data.begin(), audio.data.end(), [](uint8_t byte) { return byte == 0; }));
  ComPtr<IMFMediaType> audio_type;
  ASSERT_HRESULT_SUCCEEDED(audio.format->copy_media_type(&audio_type));
  EXPECT_EQ(MFGetAttributeUINT32(audio_type.Get(), MF_MT_AUDIO_SAMPLES_PER_SECOND, 0), 48000u);
  EXPECT_EQ(MFGetAttributeUINT32(audio_type.Get(), MF_MT_AUDIO_NUM_CHANNELS, 0), 2u);

  // Encoded like the live stream: constant bit rate, two-second key-frame
  // interval, and nothing but video and the mixed track.
  ASSERT_EQ(encoder_->output_types.size(), 2u);
  ASSERT_TRUE(encoder_->parameters[0]);
  EXPECT_EQ(MFGetAttributeUINT32(encoder_->parameters[0].Get(), kGopSize, 0), 60u);
  // The black cover, 64 x 64, went to the converter whole, up to the end at
  // 200 ms (slot 6).
  ASSERT_EQ(converter_->conversions.size(), 7u);
  EXPECT_EQ(converter_->conversions[0].source_rect.right, 64);
  EXPECT_EQ(converter_->conversions[0].source_rect.bottom, 64);
}

TEST_F(PrivacyMediaTest, BlocksLastTheWholeHundredthsOfASecond) {
  options_.audio_sample_rate = 44110;  // 441.1 frames per 10 ms
  PrivacyMedia media;
  ASSERT_EQ(create_privacy_media(options_, media, fake_platform()), S_OK);
  ASSERT_TRUE(media.audio_packet);
  EXPECT_EQ(media.audio_packet->data.size(), 441u * 2 * sizeof(float));
  EXPECT_EQ(media.audio_packet->duration, 441LL * 10'000'000 / 44110);
}

TEST_F(PrivacyMediaTest, OptionsTheSessionRefusesGiveEFailAndNoMedia) {
  struct Case {
    uint32_t width;
    uint32_t height;
  };
  for (const Case c : {Case{0, 720}, Case{1281, 720}, Case{1280, 0}}) {
    SCOPED_TRACE(c.width);
    options_.width = c.width;
    options_.height = c.height;
    PrivacyMedia media = stale_media();
    EXPECT_EQ(create_privacy_media(options_, media, fake_platform()), E_FAIL);
    EXPECT_FALSE(media.video_key_frame);
    EXPECT_FALSE(media.audio_packet);
  }
}

TEST_F(PrivacyMediaTest, AFailingSetUpIsReturnedAsItIs) {
  converter_->open_result = kErrorUnsupportedD3DType;
  PrivacyMedia media = stale_media();
  EXPECT_EQ(create_privacy_media(options_, media, fake_platform()), kErrorUnsupportedD3DType);
  EXPECT_FALSE(media.video_key_frame);
  EXPECT_FALSE(media.audio_packet);
}

// An adapter without a video engine refuses a device with video support:
// the clip is made on a device without it, so what needs no video works and
// the platform's video processor fails with its own error as before.
TEST_F(PrivacyMediaTest, AnAdapterRefusingVideoSupportGetsADeviceWithoutIt) {
  constexpr UINT kBgra = D3D11_CREATE_DEVICE_BGRA_SUPPORT;
  test::FakeDeviceFactory devices;
  devices.refuse_video_support(DXGI_ERROR_UNSUPPORTED);
  PrivacyMedia media = stale_media();
  ASSERT_EQ(create_privacy_media(options_, media, fake_platform(), devices.function()), S_OK);
  EXPECT_TRUE(media.video_key_frame);
  EXPECT_TRUE(media.audio_packet);
  EXPECT_EQ(devices.requested_flags(),
            (std::vector<UINT>{kBgra | D3D11_CREATE_DEVICE_VIDEO_SUPPORT, kBgra}));
  EXPECT_EQ(devices.granted_flags(), kBgra);

  // Wine's devices have no video interface either way, so there the
  // platform's own converter stops where it always did.
  if (!quorvel::test::running_under_wine()) return;
  EXPECT_EQ(create_privacy_media(options_, media, {}, devices.function()), E_NOINTERFACE);
  EXPECT_FALSE(media.video_key_frame);
  EXPECT_FALSE(media.audio_packet);
}

TEST_F(PrivacyMediaTest, NoDeviceAtAllIsTheLastRefusal) {
  test::FakeDeviceFactory devices;
  devices.refuse_video_support(DXGI_ERROR_UNSUPPORTED);
  devices.refuse_every_device(E_OUTOFMEMORY);
  PrivacyMedia media = stale_media();
  EXPECT_EQ(create_privacy_media(options_, media, fake_platform(), devices.function()), E_OUTOFMEMORY);
  EXPECT_EQ(devices.requested_flags().size(), 2u);
  EXPECT_TRUE(converter_->conversions.empty());
  EXPECT_FALSE(media.video_key_frame);
  EXPECT_FALSE(media.audio_packet);
}

TEST_F(PrivacyMediaTest, ThePlatformWithoutAVideoDeviceGivesItsSetUpFailure) {
  PrivacyMedia media = stale_media();
  const HRESULT hr = create_privacy_media(options_, media);
  if (hr == S_OK) GTEST_SKIP() << "this platform has a video processor and encoders";
  // Wine's Direct3D device has no video interface: the set-up stops there.
  EXPECT_EQ(hr, E_NOINTERFACE);
  EXPECT_FALSE(media.video_key_frame);
  EXPECT_FALSE(media.audio_packet);
}

}  // namespace
}  // namespace quorvel::windows
