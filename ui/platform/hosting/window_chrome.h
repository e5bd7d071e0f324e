// WindowChrome replaces the system caption of a top-level window with a
// title row drawn by the window's view surface, while the system keeps the
// resize borders, snapping and the window commands. It removes WS_CAPTION,
// claims the whole window as client area, answers WM_NCHITTEST itself and
// builds the 44-DIP title row (icon, title, caption buttons) around the
// window's content.
//
// Modes: 1 adds the title row to a window with a full caption and a system
// menu (and can be switched off, for high contrast); 2 only removes the
// caption and the DWM border, the content drawing everything itself.
//
// Owned by a window host, which installs it after the surface's and its own
// subclass, so the chrome ("WCHR") sees every message first. UI thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/platform/hosting/chrome_metrics.h"
#include "ui/platform/theme/dwm_attributes.h"
#include "ui/views/view.h"

namespace win32_ui::modern {

class ChromeCaptionButton;
class ChromeTitle;
class GridPanel;

// DWMWA_COLOR_NONE and DWMWA_COLOR_DEFAULT.
inline constexpr COLORREF kDwmColorNone = 0xFFFFFFFE;
inline constexpr COLORREF kDwmColorDefault = 0xFFFFFFFF;

class WindowChrome {
 public:
  // `dwm` reads and writes the border colour; it must outlive the chrome.
  explicit WindowChrome(DwmAttributes& dwm);
  ~WindowChrome();
  WindowChrome(const WindowChrome&) = delete;
  WindowChrome& operator=(const WindowChrome&) = delete;

  // False for a null, dead or child window, mode 0, a mode 1 window without
  // caption and system menu, or when subclassing or activation fails; the
  // chrome is then not installed.
  bool install(HWND window, float zoom, int mode, bool activate);
  // Restores the caption and the DWM border and removes the subclass.
  void detach();
  // Switching off fails in mode 2 and when the style cannot be changed.
  bool set_active(bool on);
  bool is_active() const;
  bool has_title_row() const;
  // 0 without a live window.
  int mode() const;
  void set_zoom(float zoom);
  float zoom() const { return zoom_; }
  // Turns the DWM border off again in mode 2 and repaints the window.
  void refresh();
  // The title row around `content`; the content itself without a window or
  // in mode 2.
  std::unique_ptr<View> wrap_content(std::unique_ptr<View> content);
  // The title-bar grid, null without one.
  View* title_bar() const;
  ChromeTitle* title() const { return title_; }
  ChromeCaptionButton* maximize_button() const { return maximize_button_; }
  HWND window() const { return hwnd_; }

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR reference);

 private:
  bool live() const;
  LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT hit_test(HWND window, WPARAM wparam, LPARAM lparam);
  void on_nc_mouse_move(HWND window, WPARAM wparam);
  void clear_maximize_hover();
  void fit_maximized(HWND window, MINMAXINFO* info) const;
  void apply_rows();
  void forget_window();

  DwmAttributes* dwm_;
  HWND hwnd_ = nullptr;
  LONG_PTR saved_caption_style_ = 0;
  COLORREF saved_border_color_ = kDwmColorDefault;
  bool border_color_read_ = false;
  float zoom_ = 1.0f;
  ChromeTitle* title_ = nullptr;
  ChromeCaptionButton* maximize_button_ = nullptr;
  GridPanel* frame_grid_ = nullptr;
  GridPanel* title_bar_ = nullptr;
  int mode_ = 0;
  bool active_ = false;
  bool tracking_leave_ = false;
};

}  // namespace win32_ui::modern
