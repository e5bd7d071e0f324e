#include "tests/ui/platform/hosting/host_test_window.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace win32_ui::modern::testing {
namespace {

constexpr wchar_t kClassName[] = L"QuorvelHostTestWindow";

std::map<HWND, std::vector<WPARAM>>& command_log() {
  static std::map<HWND, std::vector<WPARAM>> log;
  return log;
}

LRESULT CALLBACK test_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SYSCOMMAND) {
    // Recorded, not carried out: the tests check which command was asked.
    command_log()[window].push_back(wparam & 0xFFF0);
    return 0;
  }
  if (message == WM_NCDESTROY) command_log().erase(window);
  return DefWindowProcW(window, message, wparam, lparam);
}

void register_class() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = test_procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kClassName;
  RegisterClassExW(&window_class);
}

}  // namespace

HostTestWindow::HostTestWindow(DWORD style, int x, int y, int width, int height, DWORD ex_style,
                               HWND parent) {
  register_class();
  hwnd_ = CreateWindowExW(ex_style, kClassName, L"Host test", style, x, y, width, height, parent,
                          nullptr, GetModuleHandleW(nullptr), nullptr);
  EXPECT_NE(hwnd_, nullptr) << "CreateWindowExW failed: " << GetLastError();
  if (hwnd_ != nullptr) {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
  }
}

HostTestWindow::~HostTestWindow() { destroy(); }

void HostTestWindow::destroy() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

const std::vector<WPARAM>& HostTestWindow::sys_commands() const { return command_log()[hwnd_]; }

bool pump_until(const std::function<bool()>& done) {
  const UINT_PTR guard = SetTimer(nullptr, 0, 2000, nullptr);
  bool result = false;
  MSG message{};
  while (!(result = done())) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
    if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == guard) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, guard);
  return result;
}

void pump_pending() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::shared_ptr<const ResourceBundle> chrome_text_bundle() {
  return std::make_shared<const ResourceBundle>(
      std::vector<ResourceEntry>{
          {L"en", L"scaffold.chrome.minimize", L"Minimize"},
          {L"en", L"scaffold.chrome.maximize", L"Maximize or restore"},
          {L"en", L"scaffold.chrome.close", L"Close"},
          {L"zh-CN", L"scaffold.chrome.minimize", L"\u6700\u5C0F\u5316"},
          {L"zh-CN", L"scaffold.chrome.maximize", L"\u6700\u5927\u5316\u6216\u8FD8\u539F"},
          {L"zh-CN", L"scaffold.chrome.close", L"\u5173\u95ED"},
      },
      L"en", nullptr);
}

std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                      nullptr, nullptr);
  return out;
}

}  // namespace win32_ui::modern::testing
