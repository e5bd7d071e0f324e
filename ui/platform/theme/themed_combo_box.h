// Combo boxes in Theme colours: theme_combo_control subclasses a combo box
// ("WICB") and paints it double-buffered as a rounded field with a drop-down
// arrow and the selection's text, following hover, press, focus and the
// enabled state; draw_themed_combo_item paints the owner-drawn list items
// (CBS_OWNERDRAWFIXED) of such a combo for the window that receives
// WM_DRAWITEM. The subclass state lives until WM_NCDESTROY; theming again
// replaces it in place. UI thread of the window only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/themed_picture.h"

namespace win32_ui {

// All DIP.
struct ComboBoxStyle {
  std::int32_t text_inset = 8;    // left inset of the selection text
  std::int32_t arrow_gap = 8;     // between the text and the arrow box
  std::int32_t arrow_width = 28;  // the arrow box at the right
  std::int32_t corner_radius = 6;
  std::int32_t item_height = 0;   // list item height; 0 or less leaves the list alone
  std::int32_t item_padding = 0;  // horizontal text padding of owner-drawn items
};

// What the field shows right now.
struct ComboBoxLook {
  bool enabled = true;
  bool focused = false;
  bool dropped = false;
  bool hovered = false;
  bool pressed = false;
};

ThemedPicture combo_box_picture(const RECT& client, const ComboBoxLook& look,
                                std::wstring_view text, HFONT font, const Theme& theme,
                                const ComboBoxStyle& style, UINT dpi);
// The picture of one owner-drawn list item of the combo `item.hwndItem`
// (text, enabled state and reading order read from the window).
ThemedPicture combo_item_picture(const DRAWITEMSTRUCT& item, const Theme& theme,
                                 const ComboBoxStyle& style, UINT dpi);

// False for a null window or when the subclass cannot be installed (the
// control is then left as it was). `backend` kGdi paints with GDI alone.
bool theme_combo_control(HWND combo, const Theme& theme, const ComboBoxStyle& style,
                         PaintBackend backend = PaintBackend::kDirect2d);

// Paints an ODT_COMBOBOX item of a CBS_OWNERDRAWFIXED combo that carries the
// "WICB" subclass (the selection field, ODS_COMBOBOXEDIT, as the whole
// field); false, drawing nothing, for anything else.
bool draw_themed_combo_item(const DRAWITEMSTRUCT& item);

// The subclass procedure, for finding the subclass with GetWindowSubclass.
LRESULT CALLBACK combo_subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

}  // namespace win32_ui
