#include "app/setup/setup_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace quorvel::windows {
namespace {

TEST(SetupRules, SliderValuesSnapToTheirSteps) {
  const struct {
    float value;
    int steps;
    int expected;
  } cases[] = {{0.556f, 100, 56}, {1.2f, 100, 100}, {-0.3f, 100, 0},   {0.55f, 100, 55},
               {0.5f, 200, 100},  {1.0f, 200, 200}, {0.003f, 200, 1}, {2.0f, 200, 200},
               {std::numeric_limits<float>::quiet_NaN(), 100, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(slider_step(c.value, c.steps), c.expected) << c.value << " in " << c.steps;
  }
}

TEST(SetupRules, OutputSwitchesMoveBetweenTheFourModes) {
  using M = OutputMode;
  const struct {
    M current;
    bool file_switch;
    bool on;
    M expected;
  } cases[] = {
      {M::kNone, true, true, M::kFileOnly},      {M::kLiveOnly, true, true, M::kFileAndLive},
      {M::kFileAndLive, true, false, M::kLiveOnly}, {M::kFileOnly, true, false, M::kNone},
      {M::kFileOnly, false, true, M::kFileAndLive}, {M::kNone, false, true, M::kLiveOnly},
      {M::kLiveOnly, false, false, M::kNone},    {M::kFileAndLive, false, false, M::kFileOnly},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(switched_output_mode(c.current, c.file_switch, c.on), c.expected)
        << static_cast<int>(c.current) << (c.file_switch ? " file " : " live ") << c.on;
  }
}

}  // namespace
}  // namespace quorvel::windows
