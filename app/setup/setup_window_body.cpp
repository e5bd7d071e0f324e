#include "app/setup/setup_window_body.h"

#include <utility>

#include "app/setup/view_factories.h"

namespace quorvel::windows {
namespace {

// DWMWA_COLOR_DEFAULT: the system's own border.
constexpr COLORREF kDefaultBorder = 0xFFFFFFFF;

void set_window_border(HWND window, COLORREF color, win32_ui::DwmAttributes& dwm) {
  // Only a look: a system without DWM border colours keeps its own border.
  static_cast<void>(
      dwm.set_window_attribute(window, win32_ui::kDwmBorderColor, &color, sizeof(color)));
}

void send_icon(HWND window, HINSTANCE instance, int size_x, int size_y, WPARAM kind) {
  auto* icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                             GetSystemMetrics(size_x), GetSystemMetrics(size_y),
                                             LR_SHARED));
  if (icon) SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
}

}  // namespace

win32_ui::scaffold::WindowOptions secondary_window_options(std::wstring text, HINSTANCE instance,
                                                           HWND owner,
                                                           win32_ui::modern::ClientSize size,
                                                           float minimum_width) {
  win32_ui::scaffold::WindowOptions options;
  options.text = std::move(text);
  options.instance = instance;
  options.owner = owner;
  options.style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  options.preferred_size = size;
  options.minimum_size = {minimum_width, size.height};
  options.zoom = kSetupZoom;
  options.chrome_mode = 1;
  return options;
}

void install_window_body(win32_ui::scaffold::Window& window,
                         std::unique_ptr<win32_ui::modern::View> content) {
  auto panel = make_overlay_panel();
  panel->add_child(make_body_surface());
  if (content) panel->add_child(std::move(content));
  window.set_content(std::move(panel));
}

void set_window_icons(HWND window, HINSTANCE instance) {
  if (!window) return;
  send_icon(window, instance, SM_CXICON, SM_CYICON, ICON_BIG);
  send_icon(window, instance, SM_CXSMICON, SM_CYSMICON, ICON_SMALL);
}

void apply_window_theme(win32_ui::scaffold::Window& window, const win32_ui::Theme& theme,
                        win32_ui::DwmAttributes& dwm) {
  if (!window.is_open()) return;
  win32_ui::Theme copy = theme;
  const bool dark = theme.is_dark && !theme.is_high_contrast;
  if (dark) copy.colors[0] = copy.colors[1];
  window.host().apply_theme(copy);
  set_window_border(window.hwnd(), dark ? theme.colors[4] : kDefaultBorder, dwm);
}

void set_border_color(HWND window, const win32_ui::Theme& theme, win32_ui::DwmAttributes& dwm) {
  if (!IsWindow(window)) return;
  set_window_border(window, theme.colors[4], dwm);
}

}  // namespace quorvel::windows
