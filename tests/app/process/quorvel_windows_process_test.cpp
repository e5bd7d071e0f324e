// Quorvel.exe with its real windows, met from outside as a user meets it:
// the main window at a plain start, a second start bringing it back, the
// language and theme stored before a start, and what the real engine and
// editor report where Wine has no desktop duplication.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/common/translate.h"
#include "tests/app/process/program_observation.h"
#include "tests/app/process/program_process.h"
#include "tests/support/test_registry_key.h"
#include "tests/support/test_support.h"
#include "ui/platform/theme/theme.h"

namespace quorvel::test {
namespace {

constexpr wchar_t kCanvasClass[] = L"QuorvelScreenshotCanvas";
constexpr const wchar_t* kSettingsKey = kProgramSettingsKey;
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kMessageCaption[] = L"Quorvel";
constexpr DWORD kTimeout = 20000;
constexpr UINT kQuickRecordHotkey = 1201;
constexpr WPARAM kTrayScreenshot = 601;
constexpr WPARAM kTrayStartWithWindows = 602;
constexpr WPARAM kTrayExit = 603;

std::wstring main_title(const wchar_t* locale) {
  return windows::translate_for_locale(locale, L"window.main");
}


bool answers(HWND window) {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, kTimeout, &answer) != 0;
}


DWORD window_process(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

template <typename Condition>
bool wait_until(Condition condition) {
  return poll_until(condition, kTimeout);
}

// The visible top-level window titled `title` that `program` owns.
HWND wait_for_program_window(const ProgramProcess& program, const std::wstring& title) {
  HWND found = nullptr;
  wait_until([&] {
    for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, title.c_str());
         window != nullptr; window = FindWindowExW(nullptr, window, nullptr, title.c_str())) {
      if (window_process(window) == program.id() && IsWindowVisible(window)) {
        found = window;
        return true;
      }
    }
    return false;
  });
  return found;
}

void exit_program(ProgramProcess& program, HWND host) {
  PostMessageW(host, WM_COMMAND, kTrayExit, 0);
  EXPECT_EQ(program.wait_exit(kTimeout), std::optional<DWORD>(0));
}

// A visible window of the test itself that takes the foreground.
class OwnWindow {
 public:
  OwnWindow() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kClass;
    RegisterClassExW(&window_class);
    window_ = CreateWindowExW(0, kClass, L"test window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(window_);
    pump();
  }
  ~OwnWindow() {
    DestroyWindow(window_);
    UnregisterClassW(kClass, GetModuleHandleW(nullptr));
  }
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;

  HWND window() const { return window_; }
  static void pump() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

 private:
  static constexpr wchar_t kClass[] = L"QuorvelProcessTestWindow";
  HWND window_ = nullptr;
};


// The run's first start. Under CTest a script entry started the program in
// this prefix in the background, as tools/run.sh starts it, before this
// executable ran; run by hand, the test starts it itself.
std::unique_ptr<ProgramProcess> first_start() {
  if (environment(L"QUORVEL_PROGRAM_STARTED_BY_SCRIPT") == L"1") {
    return ProgramProcess::find_running(kTimeout);
  }
  return std::make_unique<ProgramProcess>(L"");
}

// Whether the running test is the first one this run runs.
bool runs_first() {
  const testing::UnitTest& run = *testing::UnitTest::GetInstance();
  for (int suite_index = 0; suite_index < run.total_test_suite_count(); ++suite_index) {
    const testing::TestSuite& suite = *run.GetTestSuite(suite_index);
    for (int test_index = 0; test_index < suite.total_test_count(); ++test_index) {
      const testing::TestInfo& test = *suite.GetTestInfo(test_index);
      if (test.should_run()) return &test == run.current_test_info();
    }
  }
  return false;
}

// Runs first: the program a script started must be the only one so far,
// and it leaves no program behind for the scenarios after it.
TEST(QuorvelWindowsProcess, PlainStartShowsTheMainWindowInFrontWithOneIcon) {
  EXPECT_TRUE(runs_first()) << "another scenario ran before the first start (see the order of "
                               "the test files)";
  {
    const std::unique_ptr<ProgramProcess> program = first_start();
    ASSERT_NE(program, nullptr) << "no running Quorvel.exe with a message host";
    const HWND host = wait_for_host(*program);
    ASSERT_NE(host, nullptr);

    const HWND main = wait_for_program_window(*program, main_title(L"en-US"));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main_title(L"en-US"), L"Quorvel — New recording");
    EXPECT_TRUE(wait_until([&] { return GetForegroundWindow() == main; }));
    EXPECT_EQ(visible_tray_icons(), 1);

    exit_program(*program, host);
    EXPECT_EQ(visible_tray_icons(), 0);
  }
  // The instance went with the program: the next start is a first one.
  ProgramProcess next(L"--tray");
  const HWND host = wait_for_host(next);
  ASSERT_NE(host, nullptr);
  exit_program(next, host);
}

TEST(QuorvelWindowsProcess, SecondStartBringsTheMainWindowBackAndTrayStartLeavesItAlone) {
  ProgramProcess program(L"");
  const HWND host = wait_for_host(program);
  ASSERT_NE(host, nullptr);
  const HWND main = wait_for_program_window(program, main_title(L"en-US"));
  ASSERT_NE(main, nullptr);

  OwnWindow own;
  ASSERT_TRUE(wait_until([&] { return GetForegroundWindow() == own.window(); }));
  {
    ProgramProcess tray_start(L"--tray");
    EXPECT_EQ(tray_start.wait_exit(kTimeout), std::optional<DWORD>(0));
  }
  // Anything the second start had posted is handled before this answer.
  ASSERT_TRUE(answers(host));
  EXPECT_EQ(GetForegroundWindow(), own.window());

  {
    ProgramProcess second(L"");
    EXPECT_EQ(second.wait_exit(kTimeout), std::optional<DWORD>(0));
  }
  EXPECT_TRUE(wait_until([&] { return GetForegroundWindow() == main; }));
  EXPECT_TRUE(IsWindowVisible(main));

  exit_program(program, host);
}

// What the real engine and editor report under Wine, which has no desktop
// duplication: a message box, and the program goes on answering.
struct FailureCase {
  const char* name;
  UINT message;
  WPARAM wparam;
};

class RealComponentFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(RealComponentFailure, IsReportedInABoxAndTheHostStillAnswers) {
  ProgramProcess program(L"--tray");
  const HWND host = wait_for_host(program);
  ASSERT_NE(host, nullptr);

  PostMessageW(host, GetParam().message, GetParam().wparam, 0);
  const HWND box = wait_for_program_window(program, kMessageCaption);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(program.find_window(kCanvasClass), nullptr);
  PostMessageW(box, WM_CLOSE, 0, 0);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }));
  EXPECT_TRUE(answers(host));

  exit_program(program, host);
}

INSTANTIATE_TEST_SUITE_P(
    UnderWine, RealComponentFailure,
    ::testing::Values(FailureCase{"QuickRecordSnapshot", WM_HOTKEY, kQuickRecordHotkey},
                      FailureCase{"TrayScreenshotEditor", WM_COMMAND, kTrayScreenshot}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(QuorvelWindowsProcess, StoredChineseAndDarkThemeShapeTheMainWindow) {
  StoredSettings settings;
  settings.set(L"Language", RawRegistryValue{REG_SZ, utf16_bytes(L"zh-CN")});
  settings.set(L"ThemeMode", RawRegistryValue{REG_DWORD, dword_bytes(2)});
  ProgramProcess program(L"");
  const HWND host = wait_for_host(program);
  ASSERT_NE(host, nullptr);

  const std::wstring title = main_title(L"zh-CN");
  ASSERT_NE(title, main_title(L"en-US"));
  const HWND main = wait_for_program_window(program, title);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(wait_until([&] { return GetForegroundWindow() == main; }));

  // The body's left margin, beside the cards, halfway down.
  RECT client{};
  GetClientRect(main, &client);
  POINT point{4, (client.bottom - client.top) / 2};
  ClientToScreen(main, &point);
  // The dark body surface: the dark control colour, each channel three
  // steps lower.
  const COLORREF control = win32_ui::Theme::dark(win32_ui::kDefaultAccent)
                               .color(win32_ui::ThemeColor::control_background);
  const COLORREF dark =
      RGB(GetRValue(control) - 3, GetGValue(control) - 3, GetBValue(control) - 3);
  const HDC screen = GetDC(nullptr);
  COLORREF pixel = CLR_INVALID;
  const bool painted = wait_until([&] {
    pixel = GetPixel(screen, point.x, point.y);
    return pixel == dark;
  });
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(painted) << std::hex << "pixel 0x" << pixel << ", dark body colour 0x" << dark;

  exit_program(program, host);
}

TEST(QuorvelWindowsProcess, StartWithWindowsAndAStoredHotkeyHoldAfterARestart) {
  const auto saved_run = read_raw_user_value(kRunKey, L"Quorvel");
  write_raw_user_value(kRunKey, L"Quorvel", std::nullopt);
  StoredSettings settings;
  settings.set(L"HotkeyVersion", RawRegistryValue{REG_DWORD, dword_bytes(6)});
  settings.set(L"Hotkey9", RawRegistryValue{REG_DWORD, dword_bytes(0x00030051)});
  {
    ProgramProcess program(L"--tray");
    const HWND host = wait_for_host(program);
    ASSERT_NE(host, nullptr);
    PostMessageW(host, WM_COMMAND, kTrayStartWithWindows, 0);
    exit_program(program, host);
  }
  const auto run = read_raw_user_value(kRunKey, L"Quorvel");
  ASSERT_TRUE(run.has_value());
  EXPECT_EQ(run->bytes, utf16_bytes(L"\"" + program_path() + L"\" --tray"));

  ProgramProcess again(L"--tray");
  const HWND host = wait_for_host(again);
  ASSERT_NE(host, nullptr);
  EXPECT_FALSE(RegisterHotKey(nullptr, 0xA002, MOD_CONTROL | MOD_ALT, 'Q'));
  exit_program(again, host);
  write_raw_user_value(kRunKey, L"Quorvel", saved_run);
}

}  // namespace
}  // namespace quorvel::test
