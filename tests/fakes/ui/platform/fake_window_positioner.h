// A WindowPositioner for tests: passes every call to the real API and
// records it, can make the batch (BeginDeferWindowPos, a chosen
// DeferWindowPos) or MoveWindow fail, and can run a hook inside each
// deferral (to ask for a layout pass while one runs).
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "ui/platform/classic/window_positioner.h"

namespace quorvel::test {

class FakeWindowPositioner final : public win32_ui::WindowPositioner {
 public:
  struct Deferral {
    HWND window = nullptr;
    RECT rect{};
    UINT flags = 0;
  };
  struct Move {
    HWND window = nullptr;
    RECT rect{};
    BOOL repaint = FALSE;
  };
  struct Show {
    HWND window = nullptr;
    int command = 0;
  };

  bool fail_begin = false;
  // The deferral of each batch that fails (0 the first); -1 for none.
  int fail_deferral = -1;
  bool fail_moves = false;
  std::function<void()> during_deferral;

  int begin_calls = 0;
  int end_calls = 0;
  std::vector<Deferral> deferrals;
  std::vector<Move> moves;
  std::vector<Show> shows;

  HDWP begin_defer_window_pos(int count) override;
  HDWP defer_window_pos(HDWP batch, HWND window, HWND insert_after, int x, int y, int width,
                        int height, UINT flags) override;
  BOOL end_defer_window_pos(HDWP batch) override;
  BOOL move_window(HWND window, int x, int y, int width, int height, BOOL repaint) override;
  BOOL show_window(HWND window, int command) override;

 private:
  int deferrals_in_batch_ = 0;
};

}  // namespace quorvel::test
