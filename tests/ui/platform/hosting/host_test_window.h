// What the window-host, chrome and popup tests share: a visible top-level
// window of a plain test class on the test display, destroyed with the
// object, a message pump that runs until a condition holds (bounded by a
// guard timer, never by sleeping), and a catalogue holding the caption
// buttons' texts in English and Chinese.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/platform/resource_bundle.h"

namespace win32_ui::modern::testing {

class HostTestWindow {
 public:
  // A visible window of `style` at (x, y) with an outer size of
  // width x height.
  HostTestWindow(DWORD style = WS_OVERLAPPEDWINDOW, int x = 100, int y = 80, int width = 500,
                 int height = 400, DWORD ex_style = 0, HWND parent = nullptr);
  ~HostTestWindow();
  HostTestWindow(const HostTestWindow&) = delete;
  HostTestWindow& operator=(const HostTestWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  void destroy();
  // The WM_SYSCOMMAND commands that reached the window's own procedure.
  const std::vector<WPARAM>& sys_commands() const;

 private:
  HWND hwnd_ = nullptr;
};

// Dispatches messages until `done` answers true; false when a 2-second
// guard came first.
bool pump_until(const std::function<bool()>& done);
// Dispatches every message already queued.
void pump_pending();

// A caption buttons catalogue ("en" and "zh-CN") with default "en".
std::shared_ptr<const ResourceBundle> chrome_text_bundle();

// UTF-8 for test messages.
std::string utf8(const std::wstring& text);

}  // namespace win32_ui::modern::testing
