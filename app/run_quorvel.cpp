#include "app/run_quorvel.h"

#include <exception>
#include <string>
#include <utility>

#include "app/app.h"
#include "app/app_messages.h"
#include "app/common/translate.h"

namespace quorvel::windows {
namespace {

constexpr wchar_t kLegacySetupWindowClass[] = L"QuorvelSetupWindow";
constexpr int kWindowSearchAttempts = 40;
constexpr DWORD kWindowSearchPause = 50;

// The running instance's window: waits while it may still be starting up.
HWND find_running_instance() {
  for (int attempt = 0; attempt < kWindowSearchAttempts; ++attempt) {
    HWND window = FindWindowW(kHostWindowClass, nullptr);
    if (window == nullptr) window = FindWindowW(kLegacySetupWindowClass, nullptr);
    if (window != nullptr) return window;
    Sleep(kWindowSearchPause);
  }
  return nullptr;
}

void wake_running_instance(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  if (process_id != 0) AllowSetForegroundWindow(process_id);
  PostMessageW(window, kWakeUpMessage, 0, 0);
}

// The exception's text as it stands: its bytes are ASCII.
std::wstring widen_bytes(const char* text) {
  std::wstring result;
  for (const char* c = text; *c != '\0'; ++c) result.push_back(static_cast<unsigned char>(*c));
  return result;
}

void show_failure(const AppPlatform& platform, const std::wstring& text) {
  const std::wstring caption = translate_for_locale(L"en-US", L"window.startup_failed");
  if (platform.failure_box) {
    platform.failure_box(text, caption);
  } else {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_ICONERROR);
  }
}

// Releases the single-instance mutex last of all.
class InstanceMutex {
 public:
  InstanceMutex() : handle_(CreateMutexW(nullptr, TRUE, kSingleInstanceMutex)) {
    already_existed_ = handle_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
  }
  ~InstanceMutex() {
    if (handle_ == nullptr) return;
    if (!already_existed_) ReleaseMutex(handle_);
    CloseHandle(handle_);
  }
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;

  bool already_existed() const { return already_existed_; }

 private:
  HANDLE handle_;
  bool already_existed_ = false;
};

class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

}  // namespace

bool has_tray_switch(std::wstring_view command_line) {
  return command_line.size() >= 6 && command_line.find(L"--tray") != std::wstring_view::npos;
}

int run_quorvel(HINSTANCE instance, std::wstring_view command_line, int show_command,
                AppPlatform platform) {
  const bool tray_only = has_tray_switch(command_line);
  InstanceMutex mutex;
  if (mutex.already_existed()) {
    if (const HWND running = find_running_instance(); running != nullptr && !tray_only) {
      wake_running_instance(running);
    }
    return 0;
  }
  ComApartment com;
  AppPlatform failure_platform;
  failure_platform.failure_box = platform.failure_box;
  try {
    App app(instance, std::move(platform));
    return app.run(tray_only ? 0 : show_command);
  } catch (const std::exception& error) {
    show_failure(failure_platform, widen_bytes(error.what()));
    return 1;
  }
}

}  // namespace quorvel::windows
