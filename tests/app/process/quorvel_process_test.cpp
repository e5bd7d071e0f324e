// Quorvel.exe as the user and Windows meet it: a second start wakes the
// first, "--tray" starts hidden with its icon, the host window ignores a
// close from outside and ends with the session or the tray's Exit.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/app/process/program_observation.h"
#include "tests/app/process/program_process.h"
#include "tests/support/test_registry_key.h"

namespace quorvel::test {
namespace {

constexpr wchar_t kMutexName[] = L"Local\\Quorvel.SingleInstance";
constexpr wchar_t kHostClass[] = L"QuorvelMessageHost";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr UINT kWakeUpMessage = 0x8002;
constexpr DWORD kExitTimeout = 20000;

std::wstring window_text(HWND window) {
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  return text;
}



// Signals each change of a value under the user's Run key.
class RunKeyWatch {
 public:
  RunKeyWatch() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_NOTIFY | KEY_READ, nullptr,
                    &key_, nullptr);
    arm();
  }
  ~RunKeyWatch() {
    RegCloseKey(key_);
    CloseHandle(event_);
  }
  // True when a change came within the time; watches for the next one.
  bool wait_change() {
    const bool changed = WaitForSingleObject(event_, kExitTimeout) == WAIT_OBJECT_0;
    arm();
    return changed;
  }

 private:
  void arm() { RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event_, TRUE); }

  HANDLE event_;
  HKEY key_ = nullptr;
};

// A stand-in for a running first instance: the mutex and, when asked, a
// window of the host's class in this process.
class FirstInstanceStandIn {
 public:
  explicit FirstInstanceStandIn(bool with_window)
      : mutex_(CreateMutexW(nullptr, TRUE, kMutexName)) {
    if (!with_window) return;
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kHostClass;
    RegisterClassExW(&window_class);
    window_ = CreateWindowExW(0, kHostClass, L"stand-in", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  }
  ~FirstInstanceStandIn() {
    if (window_ != nullptr) DestroyWindow(window_);
    UnregisterClassW(kHostClass, GetModuleHandleW(nullptr));
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }

  HWND window() const { return window_; }
  // The wake-up messages that reached the window, removed from the queue.
  int take_wake_ups(MSG& last) {
    int count = 0;
    while (PeekMessageW(&last, window_, kWakeUpMessage, kWakeUpMessage, PM_REMOVE)) ++count;
    return count;
  }

 private:
  HANDLE mutex_;
  HWND window_ = nullptr;
};

TEST(QuorvelProcess, SecondStartWakesTheRunningInstance) {
  FirstInstanceStandIn first(true);
  ASSERT_NE(first.window(), nullptr);

  ProgramProcess second(L"");
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.wait_exit(kExitTimeout), std::optional<DWORD>(0));

  MSG wake_up{};
  EXPECT_EQ(first.take_wake_ups(wake_up), 1);
  EXPECT_EQ(wake_up.wParam, 0u);
  EXPECT_EQ(wake_up.lParam, 0);
}

TEST(QuorvelProcess, SecondStartWithTheTraySwitchWakesNothing) {
  FirstInstanceStandIn first(true);
  for (const wchar_t* arguments : {L"--tray", L"x--trayx"}) {
    ProgramProcess second(arguments);
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.wait_exit(kExitTimeout), std::optional<DWORD>(0));
    MSG wake_up{};
    EXPECT_EQ(first.take_wake_ups(wake_up), 0);
  }
}

TEST(QuorvelProcess, SecondStartWithoutAWindowGivesUpAfterAboutTwoSeconds) {
  FirstInstanceStandIn first(false);
  const auto started = std::chrono::steady_clock::now();

  ProgramProcess second(L"");
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.wait_exit(kExitTimeout), std::optional<DWORD>(0));

  // Forty pauses of 50 ms: never less than the pauses themselves.
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1900));
}

TEST(QuorvelProcess, TrayStartShowsOnlyTheHostOverlayAndIcon) {
  const int icons_before = visible_tray_icons();
  ProgramProcess program(L"--tray");
  const HWND host = wait_for_host(program);
  ASSERT_NE(host, nullptr);

  EXPECT_EQ(window_text(host), L"Quorvel message host");
  EXPECT_EQ(GetWindowLongPtrW(host, GWL_STYLE) & WS_POPUP, WS_POPUP);
  EXPECT_EQ(GetWindowLongPtrW(host, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(host));
  RECT bounds{};
  GetWindowRect(host, &bounds);
  EXPECT_EQ(bounds.right - bounds.left, 0);
  EXPECT_EQ(bounds.bottom - bounds.top, 0);

  const HWND overlay = program.find_window(L"QuorvelViewportOverlay");
  ASSERT_NE(overlay, nullptr);
  EXPECT_FALSE(IsWindowVisible(overlay));
  EXPECT_EQ(GetWindowLongPtrW(overlay, GWL_EXSTYLE), 0x00080088);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(overlay, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(1, 2, 3));

  EXPECT_EQ(visible_tray_icons(), icons_before + 1);

  PostMessageW(host, WM_COMMAND, 603, 0);
  EXPECT_EQ(program.wait_exit(kExitTimeout), std::optional<DWORD>(0));
  EXPECT_EQ(visible_tray_icons(), icons_before);
}

TEST(QuorvelProcess, CloseFromOutsideIsIgnoredAndTheStartupCommandTogglesTheRunValue) {
  const auto saved = read_raw_user_value(kRunKey, L"Quorvel");
  write_raw_user_value(kRunKey, L"Quorvel", std::nullopt);
  RunKeyWatch watch;
  ProgramProcess program(L"--tray");
  const HWND host = wait_for_host(program);
  ASSERT_NE(host, nullptr);

  // Posted messages are handled in order: once the command after WM_CLOSE
  // shows its effect, WM_CLOSE has been handled too.
  PostMessageW(host, WM_CLOSE, 0, 0);
  PostMessageW(host, WM_COMMAND, 602, 0);
  ASSERT_TRUE(watch.wait_change());
  EXPECT_TRUE(program.running());
  const auto value = read_raw_user_value(kRunKey, L"Quorvel");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->bytes, utf16_bytes(L"\"" + program_path() + L"\" --tray"));

  PostMessageW(host, WM_COMMAND, 602, 0);
  ASSERT_TRUE(watch.wait_change());
  EXPECT_FALSE(read_raw_user_value(kRunKey, L"Quorvel").has_value());

  PostMessageW(host, WM_COMMAND, 603, 0);
  EXPECT_EQ(program.wait_exit(kExitTimeout), std::optional<DWORD>(0));
  write_raw_user_value(kRunKey, L"Quorvel", saved);
}

TEST(QuorvelProcess, EndOfSessionEndsTheProgramAndFreesTheInstance) {
  const int icons_before = visible_tray_icons();
  {
    ProgramProcess program(L"--tray");
    const HWND host = wait_for_host(program);
    ASSERT_NE(host, nullptr);

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(host, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, kExitTimeout,
                                    &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    PostMessageW(host, WM_ENDSESSION, 1, 0);
    EXPECT_EQ(program.wait_exit(kExitTimeout), std::optional<DWORD>(0));
    EXPECT_EQ(visible_tray_icons(), icons_before);
  }

  // The mutex went with the program: the next start is a first instance.
  ProgramProcess next(L"--tray");
  const HWND host = wait_for_host(next);
  ASSERT_NE(host, nullptr);
  PostMessageW(host, WM_COMMAND, 603, 0);
  EXPECT_EQ(next.wait_exit(kExitTimeout), std::optional<DWORD>(0));
}

constexpr const wchar_t* kSettingsKey = kProgramSettingsKey;
constexpr wchar_t kConflictTitle[] = L"Quorvel — Hotkey conflict";
constexpr uint32_t kCtrlShift = MOD_CONTROL | MOD_SHIFT;
constexpr uint32_t kCtrlAlt = MOD_CONTROL | MOD_ALT;

// Whether nobody holds the combination: takes it for an instant.
bool hotkey_is_free(uint32_t modifiers, uint32_t key) {
  if (!RegisterHotKey(nullptr, 0xA000, modifiers, key)) return false;
  UnregisterHotKey(nullptr, 0xA000);
  return true;
}


// The program's window titled `title` once it appears; null after the time.
HWND wait_for_titled_window(const wchar_t* title) {
  HWND window = nullptr;
  poll_until([&] { return (window = FindWindowW(nullptr, title)) != nullptr; }, kExitTimeout);
  return window;
}

int windows_titled(const wchar_t* title) {
  int count = 0;
  for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, title); window != nullptr;
       window = FindWindowExW(nullptr, window, nullptr, title)) {
    ++count;
  }
  return count;
}

TEST(QuorvelProcess, TrayStartHoldsScreenshotAndQuickRecordOnly) {
  ProgramProcess program(L"--tray");
  const HWND host = wait_for_host(program);
  ASSERT_NE(host, nullptr);

  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'A'));
  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'C'));
  EXPECT_TRUE(hotkey_is_free(MOD_CONTROL, VK_F1));
  EXPECT_EQ(windows_titled(kConflictTitle), 0);

  PostMessageW(host, WM_COMMAND, 603, 0);
  EXPECT_EQ(program.wait_exit(kExitTimeout), std::optional<DWORD>(0));
}

TEST(QuorvelProcess, HeldScreenshotKeyIsReportedOnceAndLeftAlone) {
  ASSERT_TRUE(RegisterHotKey(nullptr, 0xA001, kCtrlShift, 'A'));
  ProgramProcess program(L"--tray");
  ASSERT_TRUE(program.started());

  const HWND conflict = wait_for_titled_window(kConflictTitle);
  ASSERT_NE(conflict, nullptr);
  EXPECT_EQ(windows_titled(kConflictTitle), 1);
  DWORD owner_process = 0;
  GetWindowThreadProcessId(conflict, &owner_process);
  EXPECT_EQ(owner_process, program.id());
  // Closing the box answers No.
  PostMessageW(conflict, WM_CLOSE, 0, 0);
  const HWND host = wait_for_host(program);
  ASSERT_NE(host, nullptr);
  UnregisterHotKey(nullptr, 0xA001);

  EXPECT_EQ(windows_titled(kConflictTitle), 0);
  EXPECT_TRUE(hotkey_is_free(kCtrlShift, 'A'));
  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'C'));

  PostMessageW(host, WM_COMMAND, 603, 0);
  EXPECT_EQ(program.wait_exit(kExitTimeout), std::optional<DWORD>(0));
}

TEST(QuorvelProcess, StoredScreenshotKeyIsTheOneHeld) {
  StoredSettings settings;
  settings.set_dword(L"HotkeyVersion", 6);
  settings.set_dword(L"Hotkey9", 0x00030051);
  ProgramProcess program(L"--tray");
  const HWND host = wait_for_host(program);
  ASSERT_NE(host, nullptr);

  EXPECT_FALSE(hotkey_is_free(kCtrlAlt, 'Q'));
  EXPECT_TRUE(hotkey_is_free(kCtrlShift, 'A'));

  PostMessageW(host, WM_COMMAND, 603, 0);
  EXPECT_EQ(program.wait_exit(kExitTimeout), std::optional<DWORD>(0));
}

TEST(QuorvelProcess, OlderHotkeyLayoutIsRewrittenAtStart) {
  StoredSettings settings;
  settings.set_dword(L"HotkeyVersion", 3);
  settings.set_dword(L"Hotkey8", 0x0000007B);
  for (int row = 0; row < 11; ++row) settings.forget_after(L"Hotkey" + std::to_wstring(row));
  ProgramProcess program(L"--tray");
  const HWND host = wait_for_host(program);
  ASSERT_NE(host, nullptr);

  EXPECT_EQ(read_raw_user_value(kSettingsKey, L"HotkeyVersion"),
            (RawRegistryValue{REG_DWORD, dword_bytes(6)}));
  EXPECT_EQ(read_raw_user_value(kSettingsKey, L"Hotkey8"),
            (RawRegistryValue{REG_DWORD, dword_bytes(0x0002007B)}));
  EXPECT_EQ(read_raw_user_value(kSettingsKey, L"Hotkey10"),
            (RawRegistryValue{REG_DWORD, dword_bytes(0x00060043)}));

  PostMessageW(host, WM_COMMAND, 603, 0);
  EXPECT_EQ(program.wait_exit(kExitTimeout), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace quorvel::test
