#include "bench/app/tray_startup.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "bench/app/sample_statistics.h"
#include "tests/app/process/program_observation.h"
#include "tests/support/test_support.h"

namespace quorvel::bench {
namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr WPARAM kExitCommand = 603;
constexpr UINT kIconId = 1;

struct WindowSearch {
  DWORD process_id;
  const wchar_t* class_name;
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM lparam) {
  auto* search = reinterpret_cast<WindowSearch*>(lparam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (owner == search->process_id && lstrcmpW(name, search->class_name) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND program_window(DWORD process_id, const std::wstring& class_name) {
  WindowSearch search{process_id, class_name.c_str(), nullptr};
  EnumWindows(&match_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Whether the program's icon is visible now. Wine has no notification area
// on a bare X display: each icon is a window of its stand-alone tray.
bool icon_visible(bool under_wine, int wine_icons_before, DWORD process_id,
                  const std::wstring& class_name) {
  if (under_wine) return test::visible_tray_icons() > wine_icons_before;
  const HWND window = program_window(process_id, class_name);
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
bool poll_until(Condition condition, HANDLE process, bool while_running) {
  const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
  while (GetTickCount64() < deadline) {
    if (condition()) return true;
    if (while_running && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return false;
    Sleep(1);
  }
  return condition();
}

class ProcessOwner {
 public:
  explicit ProcessOwner(const PROCESS_INFORMATION& info) : info_(info) {}
  ~ProcessOwner() {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, kTimeoutMs);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  ProcessOwner(const ProcessOwner&) = delete;
  ProcessOwner& operator=(const ProcessOwner&) = delete;

  HANDLE process() const { return info_.hProcess; }
  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_;
};

}  // namespace

std::optional<double> time_start_to_tray_icon(const TrayProgram& program) {
  const std::string name = test::utf8(program.path);
  const bool under_wine = test::running_under_wine();
  const int wine_icons_before = under_wine ? test::visible_tray_icons() : 0;
  std::wstring command_line = L"\"" + program.path + L"\"";
  if (!program.arguments.empty()) command_line += L" " + program.arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};

  const double started = now_us();
  if (!CreateProcessW(program.path.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &info)) {
    std::fprintf(stderr, "%s did not start (error %lu)\n", name.c_str(), GetLastError());
    return std::nullopt;
  }
  ProcessOwner process(info);
  const bool shown = poll_until(
      [&] {
        return icon_visible(under_wine, wine_icons_before, process.id(),
                            program.icon_window_class);
      },
      process.process(), true);
  const double elapsed_ms = (now_us() - started) / 1000.0;
  if (!shown) {
    std::fprintf(stderr, "%s showed no tray icon\n", name.c_str());
    return std::nullopt;
  }

  const HWND window = program_window(process.id(), program.icon_window_class);
  if (window == nullptr || !PostMessageW(window, WM_COMMAND, kExitCommand, 0) ||
      WaitForSingleObject(process.process(), kTimeoutMs) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "%s did not end on the tray's Exit\n", name.c_str());
    return std::nullopt;
  }
  if (under_wine &&
      !poll_until([&] { return test::visible_tray_icons() == wine_icons_before; }, nullptr,
                  false)) {
    std::fprintf(stderr, "%s left its tray icon behind\n", name.c_str());
    return std::nullopt;
  }
  return elapsed_ms;
}

}  // namespace quorvel::bench
