#include "tests/ui/platform/scaffold/tray_test_support.h"

#include <array>
#include <string>

#include "ui/platform/hosting/view_popup.h"
#include "ui/platform/scaffold/tray_menu.h"

namespace win32_ui::scaffold::testing {
namespace {

constexpr wchar_t kOwnerClass[] = L"QuorvelTrayTestOwner";

BOOL CALLBACK collect_popup(HWND window, LPARAM found) {
  std::array<wchar_t, 64> name{};
  GetClassNameW(window, name.data(), static_cast<int>(name.size()));
  if (std::wstring(name.data()) == modern::kViewPopupClass && IsWindowVisible(window)) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  }
  return TRUE;
}

}  // namespace

ShellNotify RecordingShell::notify() {
  return [this](DWORD message, NOTIFYICONDATAW* data) {
    SentRecord record{message, *data, FALSE};
    record.result = failing_.count(message) != 0 ? FALSE : Shell_NotifyIconW(message, data);
    sent.push_back(record);
    return record.result;
  };
}

int RecordingShell::count(DWORD message) const {
  int total = 0;
  for (const SentRecord& record : sent) total += record.message == message ? 1 : 0;
  return total;
}

TrayOwnerWindow::TrayOwnerWindow() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &TrayOwnerWindow::procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kOwnerClass;
  RegisterClassExW(&window_class);
  hwnd_ = CreateWindowExW(0, kOwnerClass, L"Tray owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                          nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TrayOwnerWindow::~TrayOwnerWindow() { destroy(); }

void TrayOwnerWindow::route_to(TrayMenu* menu) {
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(menu));
}

void TrayOwnerWindow::destroy() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

LRESULT CALLBACK TrayOwnerWindow::procedure(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  auto* menu = reinterpret_cast<TrayMenu*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (menu != nullptr && menu->handle_message(message, wparam, lparam)) return 0;
  return DefWindowProcW(window, message, wparam, lparam);
}

LPARAM v4_event(UINT event, std::uint32_t id) {
  return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(event), static_cast<WORD>(id)));
}

WPARAM v4_point(int x, int y) {
  return static_cast<WPARAM>(static_cast<DWORD>(
      MAKELONG(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y)))));
}

int queued(HWND window, UINT message) {
  std::vector<MSG> taken;
  MSG next{};
  while (PeekMessageW(&next, window, message, message, PM_REMOVE)) taken.push_back(next);
  for (const MSG& put_back : taken) {
    PostMessageW(put_back.hwnd, put_back.message, put_back.wParam, put_back.lParam);
  }
  return static_cast<int>(taken.size());
}

std::vector<HWND> open_popups() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), &collect_popup, reinterpret_cast<LPARAM>(&found));
  return found;
}

UINT taskbar_created() { return RegisterWindowMessageW(L"TaskbarCreated"); }

}  // namespace win32_ui::scaffold::testing
