#include "ui/platform/theme/themed_menu_item.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui {
namespace {

using modern::detail::ScopedSelection;

// The system metrics the menu layout is made of, at one DPI, each at least 1.
struct MenuMetrics {
  int edge_x = 1;       // SM_CXEDGE
  int edge_y = 1;       // SM_CYEDGE
  int check_x = 1;      // SM_CXMENUCHECK
  int check_y = 1;      // SM_CYMENUCHECK
  int bar_button = 1;   // SM_CXMENUSIZE
  int bar_height = 1;   // SM_CYMENU

  explicit MenuMetrics(UINT dpi)
      : edge_x(metric(SM_CXEDGE, dpi)),
        edge_y(metric(SM_CYEDGE, dpi)),
        check_x(metric(SM_CXMENUCHECK, dpi)),
        check_y(metric(SM_CYMENUCHECK, dpi)),
        bar_button(metric(SM_CXMENUSIZE, dpi)),
        bar_height(metric(SM_CYMENU, dpi)) {}

 private:
  static int metric(int index, UINT dpi) {
    return std::max(GetSystemMetricsForDpi(index, dpi), 1);
  }
};

// DrawTextW's single-line size of `text` in `font` on a screen DC.
SIZE text_size(std::wstring_view text, HFONT font) {
  HDC dc = GetDC(nullptr);
  if (!dc) return {};
  RECT rect{};
  {
    std::optional<ScopedSelection> selected;
    if (font) selected.emplace(dc, font);
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_SINGLELINE);
  }
  ReleaseDC(nullptr, dc);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

int separator_height(const MenuMetrics& metrics) { return 2 * metrics.edge_y + 1; }

// Separators are drawn in the border colour; outside high contrast it is
// softened towards the menu background.
COLORREF separator_color(const Theme& theme) {
  const COLORREF border = theme.color(ThemeColor::border);
  if (theme.is_high_contrast) return border;
  return blend_colors(border, theme.color(ThemeColor::window_background), 72);
}

void add_check_mark(ThemedPicture& picture, const MenuItemData& item, const RECT& rect,
                    const MenuMetrics& metrics, COLORREF color) {
  const int x = rect.left + metrics.check_x / 2;
  const int y = rect.top + (rect.bottom - rect.top) / 2;
  if (item.radio) {
    const int radius = std::max(metrics.check_x / 5, 2);
    picture.add(PictureEllipse{{x - radius, y - radius, x + radius, y + radius}, color, color});
    return;
  }
  const int unit = std::max(metrics.check_x / 7, 1);
  picture.add(PicturePolyline{
      {{x - 3 * unit, y}, {x - unit, y + 2 * unit}, {x + 3 * unit, y - 2 * unit}}, color, unit});
}

}  // namespace

MenuItemText split_menu_item_text(std::wstring_view text) {
  const std::size_t tab = text.find(L'\t');
  if (tab == std::wstring_view::npos) return {text, {}};
  return {text.substr(0, tab), text.substr(tab + 1)};
}

SIZE menu_item_size(const MenuItemData& item, HFONT font, UINT dpi) {
  const MenuMetrics metrics(dpi);
  if (item.separator) return {0, separator_height(metrics)};

  const MenuItemText text = split_menu_item_text(item.text);
  const SIZE label = text_size(text.label, font);
  const bool has_shortcut = !text.shortcut.empty();
  const int shortcut_width = has_shortcut ? text_size(text.shortcut, font).cx : 0;
  const int edges = 2 * metrics.edge_y;

  if (item.menu_bar_item) {
    return {label.cx + std::max(metrics.bar_button, 6 * metrics.edge_x),
            std::max<LONG>(metrics.bar_height, label.cy + edges)};
  }
  const int width = 4 * metrics.edge_x + label.cx + (has_shortcut ? metrics.check_x : 0) +
                    (item.has_submenu ? metrics.check_x : 0) + shortcut_width + metrics.check_x;
  return {width, edges + std::max<int>(label.cy, metrics.check_y)};
}

ThemedPicture menu_item_picture(const DRAWITEMSTRUCT& draw, const MenuItemData& item,
                                const Theme& theme, HFONT font, UINT dpi) {
  using C = ThemeColor;
  const MenuMetrics metrics(dpi);
  const RECT& rect = draw.rcItem;
  const bool highlighted = (draw.itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0;
  const bool disabled = (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
  const bool on_accent = theme.is_high_contrast && theme.is_dark && highlighted && !disabled &&
                         !item.separator;

  ThemedPicture picture;
  const COLORREF background = on_accent    ? theme.color(C::accent)
                              : highlighted ? theme.color(C::control_hover)
                                            : theme.color(C::window_background);
  picture.add(PictureFill{rect, background});

  if (item.separator) {
    const int pen = std::max(static_cast<int>(std::lround(dpi / 96.0)), 1);
    const int top = rect.top + (rect.bottom - rect.top) / 2 - pen / 2;
    picture.add(PictureFill{{rect.left + metrics.check_x + 2 * metrics.edge_x, top,
                             rect.right - 2 * metrics.edge_x, top + pen},
                            separator_color(theme)});
    return picture;
  }

  const COLORREF text_color = disabled    ? theme.color(C::text_disabled)
                              : on_accent ? theme.color(C::text_on_accent)
                                          : theme.color(C::text);
  UINT format = DT_SINGLELINE | DT_VCENTER;
  if (draw.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
  const MenuItemText text = split_menu_item_text(item.text);

  if (item.menu_bar_item) {
    picture.add(PictureText{std::wstring(text.label), rect, font, text_color, format | DT_CENTER});
    return picture;
  }

  RECT text_rect = rect;
  text_rect.left = rect.left + 2 * metrics.edge_x + metrics.check_x;
  text_rect.right =
      rect.right - 2 * metrics.edge_x - (item.has_submenu ? metrics.check_x : 0);
  picture.add(PictureText{std::wstring(text.label), text_rect, font, text_color, format | DT_LEFT});
  if (!text.shortcut.empty()) {
    picture.add(PictureText{std::wstring(text.shortcut), text_rect, font, text_color,
                            format | DT_RIGHT | DT_NOPREFIX});
  }
  if (draw.itemState & ODS_CHECKED) {
    add_check_mark(picture, item, rect, metrics,
                   on_accent ? theme.color(C::text_on_accent) : theme.color(C::accent));
  }
  return picture;
}

}  // namespace win32_ui
