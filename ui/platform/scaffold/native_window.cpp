#include "ui/platform/scaffold/native_window.h"

#include <utility>

#include "ui/platform/hosting/callback_failure.h"

namespace win32_ui::scaffold {
namespace {

bool ensure_class(HINSTANCE module) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(module, kScaffoldWindowClass, &existing)) return true;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = &NativeWindow::window_proc;
  window_class.hInstance = module;
  window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hIconSm = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // No background brush: the surface paints every pixel.
  window_class.lpszClassName = kScaffoldWindowClass;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

NativeWindow::~NativeWindow() {
  destroy();
  hook_ = nullptr;
}

bool NativeWindow::create(const std::wstring& text, HINSTANCE instance, HWND owner, DWORD style,
                          DWORD ex_style, Hook hook) {
  // The refused hook goes with the argument; a live window keeps its own.
  if (is_open() || !hook) return false;
  HINSTANCE module = instance != nullptr ? instance : GetModuleHandleW(nullptr);
  if (!ensure_class(module)) {
    hook_ = nullptr;
    return false;
  }
  hook_ = std::move(hook);
  HWND created = CreateWindowExW(ex_style, kScaffoldWindowClass, text.c_str(), style,
                                 CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, owner, nullptr, module,
                                 this);
  if (created == nullptr) {
    hook_ = nullptr;
    hwnd_ = nullptr;
    return false;
  }
  return true;
}

bool NativeWindow::is_open() const { return hwnd_ != nullptr && IsWindow(hwnd_); }

bool NativeWindow::is_visible() const { return is_open() && IsWindowVisible(hwnd_); }

void NativeWindow::show(int command) {
  if (!is_open()) return;
  ShowWindow(hwnd_, command);
  UpdateWindow(hwnd_);
}

void NativeWindow::activate() {
  if (!is_open()) return;
  ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
}

void NativeWindow::hide() {
  if (is_open()) ShowWindow(hwnd_, SW_HIDE);
}

void NativeWindow::destroy() {
  if (is_open()) DestroyWindow(hwnd_);
}

LRESULT CALLBACK NativeWindow::window_proc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  auto* self = reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    self = create != nullptr ? static_cast<NativeWindow*>(create->lpCreateParams) : nullptr;
    if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
    self->hwnd_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  const LRESULT result = self->route(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->hook_ = nullptr;
  }
  return result;
}

LRESULT NativeWindow::route(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!hook_) return DefWindowProcW(window, message, wparam, lparam);
  // A copy: the hook may destroy the window, and WM_NCDESTROY drops the
  // stored hook while this one is still running.
  const Hook hook = hook_;
  std::optional<LRESULT> handled;
  try {
    handled = hook(message, wparam, lparam);
  } catch (...) {
    modern::report_callback_failure(L"Window: message handler failed");
    handled.reset();
  }
  return handled ? *handled : DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace win32_ui::scaffold
