// The live stream's privacy switches made through the App land at the
// sessions' own media time: the sound captured while the microphone button
// was down goes out as the cover sound, also when it leaves the encoders
// only after the switch was released; the picture comes back with the first
// key frame captured after the uncover.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/control/recording_control_texts.h"
#include "tests/app/recording/app_recording_fixture.h"

namespace quorvel::windows {
namespace {

class AppLivePrivacyTest : public AppAudioRecordingTest {
 protected:
  // Frames for the next `seconds` of the counter, 30 a second.
  void push_frames(int seconds) {
    for (int i = 0; i < 30 * seconds; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  }
};

struct SentAudio {
  uint32_t timestamp_ms = 0;
  bool cover = false;
};

// The AAC frames the server got (not the sequence header); the cover sound
// is encoded silence, the microphone's sound never is.
std::vector<SentAudio> sent_audio(const std::vector<test::FakeSentMessage>& sent) {
  std::vector<SentAudio> audio;
  for (const test::FakeSentMessage& message : sent) {
    if (message.type != 8 || message.body.size() <= 2 || message.body[1] != 1) continue;
    const bool silent =
        std::all_of(message.body.begin() + 2, message.body.end(), [](uint8_t b) { return b == 0; });
    audio.push_back({message.timestamp, silent});
  }
  return audio;
}

TEST_F(AppLivePrivacyTest, SoundCapturedWhileMutedGoesOutAsTheCoverAtItsMediaTime) {
  App& app = start_with_microphone(false);
  go_live(*this, app, OutputMode::kLiveOnly, 1);
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  ASSERT_TRUE(wait_microphone_running());
  ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) { return s.connections == 1; }))
      << AppTestAccess::streamer_state(app);

  // A still screen sends its first frame a second after the start: the
  // sessions' media time 0 is there, not at the start.
  const int64_t second = counter_frequency();
  const int64_t origin = kCounterStart + second;
  mix_until(origin);
  advance(second);

  // Media second 0: picture and sound, all sent.
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  deliver_microphone(origin, 100, 0.25f);
  mix_until(origin + second);
  for (int i = 1; i < 30; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) {
    return s.audio_packets_sent >= 100 && s.video_packets_sent > 0 && s.pending_bytes == 0;
  })) << AppTestAccess::streamer_state(app) << " audio "
         << AppTestAccess::streamer_status(app).audio_packets_sent << " video "
         << AppTestAccess::streamer_status(app).video_packets_sent;

  // A live session cannot pause, so nothing below is shifted by a pause.
  app.run_control_command(kControlPauseResume);
  ASSERT_FALSE(AppTestAccess::paused(app));

  // Media second 1 muted. Its sound is still on its way (in the mixer and
  // the encoders) when the microphone comes back.
  app.run_control_command(kControlLiveMute);
  ASSERT_TRUE(AppTestAccess::streamer_status(app).mute_audio);
  advance(second);
  app.run_control_command(kControlLiveMute);
  ASSERT_FALSE(AppTestAccess::streamer_status(app).mute_audio);

  // Media seconds 1 and 2 reach the stream only now.
  deliver_microphone(origin + second, 200, 0.25f);
  mix_until(origin + 3 * second);
  push_frames(1);
  app.stop_recording(false);

  // Per media second: how many audio frames went out, and how many of them
  // as the cover.
  int sent[3] = {};
  int covered[3] = {};
  for (const SentAudio& a : sent_audio(server_.sent())) {
    const size_t second_of = std::min<size_t>(a.timestamp_ms / 1000, 2);
    ++sent[second_of];
    if (a.cover) ++covered[second_of];
  }
  EXPECT_EQ(sent[0], 100);
  EXPECT_EQ(covered[0], 0);
  EXPECT_EQ(sent[1], 100);
  EXPECT_EQ(covered[1], 100) << "sound captured while muted went out";
  EXPECT_EQ(sent[2], 100);
  EXPECT_EQ(covered[2], 0) << "sound captured after the mute went out as the cover";
}

TEST_F(AppLivePrivacyTest, ThePictureComesBackWithTheFirstKeyFrameCapturedAfterTheUncover) {
  h264_shaped_encoders_ = true;
  App& app = start_app();
  go_live(*this, app, OutputMode::kLiveOnly, 1);
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) { return s.connections == 1; }))
      << AppTestAccess::streamer_state(app);

  // The first frame a second after the start is media time 0.
  const int64_t second = counter_frequency();
  advance(second);
  push_frames(1);
  ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) {
    return s.video_packets_sent > 0 && s.pending_bytes == 0;
  })) << AppTestAccess::streamer_state(app);

  // Covered for media second 1; the screen showed nothing new meanwhile.
  app.run_control_command(kControlLiveCover);
  ASSERT_TRUE(AppTestAccess::streamer_status(app).cover_video);
  advance(second);
  app.run_control_command(kControlLiveCover);
  ASSERT_FALSE(AppTestAccess::streamer_status(app).cover_video);
  push_frames(2);
  app.stop_recording(false);

  // The cover is a key frame; the screen's own picture shows in its
  // inter frames (every frame but each fourth).
  int inter_before = 0;
  int first_inter_after = -1;
  for (const test::FakeSentMessage& message : server_.sent()) {
    if (message.type != 9 || message.body.size() < 2 || message.body[1] != 1) continue;
    if ((message.body[0] >> 4) != 2) continue;
    if (message.timestamp < 1000) {
      ++inter_before;
    } else if (first_inter_after < 0) {
      first_inter_after = static_cast<int>(message.timestamp);
    }
  }
  EXPECT_GT(inter_before, 0);
  // The first key frame captured after media time 2 s ends the cover; the
  // frame after it is the first inter frame: within five frames of 2 s.
  EXPECT_GT(first_inter_after, 2000);
  EXPECT_LT(first_inter_after, 2000 + 5 * 1000 / 30);
}

}  // namespace
}  // namespace quorvel::windows
