// The least a tray program does, which app_bench measures Quorvel's start
// to its tray icon against: one window class, one hidden tool window, one
// tray icon (id 1), then the message loop. The tray's Exit command (603)
// removes the icon and ends the program, as it does Quorvel.
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr wchar_t kClassName[] = L"QuorvelBenchBareTray";
constexpr UINT kIconId = 1;
constexpr UINT kIconMessage = WM_APP + 1;
constexpr WPARAM kExitCommand = 603;

NOTIFYICONDATAW icon_data(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window;
  data.uID = kIconId;
  return data;
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == kExitCommand) {
    NOTIFYICONDATAW data = icon_data(window);
    Shell_NotifyIconW(NIM_DELETE, &data);
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int wmain() {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &procedure;
  window_class.hInstance = module;
  window_class.lpszClassName = kClassName;
  if (RegisterClassExW(&window_class) == 0) return 3;
  const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Bare tray window", WS_POPUP,
                                      0, 0, 0, 0, nullptr, nullptr, module, nullptr);
  if (window == nullptr) return 4;

  NOTIFYICONDATAW data = icon_data(window);
  data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = kIconMessage;
  data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(data.szTip, L"Bare tray window", ARRAYSIZE(data.szTip));
  if (!Shell_NotifyIconW(NIM_ADD, &data)) {
    DestroyWindow(window);
    return 5;
  }

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
