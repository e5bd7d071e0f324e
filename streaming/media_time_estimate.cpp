#include "streaming/media_time_estimate.h"

#include <algorithm>

#include "streaming/saturating.h"

namespace quorvel::windows {
namespace {

constexpr int64_t kNsPerMediaUnit = 100;

}  // namespace

void MediaTimeEstimate::reset() {
  gaps_.clear();
  newest_arrival_ns_ = 0;
  media_edge_ = -1;
}

void MediaTimeEstimate::observe(int64_t arrival_ns, int64_t media_end) {
  media_edge_ = std::max(media_edge_, media_end);
  newest_arrival_ns_ = arrival_ns;
  const int64_t gap = saturating_sub(arrival_ns / kNsPerMediaUnit, media_end);
  while (!gaps_.empty() && gaps_.back().gap >= gap) gaps_.pop_back();
  gaps_.push_back({arrival_ns, gap});
  const int64_t window_start = saturating_sub(arrival_ns, kWindowNs);
  while (gaps_.front().arrival_ns < window_start || gaps_.size() > kMaxGaps) gaps_.pop_front();
}

int64_t MediaTimeEstimate::media_now(int64_t now_ns) const {
  if (gaps_.empty()) return media_edge_;
  const int64_t steady = std::min(now_ns, saturating_add(newest_arrival_ns_, kHoldAfterNs));
  return std::max(media_edge_, saturating_sub(steady / kNsPerMediaUnit, gaps_.front().gap));
}

}  // namespace quorvel::windows
