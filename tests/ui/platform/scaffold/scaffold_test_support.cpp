#include "tests/ui/platform/scaffold/scaffold_test_support.h"

#include <memory>
#include <utility>

#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/native_window.h"
#include "ui/platform/scaffold/window.h"

namespace win32_ui::scaffold::testing {
namespace {

constexpr wchar_t kTaskWindowClass[] = L"QuorvelScaffoldTestTasks";
constexpr UINT kRunTask = WM_APP + 0x51;

}  // namespace

TaskWindow::TaskWindow() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &TaskWindow::procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kTaskWindowClass;
  RegisterClassExW(&window_class);
  hwnd_ = CreateWindowExW(0, kTaskWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
}

TaskWindow::~TaskWindow() {
  if (hwnd_ == nullptr) return;
  // Tasks never dispatched are freed with the window.
  MSG message;
  while (PeekMessageW(&message, hwnd_, kRunTask, kRunTask, PM_REMOVE)) {
    delete reinterpret_cast<std::function<void()>*>(message.lParam);
  }
  DestroyWindow(hwnd_);
}

void TaskWindow::post(std::function<void()> task) {
  auto owned = std::make_unique<std::function<void()>>(std::move(task));
  if (PostMessageW(hwnd_, kRunTask, 0, reinterpret_cast<LPARAM>(owned.get()))) owned.release();
}

LRESULT CALLBACK TaskWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != kRunTask) return DefWindowProcW(window, message, wparam, lparam);
  const std::unique_ptr<std::function<void()>> task(
      reinterpret_cast<std::function<void()>*>(lparam));
  (*task)();
  return 0;
}

HWND find_scaffold_window(const std::wstring& caption) {
  return FindWindowW(kScaffoldWindowClass, caption.c_str());
}

Window* registered_window(const Application& application, HWND hwnd) {
  for (Window* window : application.windows()) {
    if (window->hwnd() == hwnd) return window;
  }
  return nullptr;
}

std::wstring window_text(HWND window) {
  wchar_t buffer[256]{};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

}  // namespace win32_ui::scaffold::testing
