// The calls that move and show a classic window's controls, behind a small
// interface: the product passes windows_window_positioner(), which calls
// BeginDeferWindowPos, DeferWindowPos, EndDeferWindowPos, MoveWindow and
// ShowWindow; tests pass one that can make the batch fail. Stateless; the
// UI thread calls it.
#pragma once

#include <windows.h>

namespace win32_ui {

class WindowPositioner {
 public:
  virtual ~WindowPositioner() = default;

  virtual HDWP begin_defer_window_pos(int count) = 0;
  virtual HDWP defer_window_pos(HDWP batch, HWND window, HWND insert_after, int x, int y,
                                int width, int height, UINT flags) = 0;
  virtual BOOL end_defer_window_pos(HDWP batch) = 0;
  virtual BOOL move_window(HWND window, int x, int y, int width, int height, BOOL repaint) = 0;
  virtual BOOL show_window(HWND window, int command) = 0;
};

// The process-wide caller of the real API. It holds no state.
WindowPositioner& windows_window_positioner();

}  // namespace win32_ui
