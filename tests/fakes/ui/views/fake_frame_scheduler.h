// A FrameScheduler for tests: records every frame request and timer start.
#pragma once

#include <cstddef>
#include <vector>

#include "ui/views/frame_scheduler.h"

namespace quorvel::test {

class FakeFrameScheduler final : public win32_ui::platform::FrameScheduler {
 public:
  // The `all` argument of every request_frame call, in order.
  std::vector<int> frames;
  std::size_t timer_starts = 0;

  void request_frame(int all) override;
  void start_frame_timer() override;
};

}  // namespace quorvel::test
