#include "tests/fakes/app/fake_main_window.h"

#include <utility>

namespace quorvel::test {
namespace {

constexpr wchar_t kClassName[] = L"QuorvelTestFakeMainWindow";

void register_class_once() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpszClassName = kClassName;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpfnWndProc = DefWindowProcW;
  RegisterClassExW(&window_class);
}

}  // namespace

FakeMainWindow::FakeMainWindow(std::shared_ptr<FakeMainWindowLog> log) : log_(std::move(log)) {
  ++log_->constructed;
}

FakeMainWindow::~FakeMainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  log_->window = nullptr;
}

bool FakeMainWindow::show() {
  ++log_->shows;
  if (!log_->show_succeeds) return false;
  if (window_ == nullptr) {
    register_class_once();
    window_ = CreateWindowExW(0, kClassName, L"main", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(log_.get()));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&window_proc));
    log_->window = window_;
  }
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  return window_ != nullptr;
}

void FakeMainWindow::refresh(quorvel::windows::RecordingSetupState state, bool force) {
  ++log_->refreshes;
  log_->refresh_log.emplace_back(std::move(state), force);
  log_->last_refresh_forced = force;
}

LRESULT CALLBACK FakeMainWindow::window_proc(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  auto* log = reinterpret_cast<FakeMainWindowLog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (log != nullptr && message == WM_KEYDOWN && wparam == VK_ESCAPE) ++log->escape_keys;
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace quorvel::test
