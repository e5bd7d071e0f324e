// Painters of push buttons and check boxes in Theme colours: owner-drawn
// push buttons (WM_DRAWITEM), and custom-drawn push buttons and check boxes
// (NM_CUSTOMDRAW, which common controls 6 sends). Each builds its picture
// once (the *_picture functions, also read by tests) and paints it with
// Direct2D, falling back to GDI; `backend` kGdi paints with GDI alone.
// Called on the UI thread by the native theme registry and the classic
// window layer.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string_view>

#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/themed_picture.h"

namespace win32_ui {

struct ButtonStyle {
  ControlTone tone = kControlToneStandard;
  bool emphasised = false;
  COLORREF swatch_color = 0;
  bool has_swatch = false;
  HFONT font = nullptr;
};

struct CheckBoxStyle {
  HFONT font = nullptr;
  int box_size = 16;  // DIP
  int text_gap = 8;   // DIP between the box and the label
};

// What a check box shows right now.
struct CheckBoxState {
  int check = BST_UNCHECKED;  // BST_CHECKED, BST_INDETERMINATE
  bool disabled = false;
  bool hot = false;
  bool focused = false;
};

ThemedPicture themed_button_picture(const RECT& item, UINT item_state, std::wstring_view text,
                                    const Theme& theme, UINT dpi, const ButtonStyle& style);
ThemedPicture check_box_picture(const RECT& item, const CheckBoxState& state,
                                std::wstring_view text, const Theme& theme, UINT dpi,
                                const CheckBoxStyle& style);

// Paints an owner-drawn push button; false (nothing drawn) without a DC.
bool draw_themed_button(const DRAWITEMSTRUCT& item, std::wstring_view text, const Theme& theme,
                        UINT dpi, const ButtonStyle& style,
                        PaintBackend backend = PaintBackend::kDirect2d);

// At CDDS_PREPAINT paints the button as draw_themed_button does and returns
// CDRF_SKIPDEFAULT; at every other stage draws nothing and returns 0.
LRESULT draw_custom_push_button(const NMCUSTOMDRAW& draw, std::wstring_view text,
                                const Theme& theme, UINT dpi, const ButtonStyle& style,
                                PaintBackend backend = PaintBackend::kDirect2d);

// At CDDS_PREPAINT paints the check box (its check state read with
// BM_GETCHECK) and returns CDRF_SKIPDEFAULT; otherwise 0.
LRESULT draw_custom_check_box(const NMCUSTOMDRAW& draw, std::wstring_view text,
                              const Theme& theme, UINT dpi, const CheckBoxStyle& style,
                              PaintBackend backend = PaintBackend::kDirect2d);

}  // namespace win32_ui
