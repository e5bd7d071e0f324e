// What the application, window and dialog tests share: a message-only window
// that runs work handed to it once the running message loop dispatches it
// (so a test acts from inside a modal loop without timers or sleeps), and
// lookups of the toolkit windows on the test display.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace win32_ui::scaffold {
class Application;
class Window;
}  // namespace win32_ui::scaffold

namespace win32_ui::scaffold::testing {

class TaskWindow {
 public:
  TaskWindow();
  ~TaskWindow();
  TaskWindow(const TaskWindow&) = delete;
  TaskWindow& operator=(const TaskWindow&) = delete;

  // Runs `task` when the thread's message loop dispatches the posted
  // message; tasks run in posting order.
  void post(std::function<void()> task);

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HWND hwnd_ = nullptr;
};

// The toolkit window with this caption, null when there is none.
HWND find_scaffold_window(const std::wstring& caption);
// The registered Window of `hwnd`, null when none.
Window* registered_window(const Application& application, HWND hwnd);
std::wstring window_text(HWND window);

}  // namespace win32_ui::scaffold::testing
