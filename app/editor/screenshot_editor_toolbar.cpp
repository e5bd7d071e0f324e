// The editor's toolbar window: its creation beside the selection, its font,
// its owner-drawn buttons, its commands and keys.
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/editor/screenshot_editor.h"
#include "app/editor/screenshot_editor_toolbar_view.h"
#include "app/editor/toolbar_glyphs.h"
#include "app/editor/toolbar_placement.h"
#include "ui/platform/theme/themed_button.h"
#include "ui/platform/theme/window_subclass.h"

namespace quorvel::windows {
namespace {

constexpr int kToolbarWidth = 540;
constexpr int kToolbarHeight = 38;
constexpr DWORD kToolbarExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr DWORD kToolbarStyle = WS_POPUP | WS_BORDER;

HFONT create_toolbar_font(UINT dpi) {
  return CreateFontW(-MulDiv(9, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                     FALSE, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Segoe UI");
}

UINT window_dpi(HWND window) {
  const UINT dpi = window ? GetDpiForWindow(window) : 0;
  return dpi ? dpi : 96;
}

// The glyph of a button id; -1 for the colour button and anything else.
int glyph_for_id(UINT id) {
  for (std::size_t index = 0; index < kToolbarToolIds.size(); ++index) {
    if (static_cast<UINT>(kToolbarToolIds[index]) == id) return static_cast<int>(index);
  }
  for (std::size_t index = 0; index < kToolbarActionIds.size(); ++index) {
    if (static_cast<UINT>(kToolbarActionIds[index]) == id) {
      return kGlyphUndo + static_cast<int>(index);
    }
  }
  return -1;
}

bool choose_color_with_dialog(HWND owner, COLORREF& color,
                              std::array<COLORREF, 16>& custom_colors) {
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.rgbResult = color;
  dialog.lpCustColors = custom_colors.data();
  dialog.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  if (!ChooseColorW(&dialog)) return false;
  color = dialog.rgbResult;
  return true;
}

}  // namespace

HWND ScreenshotEditor::create_toolbar_window(UINT dpi) {
  const int width = MulDiv(kToolbarWidth, static_cast<int>(dpi), 96);
  const int height = MulDiv(kToolbarHeight, static_cast<int>(dpi), 96);
  if (seams_.create_toolbar_window) {
    return seams_.create_toolbar_window(kToolbarExStyle, kScreenshotToolbarClass, kToolbarStyle,
                                        width, height, canvas_, instance_, this);
  }
  return CreateWindowExW(kToolbarExStyle, kScreenshotToolbarClass, L"", kToolbarStyle, 0, 0,
                         width, height, canvas_, nullptr, instance_, this);
}

bool ScreenshotEditor::create_toolbar() {
  if (!canvas_ || !register_window_classes(instance_)) return false;
  HWND toolbar = create_toolbar_window(dpi());
  if (!toolbar) return false;
  toolbar_ = toolbar;
  SetWindowDisplayAffinity(toolbar, WDA_EXCLUDEFROMCAPTURE);

  toolbar_view_ = std::make_unique<ToolbarView>(*this);
  if (!toolbar_view_->attach(toolbar, &theme_registry_)) {
    toolbar_view_.reset();
    if (toolbar_) DestroyWindow(std::exchange(toolbar_, nullptr));
    return false;
  }
  update_toolbar_font(window_dpi(toolbar));
  destroy_text_box();

  tool_ = kToolRectangle;
  invalidate_tool_buttons();
  place_toolbar();
  return true;
}

void ScreenshotEditor::show_toolbar() {
  toolbar_pending_ = false;
  if (!canvas_) return;
  KillTimer(canvas_, kToolbarDelayTimer);
  if (toolbar_ || create_toolbar()) {
    ShowWindow(toolbar_, SW_SHOWNOACTIVATE);
    place_toolbar();
    return;
  }
  report_error(L"message.editor_create_failed");
}

void ScreenshotEditor::place_toolbar() {
  if (!canvas_ || !toolbar_) return;
  RECT window{};
  if (!GetWindowRect(toolbar_, &window)) return;
  const SIZE size{window.right - window.left, window.bottom - window.top};
  RECT on_screen = selection_;
  OffsetRect(&on_screen, origin_.x, origin_.y);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromRect(&on_screen, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const POINT position = toolbar_position(on_screen, size, monitor.rcWork, dpi());
  SetWindowPos(toolbar_, HWND_TOPMOST, position.x, position.y, size.cx, size.cy,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void ScreenshotEditor::update_toolbar_font(UINT dpi) {
  if (!toolbar_ || !toolbar_view_) return;
  toolbar_font_.reset(create_toolbar_font(dpi));
  HFONT font = static_cast<HFONT>(toolbar_font_.get());
  toolbar_view_->set_controls_font(font);
  if (text_box_) SendMessageW(text_box_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  toolbar_view_->fit_thickness_columns(font, dpi);
  fit_toolbar_width(dpi);
}

void ScreenshotEditor::fit_toolbar_width(UINT dpi) {
  if (!toolbar_ || !toolbar_view_) return;
  RECT window{};
  if (!GetWindowRect(toolbar_, &window)) return;
  const float scale = static_cast<float>(std::max<UINT>(dpi, 1)) / 96.0f;
  RECT frame{0, 0, static_cast<LONG>(std::ceil(toolbar_view_->row_width() * scale)), 0};
  if (!AdjustWindowRectExForDpi(&frame, kToolbarStyle, FALSE, kToolbarExStyle, dpi)) return;
  const int width = frame.right - frame.left;
  if (width == window.right - window.left) return;
  SetWindowPos(toolbar_, nullptr, 0, 0, width, window.bottom - window.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ScreenshotEditor::invalidate_tool_buttons() {
  if (toolbar_view_) toolbar_view_->invalidate_tool_buttons();
}

void ScreenshotEditor::choose_color() {
  COLORREF chosen = color_;
  const bool accepted = seams_.choose_color
                            ? seams_.choose_color(toolbar_, chosen, custom_colors_)
                            : choose_color_with_dialog(toolbar_, chosen, custom_colors_);
  if (!accepted) return;
  color_ = chosen;
  invalidate_tool_buttons();
}

bool ScreenshotEditor::draw_item(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON || !item.hwndItem) return false;
  const int glyph = glyph_for_id(item.CtlID);
  if (glyph < 0 && item.CtlID != static_cast<UINT>(kToolbarColorId)) return false;
  const bool selected = glyph >= 0 && glyph < kGlyphUndo && glyph == tool_;
  const UINT button_dpi = window_dpi(item.hwndItem);
  win32_ui::ButtonStyle style;
  style.tone = win32_ui::kControlToneSelectable;
  style.emphasised = selected;
  style.font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
  win32_ui::draw_themed_button(item, L"", theme_, button_dpi, style);
  const COLORREF glyph_color =
      win32_ui::Theme::control_colors(theme_, win32_ui::kControlToneSelectable,
                                      win32_ui::visual_state_from_item_state(item.itemState),
                                      selected)
          .text;
  if (glyph >= 0) {
    draw_toolbar_glyph(item.hDC, item.rcItem, glyph, glyph_color, button_dpi);
  } else {
    draw_color_swatch(item.hDC, item.rcItem, color_,
                      theme_.color(win32_ui::ThemeColor::border_strong), button_dpi);
  }
  return true;
}

LRESULT CALLBACK ScreenshotEditor::toolbar_window_proc(HWND window, UINT message, WPARAM wparam,
                                                       LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* editor = static_cast<ScreenshotEditor*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(editor));
  }
  auto* editor = reinterpret_cast<ScreenshotEditor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!editor || editor->toolbar_ != window) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  try {
    return editor->handle_toolbar_message(message, wparam, lparam);
  } catch (...) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
}

LRESULT ScreenshotEditor::handle_toolbar_message(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = toolbar_;
  switch (message) {
    case WM_DESTROY:
      toolbar_ = nullptr;
      return 0;
    case WM_DRAWITEM:
      if (draw_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
      break;
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        finish();
        return 0;
      }
      if (wparam == VK_ESCAPE) {
        close();
        return 0;
      }
      break;
    case WM_CLOSE:
      close();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == kToolbarThicknessId) {
        if (HIWORD(wparam) != CBN_SELCHANGE) break;
        const LRESULT index = SendMessageW(reinterpret_cast<HWND>(lparam), CB_GETCURSEL, 0, 0);
        if (index >= 0 && index < static_cast<LRESULT>(kToolbarThicknesses.size())) {
          thickness_ = kToolbarThicknesses[static_cast<std::size_t>(index)];
        }
        SetFocus(canvas_);
        return 0;
      }
      if (toolbar_view_ &&
          toolbar_view_->handle_command(static_cast<unsigned>(wparam),
                                        reinterpret_cast<HWND>(lparam)) !=
              win32_ui::modern::CommandTable::kUnknown) {
        // The command may have closed the editor.
        if (canvas_) SetFocus(canvas_);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      if (suggested) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOACTIVATE | SWP_NOZORDER);
      }
      // The message's DPI is the window's new one.
      update_toolbar_font(LOWORD(wparam) ? LOWORD(wparam) : window_dpi(window));
      place_toolbar();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK ScreenshotEditor::toolbar_control_subclass_proc(HWND window, UINT message,
                                                                 WPARAM wparam, LPARAM lparam,
                                                                 UINT_PTR id, DWORD_PTR editor) {
  if (message == WM_NCDESTROY) {
    win32_ui::remove_window_subclass(window, &toolbar_control_subclass_proc, id);
  } else if (message == WM_KEYDOWN && editor) {
    return win32_ui::guarded_subclass_call(window, message, wparam, lparam, [&] {
      return reinterpret_cast<ScreenshotEditor*>(editor)->handle_toolbar_control_key(
          window, wparam, lparam);
    });
  }
  return win32_ui::default_subclass_proc(window, message, wparam, lparam);
}

LRESULT ScreenshotEditor::handle_toolbar_control_key(HWND control, WPARAM wparam, LPARAM lparam) {
  if (wparam == VK_RETURN || wparam == VK_ESCAPE) {
    // An open drop-down takes Enter (pick) and Escape (close the list).
    const bool dropped =
        GetDlgCtrlID(control) == kToolbarThicknessId &&
        SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
    if (!dropped) {
      if (wparam == VK_RETURN) {
        finish();
      } else {
        close();
      }
      return 0;
    }
  }
  return win32_ui::default_subclass_proc(control, WM_KEYDOWN, wparam, lparam);
}

}  // namespace quorvel::windows
