// The bare Win32 window startup_bench measures the toolkit against: one
// class, one window, a FillRect paint, then the message loop.
#include <windows.h>

#include "bench/startup/startup_marker.h"

namespace {

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &paint.rcPaint, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &procedure;
  window_class.hInstance = module;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = L"QuorvelBenchHello";
  if (RegisterClassExW(&window_class) == 0) return 3;
  HWND window = CreateWindowExW(0, L"QuorvelBenchHello", L"Hello", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, module,
                                nullptr);
  if (window == nullptr) return 4;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  const int code = quorvel::bench::run_loop_until_marker(argv[1]);
  DestroyWindow(window);
  return code;
}
