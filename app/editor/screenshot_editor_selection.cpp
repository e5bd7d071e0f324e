// Selecting mode of the screenshot editor: the layered overlay, the snap to
// the window under the cursor and the capture on confirmation.
#include <dwmapi.h>

#include <string>
#include <utility>

#include "app/common/translate.h"
#include "app/editor/screenshot_editor.h"
#include "app/editor/selection_overlay_painter.h"

namespace quorvel::windows {
namespace {

struct WindowSearch {
  POINT point{};
  HWND skip = nullptr;
  HWND found = nullptr;
};

bool frame_bounds(HWND window, RECT& rect) {
  if (SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &rect, sizeof(rect)))) {
    return true;
  }
  return GetWindowRect(window, &rect) != FALSE;
}

bool is_cloaked(HWND window) {
  DWORD cloaked = 0;
  return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof(cloaked))) &&
         cloaked != 0;
}

// A window without a region counts as its whole rectangle.
bool region_contains(HWND window, const RECT& window_rect, POINT screen_point) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (!region) return true;
  bool inside = true;
  const int kind = GetWindowRgn(window, region);
  if (kind != ERROR && kind != NULLREGION) {
    inside = PtInRegion(region, screen_point.x - window_rect.left,
                        screen_point.y - window_rect.top) != FALSE;
  } else if (kind == NULLREGION) {
    inside = false;
  }
  DeleteObject(region);
  return inside;
}

HWND innermost_child_at(HWND window, POINT screen_point) {
  for (;;) {
    POINT point = screen_point;
    if (!ScreenToClient(window, &point)) return window;
    HWND child = ChildWindowFromPointEx(window, point, CWP_SKIPINVISIBLE);
    if (!child || child == window) return window;
    window = child;
  }
}

// False when the parents' client areas hide the window entirely.
bool clip_to_parents(HWND window, RECT& rect) {
  HWND current = window;
  while (GetWindowLongPtrW(current, GWL_STYLE) & WS_CHILD) {
    HWND parent = GetParent(current);
    if (!parent) break;
    RECT client{};
    if (GetClientRect(parent, &client)) {
      MapWindowPoints(parent, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
      RECT clipped{};
      if (!IntersectRect(&clipped, &rect, &client)) return false;
      rect = clipped;
    }
    current = parent;
  }
  return true;
}

}  // namespace

BOOL CALLBACK ScreenshotEditor::find_top_window_at(HWND window, LPARAM search_param) {
  auto& search = *reinterpret_cast<WindowSearch*>(search_param);
  if (window == search.skip || !IsWindowVisible(window) || IsIconic(window) ||
      is_cloaked(window)) {
    return TRUE;
  }
  RECT rect{};
  if (!frame_bounds(window, rect) || !PtInRect(&rect, search.point)) return TRUE;
  RECT window_rect{};
  if (!GetWindowRect(window, &window_rect) || !region_contains(window, window_rect, search.point)) {
    return TRUE;
  }
  search.found = window;
  return FALSE;
}

RECT ScreenshotEditor::find_window_rect_at(POINT screen_point, const RECT& bounds, HWND skip) {
  WindowSearch search{screen_point, skip, nullptr};
  EnumWindows(&ScreenshotEditor::find_top_window_at, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return bounds;

  HWND window = innermost_child_at(search.found, screen_point);
  const bool child = (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0;
  RECT rect{};
  if (child || FAILED(DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &rect,
                                            sizeof(rect)))) {
    if (!GetWindowRect(window, &rect)) return bounds;
  }
  if (child && !clip_to_parents(window, rect)) return bounds;
  RECT clipped{};
  if (!IntersectRect(&clipped, &rect, &bounds)) return bounds;
  return clipped;
}

void ScreenshotEditor::update_hover_selection(POINT screen_point) {
  if (!selecting_ || select_button_down_) return;
  const RECT bounds{origin_.x, origin_.y, origin_.x + canvas_size_.cx,
                    origin_.y + canvas_size_.cy};
  RECT rect = find_window_rect_at(screen_point, bounds, canvas_);
  OffsetRect(&rect, -origin_.x, -origin_.y);
  if (EqualRect(&rect, &selection_) && canvas_ && IsWindowVisible(canvas_)) return;
  selection_ = rect;
  render_overlay();
}

std::wstring ScreenshotEditor::hint_text() const {
  if (select_button_down_ && select_dragged_) {
    return translate(ui_context_, L"editor.selection_drag_size",
                     {std::to_wstring(selection_.right - selection_.left),
                      std::to_wstring(selection_.bottom - selection_.top)});
  }
  return translate(ui_context_, L"editor.selection_hint");
}

void ScreenshotEditor::render_overlay() {
  if (!canvas_ || !selecting_) return;
  HDC screen = GetDC(nullptr);
  if (!screen) return;
  MemoryBitmap overlay;
  std::uint8_t* bits = nullptr;
  if (overlay.create_dib(screen, canvas_size_.cx, canvas_size_.cy, &bits)) {
    paint_selection_overlay(overlay.dc(), bits, canvas_size_, selection_, dpi(), hint_text());
    POINT position = origin_;
    SIZE size = canvas_size_;
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(canvas_, screen, &position, &size, overlay.dc(), &source, 0, &blend,
                        ULW_ALPHA);
  }
  overlay.reset();
  ReleaseDC(nullptr, screen);
}

bool ScreenshotEditor::accept_capture(const DesktopSnapshot& captured) const {
  return captured.width != 0 && captured.height != 0 && captured.stride == captured.width * 4 &&
         captured.pixels.size() == static_cast<size_t>(captured.height) * captured.stride &&
         static_cast<LONG>(captured.width) == canvas_size_.cx &&
         static_cast<LONG>(captured.height) == canvas_size_.cy;
}

void ScreenshotEditor::confirm_selection(bool finish_now, bool clicked) {
  if (!selecting_ || !provider_) return;
  DesktopSnapshot captured;
  const HRESULT result = provider_(captured);
  if (FAILED(result) || !accept_capture(captured)) {
    report_error(L"editor.capture_failed");
    return;
  }
  snapshot_ = std::move(captured);
  if (!create_snapshot_bitmap()) {
    report_error(L"editor.copy_failed");
    return;
  }
  leave_selecting_mode();
  if (finish_now) finish();
  if (!canvas_) return;
  schedule_toolbar(clicked);
}

void ScreenshotEditor::leave_selecting_mode() {
  selecting_ = false;
  provider_ = nullptr;
  KillTimer(canvas_, kHoverSnapTimer);
  SetWindowLongPtrW(canvas_, GWL_EXSTYLE, GetWindowLongPtrW(canvas_, GWL_EXSTYLE) & ~WS_EX_LAYERED);
  SetWindowPos(canvas_, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  InvalidateRect(canvas_, nullptr, FALSE);
}

void ScreenshotEditor::schedule_toolbar(bool clicked) {
  // After a single click the second click of a double-click must come
  // before any toolbar shows.
  if (clicked && SetTimer(canvas_, kToolbarDelayTimer, GetDoubleClickTime(), nullptr)) {
    toolbar_pending_ = true;
    return;
  }
  show_toolbar();
}

}  // namespace quorvel::windows
