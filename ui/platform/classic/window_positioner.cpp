#include "ui/platform/classic/window_positioner.h"

namespace win32_ui {
namespace {

class WindowsWindowPositioner final : public WindowPositioner {
 public:
  HDWP begin_defer_window_pos(int count) override { return BeginDeferWindowPos(count); }
  HDWP defer_window_pos(HDWP batch, HWND window, HWND insert_after, int x, int y, int width,
                        int height, UINT flags) override {
    return DeferWindowPos(batch, window, insert_after, x, y, width, height, flags);
  }
  BOOL end_defer_window_pos(HDWP batch) override { return EndDeferWindowPos(batch); }
  BOOL move_window(HWND window, int x, int y, int width, int height, BOOL repaint) override {
    return MoveWindow(window, x, y, width, height, repaint);
  }
  BOOL show_window(HWND window, int command) override { return ShowWindow(window, command); }
};

}  // namespace

WindowPositioner& windows_window_positioner() {
  static WindowsWindowPositioner positioner;
  return positioner;
}

}  // namespace win32_ui
