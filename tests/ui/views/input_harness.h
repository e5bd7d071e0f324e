// What the Surface input tests share: a Surface on a real popup window of
// the test display whose pointer-info reader and owned-item painter the test
// controls (Wine has no WM_POINTER data), a subclass below the Surface's
// that records which messages went on to default processing, views that
// record the pointer, key and context-menu events they get, and helpers to
// hold modifier keys and to pump messages.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "tests/support/fake_clock.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "tests/ui/views/placed_layout.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/surface.h"
#include "ui/views/surface_impl.h"
#include "ui/views/view.h"

namespace win32_ui::modern::testing {

// Gives POINTER_INFO records for the ids it knows; fails (1400) for the
// others or when told to.
struct FakePointerReader {
  std::map<UINT32, POINTER_INFO> infos;
  bool fail = false;
  BOOL read(UINT32 id, POINTER_INFO* info) const;
};

// A focusable view that takes pointer input and records what reaches it.
class RecordingView : public View {
 public:
  RecordingView();
  std::vector<PointerEvent> pointers;
  std::vector<KeyEvent> keys;
  std::vector<PointerEvent> context_menus;
  // What the pointer function answers for the wheel.
  bool handles_wheel = false;
  // Runs inside the wheel dispatch, before answering.
  std::function<void()> on_wheel;
  std::vector<PointerAction> actions() const;
};

class InputHarness {
 public:
  static constexpr int kX = 60;
  static constexpr int kY = 60;

  InputHarness(int width, int height);
  ~InputHarness();
  InputHarness(const InputHarness&) = delete;
  InputHarness& operator=(const InputHarness&) = delete;

  bool attach() { return surface.attach(window.hwnd(), Theme::light(kDefaultAccent)); }
  HWND hwnd() const { return window.hwnd(); }
  Surface::Impl* impl() const { return Surface::Impl::from_window(window.hwnd()); }
  LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const {
    return SendMessageW(window.hwnd(), message, wparam, lparam);
  }
  // Installs `root` and lays it out.
  template <typename T>
  T* set_content(std::unique_ptr<T> root) {
    T* raw = root.get();
    surface.set_content(std::move(root));
    surface.refresh();
    return raw;
  }
  View* focused() const { return impl()->view_root.focus_manager().focused_view(); }
  bool focus_ring() const { return impl()->view_root.focus_manager().is_focus_visible(); }
  POINT to_screen(int x, int y) const;
  // How often `message` reached the window below the Surface's subclass.
  int defaulted(UINT message) const;

  FakePointerReader pointers;
  std::function<bool(const DRAWITEMSTRUCT*)> painter;
  std::vector<UINT> default_messages;
  std::shared_ptr<quorvel::windows::test::FakeClock> clock =
      std::make_shared<quorvel::windows::test::FakeClock>();
  ui::graphics::test::PopupWindow window;
  Surface surface;
};

// Holds the given virtual keys down in this thread's keyboard state, for
// GetKeyState during sent key messages; restores the state at the end.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys);
  ~HeldKeys();
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  BYTE saved_[256]{};
};

// Dispatches this thread's messages until `done` holds, at most `guard_ms`
// (a timer ends the wait); returns whether `done` held.
bool pump_until(const std::function<bool()>& done, UINT guard_ms = 3000);

}  // namespace win32_ui::modern::testing
