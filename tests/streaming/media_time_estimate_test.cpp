#include "streaming/media_time_estimate.h"

#include <gtest/gtest.h>

namespace quorvel::windows {
namespace {

constexpr int64_t kMs = 1'000'000;     // steady nanoseconds
constexpr int64_t kMediaMs = 10'000;  // 100-ns media units
constexpr int64_t kOrigin = 5'000'000 * kMs;

TEST(MediaTimeEstimateTest, KnowsNothingBeforeTheFirstPacket) {
  MediaTimeEstimate estimate;
  EXPECT_EQ(estimate.media_now(kOrigin), -1);
  EXPECT_EQ(estimate.media_edge(), -1);
}

TEST(MediaTimeEstimateTest, RunsWithTheSteadyClockFromThePromptestPacket) {
  MediaTimeEstimate estimate;
  // Media 0 began at kOrigin; packets arrive 30, 10 and 50 ms after their end.
  estimate.observe(kOrigin + 70 * kMs, 40 * kMediaMs);
  estimate.observe(kOrigin + 90 * kMs, 80 * kMediaMs);
  estimate.observe(kOrigin + 170 * kMs, 120 * kMediaMs);
  EXPECT_EQ(estimate.media_edge(), 120 * kMediaMs);
  // The 10 ms packet tells the most: media stands 10 ms behind the truth.
  EXPECT_EQ(estimate.media_now(kOrigin + 200 * kMs), 190 * kMediaMs);
}

TEST(MediaTimeEstimateTest, NeverGoesBackBeforeMediaAlreadyOffered) {
  MediaTimeEstimate estimate;
  estimate.observe(kOrigin, 0);
  // A packet stamped ahead of the steady clock (an encoder's look-ahead).
  estimate.observe(kOrigin + 10 * kMs, 500 * kMediaMs);
  EXPECT_EQ(estimate.media_now(kOrigin + 10 * kMs), 500 * kMediaMs);
}

TEST(MediaTimeEstimateTest, APauseStopsCountingOnceThePacketsResume) {
  MediaTimeEstimate estimate;
  for (int64_t ms = 20; ms <= 1000; ms += 20) estimate.observe(kOrigin + ms * kMs, ms * kMediaMs);
  // Paused for 60 s: media time stands still at 1000 ms meanwhile.
  const int64_t resumed = kOrigin + 61'000 * kMs;
  estimate.observe(resumed + 20 * kMs, 1020 * kMediaMs);
  EXPECT_EQ(estimate.media_now(resumed + 30 * kMs), 1030 * kMediaMs);
}

TEST(MediaTimeEstimateTest, OnlyTheLastSecondOfPacketsCounts) {
  MediaTimeEstimate estimate;
  // One prompt packet, then packets 50 ms late.
  estimate.observe(kOrigin + 20 * kMs, 20 * kMediaMs);
  for (int64_t ms = 40; ms <= 970; ms += 10) {
    estimate.observe(kOrigin + (ms + 50) * kMs, ms * kMediaMs);
  }
  // The newest packet came exactly 1 s after the prompt one: it still counts ...
  EXPECT_EQ(estimate.media_now(kOrigin + 1020 * kMs), 1020 * kMediaMs);
  // ... and no longer once a packet comes 1 ns later.
  estimate.observe(kOrigin + 1020 * kMs + 1, 970 * kMediaMs);
  EXPECT_EQ(estimate.media_now(kOrigin + 1021 * kMs), 971 * kMediaMs);
}

TEST(MediaTimeEstimateTest, HoldsASecondAfterTheLastPacket) {
  MediaTimeEstimate estimate;
  estimate.observe(kOrigin + 100 * kMs, 100 * kMediaMs);
  EXPECT_EQ(estimate.media_now(kOrigin + 1100 * kMs), 1100 * kMediaMs);
  // Encoders silent for longer: the recording is paused, media stands still.
  EXPECT_EQ(estimate.media_now(kOrigin + 30'000 * kMs), 1100 * kMediaMs);
}

TEST(MediaTimeEstimateTest, ResetForgetsEverything) {
  MediaTimeEstimate estimate;
  estimate.observe(kOrigin, 100 * kMediaMs);
  estimate.reset();
  EXPECT_EQ(estimate.media_now(kOrigin), -1);
  EXPECT_EQ(estimate.media_edge(), -1);
}

}  // namespace
}  // namespace quorvel::windows
