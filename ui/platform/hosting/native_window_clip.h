// The window region that keeps a hosted native control from drawing outside
// the part of the surface it may cover (below a pinned title). The first
// clip saves the region the window had of its own; every clip is the
// visible part ANDed with that saved region, and removing the clip gives
// the window its own region back. Owns the saved region. UI thread only.
#pragma once

#include <windows.h>

#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui::modern {

class NativeWindowClip {
 public:
  NativeWindowClip() = default;
  NativeWindowClip(const NativeWindowClip&) = delete;
  NativeWindowClip& operator=(const NativeWindowClip&) = delete;

  // The window's own region is saved and a clip may be on the window.
  bool active() const { return active_; }
  // `part` is the clip the window carries right now.
  bool applied(const RECT& part) const;

  // Restricts `window` to `part` (window coordinates) with a redraw; false,
  // with nothing changed but the saved region, when the system refuses it.
  bool apply(HWND window, const RECT& part);
  // Gives a live `window` back the region it had before clipping (or none)
  // and ends clipping; nothing happens while clipping is not active.
  void remove(HWND window, bool redraw);
  // Drops the saved region without touching any window.
  void forget();

 private:
  detail::UniqueGdiObject saved_;
  bool active_ = false;
  RECT applied_rect_{};
  bool applied_ = false;
};

}  // namespace win32_ui::modern
