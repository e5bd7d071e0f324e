#include "ui/platform/hosting/native_window_clip.h"

namespace win32_ui::modern {
namespace {

// A new region equal to `source`, or null.
HRGN copy_region(HRGN source) {
  if (source == nullptr) return nullptr;
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  if (copy != nullptr && CombineRgn(copy, source, nullptr, RGN_COPY) == ERROR) {
    DeleteObject(copy);
    return nullptr;
  }
  return copy;
}

}  // namespace

bool NativeWindowClip::applied(const RECT& part) const {
  return applied_ && EqualRect(&applied_rect_, &part) != FALSE;
}

bool NativeWindowClip::apply(HWND window, const RECT& part) {
  if (!active_) {
    HRGN own = CreateRectRgn(0, 0, 0, 0);
    if (own != nullptr && GetWindowRgn(window, own) == ERROR) {
      DeleteObject(own);
      own = nullptr;
    }
    saved_.reset(own);
    active_ = true;
  }
  HRGN region = CreateRectRgnIndirect(&part);
  if (region == nullptr) return false;
  if (saved_) CombineRgn(region, region, static_cast<HRGN>(saved_.get()), RGN_AND);
  // The window owns the region from a successful call on.
  if (SetWindowRgn(window, region, TRUE) == 0) {
    DeleteObject(region);
    return false;
  }
  applied_rect_ = part;
  applied_ = true;
  return true;
}

void NativeWindowClip::remove(HWND window, bool redraw) {
  if (!active_ || window == nullptr || !IsWindow(window)) return;
  HRGN restored = copy_region(static_cast<HRGN>(saved_.get()));
  if (SetWindowRgn(window, restored, redraw ? TRUE : FALSE) == 0 && restored != nullptr) {
    DeleteObject(restored);
  }
  forget();
}

void NativeWindowClip::forget() {
  saved_.reset();
  active_ = false;
  applied_ = false;
}

}  // namespace win32_ui::modern
