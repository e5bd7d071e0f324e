#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "ui/views/animation_clock.h"

namespace win32_ui::ui::animation {
namespace {

using namespace std::chrono_literals;
using TimePoint = AnimationClock::TimePoint;

// A fixed origin; every time in these tests is an offset from it.
const TimePoint kT0 = TimePoint(1000s);

AnimationSpec spec_of(std::chrono::nanoseconds duration, std::chrono::nanoseconds delay = 0ns,
                      int32_t easing = kEasingLinear, bool run_when_disabled = false) {
  AnimationSpec spec;
  spec.duration = duration.count();
  spec.delay = delay.count();
  spec.easing = easing;
  spec.run_when_disabled = run_when_disabled;
  return spec;
}

// Records every callback of one animation, in order, as text.
struct Recorder {
  std::vector<std::string> calls;
  std::vector<float> values;

  AnimationClock::ProgressCallback progress() {
    return [this](float v) {
      values.push_back(v);
      calls.push_back("progress " + std::to_string(v));
    };
  }
  AnimationClock::DoneCallback done() {
    return [this](CompletionStatus s) {
      calls.push_back(s == CompletionStatus::kFinished ? "finished" : "cancelled");
    };
  }
  int done_count() const {
    int n = 0;
    for (const auto& c : calls) n += (c == "finished" || c == "cancelled") ? 1 : 0;
    return n;
  }
};

TEST(AnimationSpecTest, DefaultsToTwoHundredMillisecondsSmoothStep) {
  const AnimationSpec spec;
  EXPECT_EQ(spec.duration, 200'000'000);
  EXPECT_EQ(spec.delay, 0);
  EXPECT_EQ(spec.easing, 3);
  EXPECT_FALSE(spec.run_when_disabled);
  EXPECT_EQ(static_cast<int>(CompletionStatus::kFinished), 0);
  EXPECT_EQ(static_cast<int>(CompletionStatus::kCancelled), 1);
}

TEST(EaseTest, AppliesTheEasingCode) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    int32_t easing;
    float t;
    float expected;
  } cases[] = {
      {1, 0.5f, 0.25f},  {2, 0.5f, 0.75f},  {3, 0.5f, 0.5f},   {0, 0.5f, 0.5f},
      {3, 0.25f, 0.15625f}, {2, 0.25f, 0.4375f}, {1, 0.25f, 0.0625f}, {0, 0.3f, 0.3f},
      {7, 0.3f, 0.3f},   {-1, 0.3f, 0.3f},  {1, 1.0f, 1.0f},   {2, 0.0f, 0.0f},
      {3, 1.7f, 1.0f},   {1, -0.5f, 0.0f},  {2, nan, 0.0f},
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(ease(c.easing, c.t), c.expected) << "easing " << c.easing << " t " << c.t;
  }
}

TEST(AnimationClockTest, ZeroDurationCompletesAtOnce) {
  AnimationClock clock;
  int frames = 0;
  clock.set_request_frame([&] { ++frames; });
  Recorder r;
  EXPECT_EQ(clock.start(nullptr, 0, spec_of(0ns), r.progress(), r.done(), kT0), 0u);
  EXPECT_EQ(r.calls, (std::vector<std::string>{"progress 1.000000", "finished"}));
  EXPECT_FALSE(clock.is_running());
  EXPECT_EQ(frames, 0);

  // Negative values count as 0.
  Recorder negative;
  EXPECT_EQ(clock.start(nullptr, 0, spec_of(-5ms, -1ms), negative.progress(), negative.done(), kT0),
            0u);
  EXPECT_EQ(negative.calls, (std::vector<std::string>{"progress 1.000000", "finished"}));
}

TEST(AnimationClockTest, RunsToCompletionWithTheCallersTimes) {
  AnimationClock clock;
  int frames = 0;
  clock.set_request_frame([&] { ++frames; });
  Recorder r;
  const uint64_t id = clock.start(nullptr, 0, spec_of(100ms, 0ns, kEasingQuadIn), r.progress(),
                                  r.done(), kT0);
  EXPECT_NE(id, 0u);
  EXPECT_TRUE(clock.is_running());
  EXPECT_EQ(frames, 1);
  EXPECT_TRUE(r.calls.empty());

  EXPECT_TRUE(clock.tick(kT0 + 50ms));
  ASSERT_EQ(r.values.size(), 1u);
  EXPECT_FLOAT_EQ(r.values[0], 0.25f);
  EXPECT_EQ(frames, 2);

  EXPECT_FALSE(clock.tick(kT0 + 130ms));
  EXPECT_EQ(r.calls.back(), "finished");
  EXPECT_FLOAT_EQ(r.values.back(), 1.0f);
  EXPECT_FALSE(clock.is_running());
  EXPECT_EQ(frames, 2);
  EXPECT_FALSE(clock.cancel(id));
  EXPECT_FALSE(clock.tick(kT0 + 200ms));
  EXPECT_EQ(r.done_count(), 1);
}

TEST(AnimationClockTest, TickBeforeTheStartTimeCountsAsNoTimeElapsed) {
  AnimationClock clock;
  Recorder r;
  clock.start(nullptr, 0, spec_of(100ms), r.progress(), r.done(), kT0);
  EXPECT_TRUE(clock.tick(kT0 - 1s));
  ASSERT_EQ(r.values.size(), 1u);
  EXPECT_EQ(r.values[0], 0.0f);
}

TEST(AnimationClockTest, DurationsAtTheInt64LimitRunPracticallyForever) {
  constexpr int64_t kForever = std::numeric_limits<int64_t>::max();
  AnimationClock clock;

  Recorder long_run;
  AnimationSpec spec = spec_of(0ns);
  spec.duration = kForever;
  EXPECT_NE(clock.start(nullptr, 0, spec, long_run.progress(), long_run.done(), kT0), 0u);
  EXPECT_TRUE(clock.tick(kT0 + 3600s));
  ASSERT_EQ(long_run.values.size(), 1u);
  EXPECT_LT(long_run.values[0], 1e-6f);
  EXPECT_EQ(long_run.done_count(), 0);

  Recorder held;
  AnimationSpec delayed = spec_of(100ms);
  delayed.delay = kForever;
  EXPECT_NE(clock.start(nullptr, 0, delayed, held.progress(), held.done(), kT0), 0u);
  EXPECT_TRUE(clock.tick(kT0 + 3600s));
  EXPECT_TRUE(held.calls.empty());
}

TEST(AnimationClockTest, EasesProgressThroughTheClock) {
  for (const auto& [easing, expected] :
       std::vector<std::pair<int32_t, float>>{{1, 0.25f}, {2, 0.75f}, {3, 0.5f}, {0, 0.5f}}) {
    AnimationClock clock;
    Recorder r;
    clock.start(nullptr, 0, spec_of(200ms, 0ns, easing), r.progress(), r.done(), kT0);
    clock.tick(kT0 + 100ms);
    ASSERT_EQ(r.values.size(), 1u);
    EXPECT_FLOAT_EQ(r.values[0], expected) << "easing " << easing;
  }
}

TEST(AnimationClockTest, DelayHoldsTheValueUntilItHasPassed) {
  AnimationClock clock;
  Recorder r;
  clock.start(nullptr, 0, spec_of(100ms, 50ms), r.progress(), r.done(), kT0);
  EXPECT_TRUE(clock.tick(kT0 + 49ms));
  EXPECT_TRUE(r.values.empty());
  EXPECT_TRUE(clock.tick(kT0 + 50ms));
  ASSERT_EQ(r.values.size(), 1u);
  EXPECT_GE(r.values[0], 0.0f);
  EXPECT_FLOAT_EQ(r.values[0], 0.0f);
  EXPECT_TRUE(clock.tick(kT0 + 100ms));
  EXPECT_FLOAT_EQ(r.values.back(), 0.5f);
  EXPECT_FALSE(clock.tick(kT0 + 150ms));
  EXPECT_EQ(r.calls.back(), "finished");

  // A delay alone registers the animation; it completes on the first tick
  // after the delay.
  Recorder delay_only;
  EXPECT_NE(clock.start(nullptr, 0, spec_of(0ns, 10ms), delay_only.progress(), delay_only.done(),
                        kT0),
            0u);
  EXPECT_TRUE(clock.tick(kT0 + 5ms));
  EXPECT_TRUE(delay_only.calls.empty());
  EXPECT_FALSE(clock.tick(kT0 + 10ms));
  EXPECT_EQ(delay_only.calls, (std::vector<std::string>{"progress 1.000000", "finished"}));
}

TEST(AnimationClockTest, SameOwnerAndKeyCancelsTheOldAnimationFirst) {
  AnimationClock clock;
  std::vector<std::string> log;
  int owner = 0;
  int other_owner = 0;
  const uint64_t first = clock.start(
      &owner, 7, spec_of(100ms), [](float) {},
      [&](CompletionStatus s) {
        log.push_back(std::string("first ") + (s == CompletionStatus::kCancelled ? "cancelled" : "finished"));
        // The new animation is not registered yet when the old one hears of it.
        log.push_back("running " + std::to_string(clock.is_running()));
      },
      kT0);
  const uint64_t other_key = clock.start(&owner, 8, spec_of(100ms), [](float) {}, nullptr, kT0);
  const uint64_t other = clock.start(&other_owner, 7, spec_of(100ms), [](float) {}, nullptr, kT0);
  const uint64_t second = clock.start(&owner, 7, spec_of(100ms), [](float) {}, nullptr, kT0);

  EXPECT_EQ(log, (std::vector<std::string>{"first cancelled", "running 1"}));
  EXPECT_NE(second, first);
  EXPECT_FALSE(clock.cancel(first));
  EXPECT_TRUE(clock.cancel(other_key));
  EXPECT_TRUE(clock.cancel(other));
  EXPECT_TRUE(clock.cancel(second));
  EXPECT_FALSE(clock.is_running());
}

TEST(AnimationClockTest, KeyZeroOrNoOwnerNeverReplaces) {
  AnimationClock clock;
  Recorder a;
  Recorder b;
  Recorder c;
  Recorder d;
  int owner = 0;
  clock.start(&owner, 0, spec_of(100ms), a.progress(), a.done(), kT0);
  clock.start(&owner, 0, spec_of(100ms), b.progress(), b.done(), kT0);
  clock.start(nullptr, 5, spec_of(100ms), c.progress(), c.done(), kT0);
  clock.start(nullptr, 5, spec_of(100ms), d.progress(), d.done(), kT0);
  EXPECT_TRUE(a.calls.empty());
  EXPECT_TRUE(c.calls.empty());
  EXPECT_FALSE(clock.tick(kT0 + 100ms));
  for (const Recorder* r : {&a, &b, &c, &d}) EXPECT_EQ(r->calls.back(), "finished");
}

TEST(AnimationClockTest, CancelReportsOnceAndOnlyForRegisteredIds) {
  AnimationClock clock;
  Recorder r;
  const uint64_t id = clock.start(nullptr, 0, spec_of(100ms), r.progress(), r.done(), kT0);
  EXPECT_FALSE(clock.cancel(0));
  EXPECT_FALSE(clock.cancel(id + 1000));
  EXPECT_TRUE(clock.cancel(id));
  EXPECT_FALSE(clock.cancel(id));
  EXPECT_EQ(r.calls, (std::vector<std::string>{"cancelled"}));
  EXPECT_FALSE(clock.tick(kT0 + 1s));
  EXPECT_EQ(r.calls.size(), 1u);
}

TEST(AnimationClockTest, CancelOwnerNotifiesOnlyWhenAsked) {
  AnimationClock clock;
  int owner = 0;
  int other = 0;
  Recorder a;
  Recorder b;
  Recorder kept;
  clock.start(&owner, 1, spec_of(100ms), a.progress(), a.done(), kT0);
  clock.start(&owner, 2, spec_of(100ms), b.progress(), b.done(), kT0);
  clock.start(&other, 1, spec_of(100ms), kept.progress(), kept.done(), kT0);

  EXPECT_EQ(clock.cancel_owner(nullptr, true), 0u);
  EXPECT_EQ(clock.cancel_owner(&owner, false), 2u);
  EXPECT_TRUE(a.calls.empty());
  EXPECT_TRUE(b.calls.empty());
  EXPECT_TRUE(clock.is_running());

  EXPECT_EQ(clock.cancel_owner(&other, true), 1u);
  EXPECT_EQ(kept.calls, (std::vector<std::string>{"cancelled"}));
  EXPECT_FALSE(clock.is_running());
}

TEST(AnimationClockTest, DisabledClockCompletesAtOnceUnlessRunWhenDisabled) {
  AnimationClock clock;
  clock.set_enabled(false);
  EXPECT_FALSE(clock.enabled());

  Recorder plain;
  EXPECT_EQ(clock.start(nullptr, 0, spec_of(100ms), plain.progress(), plain.done(), kT0), 0u);
  EXPECT_EQ(plain.calls, (std::vector<std::string>{"progress 1.000000", "finished"}));

  Recorder always;
  const uint64_t id = clock.start(nullptr, 0, spec_of(100ms, 0ns, kEasingLinear, true),
                                  always.progress(), always.done(), kT0);
  EXPECT_NE(id, 0u);
  EXPECT_TRUE(always.calls.empty());
  EXPECT_TRUE(clock.tick(kT0 + 25ms));
  EXPECT_FLOAT_EQ(always.values.back(), 0.25f);
  EXPECT_FALSE(clock.tick(kT0 + 100ms));
  EXPECT_EQ(always.calls.back(), "finished");
}

TEST(AnimationClockTest, DisablingFinishesEveryAnimationThatDoesNotRunWhenDisabled) {
  AnimationClock clock;
  int frames = 0;
  clock.set_request_frame([&] { ++frames; });
  Recorder a;
  Recorder b;
  Recorder always;
  clock.start(nullptr, 0, spec_of(100ms), a.progress(), a.done(), kT0);
  clock.start(nullptr, 0, spec_of(300ms), b.progress(), b.done(), kT0);
  clock.start(nullptr, 0, spec_of(100ms, 0ns, kEasingLinear, true), always.progress(),
              always.done(), kT0);
  clock.tick(kT0 + 10ms);
  frames = 0;

  clock.set_enabled(false);
  EXPECT_EQ(a.calls.back(), "finished");
  EXPECT_EQ(a.calls[a.calls.size() - 2], "progress 1.000000");
  EXPECT_EQ(b.calls.back(), "finished");
  EXPECT_EQ(b.calls[b.calls.size() - 2], "progress 1.000000");
  EXPECT_EQ(always.done_count(), 0);
  EXPECT_TRUE(clock.is_running());
  EXPECT_EQ(frames, 1);  // the remaining animation still needs frames

  // Disabling again finishes nothing more.
  clock.set_enabled(false);
  EXPECT_EQ(a.done_count(), 1);
  EXPECT_EQ(b.done_count(), 1);
  clock.set_enabled(true);
  EXPECT_TRUE(clock.enabled());
  EXPECT_TRUE(clock.is_running());
}

TEST(AnimationClockTest, FinishAllWithoutSurvivorsRequestsNoFrame) {
  AnimationClock clock;
  int frames = 0;
  Recorder r;
  clock.start(nullptr, 0, spec_of(100ms), r.progress(), r.done(), kT0);
  clock.set_request_frame([&] { ++frames; });
  EXPECT_EQ(frames, 1);  // a new callback hears at once that animations run
  clock.finish_all();
  EXPECT_EQ(r.calls, (std::vector<std::string>{"progress 1.000000", "finished"}));
  EXPECT_EQ(frames, 1);
  clock.set_request_frame([&] { frames += 10; });
  EXPECT_EQ(frames, 1);
}

TEST(AnimationClockTest, AnimateFloatForInterpolatesBetweenTheValues) {
  AnimationClock clock;
  std::vector<float> values;
  int owner = 0;
  const uint64_t id = clock.animate_float_for(&owner, 0x494E5400, 10.0f, 30.0f,
                                              spec_of(100ms, 0ns, kEasingQuadOut),
                                              [&](float v) { values.push_back(v); }, nullptr, kT0);
  EXPECT_NE(id, 0u);
  clock.tick(kT0 + 50ms);
  clock.tick(kT0 + 100ms);
  EXPECT_EQ(values, (std::vector<float>{25.0f, 30.0f}));

  // Without a value callback nothing starts and on_done is dropped.
  int done = 0;
  EXPECT_EQ(clock.animate_float_for(&owner, 1, 0.0f, 1.0f, spec_of(0ns), nullptr,
                                    [&](CompletionStatus) { ++done; }, kT0),
            0u);
  EXPECT_EQ(clock.start(&owner, 1, spec_of(0ns), nullptr, [&](CompletionStatus) { ++done; }, kT0),
            0u);
  EXPECT_EQ(done, 0);
  EXPECT_FALSE(clock.is_running());
}

TEST(AnimationClockTest, CallbacksMayStartAndCancelDuringATick) {
  AnimationClock clock;
  Recorder chained;
  Recorder victim;
  uint64_t victim_id = 0;
  uint64_t chained_id = 0;
  std::vector<float> first_values;
  clock.start(
      nullptr, 0, spec_of(100ms),
      [&](float v) {
        first_values.push_back(v);
        // Cancels the other animation wherever it sits in the walk.
        if (victim_id != 0 && clock.cancel(victim_id)) victim_id = 0;
      },
      [&](CompletionStatus) {
        chained_id = clock.start(nullptr, 0, spec_of(100ms), chained.progress(), chained.done(),
                                 kT0 + 100ms);
      },
      kT0);
  // Longer than the first, so it is still running when the first cancels it.
  victim_id = clock.start(nullptr, 0, spec_of(200ms), victim.progress(), victim.done(), kT0);

  EXPECT_TRUE(clock.tick(kT0 + 100ms));
  EXPECT_EQ(victim.done_count(), 1);
  EXPECT_EQ(victim.calls.back(), "cancelled");
  EXPECT_NE(chained_id, 0u);
  EXPECT_TRUE(clock.is_running());

  EXPECT_TRUE(clock.tick(kT0 + 150ms));
  EXPECT_FLOAT_EQ(chained.values.back(), 0.5f);
  EXPECT_FALSE(clock.tick(kT0 + 200ms));
  EXPECT_EQ(chained.calls.back(), "finished");
}

TEST(AnimationClockTest, MovedFromClockDoesNothing) {
  AnimationClock clock;
  AnimationClock moved = std::move(clock);
  Recorder r;
  // NOLINTNEXTLINE(bugprone-use-after-move): a clock without state is a valid, inert clock.
  EXPECT_EQ(clock.start(nullptr, 0, spec_of(0ns), r.progress(), r.done(), kT0), 0u);
  EXPECT_TRUE(r.calls.empty());
  EXPECT_FALSE(clock.enabled());
  EXPECT_FALSE(clock.is_running());
  EXPECT_FALSE(clock.tick(kT0));
  EXPECT_FALSE(clock.cancel(1));
  EXPECT_EQ(clock.cancel_owner(&r, true), 0u);

  EXPECT_NE(moved.start(nullptr, 0, spec_of(10ms), r.progress(), r.done(), kT0), 0u);
  EXPECT_TRUE(moved.is_running());
}

}  // namespace
}  // namespace win32_ui::ui::animation
