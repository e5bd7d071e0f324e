#include "tests/ui/views/input_harness.h"

#include <chrono>

namespace win32_ui::modern::testing {
namespace {

constexpr UINT_PTR kDefaultRecorder = 0x44464C54;  // "DFLT"

LRESULT CALLBACK record_default(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                UINT_PTR, DWORD_PTR reference) {
  reinterpret_cast<std::vector<UINT>*>(reference)->push_back(message);
  return DefSubclassProc(window, message, wparam, lparam);
}

SurfaceServices make_services(InputHarness* harness) {
  SurfaceServices services;
  services.read_client_area_animation = [](BOOL* enabled) {
    *enabled = FALSE;
    return TRUE;
  };
  services.clock = [clock = harness->clock] {
    return ViewRoot::TimePoint(std::chrono::nanoseconds(clock->now()));
  };
  services.read_pointer_info = [harness](UINT32 id, POINTER_INFO* info) {
    return harness->pointers.read(id, info);
  };
  services.draw_item = [harness](const DRAWITEMSTRUCT* item) {
    return harness->painter && harness->painter(item);
  };
  return services;
}

}  // namespace

BOOL FakePointerReader::read(UINT32 id, POINTER_INFO* info) const {
  const auto found = infos.find(id);
  if (fail || found == infos.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *info = found->second;
  return TRUE;
}

RecordingView::RecordingView() {
  set_focusable(true);
  set_pointer_input(true);
  set_pointer_function([this](PointerEvent& event) {
    pointers.push_back(event);
    if (event.action == kPointerWheel) {
      if (on_wheel) on_wheel();
      return handles_wheel;
    }
    return true;
  });
  add_key_handler([this](KeyEvent& event) { keys.push_back(event); });
}

std::vector<PointerAction> RecordingView::actions() const {
  std::vector<PointerAction> result;
  for (const PointerEvent& event : pointers) result.push_back(event.action);
  return result;
}

InputHarness::InputHarness(int width, int height)
    : window(kX, kY, width, height), surface(make_services(this)) {
  SetWindowSubclass(window.hwnd(), &record_default, kDefaultRecorder,
                    reinterpret_cast<DWORD_PTR>(&default_messages));
}

InputHarness::~InputHarness() {
  surface.detach();
  if (IsWindow(window.hwnd())) {
    RemoveWindowSubclass(window.hwnd(), &record_default, kDefaultRecorder);
  }
  if (GetCapture() == window.hwnd()) ReleaseCapture();
}

POINT InputHarness::to_screen(int x, int y) const {
  POINT point{x, y};
  ClientToScreen(window.hwnd(), &point);
  return point;
}

int InputHarness::defaulted(UINT message) const {
  int count = 0;
  for (const UINT m : default_messages) count += m == message ? 1 : 0;
  return count;
}

HeldKeys::HeldKeys(std::initializer_list<int> keys) {
  GetKeyboardState(saved_);
  BYTE state[256]{};
  for (const int key : keys) state[key] = 0x80;
  SetKeyboardState(state);
}

HeldKeys::~HeldKeys() { SetKeyboardState(saved_); }

bool pump_until(const std::function<bool()>& done, UINT guard_ms) {
  constexpr UINT_PTR kGuard = 0x50554D50;  // "PUMP"
  const UINT_PTR timer = SetTimer(nullptr, kGuard, guard_ms, nullptr);
  MSG message{};
  while (!done()) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
    if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == timer) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, timer);
  return done();
}

}  // namespace win32_ui::modern::testing
