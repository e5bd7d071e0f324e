#include "ui/platform/hosting/chrome_metrics.h"

#include <algorithm>
#include <cmath>

#include "ui/views/dpi_scale.h"

namespace win32_ui::modern {
namespace {

int rounded_px(const ui::graphics::DpiScale& scale, float dip) {
  return static_cast<int>(std::lround(scale.to_px(dip)));
}

ChromeHit button_hit(const ChromeMetrics& m, int x) {
  const int w = m.button_width;
  int right = m.client_width - w;
  if (x >= right) return ChromeHit::close_button;
  if (m.has_maximize) {
    if (x >= right - w) return ChromeHit::maximize_button;
    right -= w;
  }
  if (m.has_minimize && x >= right - w) return ChromeHit::minimize_button;
  return x < m.icon_width ? ChromeHit::icon : ChromeHit::caption;
}

}  // namespace

ChromeHit chrome_hit_test(const ChromeMetrics& m, int x, int y) {
  const int width = m.client_width;
  const int height = m.client_height;
  if (x < 0 || y < 0 || x >= width || y >= height) return ChromeHit::outside;
  if (m.resizable && !m.zoomed && m.border > 0) {
    const int b = m.border;
    const bool at_left = x < b;
    const bool at_right = x >= width - b;
    if (y < b) {
      if (at_left) return ChromeHit::top_left;
      if (at_right) return ChromeHit::top_right;
    } else if (y >= height - b) {
      if (at_left) return ChromeHit::bottom_left;
      if (at_right) return ChromeHit::bottom_right;
    }
    if (y < b) return ChromeHit::top;
    if (y >= height - b) return ChromeHit::bottom;
    if (at_left) return ChromeHit::left;
    if (at_right) return ChromeHit::right;
  }
  if (y >= m.caption_height) return ChromeHit::content;
  if (m.button_width > 0) return button_hit(m, x);
  return x < m.icon_width ? ChromeHit::icon : ChromeHit::caption;
}

LRESULT chrome_hit_code(ChromeHit hit) {
  switch (hit) {
    case ChromeHit::outside: return HTNOWHERE;
    case ChromeHit::content: return HTCLIENT;
    case ChromeHit::caption: return HTCAPTION;
    case ChromeHit::icon: return HTSYSMENU;
    case ChromeHit::minimize_button: return HTCLIENT;
    case ChromeHit::maximize_button: return HTMAXBUTTON;
    case ChromeHit::close_button: return HTCLIENT;
    case ChromeHit::left: return HTLEFT;
    case ChromeHit::right: return HTRIGHT;
    case ChromeHit::top: return HTTOP;
    case ChromeHit::bottom: return HTBOTTOM;
    case ChromeHit::top_left: return HTTOPLEFT;
    case ChromeHit::top_right: return HTTOPRIGHT;
    case ChromeHit::bottom_left: return HTBOTTOMLEFT;
    case ChromeHit::bottom_right: return HTBOTTOMRIGHT;
  }
  return HTNOWHERE;
}

ChromeMetrics measure_chrome(HWND window, int mode, float zoom) {
  ChromeMetrics m;
  RECT client{};
  GetClientRect(window, &client);
  m.client_width = client.right - client.left;
  m.client_height = client.bottom - client.top;
  const UINT dpi = std::max<UINT>(GetDpiForWindow(window), 1);
  const ui::graphics::DpiScale scale(static_cast<float>(dpi), zoom);
  const bool title_row = mode == 1;
  m.caption_height = title_row ? rounded_px(scale, kChromeCaptionHeight) : 0;
  m.button_width = title_row ? rounded_px(scale, kChromeButtonWidth) : 0;
  m.icon_width = title_row ? rounded_px(scale, kChromeIconWidth) : 0;
  m.border = std::max(GetSystemMetricsForDpi(SM_CXPADDEDBORDER, dpi) +
                          GetSystemMetricsForDpi(SM_CXSIZEFRAME, dpi),
                      1);
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  m.zoomed = IsZoomed(window) != FALSE;
  m.resizable = (style & WS_THICKFRAME) != 0;
  m.has_minimize = (style & WS_MINIMIZEBOX) != 0;
  m.has_maximize = (style & WS_MAXIMIZEBOX) != 0;
  return m;
}

}  // namespace win32_ui::modern
