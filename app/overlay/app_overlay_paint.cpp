// The App's painting of the overlay: the frozen image with the selection,
// banner and magnifier while selecting, the thin frame otherwise, through a
// back buffer kept for the client size.
#include <optional>

#include "app/app.h"
#include "app/overlay/overlay_colors.h"
#include "app/overlay/overlay_painting.h"
#include "app/overlay/monitor_rect.h"
#include "app/overlay/selection_geometry.h"

namespace quorvel::windows {
namespace {

// A region of the client area, deleted when it goes.
class ScopedRegion {
 public:
  explicit ScopedRegion(HRGN region) : region_(region) {}
  ~ScopedRegion() {
    if (region_ != nullptr) DeleteObject(region_);
  }
  ScopedRegion(const ScopedRegion&) = delete;
  ScopedRegion& operator=(const ScopedRegion&) = delete;
  HRGN get() const { return region_; }

 private:
  HRGN region_;
};

}  // namespace

void App::paint_overlay() {
  RECT client{};
  GetClientRect(overlay_window_, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  ScopedRegion update(CreateRectRgn(0, 0, 0, 0));
  const int kind = update.get() != nullptr ? GetUpdateRgn(overlay_window_, update.get(), FALSE)
                                           : ERROR;
  if (update.get() != nullptr && (kind == ERROR || kind == NULLREGION)) {
    SetRectRgn(update.get(), 0, 0, width, height);
  }
  PAINTSTRUCT paint{};
  const HDC paint_dc = BeginPaint(overlay_window_, &paint);
  if (paint_dc == nullptr) return;
  const UINT dpi = overlay_dpi();
  const bool buffered = width > 0 && height > 0 && ensure_back_buffer(paint_dc, width, height);
  const HDC dc = buffered ? back_buffer_.dc : paint_dc;
  if (buffered && update.get() != nullptr) SelectClipRgn(dc, update.get());
  paint_overlay_content(dc, width, height, dpi);
  if (buffered) {
    BitBlt(paint_dc, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    SelectClipRgn(dc, nullptr);
  }
  EndPaint(overlay_window_, &paint);
}

void App::paint_overlay_content(HDC dc, int width, int height, UINT dpi) {
  if (selecting_ && region_snapshot_.dc != nullptr) {
    BitBlt(dc, 0, 0, width, height, region_snapshot_.dc, 0, 0, SRCCOPY);
  } else {
    const RECT client{0, 0, width, height};
    if (const HBRUSH key = CreateSolidBrush(kOverlayColorKey); key != nullptr) {
      FillRect(dc, &client, key);
      DeleteObject(key);
    }
  }
  if (!selecting_) {
    paint_selection_frame(dc, RECT{0, 0, width, height},
                          capture_frame_color(overlay_interactive_), dpi);
    return;
  }
  std::wstring text = overlay_message_.empty() ? localized_text(L"overlay.move_hint")
                                               : overlay_message_;
  COLORREF color = overlay_message_.empty() ? kOverlayAccent : kOverlayWarning;
  if (selection_present_) {
    const LONG w = selection_.right - selection_.left;
    const LONG h = selection_.bottom - selection_.top;
    if (overlay_message_.empty()) {
      if (w >= kMinimumRegionSide && h >= kMinimumRegionSide) {
        text = localized_text(selection_banner_key(selection_mode_),
                              {std::to_wstring(w), std::to_wstring(h)});
        color = kOverlayAccent;
      } else {
        text = localized_text(L"overlay.small_drag");
        color = kOverlayWarning;
      }
    }
    paint_selection_frame(dc, selection_, selection_frame_color(selection_), dpi);
  }
  text += localized_text(L"overlay.exit_hint");
  paint_hint_banner(dc, hint_rect(), text, color, dpi);
  paint_loupe(dc, dpi);
}

void App::paint_loupe(HDC dc, UINT dpi) {
  if (!pointer_known_ || region_snapshot_.pixels == nullptr || region_snapshot_.width <= 0 ||
      region_snapshot_.height <= 0) {
    return;
  }
  const std::wstring label = localized_text(L"overlay.coordinates");
  LoupeInput input;
  input.snapshot = {region_snapshot_.dc, region_snapshot_.pixels, region_snapshot_.width,
                    region_snapshot_.height};
  input.pointer = pointer_;
  input.panel = loupe_rect(pointer_);
  input.cell = loupe_cell();
  input.crosshair = loupe_crosshair(pointer_, drag_started_, anchor_,
                                    selection_present_ ? std::optional<RECT>(selection_)
                                                       : std::nullopt);
  input.monitor_origin = monitor_origin(monitor_rect_);
  input.coordinates_label = label;
  input.dpi = dpi;
  quorvel::windows::paint_loupe(dc, input);
}

bool App::ensure_back_buffer(HDC paint_dc, int width, int height) {
  if (back_buffer_.dc != nullptr && back_buffer_.width == width && back_buffer_.height == height) {
    return true;
  }
  release_back_buffer();
  back_buffer_.dc = CreateCompatibleDC(paint_dc);
  back_buffer_.bitmap =
      back_buffer_.dc != nullptr ? CreateCompatibleBitmap(paint_dc, width, height) : nullptr;
  if (back_buffer_.bitmap == nullptr) {
    release_back_buffer();
    return false;
  }
  back_buffer_.previous = SelectObject(back_buffer_.dc, back_buffer_.bitmap);
  back_buffer_.width = width;
  back_buffer_.height = height;
  const RECT all{0, 0, width, height};
  if (const HBRUSH key = CreateSolidBrush(kOverlayColorKey); key != nullptr) {
    FillRect(back_buffer_.dc, &all, key);
    DeleteObject(key);
  }
  return true;
}

void App::release_back_buffer() {
  if (back_buffer_.dc != nullptr && back_buffer_.previous != nullptr) {
    SelectObject(back_buffer_.dc, back_buffer_.previous);
  }
  if (back_buffer_.bitmap != nullptr) DeleteObject(back_buffer_.bitmap);
  if (back_buffer_.dc != nullptr) DeleteDC(back_buffer_.dc);
  back_buffer_ = {};
}

}  // namespace quorvel::windows
