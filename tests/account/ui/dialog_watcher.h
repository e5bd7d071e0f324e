// Drives the account dialogs from inside their own modal loops: a timer on
// the UI thread looks at the thread's enabled, visible top-level windows,
// records the title of every window that opens and runs the next scripted
// step once a window with the step's title is the one the user could use.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace halvarin::sdk::ui::test {

class DialogWatcher {
 public:
  DialogWatcher();
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  // When a window titled `title` is open and enabled, runs `action` with it.
  DialogWatcher& then(std::wstring title, std::function<void(HWND)> action);
  // Titles in the order their windows opened.
  const std::vector<std::wstring>& titles() const { return titles_; }
  // Steps whose window never came.
  size_t pending_steps() const { return steps_.size(); }

 private:
  struct Step {
    std::wstring title;
    std::function<void(HWND)> action;
  };
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void look();

  HWND hwnd_ = nullptr;
  std::vector<HWND> seen_;
  std::vector<std::wstring> titles_;
  std::deque<Step> steps_;
};

// Posted key presses, as the keyboard would deliver them to the window.
void press_key(HWND window, UINT virtual_key);

}  // namespace halvarin::sdk::ui::test
