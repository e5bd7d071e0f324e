#include "app/setup/setup_rules.h"

#include <algorithm>
#include <cmath>

namespace quorvel::windows {

int slider_step(float value, int steps) {
  if (std::isnan(value)) return 0;
  const double scaled = std::round(static_cast<double>(value) * steps);
  return static_cast<int>(std::clamp(scaled, 0.0, static_cast<double>(steps)));
}

OutputMode switched_output_mode(OutputMode current, bool file_switch, bool on) {
  const bool file_on = current == OutputMode::kFileOnly || current == OutputMode::kFileAndLive;
  const bool live_on = current == OutputMode::kLiveOnly || current == OutputMode::kFileAndLive;
  const bool other_on = file_switch ? live_on : file_on;
  if (on) {
    if (other_on) return OutputMode::kFileAndLive;
    return file_switch ? OutputMode::kFileOnly : OutputMode::kLiveOnly;
  }
  if (!other_on) return OutputMode::kNone;
  return file_switch ? OutputMode::kLiveOnly : OutputMode::kFileOnly;
}

}  // namespace quorvel::windows
