#include "ui/platform/theme/themed_trackbar.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/platform/theme/scaled_metric.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

using C = ThemeColor;

struct TrackbarState {
  Theme theme;
  TrackbarStyle style;
  bool dragging = false;
  PaintBackend backend = PaintBackend::kDirect2d;
};

RECT control_rect(HWND trackbar, UINT message) {
  RECT rect{};
  SendMessageW(trackbar, message, 0, reinterpret_cast<LPARAM>(&rect));
  return rect;
}

void paint_trackbar(HWND trackbar, const TrackbarState& state, HDC dc) {
  RECT client{};
  if (!GetClientRect(trackbar, &client)) return;
  const ThemedPicture picture = trackbar_picture(
      client, control_rect(trackbar, TBM_GETCHANNELRECT), control_rect(trackbar, TBM_GETTHUMBRECT),
      IsWindowEnabled(trackbar) != FALSE, state.theme, state.style, window_dpi(trackbar));
  paint_double_buffered(dc, client,
                        [&](HDC target) { paint_picture(target, client, picture, state.backend); });
}

// Moves the thumb to the position under client x and tells the parent.
void jump_to_pointer(HWND trackbar, int x, int code) {
  const RECT channel = control_rect(trackbar, TBM_GETCHANNELRECT);
  const long long minimum = SendMessageW(trackbar, TBM_GETRANGEMIN, 0, 0);
  const long long maximum = SendMessageW(trackbar, TBM_GETRANGEMAX, 0, 0);
  const long long span = std::max<long long>(channel.right - channel.left, 1);
  const long long offset = std::clamp<long long>(x, channel.left, channel.right) - channel.left;
  const int position =
      static_cast<int>(minimum + ((maximum - minimum) * offset + span / 2) / span);
  SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
  SendMessageW(GetParent(trackbar), WM_HSCROLL,
               MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(position)),
               reinterpret_cast<LPARAM>(trackbar));
  RedrawWindow(trackbar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool on_thumb(HWND trackbar, const TrackbarState& state, POINT point) {
  RECT client{};
  GetClientRect(trackbar, &client);
  const RECT square = trackbar_thumb_square(client, control_rect(trackbar, TBM_GETTHUMBRECT),
                                            state.style, window_dpi(trackbar));
  return PtInRect(&square, point) != FALSE;
}

// Messages handled without default processing; false passes the message on.
bool handle_pointer(HWND window, UINT message, LPARAM lparam, TrackbarState& state) {
  const POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  switch (message) {
    case WM_LBUTTONDOWN:
      if (on_thumb(window, state, point)) return false;
      SetFocus(window);
      SetCapture(window);
      state.dragging = true;
      jump_to_pointer(window, point.x, TB_THUMBTRACK);
      return true;
    case WM_MOUSEMOVE:
      if (!state.dragging) return false;
      jump_to_pointer(window, point.x, TB_THUMBTRACK);
      return true;
    case WM_LBUTTONUP:
      if (!state.dragging) return false;
      jump_to_pointer(window, point.x, TB_THUMBPOSITION);
      state.dragging = false;
      if (GetCapture() == window) ReleaseCapture();
      SendMessageW(GetParent(window), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
                   reinterpret_cast<LPARAM>(window));
      return true;
    default:
      return false;
  }
}

bool repaints_after(UINT message) {
  switch (message) {
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_DPICHANGED_AFTERPARENT:
    case TBM_SETPOS:
    case TBM_SETRANGE:
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
      return true;
    default:
      return false;
  }
}

LRESULT handle_trackbar_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                TrackbarState& state) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      if (HDC dc = BeginPaint(window, &paint)) {
        paint_trackbar(window, state, dc);
        EndPaint(window, &paint);
      }
      return 0;
    }
    case WM_PRINTCLIENT:
      paint_trackbar(window, state, reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_CAPTURECHANGED:
      state.dragging = false;
      break;
    default:
      if (handle_pointer(window, message, lparam, state)) return 0;
      break;
  }
  const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
  if (repaints_after(message)) InvalidateRect(window, nullptr, FALSE);
  return result;
}

}  // namespace

RECT trackbar_thumb_square(const RECT& client, const RECT& thumb, const TrackbarStyle& style,
                           UINT dpi) {
  const int size = std::max(scale_metric(8, dpi), scale_metric(style.thumb_size, dpi));
  const int cx = (thumb.left + thumb.right) / 2;
  const int cy = (client.top + client.bottom) / 2;
  return {cx - size / 2, cy - size / 2, cx + size - size / 2, cy + size - size / 2};
}

ThemedPicture trackbar_picture(const RECT& client, const RECT& channel, const RECT& thumb,
                               bool enabled, const Theme& theme, const TrackbarStyle& style,
                               UINT dpi) {
  const int cy = (client.top + client.bottom) / 2;
  const int thickness = std::max(scale_metric(style.track_thickness, dpi), 1);
  const RECT track = {channel.left, cy - thickness / 2, channel.right,
                      cy + thickness - thickness / 2};
  const int ellipse = std::max(thickness, 2);
  const COLORREF active = theme.color(enabled ? C::accent : C::border_strong);
  const int cx = (thumb.left + thumb.right) / 2;

  ThemedPicture picture;
  picture.add(PictureFill{client, theme.color(C::window_background)});
  picture.add(PictureRoundRect{track, ellipse, theme.color(C::border), std::nullopt, 1});
  const int filled_to = std::clamp<int>(cx, track.left, std::max(track.left, track.right));
  if (filled_to > track.left) {
    picture.add(PictureRoundRect{{track.left, track.top, filled_to, track.bottom}, ellipse, active,
                                 std::nullopt, 1});
  }
  picture.add(PictureEllipse{trackbar_thumb_square(client, thumb, style, dpi),
                             theme.color(C::control_background), active});
  return picture;
}

bool theme_trackbar(HWND trackbar, const Theme& theme, const TrackbarStyle& style,
                    PaintBackend backend) {
  if (!trackbar) return false;
  if (auto* state = find_subclass_state<TrackbarState>(trackbar, &trackbar_subclass_procedure,
                                                       kTrackbarThemeSubclass)) {
    state->theme = theme;
    state->style = style;
    state->backend = backend;
  } else if (!install_subclass_state(trackbar, &trackbar_subclass_procedure,
                                     kTrackbarThemeSubclass,
                                     TrackbarState{theme, style, false, backend})) {
    return false;
  }
  InvalidateRect(trackbar, nullptr, FALSE);
  return true;
}

LRESULT CALLBACK trackbar_subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR id, DWORD_PTR reference) {
  auto* state = reinterpret_cast<TrackbarState*>(reference);
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &trackbar_subclass_procedure, id);
    delete state;
    return default_subclass_proc(window, message, wparam, lparam);
  }
  return guarded_subclass_call(window, message, wparam, lparam, [&] {
    return handle_trackbar_message(window, message, wparam, lparam, *state);
  });
}

}  // namespace win32_ui
