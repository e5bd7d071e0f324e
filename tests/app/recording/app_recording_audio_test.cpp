// The recording's sound on its way into the sessions: microphone blocks
// through the App's capture callback into the mixer, mixed and per-source
// blocks into the file session, paused sound left out, and the packet sinks
// that hand the sessions' packets to the live stream.
#include <mfapi.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/app/recording/app_recording_fixture.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

struct MuteCase {
  const char* name;
  bool muted;
};

class AppMicrophoneTest : public AppAudioRecordingTest,
                          public testing::WithParamInterface<MuteCase> {};

TEST_P(AppMicrophoneTest, AMutedMicrophoneStillPacesTheMixButOnlyAsSilence) {
  App& app = start_with_microphone(GetParam().muted, /*own_track=*/true);
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  ASSERT_TRUE(wait_microphone_running());
  // The first frame is the sessions' media time 0.
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  deliver_microphone(kCounterStart, 10, 0.25f);
  mix_until(kCounterStart + 10 * block_ticks());

  // The mixer got every microphone block, muted or not.
  EXPECT_EQ(AppTestAccess::mixer_stats(app).pushed_chunks[1], 10u);
  const RecordingSessionStatus status = AppTestAccess::file_session(app).status();
  EXPECT_EQ(status.mixed_blocks, 10u);
  EXPECT_EQ(status.mixed_silent_blocks, GetParam().muted ? 10u : 0u);
  // The microphone's own track gets its blocks too.
  EXPECT_EQ(status.microphone_track_blocks, 10u);
  app.stop_recording(false);
  EXPECT_FALSE(app.busy());
}

INSTANTIATE_TEST_SUITE_P(Cases, AppMicrophoneTest,
                         testing::Values(MuteCase{"Muted", true}, MuteCase{"Live", false}),
                         [](const testing::TestParamInfo<MuteCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(AppAudioRecordingTest, SoundMixedWhilePausedIsLeftOutOfTheSession) {
  App& app = start_with_microphone(false, /*own_track=*/true);
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  ASSERT_TRUE(wait_microphone_running());
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  deliver_microphone(kCounterStart, 5, 0.25f);
  mix_until(kCounterStart + 5 * block_ticks());
  ASSERT_EQ(AppTestAccess::file_session(app).status().mixed_blocks, 5u);

  app.pause_recording();
  ASSERT_TRUE(AppTestAccess::paused(app));
  deliver_microphone(kCounterStart + 5 * block_ticks(), 5, 0.25f);
  mix_until(kCounterStart + 10 * block_ticks());
  const RecordingSessionStatus paused = AppTestAccess::file_session(app).status();
  EXPECT_EQ(paused.mixed_blocks, 5u);
  EXPECT_EQ(paused.microphone_track_blocks, 5u);
  EXPECT_EQ(AppTestAccess::mixer_stats(app).pushed_chunks[1], 10u);
  app.stop_recording(false);
}

// An encoded packet of `kind` on stream `index`.
std::shared_ptr<EncodedPacket> packet_of(bool audio, DWORD index) {
  ComPtr<IMFMediaType> type;
  EXPECT_HRESULT_SUCCEEDED(MFCreateMediaType(&type));
  EXPECT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_MAJOR_TYPE, audio ? MFMediaType_Audio : MFMediaType_Video));
  EXPECT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_SUBTYPE, audio ? MFAudioFormat_AAC : MFVideoFormat_H264));
  auto packet = std::make_shared<EncodedPacket>();
  EXPECT_HRESULT_SUCCEEDED(EncodedStreamFormat::create(type.Get(), packet->format));
  packet->data = {1, 2, 3};
  packet->stream_index = index;
  return packet;
}

TEST_F(AppRecordingTest, PacketSinksRefuseEveryPacketOfAFailedStreamButTheSourceTracks) {
  App& app = start_app();
  go_live(*this, app, OutputMode::kLiveOnly, 1);
  server_.always_fail_connect(test::FakeFailure{4});
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) {
    return s.state == static_cast<uint32_t>(LiveStreamState::Failed);
  }));

  struct Case {
    const char* name;
    bool live_session_sink;
    bool audio;
    DWORD index;
    HRESULT expected;
  };
  const Case cases[] = {
      {"shared encoder, video", false, false, 0, E_FAIL},
      {"shared encoder, mixed audio", false, true, 1, E_FAIL},
      // A source's own track never goes live; the stream is not even asked.
      {"shared encoder, system track", false, true, 2, S_OK},
      {"shared encoder, microphone track", false, true, 3, S_OK},
      {"live encoder, video", true, false, 0, E_FAIL},
      // The live encoder has no source tracks to filter.
      {"live encoder, audio", true, true, 2, E_FAIL},
  };
  const RecordingOptions shared = app.recording_options();
  const RecordingOptions live = app.live_recording_options();
  ASSERT_TRUE(shared.packet_callback);
  ASSERT_TRUE(live.packet_callback);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RecordingOptions& options = c.live_session_sink ? live : shared;
    EXPECT_EQ(options.packet_callback(packet_of(c.audio, c.index)), c.expected);
  }
  EXPECT_TRUE(server_.sent().empty());
  app.stop_recording(false);
}

}  // namespace
}  // namespace quorvel::windows
