#include "ui/platform/theme/themed_edit_control.h"

#include <uxtheme.h>

#include <algorithm>

#include "ui/platform/theme/scaled_metric.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui {
namespace {

using C = ThemeColor;

constexpr UINT kFrameChanged =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

struct EditState {
  Theme theme;
  EditInsets insets;
  PaintBackend backend = PaintBackend::kDirect2d;
};

void apply_margins(HWND edit, const EditInsets& insets) {
  const UINT dpi = window_dpi(edit);
  const int left = std::max(scale_metric(insets.left_margin, dpi), 0);
  const int right = std::max(scale_metric(insets.right_margin, dpi), 0);
  SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
               MAKELPARAM(static_cast<WORD>(left), static_cast<WORD>(right)));
}

int font_height(HWND edit) {
  HDC dc = GetDC(edit);
  if (!dc) return 0;
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));
  TEXTMETRICW metrics{};
  {
    modern::detail::ScopedSelection selected(dc, font ? font : GetStockObject(SYSTEM_FONT));
    GetTextMetricsW(dc, &metrics);
  }
  ReleaseDC(edit, dc);
  return metrics.tmHeight;
}

// Shrinks the proposed client rectangle by the ring and, when asked, to one
// text line in the vertical middle.
void reserve_ring(HWND edit, const EditState& state, RECT& rect) {
  const int ring = edit_frame_ring_width(window_dpi(edit));
  const int dx = std::min(ring, std::max(0, static_cast<int>(rect.right - rect.left - 1) / 2));
  const int dy = std::min(ring, std::max(0, static_cast<int>(rect.bottom - rect.top - 1) / 2));
  InflateRect(&rect, -dx, -dy);
  const int height = rect.bottom - rect.top;
  if (!state.insets.center_vertically || height <= 0) return;
  const int text = std::clamp(font_height(edit), 1, height);
  rect.top += std::max(0, (height - text + 1) / 2);
  rect.bottom = rect.top + text;
}

COLORREF border_color(HWND edit, const Theme& theme) {
  if (!IsWindowEnabled(edit)) return theme.color(C::border);
  return theme.color(GetFocus() == edit ? C::accent : C::border_strong);
}

void paint_frame(HWND edit, const EditState& state) {
  RECT window{};
  RECT client{};
  if (!GetWindowRect(edit, &window) || !GetClientRect(edit, &client)) return;
  MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  const SIZE size = {window.right - window.left, window.bottom - window.top};
  const UINT dpi = window_dpi(edit);
  const ThemedPicture picture =
      edit_frame_picture(size, state.theme, state.insets, dpi, border_color(edit, state.theme));
  HDC dc = GetWindowDC(edit);
  if (!dc) return;
  // The frame covers the ring and the strips inside the client edge; the
  // text area stays the control's own.
  const int strip = edit_frame_strip_width(dpi);
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, client.left + strip, client.top + strip, client.right - strip,
                  client.bottom - strip);
  paint_picture(dc, {0, 0, size.cx, size.cy}, picture, state.backend);
  RestoreDC(dc, saved);
  ReleaseDC(edit, dc);
}

void fill_client_strips(HWND edit, const Theme& theme, HDC dc) {
  RECT client{};
  if (!dc || !GetClientRect(edit, &client) || IsRectEmpty(&client)) return;
  const int strip = edit_frame_strip_width(window_dpi(edit));
  const LONG width = std::min<LONG>(strip, client.right);
  const LONG height = std::min<LONG>(strip, client.bottom);
  ThemedPicture strips;
  const COLORREF color = theme.color(C::control_background);
  strips.add(PictureFill{{0, 0, client.right, height}, color});
  strips.add(PictureFill{{0, client.bottom - height, client.right, client.bottom}, color});
  strips.add(PictureFill{{0, 0, width, client.bottom}, color});
  strips.add(PictureFill{{client.right - width, 0, client.right, client.bottom}, color});
  // The control's own printing may leave its text rectangle as the clip.
  const int saved = SaveDC(dc);
  SelectClipRgn(dc, nullptr);
  draw_picture_gdi(dc, strips);
  RestoreDC(dc, saved);
}

void after_default(HWND window, UINT message, WPARAM wparam, const EditState& state) {
  switch (message) {
    case WM_SIZE:
    case WM_DPICHANGED_AFTERPARENT:
      SetWindowRgn(window, nullptr, FALSE);
      apply_margins(window, state.insets);
      InvalidateRect(window, nullptr, TRUE);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
      break;
    case WM_PAINT:
      paint_frame(window, state);
      break;
    case WM_SETFONT:
      apply_margins(window, state.insets);
      SetWindowPos(window, nullptr, 0, 0, 0, 0, kFrameChanged);
      break;
    case WM_PRINTCLIENT:
      fill_client_strips(window, state.theme, reinterpret_cast<HDC>(wparam));
      break;
    default:
      break;
  }
}

LRESULT handle_edit_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                            const EditState& state) {
  if (message == WM_NCPAINT) {
    paint_frame(window, state);
    return 0;
  }
  const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
  if (message == WM_NCCALCSIZE) {
    // Both forms of the message put the rectangle to fill in first.
    if (lparam) reserve_ring(window, state, *reinterpret_cast<RECT*>(lparam));
    return result;
  }
  after_default(window, message, wparam, state);
  return result;
}

void remove_system_frame(HWND edit) {
  // No visual style: the frame is ours. Wine refuses the empty names (error
  // 0x7B); Windows accepts them.
  const HRESULT unstyled = SetWindowTheme(edit, L"", L"");
  (void)unstyled;
}

}  // namespace

int edit_frame_ring_width(UINT dpi) { return std::max(1, scale_metric(2, dpi)); }
int edit_frame_strip_width(UINT dpi) { return std::max(1, scale_metric(1, dpi)); }

ThemedPicture edit_frame_picture(SIZE size, const Theme& theme,
                                 const EditInsets& insets, UINT dpi, COLORREF border) {
  const RECT whole = {0, 0, size.cx, size.cy};
  const int ellipse = std::max(2, scale_metric(insets.corner_radius * 2, dpi));
  ThemedPicture picture;
  // Ring and client strips in the control background; the corners outside
  // the rounding take the surrounding background.
  picture.add(PictureFill{whole, theme.color(C::window_background)});
  picture.add(PictureRoundRect{whole, ellipse, theme.color(C::control_background), std::nullopt, 1});
  picture.add(PictureRoundRect{whole, ellipse, std::nullopt, border, 1});
  return picture;
}

bool theme_edit_control(HWND edit, const Theme& theme, const EditInsets& insets,
                        PaintBackend backend) {
  if (!edit) return false;
  if (auto* state = find_subclass_state<EditState>(edit, &edit_frame_subclass_procedure,
                                                   kEditThemeSubclass)) {
    *state = EditState{theme, insets, backend};
    remove_system_frame(edit);
    SetWindowRgn(edit, nullptr, TRUE);
    apply_margins(edit, insets);
    SetWindowPos(edit, nullptr, 0, 0, 0, 0, kFrameChanged);
    return true;
  }
  if (!install_subclass_state(edit, &edit_frame_subclass_procedure, kEditThemeSubclass,
                              EditState{theme, insets, backend})) {
    return false;
  }
  SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) & ~WS_BORDER);
  SetWindowLongPtrW(edit, GWL_EXSTYLE,
                    GetWindowLongPtrW(edit, GWL_EXSTYLE) & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  remove_system_frame(edit);
  SetWindowPos(edit, nullptr, 0, 0, 0, 0, kFrameChanged);
  SetWindowRgn(edit, nullptr, TRUE);
  apply_margins(edit, insets);
  RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
  return true;
}

LRESULT CALLBACK edit_frame_subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam, UINT_PTR id, DWORD_PTR reference) {
  auto* state = reinterpret_cast<EditState*>(reference);
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &edit_frame_subclass_procedure, id);
    delete state;
    return default_subclass_proc(window, message, wparam, lparam);
  }
  return guarded_subclass_call(window, message, wparam, lparam, [&] {
    return handle_edit_message(window, message, wparam, lparam, *state);
  });
}

}  // namespace win32_ui
