// The native half of a toolkit Window: registers the window class
// "Win32UiScaffoldWindow_v1" once per module, creates the HWND and routes
// every message to one message hook. A hook that throws is reported on the
// debugger output and the message gets the default processing; no exception
// crosses the window procedure.
//
// Owned by its Window and reused by later creations after a destruction.
// UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace win32_ui::scaffold {

inline constexpr wchar_t kScaffoldWindowClass[] = L"Win32UiScaffoldWindow_v1";

class NativeWindow {
 public:
  // An empty answer leaves the message to DefWindowProcW.
  using Hook = std::function<std::optional<LRESULT>(UINT message, WPARAM wparam, LPARAM lparam)>;

  NativeWindow() = default;
  ~NativeWindow();
  NativeWindow(const NativeWindow&) = delete;
  NativeWindow& operator=(const NativeWindow&) = delete;

  // Creates the window at the system's default position with an outer size
  // of 640 x 480 pixels. False when a window is alive (which keeps its own
  // hook), the hook is empty, the class cannot be registered or
  // CreateWindowExW fails. A null `instance` means the program's own module.
  bool create(const std::wstring& text, HINSTANCE instance, HWND owner, DWORD style,
              DWORD ex_style, Hook hook);

  HWND hwnd() const { return hwnd_; }
  bool is_open() const;
  bool is_visible() const;
  void show(int command);
  void activate();
  void hide();
  void destroy();

  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  LRESULT route(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  Hook hook_;
};

}  // namespace win32_ui::scaffold
