// A window's native menu bar in Theme colours. ThemedMenuBar takes over the
// menu bar and every drop-down below it: each menu gets a background brush
// of the theme's window background, each item becomes owner-drawn with a
// MenuItemData record as its data, and the window's WM_MEASUREITEM and
// WM_DRAWITEM for those items come here (through the native theme
// registry). It also covers the light line the system draws under a menu
// bar with the window background.
//
// Owned by the window's code and kept alive as long as the window shows the
// menu; it owns its brush, its font and the item records. The registry holds
// it without owning it. UI thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/themed_menu_item.h"
#include "ui/platform/theme/themed_picture.h"

namespace win32_ui {

class ThemedMenuBar {
 public:
  // Records every item of `menu_bar` and of its drop-downs (item data is set
  // to the records); nothing is owner-drawn before make_owner_drawn.
  ThemedMenuBar(HWND owner, HMENU menu_bar);
  ~ThemedMenuBar();
  ThemedMenuBar(const ThemedMenuBar&) = delete;
  ThemedMenuBar& operator=(const ThemedMenuBar&) = delete;

  // Copies the theme, gives every menu a window-background brush and
  // repaints the bar.
  void set_theme(const Theme& theme);
  // Makes every recorded item owner-drawn, keeping its position, id, state,
  // submenu, data and text; then repaints the bar.
  void make_owner_drawn();

  // Sizes and paints an ODT_MENU item whose data is one of this bar's
  // records; false (nothing done) for any other item.
  bool measure_themed_menu_item(MEASUREITEMSTRUCT& measure, UINT dpi);
  bool draw_themed_menu_item(const DRAWITEMSTRUCT& draw, UINT dpi,
                             PaintBackend backend = PaintBackend::kDirect2d);

  // The system's menu font at `dpi` ("Segoe UI" 9 pt when the system does
  // not say), made once per DPI.
  HFONT menu_font(UINT dpi);
  // Fills the band where the system draws its line under the bar, while the
  // owner still shows this menu.
  void paint_menu_bar_line();

  HMENU menu_bar() const { return menu_bar_; }
  HWND owner() const { return owner_; }
  const Theme& theme() const { return theme_; }
  const std::vector<std::unique_ptr<MenuItemData>>& items() const { return items_; }

 private:
  void record_menu(HMENU menu);
  const MenuItemData* record_of(ULONG_PTR item_data) const;
  void redraw_bar();

  Theme theme_;
  HMENU menu_bar_;
  HWND owner_;
  HBRUSH background_ = nullptr;
  HFONT font_ = nullptr;
  UINT font_dpi_ = 0;
  std::vector<HMENU> menus_;
  std::vector<std::unique_ptr<MenuItemData>> items_;
};

}  // namespace win32_ui
