// Owner-drawn menu items in Theme colours: how large an item of a menu bar
// or of a drop-down menu is, and the picture that paints it (background,
// label, right-aligned shortcut, check mark or radio dot, separator line).
// The ThemedMenuBar that owns the items calls these from its window's
// WM_MEASUREITEM and WM_DRAWITEM. UI thread only.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/themed_picture.h"

namespace win32_ui {

// What one owner-drawn menu item shows; its address is the item's data.
struct MenuItemData {
  HMENU menu = nullptr;
  // The label, optionally a tab and the shortcut text.
  std::wstring text;
  bool separator = false;
  // The item sits on the menu bar itself.
  bool menu_bar_item = false;
  bool has_submenu = false;
  // A checked mark is drawn as a dot.
  bool radio = false;
};

// The label before the first tab and the shortcut after it (empty without a
// tab).
struct MenuItemText {
  std::wstring_view label;
  std::wstring_view shortcut;
};
MenuItemText split_menu_item_text(std::wstring_view text);

// The item's size in pixels at `dpi`, its text measured in `font`.
SIZE menu_item_size(const MenuItemData& item, HFONT font, UINT dpi);

// The picture of the item in `draw.rcItem` for the state in `draw.itemState`.
ThemedPicture menu_item_picture(const DRAWITEMSTRUCT& draw, const MenuItemData& item,
                                const Theme& theme, HFONT font, UINT dpi);

}  // namespace win32_ui
