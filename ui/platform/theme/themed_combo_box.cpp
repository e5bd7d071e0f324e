#include "ui/platform/theme/themed_combo_box.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "ui/platform/theme/scaled_metric.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

using C = ThemeColor;

struct ComboState {
  Theme theme;
  ComboBoxStyle style;
  bool hovered = false;
  bool pressed = false;
  PaintBackend backend = PaintBackend::kDirect2d;
  // Setting an item height resizes the control, which applies the heights.
  bool applying_heights = false;
};

ComboState* combo_state(HWND window) {
  return find_subclass_state<ComboState>(window, &combo_subclass_procedure, kComboThemeSubclass);
}

void set_item_height(HWND combo, WPARAM index, int height) {
  if (SendMessageW(combo, CB_GETITEMHEIGHT, index, 0) != height) {
    SendMessageW(combo, CB_SETITEMHEIGHT, index, height);
  }
}

void apply_item_heights(HWND combo, ComboState& state) {
  if (state.applying_heights) return;
  state.applying_heights = true;
  const UINT dpi = window_dpi(combo);
  const int minimum = scale_metric(16, dpi);
  set_item_height(combo, static_cast<WPARAM>(-1),
                  std::max(minimum, scale_metric(state.theme.metric(ThemeMetric::control_height), dpi) -
                                        scale_metric(3, dpi)));
  if (state.style.item_height > 0) {
    set_item_height(combo, 0, std::max(minimum, scale_metric(state.style.item_height, dpi)));
  }
  state.applying_heights = false;
}

void invalidate_list(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(combo, &info) && info.hwndList) InvalidateRect(info.hwndList, nullptr, TRUE);
}

std::wstring list_text(HWND combo, LRESULT index) {
  if (index < 0) return {};
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? std::min<std::size_t>(static_cast<std::size_t>(copied), length) : 0);
  return text;
}

void paint_combo(HWND combo, const ComboState& state, HDC dc) {
  RECT client{};
  if (!GetClientRect(combo, &client)) return;
  ComboBoxLook look;
  look.enabled = IsWindowEnabled(combo) != FALSE;
  look.focused = GetFocus() == combo;
  look.dropped = SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;
  look.hovered = state.hovered;
  look.pressed = state.pressed;
  const std::wstring text = list_text(combo, SendMessageW(combo, CB_GETCURSEL, 0, 0));
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0));
  const ThemedPicture picture =
      combo_box_picture(client, look, text, font, state.theme, state.style, window_dpi(combo));
  paint_double_buffered(dc, client,
                        [&](HDC target) { paint_picture(target, client, picture, state.backend); });
}

void invalidate(HWND window) { InvalidateRect(window, nullptr, FALSE); }

LRESULT handle_combo_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                             ComboState& state) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      if (HDC dc = BeginPaint(window, &paint)) {
        paint_combo(window, state, dc);
        EndPaint(window, &paint);
      }
      return 0;
    }
    case WM_NCPAINT:
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINTCLIENT:
      paint_combo(window, state, reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_MOUSEMOVE:
      if (!state.hovered) {
        state.hovered = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
        invalidate(window);
      }
      break;
    case WM_LBUTTONDOWN:
      state.pressed = true;
      invalidate(window);
      break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      state.pressed = false;
      invalidate(window);
      break;
    case WM_MOUSELEAVE:
      state.hovered = false;
      state.pressed = false;
      invalidate(window);
      return 0;
    default:
      break;
  }
  const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
  switch (message) {
    case WM_SIZE:
    case WM_SETFONT:
    case WM_DPICHANGED_AFTERPARENT:
      apply_item_heights(window, state);
      break;
    default:
      break;
  }
  switch (message) {
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_DPICHANGED_AFTERPARENT:
    case CB_ADDSTRING:
    case CB_DELETESTRING:
    case CB_INSERTSTRING:
    case CB_RESETCONTENT:
    case CB_SETCURSEL:
    case CB_SHOWDROPDOWN:
      invalidate(window);
      break;
    default:
      break;
  }
  return result;
}

}  // namespace

ThemedPicture combo_box_picture(const RECT& client, const ComboBoxLook& look,
                                std::wstring_view text, HFONT font, const Theme& theme,
                                const ComboBoxStyle& style, UINT dpi) {
  const auto color = [&](C which) { return theme.color(which); };
  COLORREF fill = color(C::control_pressed);
  COLORREF outline = color(C::border);
  COLORREF arrow = color(C::text_disabled);
  COLORREF text_color = color(C::text_disabled);
  const bool engaged = look.hovered || look.pressed || look.dropped;
  if (look.enabled && theme.is_high_contrast && theme.is_dark && engaged) {
    fill = outline = color(C::accent);
    arrow = text_color = color(C::text_on_accent);
  } else if (look.enabled) {
    fill = (look.pressed || look.dropped) ? color(C::control_pressed)
           : look.hovered                 ? color(C::control_hover)
                                          : color(C::control_background);
    outline = color(look.focused ? C::focus_ring : C::border_strong);
    arrow = color(C::text_secondary);
    text_color = color(C::text);
  }

  ThemedPicture picture;
  picture.add(PictureFill{client, color(C::window_background)});
  picture.add(PictureRoundRect{client, std::max(scale_metric(2 * style.corner_radius, dpi), 2),
                               fill, outline, 1});
  const int x = client.right - scale_metric(style.arrow_width, dpi) / 2;
  const int y = (client.top + client.bottom) / 2;
  const int half = std::max(scale_metric(3, dpi), 3);
  const int unit = std::max(scale_metric(2, dpi), 2);
  picture.add(PictureTriangle{
      {POINT{x - half, y - unit / 2}, POINT{x + half + 1, y - unit / 2}, POINT{x, y + unit}},
      arrow});
  if (!text.empty()) {
    const RECT text_rect = {client.left + scale_metric(style.text_inset, dpi), client.top,
                            client.right - scale_metric(style.arrow_gap + style.arrow_width, dpi),
                            client.bottom};
    picture.add(PictureText{std::wstring(text), text_rect, font, text_color,
                            DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX |
                                DT_END_ELLIPSIS});
  }
  return picture;
}

ThemedPicture combo_item_picture(const DRAWITEMSTRUCT& item, const Theme& theme,
                                 const ComboBoxStyle& style, UINT dpi) {
  const HWND combo = item.hwndItem;
  const bool disabled = (item.itemState & ODS_DISABLED) || !IsWindowEnabled(combo);
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  COLORREF fill = theme.color(C::control_background);
  COLORREF text_color = theme.color(disabled ? C::text_disabled : C::text);
  if (selected && !disabled) {
    fill = theme.color(C::accent);
    text_color = theme.color(C::text_on_accent);
  }
  ThemedPicture picture;
  picture.add(PictureFill{item.rcItem, fill});
  const std::wstring text = list_text(combo, static_cast<int>(item.itemID));
  if (!text.empty()) {
    const int padding = scale_metric(style.item_padding, dpi);
    const RECT text_rect = {item.rcItem.left + padding, item.rcItem.top,
                            item.rcItem.right - padding, item.rcItem.bottom};
    const LONG_PTR ex_style = GetWindowLongPtrW(combo, GWL_EXSTYLE);
    const bool right_to_left = (ex_style & (WS_EX_LAYOUTRTL | WS_EX_RTLREADING)) != 0;
    const UINT alignment = right_to_left ? DT_RIGHT | DT_RTLREADING : DT_LEFT;
    picture.add(PictureText{text, text_rect, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)),
                            text_color,
                            alignment | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                                DT_END_ELLIPSIS});
  }
  return picture;
}

bool theme_combo_control(HWND combo, const Theme& theme, const ComboBoxStyle& style,
                         PaintBackend backend) {
  if (!combo) return false;
  if (ComboState* state = combo_state(combo)) {
    state->theme = theme;
    state->style = style;
    state->backend = backend;
    apply_item_heights(combo, *state);
    InvalidateRect(combo, nullptr, FALSE);
    invalidate_list(combo);
    return true;
  }
  ComboState* state = install_subclass_state(combo, &combo_subclass_procedure, kComboThemeSubclass,
                                             ComboState{theme, style, false, false, backend, false});
  if (!state) return false;
  SetWindowLongPtrW(combo, GWL_STYLE, GetWindowLongPtrW(combo, GWL_STYLE) & ~WS_BORDER);
  SetWindowLongPtrW(combo, GWL_EXSTYLE,
                    GetWindowLongPtrW(combo, GWL_EXSTYLE) & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  apply_item_heights(combo, *state);
  SetWindowPos(combo, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  InvalidateRect(combo, nullptr, TRUE);
  invalidate_list(combo);
  return true;
}

bool draw_themed_combo_item(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_COMBOBOX || !item.hwndItem || !item.hDC) return false;
  if (!(GetWindowLongPtrW(item.hwndItem, GWL_STYLE) & CBS_OWNERDRAWFIXED)) return false;
  const ComboState* state = combo_state(item.hwndItem);
  if (!state) return false;
  if (item.itemState & ODS_COMBOBOXEDIT) {
    paint_combo(item.hwndItem, *state, item.hDC);
    return true;
  }
  const ThemedPicture picture =
      combo_item_picture(item, state->theme, state->style, window_dpi(item.hwndItem));
  paint_picture(item.hDC, item.rcItem, picture, state->backend);
  return true;
}

LRESULT CALLBACK combo_subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam, UINT_PTR id, DWORD_PTR reference) {
  auto* state = reinterpret_cast<ComboState*>(reference);
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &combo_subclass_procedure, id);
    delete state;
    return default_subclass_proc(window, message, wparam, lparam);
  }
  return guarded_subclass_call(window, message, wparam, lparam, [&] {
    return handle_combo_message(window, message, wparam, lparam, *state);
  });
}

}  // namespace win32_ui
