#include "bench/app/tray_startup.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "bench/app/sample_statistics.h"
#include "tests/app/process/program_observation.h"
#include "tests/app/process/program_process.h"
#include "tests/support/test_support.h"

namespace quorvel::bench {
namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr WPARAM kExitCommand = 603;
constexpr UINT kIconId = 1;

// Whether the program's icon is visible now. Wine has no notification area
// on a bare X display: each icon is a window of its stand-alone tray.
bool icon_visible(bool under_wine, int wine_icons_before, const test::ProgramProcess& process,
                  const std::wstring& class_name) {
  if (under_wine) return test::visible_tray_icons() > wine_icons_before;
  const HWND window = process.find_window(class_name.c_str());
  if (window == nullptr) return false;
  NOTIFYICONIDENTIFIER identifier{};
  identifier.cbSize = sizeof(identifier);
  identifier.hWnd = window;
  identifier.uID = kIconId;
  RECT place{};
  return Shell_NotifyIconGetRect(&identifier, &place) == S_OK;
}

// Another process's icon gives no signal to wait on: these look every
// millisecond, which is the resolution of the figure.
template <typename Condition>
bool poll_until(Condition condition, const test::ProgramProcess* running) {
  const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
  while (GetTickCount64() < deadline) {
    if (condition()) return true;
    if (running != nullptr && !running->running()) return false;
    Sleep(1);
  }
  return condition();
}

}  // namespace

std::optional<double> time_start_to_tray_icon(const TrayProgram& program) {
  const std::string name = test::utf8(program.path);
  const bool under_wine = test::running_under_wine();
  const int wine_icons_before = under_wine ? test::visible_tray_icons() : 0;
  const double started = now_us();
  test::ProgramProcess process(program.path, program.arguments);
  if (!process.started()) {
    std::fprintf(stderr, "%s did not start (error %lu)\n", name.c_str(), GetLastError());
    return std::nullopt;
  }
  const bool shown = poll_until(
      [&] { return icon_visible(under_wine, wine_icons_before, process, program.icon_window_class); },
      &process);
  const double elapsed_ms = (now_us() - started) / 1000.0;
  if (!shown) {
    std::fprintf(stderr, "%s showed no tray icon\n", name.c_str());
    return std::nullopt;
  }

  const HWND window = process.find_window(program.icon_window_class.c_str());
  if (window == nullptr || !PostMessageW(window, WM_COMMAND, kExitCommand, 0) ||
      !process.wait_exit(kTimeoutMs).has_value()) {
    std::fprintf(stderr, "%s did not end on the tray's Exit\n", name.c_str());
    return std::nullopt;
  }
  if (under_wine &&
      !poll_until([&] { return test::visible_tray_icons() == wine_icons_before; }, nullptr)) {
    std::fprintf(stderr, "%s left its tray icon behind\n", name.c_str());
    return std::nullopt;
  }
  return elapsed_ms;
}

}  // namespace quorvel::bench
