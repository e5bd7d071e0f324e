// Pauses on the session's time base: the paused spans add up over every
// pause, and frames, sound and the control bar's clock all leave them out,
// so the file plays on without a gap where the recording was paused.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/control/recording_control_view.h"
#include "tests/app/recording/app_recording_fixture.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

constexpr LONGLONG kTicksPerSecond = 10'000'000;

std::wstring window_text(HWND window) {
  wchar_t buffer[256]{};
  GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

// The samples of `stream` that the recording's file writer received.
std::vector<test::FakeFileSample> file_samples(const test::FakeFileWriterFactory& files,
                                               DWORD stream) {
  std::vector<test::FakeFileSample> samples;
  const std::vector<ComPtr<test::FakeFileSinkWriter>> made = files.made();
  if (made.empty()) return samples;
  for (const test::FakeFileSample& sample : made.front()->samples()) {
    if (sample.stream == stream) samples.push_back(sample);
  }
  return samples;
}

// The loudest of a PCM sample's float values.
float peak_level(const test::FakeFileSample& sample) {
  float peak = 0.0f;
  for (size_t at = 0; at + sizeof(float) <= sample.bytes.size(); at += sizeof(float)) {
    float value = 0.0f;
    std::memcpy(&value, sample.bytes.data() + at, sizeof(float));
    peak = std::max(peak, std::fabs(value));
  }
  return peak;
}

TEST_F(AppRecordingTest, TwoPausesAreBothLeftOutOfTheClockAndTheNextFrame) {
  const int64_t second = counter_frequency();
  App& app = start_app();
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  // Frames flow at 30 frame/s while recording: 2 s, a 3 s pause, 1 s, a 7 s
  // pause. The first frame is the session's time 0.
  for (int frame = 0; frame < 60; ++frame) ASSERT_HRESULT_SUCCEEDED(push_frame());
  app.pause_recording();
  advance(3 * second);
  app.resume_recording();
  for (int frame = 0; frame < 30; ++frame) ASSERT_HRESULT_SUCCEEDED(push_frame());
  app.pause_recording();
  ASSERT_TRUE(AppTestAccess::paused(app));
  advance(7 * second);
  app.resume_recording();
  EXPECT_EQ(AppTestAccess::paused_total(app), 10 * second);
  // 13 s since the start (the frames' 1/30 s steps are rounded down).
  advance(kCounterStart + 13 * second - counter_->load());

  app.update_control_status(false);
  const HWND bar = AppTestAccess::control_window(app);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 00:00:03");
  ASSERT_NE(AppTestAccess::control_view(app), nullptr);
  EXPECT_EQ(AppTestAccess::control_view(app)->status_text()->text(),
            L"Quorvel — Recording 00:00:03");

  ASSERT_HRESULT_SUCCEEDED(push_frame());
  app.stop_recording(false);
  // Every frame in its own slot of 1/30 s, the pauses leaving no gap: the
  // frame after the second pause is the 91st, at 3 s.
  const std::vector<test::FakeFileSample> video = file_samples(files_, 0);
  ASSERT_GE(video.size(), 91u);
  for (size_t i = 0; i <= 90; ++i) {
    EXPECT_EQ(video[i].time, static_cast<LONGLONG>(i) * kTicksPerSecond / 30) << "frame " << i;
  }
  EXPECT_EQ(video[90].time, 3 * kTicksPerSecond);
}

TEST_F(AppAudioRecordingTest, SoundAfterAPauseFollowsOnWithoutTheGapAndEndsWithTheVideo) {
  const int64_t block = block_ticks();
  App& app = start_with_microphone(false);
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  ASSERT_TRUE(wait_microphone_running());
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  deliver_microphone(kCounterStart, 10, 0.25f);
  mix_until(kCounterStart + 10 * block);

  // Two seconds paused while the microphone goes on delivering.
  advance(kCounterStart + 10 * block - counter_->load());
  app.pause_recording();
  ASSERT_TRUE(AppTestAccess::paused(app));
  deliver_microphone(kCounterStart + 10 * block, 200, 0.25f);
  mix_until(kCounterStart + 210 * block);
  advance(200 * block);
  app.resume_recording();
  deliver_microphone(kCounterStart + 210 * block, 10, 0.25f);
  mix_until(kCounterStart + 220 * block);
  advance(10 * block);
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  app.stop_recording(false);

  // The mixed track: back to back from 0, the 20 blocks of sound (10 before
  // the pause, 10 after it) one after the other without the paused two
  // seconds between them, and the track ends where the video ends. (What
  // follows the sound depends on when the mixer takes the last block.)
  const std::vector<test::FakeFileSample> video = file_samples(files_, 0);
  const std::vector<test::FakeFileSample> mixed = file_samples(files_, 1);
  ASSERT_FALSE(video.empty());
  ASSERT_GE(mixed.size(), 20u);
  LONGLONG end = 0;
  for (size_t i = 0; i < mixed.size(); ++i) {
    EXPECT_EQ(mixed[i].time, end) << "mixed sample " << i;
    end = mixed[i].time + mixed[i].duration;
    if (i < 20) EXPECT_GT(peak_level(mixed[i]), 0.2f) << "mixed sample " << i;
  }
  EXPECT_EQ(end, video.back().time + video.back().duration);
}

}  // namespace
}  // namespace quorvel::windows
