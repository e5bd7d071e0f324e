#include "tests/fakes/ui/platform/fake_window_positioner.h"

namespace quorvel::test {

HDWP FakeWindowPositioner::begin_defer_window_pos(int count) {
  ++begin_calls;
  deferrals_in_batch_ = 0;
  if (fail_begin) return nullptr;
  return BeginDeferWindowPos(count);
}

HDWP FakeWindowPositioner::defer_window_pos(HDWP batch, HWND window, HWND insert_after, int x,
                                            int y, int width, int height, UINT flags) {
  const int index = deferrals_in_batch_++;
  deferrals.push_back({window, {x, y, x + width, y + height}, flags});
  if (during_deferral) during_deferral();
  if (index == fail_deferral) {
    // As the system does when a deferral fails: the batch is gone.
    EndDeferWindowPos(batch);
    return nullptr;
  }
  return DeferWindowPos(batch, window, insert_after, x, y, width, height, flags);
}

BOOL FakeWindowPositioner::end_defer_window_pos(HDWP batch) {
  ++end_calls;
  return EndDeferWindowPos(batch);
}

BOOL FakeWindowPositioner::move_window(HWND window, int x, int y, int width, int height,
                                       BOOL repaint) {
  moves.push_back({window, {x, y, x + width, y + height}, repaint});
  if (fail_moves) return FALSE;
  return MoveWindow(window, x, y, width, height, repaint);
}

BOOL FakeWindowPositioner::show_window(HWND window, int command) {
  shows.push_back({window, command});
  return ShowWindow(window, command);
}

}  // namespace quorvel::test
