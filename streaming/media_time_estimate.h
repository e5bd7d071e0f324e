// Where a recording's media clock stands, judged from the packets it has
// produced, for a streamer that was given no media clock of its own.
//
// Each packet shows a gap "steady time at arrival minus media time at its
// end"; the packet that came soonest after its capture shows the smallest.
// Only the packets of the last second before the newest one count, so a
// recording pause, which stops media time but not the steady clock and so
// widens the gap, stops mattering once the recording runs again. Between
// packets the estimate runs on with the steady clock for at most a second,
// then holds: a long silence of the encoders is a pause, during which media
// time does not move.
//
// Not thread-safe: the streamer uses it under its own mutex.
#pragma once

#include <cstdint>
#include <deque>

namespace quorvel::windows {

class MediaTimeEstimate {
 public:
  // Only packets that arrived this long before the newest one count.
  static constexpr int64_t kWindowNs = 1'000'000'000;
  // How long after the newest packet the estimate still moves with time.
  static constexpr int64_t kHoldAfterNs = 1'000'000'000;

  void reset();
  // A packet whose media ends at `media_end` (100-ns units) arrived at
  // steady time `arrival_ns`. Arrivals come in steady-clock order.
  void observe(int64_t arrival_ns, int64_t media_end);
  // The end of the latest media offered (100-ns units), -1 before any packet.
  int64_t media_edge() const { return media_edge_; }
  // The media time (100-ns units) at steady time `now_ns`: never before the
  // media already offered; -1 before any packet.
  int64_t media_now(int64_t now_ns) const;

 private:
  struct Gap {
    int64_t arrival_ns;
    int64_t gap;  // arrival in 100-ns units minus media end
  };
  // A bound for encoders far faster than any real one; the window only gets
  // shorter when it is reached.
  static constexpr size_t kMaxGaps = 1024;

  // The gaps of the window that may still become its smallest: rising from
  // front to back, so the front is the window's smallest gap.
  std::deque<Gap> gaps_;
  int64_t newest_arrival_ns_ = 0;
  int64_t media_edge_ = -1;
};

}  // namespace quorvel::windows
