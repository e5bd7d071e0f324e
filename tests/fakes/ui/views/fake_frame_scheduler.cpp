#include "tests/fakes/ui/views/fake_frame_scheduler.h"

namespace quorvel::test {

void FakeFrameScheduler::request_frame(int all) { frames.push_back(all); }

void FakeFrameScheduler::start_frame_timer() { ++timer_starts; }

}  // namespace quorvel::test
