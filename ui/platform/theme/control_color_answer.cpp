#include "ui/platform/theme/control_color_answer.h"

#include "ui/platform/theme/child_control_theming.h"

namespace win32_ui {

ControlColorAnswer control_color_answer(UINT message, HWND child, const Theme& theme) {
  using C = ThemeColor;
  const bool edit_like = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX ||
                         has_window_class(child, L"Edit") ||
                         has_window_class(child, L"ComboLBox");
  const bool enabled = child && IsWindowEnabled(child);
  ControlColorAnswer answer;
  answer.text = theme.color(enabled ? C::text : C::text_disabled);
  answer.background = !edit_like ? theme.color(C::window_background)
                      : enabled  ? theme.color(C::control_background)
                                 : theme.color(C::control_pressed);
  return answer;
}

HBRUSH apply_control_color_answer(HDC dc, const ControlColorAnswer& answer) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, answer.text);
  SetBkColor(dc, answer.background);
  SetDCBrushColor(dc, answer.background);
  return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

bool is_control_color_message(UINT message) {
  return message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX ||
         message == WM_CTLCOLORBTN || message == WM_CTLCOLORSTATIC;
}

}  // namespace win32_ui
