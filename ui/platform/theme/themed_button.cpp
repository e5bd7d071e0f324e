#include "ui/platform/theme/themed_button.h"

#include <algorithm>

#include "ui/platform/theme/scaled_metric.h"

namespace win32_ui {
namespace {

// The custom-draw item states that mean what the owner-draw ones of the
// same bit values mean: selected, disabled, focus, default and hot.
constexpr UINT kCustomDrawStatesAsOwnerDraw = 0x75;

constexpr UINT kLabelFormat =
    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

// Focus rings are at least one pixel, one more per 96 DPI.
int focus_pen_width(UINT dpi) { return std::max(scale_metric(1, dpi), 1); }

RECT inflated(RECT rect, int by) {
  InflateRect(&rect, by, by);
  return rect;
}

}  // namespace

ThemedPicture themed_button_picture(const RECT& item, UINT item_state, std::wstring_view text,
                                    const Theme& theme, UINT dpi, const ButtonStyle& style) {
  using C = ThemeColor;
  const ControlColors colors = Theme::control_colors(
      theme, style.tone, visual_state_from_item_state(item_state), style.emphasised);
  const auto metric = [&](ThemeMetric which) { return scale_metric(theme.metric(which), dpi); };
  const int ellipse = std::max(scale_metric(2 * theme.metric(ThemeMetric::corner_radius), dpi), 1);

  RECT text_rect = item;
  const int padding = metric(ThemeMetric::padding_x);
  text_rect.left = std::min(item.left + padding, item.right);
  text_rect.right = std::max(item.right - padding, text_rect.left);

  ThemedPicture picture;
  picture.add(PictureFill{item, theme.color(C::window_background)});
  picture.add(PictureRoundRect{item, ellipse, colors.fill, colors.border, 1});
  if (style.has_swatch) {
    RECT swatch = {std::max(text_rect.left, text_rect.right - metric(ThemeMetric::swatch_width)),
                   item.top, text_rect.right, item.bottom};
    text_rect.right = std::max(text_rect.left, swatch.left - metric(ThemeMetric::swatch_gap));
    picture.add(PictureRoundRect{swatch, 0, style.swatch_color, theme.color(C::border_strong), 1});
  }
  if ((item_state & ODS_FOCUS) && !(item_state & ODS_NOFOCUSRECT)) {
    const int inset = metric(ThemeMetric::focus_inset);
    picture.add(PictureRoundRect{inflated(item, -inset), std::max(ellipse - 2 * inset, 1),
                                 std::nullopt, theme.color(C::focus_ring),
                                 focus_pen_width(dpi)});
  }
  picture.add(PictureText{std::wstring(text), text_rect, style.font, colors.text,
                          kLabelFormat | DT_CENTER});
  return picture;
}

ThemedPicture check_box_picture(const RECT& item, const CheckBoxState& state,
                                std::wstring_view text, const Theme& theme, UINT dpi,
                                const CheckBoxStyle& style) {
  using C = ThemeColor;
  const int height = item.bottom - item.top;
  const int side = std::min(std::max(height - scale_metric(4, dpi), 1),
                            std::max(scale_metric(style.box_size, dpi), 1));
  const int left = item.left + scale_metric(2, dpi);
  const int top = item.top + (height - side) / 2;
  const RECT box = {left, top, left + side, top + side};
  const bool marked = state.check == BST_CHECKED || state.check == BST_INDETERMINATE;

  const COLORREF fill = marked ? theme.color(state.disabled ? C::border_strong : C::accent)
                               : theme.color(C::control_background);
  const COLORREF outline =
      theme.color(state.hot && !state.disabled ? C::accent : C::border_strong);

  ThemedPicture picture;
  picture.add(PictureFill{item, theme.color(C::window_background)});
  picture.add(PictureRoundRect{box, std::max(2 * scale_metric(4, dpi), 2), fill, outline, 1});
  if (state.check == BST_CHECKED) {
    picture.add(PicturePolyline{{{left + 2 * side / 9, top + side / 2},
                                 {left + 4 * side / 9, top + 7 * side / 10},
                                 {left + 4 * side / 5, top + 3 * side / 10}},
                                theme.color(C::text_on_accent),
                                std::max(scale_metric(2, dpi), 1)});
  } else if (state.check == BST_INDETERMINATE) {
    const RECT bar = {box.left + side / 4, box.top + 2 * side / 5, box.right - side / 4,
                      box.bottom - 2 * side / 5};
    picture.add(PictureFill{bar, theme.color(C::text_on_accent)});
  }
  if (state.focused) {
    picture.add(PictureRoundRect{inflated(box, scale_metric(2, dpi)), 2 * scale_metric(6, dpi),
                                 std::nullopt, theme.color(C::focus_ring),
                                 focus_pen_width(dpi)});
  }
  const RECT label = {box.right + scale_metric(style.text_gap, dpi), item.top, item.right,
                      item.bottom};
  picture.add(PictureText{std::wstring(text), label, style.font,
                          theme.color(state.disabled ? C::text_disabled : C::text),
                          kLabelFormat | DT_LEFT});
  return picture;
}

bool draw_themed_button(const DRAWITEMSTRUCT& item, std::wstring_view text, const Theme& theme,
                        UINT dpi, const ButtonStyle& style, PaintBackend backend) {
  if (!item.hDC) return false;
  const ThemedPicture picture =
      themed_button_picture(item.rcItem, item.itemState, text, theme, dpi, style);
  paint_picture(item.hDC, item.rcItem, picture, backend);
  return true;
}

LRESULT draw_custom_push_button(const NMCUSTOMDRAW& draw, std::wstring_view text,
                                const Theme& theme, UINT dpi, const ButtonStyle& style,
                                PaintBackend backend) {
  if (draw.dwDrawStage != CDDS_PREPAINT) return 0;
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(draw.hdr.hwndFrom));
  item.itemID = 0;
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = draw.uItemState & kCustomDrawStatesAsOwnerDraw;
  item.hwndItem = draw.hdr.hwndFrom;
  item.hDC = draw.hdc;
  item.rcItem = draw.rc;
  draw_themed_button(item, text, theme, dpi, style, backend);
  return CDRF_SKIPDEFAULT;
}

LRESULT draw_custom_check_box(const NMCUSTOMDRAW& draw, std::wstring_view text,
                              const Theme& theme, UINT dpi, const CheckBoxStyle& style,
                              PaintBackend backend) {
  if (draw.dwDrawStage != CDDS_PREPAINT) return 0;
  CheckBoxState state;
  state.disabled = (draw.uItemState & CDIS_DISABLED) || !IsWindowEnabled(draw.hdr.hwndFrom);
  state.check = static_cast<int>(SendMessageW(draw.hdr.hwndFrom, BM_GETCHECK, 0, 0));
  state.hot = (draw.uItemState & CDIS_HOT) != 0;
  state.focused = (draw.uItemState & CDIS_FOCUS) != 0;
  if (draw.hdc) {
    paint_picture(draw.hdc, draw.rc,
                  check_box_picture(draw.rc, state, text, theme, dpi, style), backend);
  }
  return CDRF_SKIPDEFAULT;
}

}  // namespace win32_ui
