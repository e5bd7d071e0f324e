#include "tests/ui/platform/theme/control_test_window.h"

#include <commctrl.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace win32_ui::test {
namespace {

const wchar_t kClassName[] = L"QuorvelControlTestWindow";

void register_class_once() {
  static const ATOM atom = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = kClassName;
    return RegisterClassExW(&window_class);
  }();
  EXPECT_NE(atom, 0);
}

Theme shifted_theme(int shift) {
  Theme theme = Theme::light(kDefaultAccent);
  for (int i = 0; i < static_cast<int>(kThemeColorCount); ++i) {
    theme.colors[i] = RGB(20 + 11 * i, 200 - 7 * i + shift, 40 + 9 * i + shift);
  }
  return theme;
}

}  // namespace

ControlTestWindow::ControlTestWindow(int width, int height) {
  register_class_once();
  RECT frame = {0, 0, width, height};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  hwnd_ = CreateWindowExW(0, kClassName, L"controls", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40,
                          40, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                          nullptr, GetModuleHandleW(nullptr), nullptr);
  EXPECT_NE(hwnd_, nullptr);
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&procedure));
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  pump_messages();
}

ControlTestWindow::~ControlTestWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
  pump_messages();
}

HWND ControlTestWindow::add_child(const wchar_t* class_name, const wchar_t* text, DWORD style,
                                  RECT bounds, int id, DWORD ex_style) {
  HWND child = CreateWindowExW(ex_style, class_name, text, WS_CHILD | WS_VISIBLE | style,
                               bounds.left, bounds.top, bounds.right - bounds.left,
                               bounds.bottom - bounds.top, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
  EXPECT_NE(child, nullptr) << "CreateWindowExW failed: " << GetLastError();
  pump_messages();
  return child;
}

LRESULT CALLBACK ControlTestWindow::procedure(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam) {
  auto* self = reinterpret_cast<ControlTestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && message == WM_HSCROLL) {
    self->scrolls.push_back({static_cast<int>(LOWORD(wparam)),
                             static_cast<int>(static_cast<short>(HIWORD(wparam))),
                             reinterpret_cast<HWND>(lparam)});
    return 0;
  }
  if (self && message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (header && header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
      self->custom_draw_sources.push_back(header->hwndFrom);
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

Theme distinct_theme() { return shifted_theme(0); }
Theme other_distinct_theme() { return shifted_theme(13); }

Rgb rgb(COLORREF color) {
  return {GetRValue(color), GetGValue(color), GetBValue(color)};
}

COLORREF colorref(Rgb color) { return RGB(color.r, color.g, color.b); }

bool nearer(Rgb seen, COLORREF expected, COLORREF other) {
  const auto distance = [&](COLORREF c) {
    return std::abs(seen.r - GetRValue(c)) + std::abs(seen.g - GetGValue(c)) +
           std::abs(seen.b - GetBValue(c));
  };
  return distance(expected) < distance(other);
}

std::uint8_t alpha_at(const DibTarget& target, int x, int y) {
  GdiFlush();
  DIBSECTION section{};
  HGDIOBJ bitmap = GetCurrentObject(target.dc(), OBJ_BITMAP);
  if (!bitmap || GetObjectW(bitmap, sizeof(section), &section) != sizeof(section) ||
      !section.dsBm.bmBits || x < 0 || y < 0 || x >= target.width() || y >= target.height()) {
    ADD_FAILURE() << "no pixel (" << x << ", " << y << ")";
    return 0;
  }
  const auto* bits = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
  return bits[(static_cast<std::size_t>(y) * target.width() + x) * 4 + 3];
}

std::string backend_name(PaintBackend backend) {
  return backend == PaintBackend::kDirect2d ? "Direct2d" : "Gdi";
}

std::uint8_t expected_alpha(PaintBackend backend) {
  return backend == PaintBackend::kDirect2d ? 255 : 0;
}

UINT display_dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

void save_png_if_asked(const DibTarget& target, const std::string& name) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  target.save_png_if_asked(name);
  if (SUCCEEDED(com)) CoUninitialize();
}

void pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace win32_ui::test
