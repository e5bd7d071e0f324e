#include "tests/account/ui/dialog_watcher.h"

#include <algorithm>

namespace halvarin::sdk::ui::test {
namespace {

constexpr wchar_t kClassName[] = L"QuorvelTestDialogWatcher";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 10;

std::wstring title_of(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

BOOL CALLBACK collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

DialogWatcher::DialogWatcher() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kClassName;
  RegisterClassW(&window_class);
  hwnd_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetTimer(hwnd_, kTimerId, kTimerMs, nullptr);
}

DialogWatcher::~DialogWatcher() {
  KillTimer(hwnd_, kTimerId);
  DestroyWindow(hwnd_);
}

DialogWatcher& DialogWatcher::then(std::wstring title, std::function<void(HWND)> action) {
  steps_.push_back({std::move(title), std::move(action)});
  return *this;
}

LRESULT CALLBACK DialogWatcher::procedure(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
  if (message == WM_TIMER) {
    auto* watcher = reinterpret_cast<DialogWatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (watcher != nullptr) watcher->look();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void DialogWatcher::look() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) continue;
    if (std::find(seen_.begin(), seen_.end(), window) == seen_.end()) {
      seen_.push_back(window);
      titles_.push_back(title_of(window));
    }
    if (!steps_.empty() && title_of(window) == steps_.front().title) {
      Step step = std::move(steps_.front());
      steps_.pop_front();
      step.action(window);
      return;
    }
  }
}

void press_key(HWND window, UINT virtual_key) {
  PostMessageW(window, WM_KEYDOWN, virtual_key, 1);
  PostMessageW(window, WM_KEYUP, virtual_key, 0xC0000001);
}

}  // namespace halvarin::sdk::ui::test
