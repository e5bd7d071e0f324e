#include "app/editor/copied_notice.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/widgets/text.h"

namespace quorvel::windows {
namespace {

constexpr int kNoticeTextStyle = 2;

// Installed after the host, so it sees the mouse before the frame does: the
// notice never takes a click or the activation, whatever its frame answers.
LRESULT CALLBACK pass_mouse_through(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR) {
  switch (message) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCDESTROY:
      win32_ui::remove_window_subclass(window, &pass_mouse_through, id);
      break;
    default:
      break;
  }
  return win32_ui::default_subclass_proc(window, message, wparam, lparam);
}

bool register_notice_class(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DROPSHADOW;
  window_class.lpfnWndProc = &CopiedNotice::notice_window_proc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kScreenshotNoticeClass;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

CopiedNotice::~CopiedNotice() {
  if (window_) DestroyWindow(window_);
}

void CopiedNotice::show(HINSTANCE instance, RECT monitor, int dpi, std::wstring message,
                        const win32_ui::Theme& theme) {
  if (window_) DestroyWindow(window_);
  if (!register_notice_class(instance)) return;
  const int monitor_width = monitor.right - monitor.left;
  const int monitor_height = monitor.bottom - monitor.top;
  const int width = std::min(MulDiv(380, dpi, 96), monitor_width);
  const int height = std::min(MulDiv(64, dpi, 96), monitor_height);
  if (width <= 0 || height <= 0) return;
  const int x = monitor.left + (monitor_width - width) / 2;
  const int y = monitor.top + (monitor_height - height) / 2;
  HWND window = CreateWindowExW(
      WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_TOPMOST,
      kScreenshotNoticeClass, message.c_str(), WS_POPUP, x, y, width, height, nullptr, nullptr,
      instance, this);
  if (!window) return;
  SetWindowDisplayAffinity(window, WDA_EXCLUDEFROMCAPTURE);
  const int radius = MulDiv(16, dpi, 96);
  HRGN region = CreateRoundRectRgn(0, 0, width + 1, height + 1, radius, radius);
  // The window owns the region once it is accepted.
  if (region && !SetWindowRgn(window, region, FALSE)) DeleteObject(region);
  if (!build_content(window, message, theme) ||
      !SetTimer(window, kNoticeCloseTimer, kNoticeCloseDelayMs, nullptr)) {
    DestroyWindow(window);
    return;
  }
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
}

bool CopiedNotice::build_content(HWND window, const std::wstring& message,
                                 const win32_ui::Theme& theme) {
  host_.set_chrome_mode(2);
  if (!host_.attach(window, theme)) return false;
  if (!win32_ui::install_window_subclass(window, &pass_mouse_through,
                                         win32_ui::kScreenshotNoticeSubclass, 0)) {
    return false;
  }
  auto text = std::make_unique<win32_ui::modern::Text>(message, kNoticeTextStyle,
                                                       win32_ui::layout::Size{0.0f, 32.0f});
  text->set_padding({24.0f, 10.0f, 24.0f, 10.0f});
  host_.set_content(std::move(text));
  return true;
}

void CopiedNotice::apply_theme(const win32_ui::Theme& theme) {
  if (window_) host_.apply_theme(theme);
}

LRESULT CALLBACK CopiedNotice::notice_window_proc(HWND window, UINT message, WPARAM wparam,
                                                  LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* notice = static_cast<CopiedNotice*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(notice));
    if (notice) notice->window_ = window;
  }
  auto* notice = reinterpret_cast<CopiedNotice*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_TIMER:
      if (wparam == kNoticeCloseTimer) {
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      KillTimer(window, kNoticeCloseTimer);
      if (notice) {
        notice->host_.detach();
        if (notice->window_ == window) notice->window_ = nullptr;
      }
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace quorvel::windows
